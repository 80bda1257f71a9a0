#pragma once

#include "apps/drawing/DrawingContext.h"
#include "apps/drawing/RegionBuilder.h"
#include "apps/file/AnalysisFile.h"

#include "platform/db/DbRegion.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

/// The host's side of a 2D analysis before the module sees it: the drawing with the file's
/// settings, the module's context on it, and the region drawn from the file's loops with the
/// boundary points its loads and supports act between. The host's view joins these once it
/// shows pictures.
namespace cae_app
{
/// What the drawing stage sets up.
struct Drawing
{
    OdDbDatabasePtr database;
    std::unique_ptr<DrawingContext> context;
    /// Short labels of the drawing's units: "mm", "N", "MPa".
    std::string lengthUnit, forceUnit, stressUnit;
    /// Added to the database.
    OdDbRegionPtr region;
    /// Per entry of the file's loadsAndSupports: the boundary points a linear one runs between
    /// (moved onto the region's curve ends), or the location of a point one twice.
    std::vector<std::pair<OdGePoint2d, OdGePoint2d>> chainEnds;
};

/// Receives warnings that do not stop the run; empty when the user asked for quiet.
using WarningSink = std::function<void(const std::string&)>;

/// The size of load and support glyphs on a drawing without an annotation scale, for a region whose
/// box has the diagonal `regionSize`; empty when that is not a positive finite length.
std::optional<double> defaultGlyphSize(double regionSize);

/// The database with the file's units and annotation scale, and its context; without an annotation
/// scale in the file, the context sizes the glyphs by the region (defaultGlyphSize). Throws InputError
/// ("<sourceName>: drawing: ...") when the context refuses the settings.
Drawing setUpDrawing(const AnalysisFile& file, const std::string& sourceName);

/// The points of the file's linear loads and supports that must become boundary vertices, in
/// file order, start before end.
std::vector<BoundaryPoint> linearEnds(const AnalysisFile& file);

/// Draws the region of `file` (loops already prepared) into `drawing` and places the loads and
/// supports on it. Throws InputError naming the entry for an end off the boundary, two ends on
/// different loops, or a point load or support outside the region.
void drawRegion(Drawing& drawing, const AnalysisFile& file, double regionSize, const std::string& sourceName,
                const WarningSink& warn);
} // namespace cae_app
