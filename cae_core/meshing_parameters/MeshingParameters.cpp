#include "cae_core/meshing_parameters/MeshingParameters.h"

#include "cae_core/meshing_parameters/LogarithmicInterpolation.h"
#include "host/ut/Assert.h"

#include <array>
#include <locale>
#include <sstream>

namespace cae_core
{
namespace
{
constexpr const char* kSource = "cae_core/cae_api_meshing_parameters";

template <class E, std::size_t N>
std::string enumText(E value, const std::array<const char*, N>& texts, int assertLine)
{
    const auto i = static_cast<std::int64_t>(value);
    if (i < 0 || i >= static_cast<std::int64_t>(N))
    {
        ut::callAssert("0", nullptr, kSource, assertLine);
        return {};
    }
    return texts[static_cast<std::size_t>(i)];
}

template <class E, std::size_t N>
E parseEnum(const std::string& text, const std::array<const char*, N>& texts)
{
    for (std::size_t i = 0; i < N; ++i)
        if (text == texts[i])
            return static_cast<E>(i);
    return static_cast<E>(0);
}

constexpr std::array<const char*, 3> kGeometricSizeModes{"global", "local", "none"};
constexpr std::array<const char*, 2> kMetrics{"isotropic", "anisotropic"};
constexpr std::array<const char*, 2> kPhysicalSizeModes{"global", "local"};
constexpr std::array<const char*, 2> kPThreadsModes{"safe", "aggressive"};
constexpr std::array<const char*, 3> kOptimizationLevels{"light", "standard", "strong"};
constexpr std::array<const char*, 2> kBoundaryRegenerations{"standard", "safe"};

// Stops at the first visit that does not succeed, as accept() promises.
template <class Visitor, class... Options> EResult visitAll(Visitor& visitor, Options&&... namedOptions)
{
    EResult result = eOk;
    ((result == eOk ? (result = visitor.visit(namedOptions.first, namedOptions.second), 0) : 0), ...);
    return result;
}

template <class T> std::pair<std::string, T&> named(const char* name, T& option)
{
    return {name, option};
}
} // namespace

std::string MeshingReal::format() const
{
    std::ostringstream out;
    // Files are exchanged between machines: the decimal point never follows the user's locale.
    out.imbue(std::locale::classic());
    switch (type)
    {
    case eAbsolute:
        out << value;
        break;
    case eRelative:
        out << value << 'r';
        break;
    case eTimesD:
        out << value << "*D";
        break;
    case eDOver:
        out << "D/" << value;
        break;
    default:
        ut::callAssert("0", nullptr, kSource, 36);
        return {};
    }
    return out.str();
}

EResult SurfaceParameters::accept(ISurfaceParametersVisitor& v)
{
    return visitAll(v, named("anisotropic_ratio", anisotropic_ratio), named("chordal_error", chordal_error),
                    named("closed_geometry", closed_geometry),
                    named("correct_surface_intersections", correct_surface_intersections),
                    named("discard_input_topology", discard_input_topology),
                    named("enforce_cad_edge_sizes", enforce_cad_edge_sizes),
                    named("geometric_approximation_angle", geometric_approximation_angle),
                    named("geometric_size_mode", geometric_size_mode),
                    named("global_physical_size", global_physical_size), named("gradation", gradation),
                    named("manifold_geometry", manifold_geometry), named("max_size", max_size),
                    named("metric", metric), named("min_size", min_size), named("optimisation", optimisation),
                    named("physical_size_mode", physical_size_mode),
                    named("process_3d_topology", process_3d_topology),
                    named("remove_tiny_edges", remove_tiny_edges),
                    named("sewing_tolerance", sewing_tolerance), named("tiny_edge_length", tiny_edge_length),
                    named("tiny_edge_respect_geometry", tiny_edge_respect_geometry),
                    named("volume_gradation", volume_gradation));
}

EResult TetraParameters::accept(ITetraParametersVisitor& v)
{
    return visitAll(v, named("min_size", min_size), named("max_size", max_size),
                    named("gradation", gradation), named("max_number_of_threads", max_number_of_threads),
                    named("pthreadsMode", pthreadsMode), named("optimisation_level", optimisation_level),
                    named("boundary_regeneration", boundary_regeneration),
                    named("use_volume_proximity", use_volume_proximity),
                    named("volume_proximity_layers", volume_proximity_layers));
}

std::string SurfaceParameters::toStr(EGeometricSizeMode value)
{
    return enumText(value, kGeometricSizeModes, 89);
}
std::string SurfaceParameters::toStr(EMetric value)
{
    return enumText(value, kMetrics, 107);
}
std::string SurfaceParameters::toStr(EPhysicalSizeMode value)
{
    return enumText(value, kPhysicalSizeModes, 125);
}
std::string TetraParameters::toStr(EPThreadsMode value)
{
    return enumText(value, kPThreadsModes, 161);
}
std::string TetraParameters::toStr(EOptimizationLevel value)
{
    return enumText(value, kOptimizationLevels, 181);
}
std::string TetraParameters::toStr(EBoundaryRegeneration value)
{
    return enumText(value, kBoundaryRegenerations, 199);
}

SurfaceParameters::EGeometricSizeMode SurfaceParameters::parseGeometricSizeMode(const std::string& text)
{
    return parseEnum<EGeometricSizeMode>(text, kGeometricSizeModes);
}
SurfaceParameters::EMetric SurfaceParameters::parseMetric(const std::string& text)
{
    return parseEnum<EMetric>(text, kMetrics);
}
SurfaceParameters::EPhysicalSizeMode SurfaceParameters::parsePhysicalSizeMode(const std::string& text)
{
    return parseEnum<EPhysicalSizeMode>(text, kPhysicalSizeModes);
}
TetraParameters::EPThreadsMode TetraParameters::parsePThreadsMode(const std::string& text)
{
    return parseEnum<EPThreadsMode>(text, kPThreadsModes);
}
TetraParameters::EOptimizationLevel TetraParameters::parseOptimizationLevel(const std::string& text)
{
    return parseEnum<EOptimizationLevel>(text, kOptimizationLevels);
}
TetraParameters::EBoundaryRegeneration TetraParameters::parseBoundaryRegeneration(const std::string& text)
{
    return parseEnum<EBoundaryRegeneration>(text, kBoundaryRegenerations);
}

MeshingParameters MeshingParameters::defaultMeshGemsParameters()
{
    using R = MeshingReal;
    MeshingParameters p;
    auto& s = p.surfaceParameters;
    s.anisotropic_ratio = R(0.0, R::eAbsolute);
    s.chordal_error = R(1.0, R::eTimesD);
    s.closed_geometry = false;
    s.correct_surface_intersections = true;
    s.discard_input_topology = false;
    s.enforce_cad_edge_sizes = false;
    s.geometric_approximation_angle = R(8.0, R::eAbsolute);
    s.global_physical_size = R(100.0, R::eDOver);
    s.gradation = R(1e30, R::eAbsolute);
    s.manifold_geometry = false;
    s.max_size = R(5.0, R::eDOver);
    s.metric = SurfaceParameters::eIsotropic;
    s.min_size = R(1.5, R::eAbsolute);
    s.optimisation = true;
    s.physical_size_mode = SurfaceParameters::ePhysicalGlobal;
    s.process_3d_topology = false;
    s.remove_tiny_edges = false;
    s.sewing_tolerance = R(0.0005, R::eTimesD);
    s.tiny_edge_length = R(1e-8, R::eTimesD);
    s.tiny_edge_respect_geometry = false;
    s.volume_gradation = R(1e30, R::eAbsolute);
    auto& t = p.tetraParameters;
    t.min_size = R(-1.0, R::eAbsolute);
    t.max_size = R(-1.0, R::eAbsolute);
    t.gradation = R(1.05, R::eAbsolute);
    t.max_number_of_threads = 4;
    t.optimisation_level = TetraParameters::eStandard;
    t.boundary_regeneration = TetraParameters::eRegenerationStandard;
    t.use_volume_proximity = false;
    t.volume_proximity_layers = 2;
    return p;
}

std::pair<double, double> MeshingParameters::parameterRange()
{
    return {0.01, 100.0};
}

MeshingParameters MeshingParameters::buildParameters(double fineness)
{
    // Factors a hair outside the range still count as its ends, so a clamped value that went
    // through a text form is accepted.
    constexpr double kRangeSlack = 1e-6;
    const auto [low, high] = parameterRange();
    if (!(fineness + kRangeSlack >= low) || !(fineness - kRangeSlack <= high))
        throw eUnsupported;

    // Physical size relative to D against fineness, sampled at half decades.
    static const LogarithmicInterpolation s_size({{0.01, 0.00548},
                                                  {0.031622777, 0.00838},
                                                  {0.1, 0.012818639},
                                                  {0.316227766, 0.01961018},
                                                  {1.0, 0.03},
                                                  {3.16227766, 0.045894528},
                                                  {10.0, 0.070210256},
                                                  {31.6227766, 0.107408884},
                                                  {100.0, 0.164316}});
    MeshingParameters p;
    auto& s = p.surfaceParameters;
    s.closed_geometry = true;
    s.manifold_geometry = true;
    s.process_3d_topology = true;
    s.remove_tiny_edges = true;
    s.tiny_edge_length = MeshingReal(0.0001, MeshingReal::eRelative);
    p.tetraParameters.use_volume_proximity = true;
    s.global_physical_size = MeshingReal(s_size(fineness), MeshingReal::eRelative);
    return p;
}

MeshingParameters MeshingParameters::defaultParameters()
{
    return buildParameters(1.0);
}
} // namespace cae_core
