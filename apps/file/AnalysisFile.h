#pragma once

#include "cae_core/mesher2d/Mesher2d.h"
#include "platform/db/DbUnits.h"
#include "platform/ge/GePoint2d.h"
#include "platform/ge/GeVector2d.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

/// The analysis file of the `cae` program: a JSON description of one 2D analysis, read into plain
/// values. Nothing here knows the module; building the drawing and the module's records from these
/// values is the analysis driver's job. Angles are converted to radians on reading; every other
/// number keeps the drawing's units as written.
namespace cae_app
{
/// A straight segment from `from` to `to`.
struct LineCurve
{
    OdGePoint2d from;
    OdGePoint2d to;
};

/// A circular arc travelled from `startAngle` through the signed `sweep` (radians): counter-clockwise
/// when positive. A sweep of +-2 pi is a full circle starting and ending at `startAngle`.
struct ArcCurve
{
    OdGePoint2d center;
    double radius = 0.0;
    double startAngle = 0.0;
    double sweep = 0.0;
};

/// The cubic spline interpolating `fitPoints` in order (at least two, consecutive ones distinct).
struct SplineCurve
{
    std::vector<OdGePoint2d> fitPoints;
};

/// An elliptical arc travelled from the ellipse angle `startParam` through the signed `sweep`
/// (radians; counter-clockwise when positive). The point at angle s is
/// center + cos s majorAxis + sin s ratio (majorAxis turned a quarter counter-clockwise).
/// A sweep of +-2 pi is a whole ellipse.
struct EllipseCurve
{
    OdGePoint2d center;
    /// From the centre to the end of the major axis: its direction and the major radius.
    OdGeVector2d majorAxis;
    /// Minor radius over major radius, in (0, 1].
    double ratio = 1.0;
    double startParam = 0.0;
    double sweep = 0.0;
};

/// A clamped NURBS curve as a CAD program stores it: it starts at its first control point and
/// ends at its last.
struct NurbsCurve
{
    int degree = 3;
    std::vector<OdGePoint2d> controlPoints;
    /// One per control point, all positive; empty for a non-rational curve.
    std::vector<double> weights;
    /// controlPoints.size() + degree + 1 knots, non-decreasing, the first and last degree + 1 equal.
    std::vector<double> knots;
};

/// One boundary curve together with where it came from, for messages.
struct BoundaryCurve
{
    std::variant<LineCurve, ArcCurve, SplineCurve, EllipseCurve, NurbsCurve> geometry;
    /// Key path of the curve in the file, e.g. "region.holes[0][2]".
    std::string path;
    /// The kind as the file names it: "line", "arc", "circle", "spline", "ellipse" or "nurbs" (or
    /// the drawing's entity kind, "LINE", "ELLIPSE", ..., for a region read from a drawing).
    std::string kind;
};

/// A closed loop of curves in walking order.
struct BoundaryLoop
{
    std::vector<BoundaryCurve> curves;
    /// Key path of the loop, e.g. "region.outer".
    std::string path;
};

struct DrawingSettings
{
    OdDb::MeasurementValue measurement = OdDb::kMetric;
    OdDb::UnitsValue insunits = OdDb::kUnitsMillimeters;
    /// Whether the file states the measurement and the units; a region drawn in a CAD program may
    /// take them from its drawing instead.
    bool measurementGiven = true;
    bool insunitsGiven = true;
    /// Annotation scale factor (drawing units per paper unit).
    double annoScale = 1.0;
    /// Whether the file gives the annotation scale; without it the glyphs are sized by the region.
    bool annoScaleGiven = false;
};

struct MaterialSettings
{
    double thickness = 0.0;
    double youngsModulus = 0.0;
    double poissonRatio = 0.0;
    double yield = 0.0;
};

struct RefinementCircleEntry
{
    OdGePoint2d center;
    double radius = 0.0;
};

struct RefinementRectangleEntry
{
    OdGePoint2d corner1;
    OdGePoint2d corner2;
};

struct RefinementRegionEntry
{
    std::variant<RefinementCircleEntry, RefinementRectangleEntry> shape;
    /// The mesh size inside is the mesh size divided by this (> 0; above 1 makes it finer).
    double ratio = 1.0;
    std::string path;
};

/// Settings of the automatic adaptive refinement. The defaults are the mesher's own.
struct AdaptiveSettings
{
    bool refineAutomatically = false;
    int boundaryRefinement = cae_core::Mesher2d::AdaptiveRefinementParams::kDefaultBoundaryRefinement;
    int internalTriangleThreshold =
        cae_core::Mesher2d::AdaptiveRefinementParams::kDefaultInternalTriangleThreshold;
    int maxIterations = cae_core::Mesher2d::AdaptiveRefinementParams::kDefaultMaxIterations;
    /// A new point is not added when the solution there changes by at most this fraction.
    double elasticityThreshold = 0.05;
};

struct MeshSettings
{
    /// Empty: the region's default mesh size.
    std::optional<double> size;
    int smoothing = 3;
    std::vector<RefinementRegionEntry> refinementRegions;
    AdaptiveSettings adaptive;
};

/// Force `magnitude` along the unit vector `direction` at the mesh vertex nearest to `location`.
struct PointLoadEntry
{
    OdGePoint2d location;
    /// Normalised on reading.
    OdGeVector2d direction;
    double magnitude = 0.0;
};

/// Force per length on the boundary chain between `start` and `end`.
struct LinearLoadEntry
{
    OdGePoint2d start;
    OdGePoint2d end;
    double magnitude = 0.0;
    /// Radians.
    double angle = 0.0;
    bool angleRelativeToBoundary = false;
    bool flipped = false;
};

struct PointSupportEntry
{
    OdGePoint2d location;
    bool rolling = false;
    /// The blocked direction of a rolling support, normalised on reading; (1, 0) when not given.
    OdGeVector2d direction{1.0, 0.0};
};

struct LinearSupportEntry
{
    OdGePoint2d start;
    OdGePoint2d end;
    bool rolling = false;
    bool flipped = false;
};

struct LoadOrSupportEntry
{
    std::variant<PointLoadEntry, LinearLoadEntry, PointSupportEntry, LinearSupportEntry> value;
    /// Key path of the entry, e.g. "loadsAndSupports[2].linearLoad".
    std::string path;
};

enum class SolverChoice
{
    eInHouse,
    eNastran
};

enum class AnalysisMode
{
    ePlaneStress,
    ePlaneStrain
};

enum class ElementKind
{
    eTriangle6,
    eTriangle3
};

/// Everything an analysis file says.
struct AnalysisFile
{
    std::string description;
    DrawingSettings drawing;
    /// The drawing the region was read from, as the file names it ("part.dxf"), and the layer
    /// (empty: all of model space); empty when the file gives the region's curves itself.
    std::string regionDrawing;
    std::string regionLayer;
    BoundaryLoop outer;
    std::vector<BoundaryLoop> holes;
    AnalysisMode mode = AnalysisMode::ePlaneStress;
    ElementKind elementType = ElementKind::eTriangle6;
    MaterialSettings material;
    MeshSettings mesh;
    std::vector<LoadOrSupportEntry> loadsAndSupports;
    SolverChoice solver = SolverChoice::eInHouse;
};

/// A file that cannot be read or does not describe an analysis. what() is the full message,
/// starting with the file name and, where known, the line and column ("plate.json:3:7: ...").
class InputError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

namespace json
{
class Node;
}

/// The material object of an input file, with the key names every command's files share: "thickness"
/// and all four values for a planar analysis; for a solid no "thickness", an optional "yield" (0 when
/// absent) and an optional "name" that the caller reads.
MaterialSettings readMaterial(const json::Node& node, bool planar);

/// Reads and checks an analysis file. Throws InputError naming the problem and where it is.
AnalysisFile readAnalysisFile(const std::string& path);

/// As readAnalysisFile, from text already in memory; `sourceName` starts every message.
AnalysisFile parseAnalysisText(std::string_view text, const std::string& sourceName);

/// The drawing unit of a name as analysis files write it ("millimeters", "inches", ...), also
/// accepting the British spellings ("millimetres"); empty for an unknown name.
std::optional<OdDb::UnitsValue> unitsFromName(std::string_view name);

/// Checks a NURBS curve's numbers; returns what is wrong ("" when nothing is), naming the knot,
/// weight or count at fault.
std::string checkNurbs(const NurbsCurve& nurbs);

/// The name analysis files use for a drawing unit.
std::string_view unitsName(OdDb::UnitsValue units);

/// The names accepted for "insunits", comma separated, for help texts and messages.
std::string knownUnitNames();
} // namespace cae_app
