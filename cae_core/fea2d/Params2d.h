#pragma once

#include "platform/base/SmartPtr.h"
#include "platform/db/DbObjectId.h"
#include "platform/db/DbRegion.h"
#include "platform/db/DbSubDMesh.h"
#include "platform/ge/GeMatrix3d.h"
#include "platform/ge/GePoint2d.h"
#include "platform/ge/GeVector2d.h"

#include <cstdint>
#include <variant>
#include <vector>

/// Records of a 2D linear-elastic analysis. Every length is in drawing units, every force in
/// the unit Context::forceUnit names, every stress and modulus in Context::pressureUnit; a
/// distributed load is a force per drawing-unit length. Nothing here converts units.
namespace cae_core::fea2d
{
/// How the thickness direction is treated.
enum EMode : std::int32_t
{
    /// Thin plate, free in its thickness direction.
    ePlanarStress = 0,
    /// No strain in the thickness direction.
    ePlanarStrain = 1
};

/// The finite element used on each mesh triangle.
enum EElementType : std::int32_t
{
    /// Quadratic triangle: three corner and three mid-side nodes.
    eTriangle6 = 0,
    /// Linear triangle: three corner nodes.
    eTriangle3 = 1
};

struct MaterialProperties
{
    /// Plate thickness, drawing units.
    double thickness = 0.0;
    /// Pressure unit.
    double youngsModulus = 0.0;
    /// Dimensionless.
    double poissonRatio = 0.0;
    /// Yield stress, pressure unit; used for the safety factor, not by the solver.
    double yield = 0.0;
};

struct MeshProperties
{
    /// Element size of the current mesh; -1.0 when none is recorded or there is no mesh.
    double meshSize = -1.0;
    /// Element size the user asks for.
    double desiredMeshSize = 0.0;
    /// Ratio of local refinement; 1.0 means none.
    double meshRefinementRatio = 1.0;
    /// The current mesh still has the loads' and supports' points and chains as vertices and boundary chains.
    bool validMeshConstraints = false;
    /// The current mesh was generated with the desired size.
    bool validMeshSize = false;
    /// Whether the refinement ratio may be changed at all.
    bool meshRefinementEnabled = false;
};

/// Settings of the automatic adaptive refinement, carried for the mesher.
struct AdaptiveRefinementParameters
{
    bool refineAutomatically = false;
    std::int32_t boundaryRefinement = 0;
    std::int32_t internalTriangleThreshold = 0;
    std::int32_t maxIterations = 0;
    double elasticityThreshold = 0.0;
};

/// A force at the mesh vertex nearest to `location`: `magnitude` times `direction`.
struct PointLoad
{
    /// The block reference showing the glyph.
    OdDbObjectId id;
    OdGeVector2d direction;
    double magnitude = 0.0;
    OdGePoint2d location;
};

/// A force per length on the boundary chain between the two locations. `flipped` walks the
/// boundary from start to end (true) or from end to start (false), in the loop's stored
/// direction. With `angleRelativeToBoundary` the load direction is each edge's walking
/// direction turned counter-clockwise by `angle`; otherwise it is (-cos angle, -sin angle).
struct LinearLoad
{
    OdDbObjectId id;
    double magnitude = 0.0;
    bool angleRelativeToBoundary = false;
    /// Radians.
    double angle = 0.0;
    OdGePoint2d startLocation;
    OdGePoint2d endLocation;
    bool flipped = false;
};

/// A support at the mesh vertex nearest to `location`: fixed, or when rolling blocked only along
/// `direction`.
struct PointSupport
{
    OdDbObjectId id;
    OdGeVector2d direction;
    OdGePoint2d location;
    bool rolling = false;
};

/// A support of every vertex of the boundary chain between the two locations (chosen by
/// `flipped` as for LinearLoad): fixed, or when rolling blocked normal to the chain.
struct LinearSupport
{
    OdDbObjectId id;
    OdGePoint2d startLocation;
    OdGePoint2d endLocation;
    bool rolling = false;
    bool flipped = false;
};

/// One load or support; the variant index is its LoadOrSupportType.
using LoadOrSupport = std::variant<PointLoad, LinearLoad, PointSupport, LinearSupport>;

enum LoadOrSupportType : std::int32_t
{
    ePointLoad = 0,
    eLinearLoad = 1,
    ePointSupport = 2,
    eLinearSupport = 3
};

/// The complete description of one 2D analysis. The member defaults only make a value-initialised
/// record well defined (no mesh, no recorded size, no refinement); the host that creates the record
/// sets the values the user starts from.
struct Params2d
{
    /// The analysed planar region; null until one is picked.
    OdSmartPtr<OdDbRegion> region;
    /// In the order the user added them; the index identifies a load or support everywhere else.
    std::vector<LoadOrSupport> loadsAndSupports;
    /// The current triangle mesh of the region (only x and y used); null when there is none.
    OdSmartPtr<OdDbSubDMesh> mesh;
    EMode mode = ePlanarStress;
    EElementType elementType = eTriangle6;
    MaterialProperties materialProperties;
    MeshProperties meshProperties;
    AdaptiveRefinementParameters adaptiveParams;
    /// Passed on as `Solver2dInput::consistentEdgeLoads`; off by default.
    bool consistentEdgeLoads = false;
};

/// The variant's tag.
LoadOrSupportType getLoadOrSupportType(const LoadOrSupport& loadOrSupport);

/// The load or support moved by `m`: locations are mapped as points (x, y, 0) exactly, while
/// directions only turn by the in-plane rotation of `m` (atan2(m[1][0], m[0][0])) and keep their
/// length, so a mirror or a non-uniform scale does not mirror or scale them. Every other field,
/// a linear load's absolute angle included, is copied.
LoadOrSupport transform(const LoadOrSupport& loadOrSupport, const OdGeMatrix3d& m);
} // namespace cae_core::fea2d
