#pragma once

#include "apps/file/AnalysisFile.h"

#include <optional>
#include <string>
#include <vector>

/// The region of an analysis drawn in a CAD program: the closed boundaries of a DXF drawing's
/// model space (or of one of its layers), read as the file's own curves so that the loops are
/// checked and reported like typed ones. Arcs, circles, ellipses and splines stay exact curves.
namespace cae_app
{
/// What a drawing gives an analysis file.
struct DrawnRegion
{
    /// The loop that holds the others, then the rest as holes, in the order the drawing lists them.
    BoundaryLoop outer;
    std::vector<BoundaryLoop> holes;
    /// The drawing's $INSUNITS (kUnitsUndefined when it does not say) and $MEASUREMENT.
    OdDb::UnitsValue insunits = OdDb::kUnitsUndefined;
    OdDb::MeasurementValue measurement = OdDb::kMetric;
};

/// Reads the boundaries of the DXF file `path`: LINE, ARC, CIRCLE, ELLIPSE, LWPOLYLINE and POLYLINE
/// (bulges as arcs) and SPLINE entities of model space on `layer` (every layer when empty), joined
/// end to end into closed loops where ends lie within kJoinPrecision of the drawing's size. On a
/// named layer every other entity is refused; without one, entities that are not curves (texts,
/// dimensions, glyph blocks) are passed over. Loops are named "<name> loop <n>" and curves by their
/// handle, so messages point into the drawing. Throws InputError ("<name>: ...") for a file that
/// cannot be read, an empty layer, an unsupported entity (its kind and handle), a curve out of the
/// drawing's plane, two ends that miss each other (both points and the gap), an open or branching
/// boundary; crossing and overlapping loops are found by prepareLoops.
DrawnRegion readDrawnRegion(const std::string& path, const std::string& layer, const std::string& name);
} // namespace cae_app
