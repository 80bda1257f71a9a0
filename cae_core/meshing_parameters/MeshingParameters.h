#pragma once

#include "cae_core/core/Result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace cae_core
{
/// A real option value with its interpretation. D is the reference length of the geometry being
/// meshed (the mesher decides what it is).
struct MeshingReal
{
    enum EType : std::int32_t
    {
        eAbsolute = 0, ///< the value itself: "100"
        eRelative = 1, ///< relative to D: "0.0001r"
        eTimesD = 2,   ///< value times D: "1*D"
        eDOver = 3     ///< D divided by the value: "D/100"
    };

    MeshingReal() = default;
    MeshingReal(double v, EType t) : value(v), type(t) {}

    /// The text form of the value, the number written as a standard stream writes a double (six
    /// significant digits). A type outside EType asserts and yields an empty text.
    std::string format() const;

    friend bool operator==(const MeshingReal&, const MeshingReal&) = default;

    double value = 0.0;
    EType type = eAbsolute;
};

/// An option of a mesher: unset (the mesher's default applies) or set to a value.
template <class T> using MeshingOption = std::optional<T>;

/// Visits the options of a parameter group, one call per option with the option's name.
/// A non-zero result stops the walk and is returned by `accept`.
class IParametersVisitor
{
public:
    virtual ~IParametersVisitor() = default;
    virtual EResult visit(const std::string& name, MeshingOption<std::int32_t>& option) = 0;
    virtual EResult visit(const std::string& name, MeshingOption<MeshingReal>& option) = 0;
    virtual EResult visit(const std::string& name, MeshingOption<bool>& option) = 0;
};

/// Options of the surface mesher, in their visiting (and file) order.
class SurfaceParameters
{
public:
    enum EGeometricSizeMode : std::int32_t
    {
        eGeometricGlobal = 0,
        eGeometricLocal = 1,
        eGeometricNone = 2
    };
    enum EMetric : std::int32_t
    {
        eIsotropic = 0,
        eAnisotropic = 1
    };
    enum EPhysicalSizeMode : std::int32_t
    {
        ePhysicalGlobal = 0,
        ePhysicalLocal = 1
    };

    /// Walks the 22 options in order, set or not.
    EResult accept(class ISurfaceParametersVisitor& visitor);

    static std::string toStr(EGeometricSizeMode value);
    static std::string toStr(EMetric value);
    static std::string toStr(EPhysicalSizeMode value);
    /// Exact, case-sensitive match of an enumerator's text; any other text gives value 0.
    static EGeometricSizeMode parseGeometricSizeMode(const std::string& text);
    static EMetric parseMetric(const std::string& text);
    static EPhysicalSizeMode parsePhysicalSizeMode(const std::string& text);

    friend bool operator==(const SurfaceParameters&, const SurfaceParameters&) = default;

    MeshingOption<MeshingReal> anisotropic_ratio;
    MeshingOption<MeshingReal> chordal_error;
    MeshingOption<bool> closed_geometry;
    MeshingOption<bool> correct_surface_intersections;
    MeshingOption<bool> discard_input_topology;
    MeshingOption<bool> enforce_cad_edge_sizes;
    MeshingOption<MeshingReal> geometric_approximation_angle;
    MeshingOption<EGeometricSizeMode> geometric_size_mode;
    MeshingOption<MeshingReal> global_physical_size;
    MeshingOption<MeshingReal> gradation;
    MeshingOption<bool> manifold_geometry;
    MeshingOption<MeshingReal> max_size;
    MeshingOption<EMetric> metric;
    MeshingOption<MeshingReal> min_size;
    MeshingOption<bool> optimisation;
    MeshingOption<EPhysicalSizeMode> physical_size_mode;
    MeshingOption<bool> process_3d_topology;
    MeshingOption<bool> remove_tiny_edges;
    MeshingOption<MeshingReal> sewing_tolerance;
    MeshingOption<MeshingReal> tiny_edge_length;
    MeshingOption<bool> tiny_edge_respect_geometry;
    MeshingOption<MeshingReal> volume_gradation;
};

/// Options of the tetrahedral mesher, in their visiting (and file) order.
class TetraParameters
{
public:
    enum EPThreadsMode : std::int32_t
    {
        eSafe = 0,
        eAggressive = 1
    };
    enum EOptimizationLevel : std::int32_t
    {
        eLight = 0,
        eStandard = 1,
        eStrong = 2
    };
    enum EBoundaryRegeneration : std::int32_t
    {
        eRegenerationStandard = 0,
        eRegenerationSafe = 1
    };

    /// Walks the 9 options in order, set or not.
    EResult accept(class ITetraParametersVisitor& visitor);

    static std::string toStr(EPThreadsMode value);
    static std::string toStr(EOptimizationLevel value);
    static std::string toStr(EBoundaryRegeneration value);
    /// Exact, case-sensitive match of an enumerator's text; any other text gives value 0.
    static EPThreadsMode parsePThreadsMode(const std::string& text);
    static EOptimizationLevel parseOptimizationLevel(const std::string& text);
    static EBoundaryRegeneration parseBoundaryRegeneration(const std::string& text);

    friend bool operator==(const TetraParameters&, const TetraParameters&) = default;

    MeshingOption<MeshingReal> min_size;
    MeshingOption<MeshingReal> max_size;
    MeshingOption<MeshingReal> gradation;
    MeshingOption<std::int32_t> max_number_of_threads;
    MeshingOption<EPThreadsMode> pthreadsMode;
    MeshingOption<EOptimizationLevel> optimisation_level;
    MeshingOption<EBoundaryRegeneration> boundary_regeneration;
    MeshingOption<bool> use_volume_proximity;
    MeshingOption<std::int32_t> volume_proximity_layers;
};

/// Visitor of the surface group: the common value kinds plus its three enumerations.
class ISurfaceParametersVisitor : public virtual IParametersVisitor
{
public:
    using IParametersVisitor::visit;
    virtual EResult visit(const std::string& name,
                          MeshingOption<SurfaceParameters::EPhysicalSizeMode>& option) = 0;
    virtual EResult visit(const std::string& name, MeshingOption<SurfaceParameters::EMetric>& option) = 0;
    virtual EResult visit(const std::string& name,
                          MeshingOption<SurfaceParameters::EGeometricSizeMode>& option) = 0;
};

/// Visitor of the tetrahedral group: the common value kinds plus its three enumerations.
class ITetraParametersVisitor : public virtual IParametersVisitor
{
public:
    using IParametersVisitor::visit;
    virtual EResult visit(const std::string& name, MeshingOption<TetraParameters::EPThreadsMode>& option) = 0;
    virtual EResult visit(const std::string& name,
                          MeshingOption<TetraParameters::EOptimizationLevel>& option) = 0;
    virtual EResult visit(const std::string& name,
                          MeshingOption<TetraParameters::EBoundaryRegeneration>& option) = 0;
};

/// Everything handed to the external surface and tetrahedral meshers.
class MeshingParameters
{
public:
    /// The fixed set tuned for the external meshers.
    static MeshingParameters defaultMeshGemsParameters();
    /// The set derived from one fineness factor f in parameterRange() (1e-6 tolerance at both ends);
    /// throws the EResult eUnsupported outside it.
    static MeshingParameters buildParameters(double fineness);
    /// buildParameters(1.0).
    static MeshingParameters defaultParameters();
    /// The accepted range of the fineness factor: (0.01, 100).
    static std::pair<double, double> parameterRange();

    friend bool operator==(const MeshingParameters&, const MeshingParameters&) = default;

    SurfaceParameters surfaceParameters;
    TetraParameters tetraParameters;
};
} // namespace cae_core
