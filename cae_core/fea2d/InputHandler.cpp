#include "cae_core/fea2d/InputHandler.h"

#include "cae_core/core/Translation.h"
#include "cae_core/mesher2d/DefaultMeshSize.h"
#include "host/ut/Signal.h"
#include "platform/ge/GeContext.h"
#include "platform/ge/GePoint2d.h"
#include "platform/ge/GeVector2d.h"

#include <boost/container_hash/hash.hpp>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <optional>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

namespace cae_core::fea2d
{

namespace
{

/// Two doubles typed into the set-up panel count as the same value when they differ by at most
/// this much: well below any meaningful change of a thickness, modulus or mesh size in any of the
/// admitted unit systems, yet above the round-off of a value that went through a text field.
constexpr double kEqualValueTolerance = 1e-10;

/// A quantity that must be strictly positive (load magnitude, thickness, modulus, yield) has to
/// exceed this; it is the same scale as kEqualValueTolerance, so "zero" means "equal to zero".
constexpr double kPositiveTolerance = 1e-10;

/// A refinement ratio at or below 1 plus round-off would coarsen the mesh or do nothing, so such
/// a ratio is stored as exactly 1.0 (no refinement).
constexpr double kNoRefinementRatioLimit = 1.0000000001;

/// Poisson's ratio of an isotropic material lies strictly inside (-1, 0.5); the bounds are pulled
/// in by 1e-10 so that a value that is -1 or 0.5 up to round-off is still rejected, since the
/// elasticity matrix degenerates there.
constexpr double kMinPoissonRatio = -0.9999999999;
constexpr double kMaxPoissonRatio = 0.4999999999;

bool isEqual(double a, double b)
{
    return std::abs(a - b) <= kEqualValueTolerance;
}

// Supports are matched by location and by direction. The hash is over the exact coordinates and
// equal hashes are confirmed within the global tolerance, so in practice only supports placed at
// exactly the same point (as glyphs snapped to the same boundary point are) share an entry.
struct PointHash
{
    std::size_t operator()(const OdGePoint2d& p) const noexcept { return combine(p.x, p.y); }

    static std::size_t combine(double a, double b) noexcept
    {
        std::size_t seed = 0;
        boost::hash_combine(seed, a);
        boost::hash_combine(seed, b);
        return seed;
    }
};

/// Equal hashes confirmed within the global tolerance; comparing the hashes first keeps the
/// grouping independent of how the table happens to place keys in buckets.
struct PointEqual
{
    bool operator()(const OdGePoint2d& a, const OdGePoint2d& b) const
    {
        return PointHash{}(a) == PointHash{}(b) && (a - b).isZeroLength(OdGeContext::gTol);
    }
};

struct VectorHash
{
    std::size_t operator()(const OdGeVector2d& v) const noexcept { return PointHash::combine(v.x, v.y); }
};

struct VectorEqual
{
    bool operator()(const OdGeVector2d& a, const OdGeVector2d& b) const
    {
        return VectorHash{}(a) == VectorHash{}(b) && (a - b).isZeroLength(OdGeContext::gTol);
    }
};

using BlockedDirections = std::unordered_map<OdGePoint2d, std::vector<OdGeVector2d>, PointHash, PointEqual>;

/// Whether a support placed at p is anywhere at all. A coordinate that is not a finite number
/// places the support nowhere; it blocks nothing, and it would break the equality the hashed
/// grouping relies on (NaN equals nothing, not even itself).
bool isFinite(const OdGePoint2d& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

/// The unit vector along v, or nothing when v gives no direction: zero length within the global
/// tolerance, or a length that is not a finite number.
std::optional<OdGeVector2d> unitDirection(const OdGeVector2d& v)
{
    const double length = v.length();
    if (!(length > OdGeContext::gTol.equalVector()) || !std::isfinite(length))
        return std::nullopt;
    return OdGeVector2d(v.x / length, v.y / length);
}

/// The supports counted by kind, and the unit directions blocked at each supported location.
struct SupportSummary
{
    /// Whether two clamps stand apart, further than the global tolerance: clamps at one place hold
    /// the plate no better than one, which leaves it free to turn about that place.
    bool clampsApart = false;
    std::optional<OdGePoint2d> firstClamp;
    int fixedLinearCount = 0;
    int rollingPointCount = 0;
    int rollingLinearCount = 0;
    BlockedDirections blocked;
};

/// Counts the supports (loads are ignored) and collects the directions each blocks, by location.
SupportSummary summariseSupports(const std::vector<LoadOrSupport>& loadsAndSupports)
{
    SupportSummary supports;
    for (const LoadOrSupport& entry : loadsAndSupports)
    {
        if (const auto* point = std::get_if<PointSupport>(&entry))
        {
            if (!isFinite(point->location))
                continue;
            if (point->rolling)
            {
                // Counted with its normalised direction whatever that is: a zero or non-finite direction
                // stays as it is and, being parallel to nothing, counts as blocking. The status keeps to
                // this rule; a roller without a usable direction is the caller's to refuse.
                ++supports.rollingPointCount;
                supports.blocked[point->location].push_back(point->direction.normal());
            }
            else
            {
                const std::optional<OdGeVector2d> direction = unitDirection(point->direction);
                // A clamp blocks both components whatever its direction, so without one any
                // orthonormal pair stands for it.
                if (!supports.firstClamp)
                    supports.firstClamp = point->location;
                else if (!(point->location - *supports.firstClamp).isZeroLength(OdGeContext::gTol))
                    supports.clampsApart = true;
                const OdGeVector2d d = direction.value_or(OdGeVector2d::kXAxis);
                auto& directions = supports.blocked[point->location];
                directions.push_back(d);
                directions.push_back(OdGeVector2d(-d.y, d.x));
            }
        }
        else if (const auto* linear = std::get_if<LinearSupport>(&entry))
        {
            if (!isFinite(linear->startLocation) || !isFinite(linear->endLocation))
                continue;
            if (linear->rolling)
            {
                // The normal of the straight chord (the chord turned clockwise). Ends at one place
                // make the support run round the whole loop; its normal then stays the zero
                // vector, which is parallel to nothing, so the checks below count it as blocking.
                const OdGeVector2d chord = linear->endLocation - linear->startLocation;
                const OdGeVector2d normal = OdGeVector2d(chord.y, -chord.x).normal();
                if (!std::isfinite(normal.x) || !std::isfinite(normal.y))
                    continue;
                ++supports.rollingLinearCount;
                supports.blocked[linear->startLocation].push_back(normal);
                supports.blocked[linear->endLocation].push_back(normal);
            }
            else
            {
                ++supports.fixedLinearCount;
                for (const OdGePoint2d& end : {linear->startLocation, linear->endLocation})
                {
                    auto& directions = supports.blocked[end];
                    directions.push_back(OdGeVector2d::kXAxis);
                    directions.push_back(OdGeVector2d::kYAxis);
                }
            }
        }
    }
    return supports;
}

/// Whether the blocked directions hold both translations: at least two distinct ones, not all parallel.
bool blocksBothTranslations(const BlockedDirections& blocked)
{
    // Opposite directions stay distinct here; they block the same translation, which the
    // parallel test below accounts for.
    std::unordered_set<OdGeVector2d, VectorHash, VectorEqual> distinct;
    for (const auto& [location, directions] : blocked)
        distinct.insert(directions.begin(), directions.end());
    if (distinct.size() < 2)
        return false;
    const OdGeVector2d first = *distinct.begin();
    const bool allParallel = std::all_of(distinct.begin(), distinct.end(),
                                         [&first](const OdGeVector2d& d) { return d.isParallelTo(first); });
    return !allParallel; // when all are parallel, the translation perpendicular to them is free
}

/// Whether the rotation about every supported point P is blocked: some other supported point Q has a
/// direction that is not parallel to P - Q.
bool blocksEveryRotation(const BlockedDirections& blocked)
{
    // A rotation about P moves every other supported point Q perpendicular to P - Q; a support at
    // Q blocks it unless the support's direction is parallel to P - Q.
    for (const auto& [centre, centreDirections] : blocked)
    {
        bool rotationBlocked = false;
        for (const auto& [other, otherDirections] : blocked)
        {
            const OdGeVector2d arm = centre - other;
            if (arm.isZeroLength(OdGeContext::gTol))
                continue;
            for (const OdGeVector2d& d : otherDirections)
            {
                if (!d.isParallelTo(arm))
                {
                    rotationBlocked = true;
                    break;
                }
            }
            if (rotationBlocked)
                break;
        }
        if (!rotationBlocked)
            return false;
    }
    return true;
}

/// Whether the supports leave no rigid-body motion of the plate free: two independent
/// translations and the rotation about every supported point must all be blocked. It works on
/// the supported points and the directions blocked there, so it judges supports as placed, not
/// as they will land on mesh vertices.
bool areSupportsSufficient(const std::vector<LoadOrSupport>& loadsAndSupports)
{
    const SupportSummary supports = summariseSupports(loadsAndSupports);
    // A clamped edge, or two clamped points apart, hold the plate completely.
    if (supports.fixedLinearCount > 0 || supports.clampsApart)
        return true;
    if (supports.rollingPointCount == 0 && supports.rollingLinearCount == 0)
        return false;
    return blocksBothTranslations(supports.blocked) && blocksEveryRotation(supports.blocked);
}

bool hasNonZeroLoad(const std::vector<LoadOrSupport>& loadsAndSupports)
{
    int pointLoadCount = 0;
    int linearLoadCount = 0;
    for (const LoadOrSupport& entry : loadsAndSupports)
    {
        // A negative magnitude is not a reversed load here: the glyphs and the driver take the
        // sense from the direction, so only a positive magnitude loads the plate.
        if (const auto* point = std::get_if<PointLoad>(&entry);
            point && point->magnitude > kPositiveTolerance)
            ++pointLoadCount;
        else if (const auto* linear = std::get_if<LinearLoad>(&entry);
                 linear && linear->magnitude > kPositiveTolerance)
            ++linearLoadCount;
    }
    return pointLoadCount != 0 || linearLoadCount != 0;
}

const OdDbObjectId& idOf(const LoadOrSupport& entry)
{
    return std::visit([](const auto& record) -> const OdDbObjectId& { return record.id; }, entry);
}

} // namespace

struct InputHandler::Impl
{
    explicit Impl(Params2d p) : params(std::move(p)) {}

    Params2d params;
    ut::Signal<> settingsChanged;
    ut::Signal<> validMeshChanged;
    ut::Signal<> hasMeshChanged;

    bool hasMesh() const { return !params.mesh.isNull(); }

    /// Stores `value` into `field` and raises `changed`, unless the field holds it already.
    template <class T> static void store(T& field, T value, ut::Signal<>& changed)
    {
        if (field == value)
            return;
        field = std::move(value);
        changed.raise();
    }

    /// Stores value into field and raises the settings signal, unless it is equal within tolerance.
    void setValue(double& field, double value)
    {
        if (isEqual(field, value))
            return;
        field = value;
        settingsChanged.raise();
    }
};

InputHandler::InputHandler(Params2d params) : m_impl(std::make_unique<Impl>(std::move(params))) {}

InputHandler::~InputHandler() = default;

OdSmartPtr<OdDbRegion> InputHandler::getRegion() const
{
    return m_impl->params.region;
}

OdSmartPtr<OdDbSubDMesh> InputHandler::getMesh() const
{
    return m_impl->params.mesh;
}

const Params2d& InputHandler::getParams2d() const
{
    return m_impl->params;
}

const MeshProperties& InputHandler::getMeshProperties() const
{
    return m_impl->params.meshProperties;
}

const AdaptiveRefinementParameters& InputHandler::getAdaptiveParams() const
{
    return m_impl->params.adaptiveParams;
}

bool InputHandler::isBoundarySelected() const
{
    return !m_impl->params.region.isNull();
}

void InputHandler::initializeMeshSize() const
{
    MeshProperties& mesh = m_impl->params.meshProperties;
    mesh.desiredMeshSize = getDefaultMeshSize(m_impl->params.region);
    mesh.meshSize = -1.0;
}

InputHandler::Status InputHandler::getStatus() const
{
    const Params2d& params = m_impl->params;
    const MaterialProperties& material = params.materialProperties;
    Status status;
    const auto fail = [&status](const wchar_t* english)
    { status.message += cae_core::translate(OdString(english)); };

    if (!hasNonZeroLoad(params.loadsAndSupports))
        fail(L"There are no non-zero loads defined.\n");
    if (!areSupportsSufficient(params.loadsAndSupports))
        fail(L"Specify additional supports to fully constrain translational and rotational movement of the "
             L"boundary.\n");
    if (params.region.isNull())
        fail(L"The region is not defined.\n");
    if (params.mesh.isNull())
        fail(L"No mesh is generated.\n");
    if (!(params.meshProperties.validMeshConstraints && params.meshProperties.validMeshSize))
        fail(L"Current mesh is not valid, update mesh.\n");
    // The material checks are written as "not inside the admitted range" so that a value that is
    // not a number (a failed text conversion) is reported instead of reaching the solver.
    if (!(material.poissonRatio > kMinPoissonRatio && material.poissonRatio < kMaxPoissonRatio))
        fail(L"Poisson ratio needs to be greater than -1 and smaller than 0.5.\n");
    if (!(material.thickness > kPositiveTolerance))
        fail(L"The thickness needs to be greater than zero.\n");
    if (!(material.youngsModulus > kPositiveTolerance))
        fail(L"The Young's modulus needs to be greater than zero.\n");
    if (!(material.yield > kPositiveTolerance))
        fail(L"The yield needs to be greater than zero.\n");
    return status;
}

std::shared_ptr<ut::Connection>
InputHandler::connectSettingsChangedSignal(const std::function<void()>& callback)
{
    return m_impl->settingsChanged.connect(callback);
}

std::shared_ptr<ut::Connection>
InputHandler::connectValidMeshChangedSignal(const std::function<void()>& callback)
{
    return m_impl->validMeshChanged.connect(callback);
}

std::shared_ptr<ut::Connection>
InputHandler::connectHasMeshChangedSignal(const std::function<void()>& callback)
{
    return m_impl->hasMeshChanged.connect(callback);
}

void InputHandler::setMode(EMode mode)
{
    Impl::store(m_impl->params.mode, mode, m_impl->settingsChanged);
}

void InputHandler::setElementType(EElementType elementType)
{
    Impl::store(m_impl->params.elementType, elementType, m_impl->settingsChanged);
}

void InputHandler::setThickness(double thickness)
{
    m_impl->setValue(m_impl->params.materialProperties.thickness, thickness);
}

void InputHandler::setYoungsModulus(double youngsModulus)
{
    m_impl->setValue(m_impl->params.materialProperties.youngsModulus, youngsModulus);
}

void InputHandler::setPoissonRatio(double poissonRatio)
{
    m_impl->setValue(m_impl->params.materialProperties.poissonRatio, poissonRatio);
}

void InputHandler::setYield(double yield)
{
    m_impl->setValue(m_impl->params.materialProperties.yield, yield);
}

void InputHandler::setMaterialProperties(const MaterialProperties& properties)
{
    setThickness(properties.thickness);
    setYoungsModulus(properties.youngsModulus);
    setPoissonRatio(properties.poissonRatio);
    setYield(properties.yield);
}

void InputHandler::setDesiredMeshSize(double size)
{
    MeshProperties& mesh = m_impl->params.meshProperties;
    // A size that is not a finite number (a failed text conversion) is no size to mesh with and
    // is ignored like zero; stored, it would reach the mesher, which cannot work with it.
    if (isEqual(size, mesh.desiredMeshSize) || isEqual(size, 0.0) || !std::isfinite(size))
        return;
    mesh.desiredMeshSize = size;
    m_impl->settingsChanged.raise();
    recheckMeshSize(size);
}

void InputHandler::setMeshRefinementRatio(double ratio)
{
    MeshProperties& mesh = m_impl->params.meshProperties;
    if (!mesh.meshRefinementEnabled)
        return;
    // Not a number counts as "no refinement" as well, rather than being stored.
    if (!(ratio > kNoRefinementRatioLimit))
    {
        // Signalled even when the ratio already was 1.0, so that a panel showing the rejected
        // value is reset to the stored one.
        mesh.meshRefinementRatio = 1.0;
        m_impl->settingsChanged.raise();
    }
    else
    {
        m_impl->setValue(mesh.meshRefinementRatio, ratio);
    }
}

void InputHandler::setRefineAutomatically(bool refine)
{
    m_impl->params.adaptiveParams.refineAutomatically = refine;
    m_impl->settingsChanged.raise();
}

void InputHandler::setAdaptiveBoundaryRefinement(int boundaryRefinement)
{
    m_impl->params.adaptiveParams.boundaryRefinement = boundaryRefinement;
}

void InputHandler::setAdaptiveMaxIterations(int maxIterations)
{
    m_impl->params.adaptiveParams.maxIterations = maxIterations;
}

void InputHandler::setAdaptiveInternalTriangleThreshold(int threshold)
{
    m_impl->params.adaptiveParams.internalTriangleThreshold = threshold;
}

void InputHandler::setAdaptiveElasticityThreshold(double threshold)
{
    m_impl->params.adaptiveParams.elasticityThreshold = threshold;
}

void InputHandler::setRegion(OdSmartPtr<OdDbRegion> region)
{
    Impl::store(m_impl->params.region, std::move(region), m_impl->settingsChanged);
}

void InputHandler::addLoadOrSupport(const LoadOrSupport& loadOrSupport)
{
    m_impl->params.loadsAndSupports.push_back(loadOrSupport);
    m_impl->settingsChanged.raise();
    invalidateMeshConstraints();
}

void InputHandler::setLoadOrSupport(const LoadOrSupport& loadOrSupport, const OdDbObjectId& id)
{
    auto& entries = m_impl->params.loadsAndSupports;
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [&id](const LoadOrSupport& entry) { return idOf(entry) == id; });
    if (it == entries.end())
        return;
    *it = loadOrSupport;
    m_impl->settingsChanged.raise();
    invalidateMeshConstraints();
}

void InputHandler::removeLoadOrSupport(int index)
{
    auto& entries = m_impl->params.loadsAndSupports;
    if (index < 0 || static_cast<std::size_t>(index) >= entries.size())
        return;
    entries.erase(entries.begin() + index);
    m_impl->settingsChanged.raise();
    invalidateMeshConstraints();
}

void InputHandler::setMesh(OdSmartPtr<OdDbSubDMesh> mesh, std::optional<double> size)
{
    if (m_impl->params.mesh == mesh)
        return;
    m_impl->params.mesh = std::move(mesh);
    if (size)
        m_impl->params.meshProperties.meshSize = *size;
    m_impl->settingsChanged.raise();
    m_impl->hasMeshChanged.raise();
}

void InputHandler::setValidMeshConstraints(bool valid)
{
    Impl::store(m_impl->params.meshProperties.validMeshConstraints, valid, m_impl->validMeshChanged);
}

void InputHandler::setValidMeshSize(bool valid)
{
    Impl::store(m_impl->params.meshProperties.validMeshSize, valid, m_impl->validMeshChanged);
}

void InputHandler::invalidateMeshConstraints()
{
    if (!m_impl->hasMesh())
        return;
    // Raised even when the flag already was false: listeners treat it as "the constraints
    // changed since the mesh was made", not only as a change of the flag.
    m_impl->params.meshProperties.validMeshConstraints = false;
    m_impl->validMeshChanged.raise();
}

void InputHandler::recheckMeshSize(double size)
{
    if (!m_impl->hasMesh())
        return;
    MeshProperties& mesh = m_impl->params.meshProperties;
    Impl::store(mesh.validMeshSize, isEqual(size, mesh.meshSize), m_impl->validMeshChanged);
}

} // namespace cae_core::fea2d
