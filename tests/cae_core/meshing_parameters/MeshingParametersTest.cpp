#include "cae_core/meshing_parameters/MeshingParameters.h"
#include "cae_core/meshing_parameters/LogarithmicInterpolation.h"
#include "host/ut/Assert.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace cae_core
{
namespace
{
constexpr const char* kSource = "cae_core/cae_api_meshing_parameters";
const auto kThrowsUnsupported = testing::Throws<EResult>(testing::Eq(eUnsupported));

/// Records each visit as "name:kind:set" and can stop the walk at a given option.
class RecordingVisitor : public ISurfaceParametersVisitor, public ITetraParametersVisitor
{
public:
    std::vector<std::string> seen;
    std::string stopAt;

    template <class T> EResult note(const std::string& name, const char* kind, const MeshingOption<T>& o)
    {
        seen.push_back(name + ":" + kind + ":" + (o ? "set" : "unset"));
        return name == stopAt ? eWrongType : eOk;
    }
    EResult visit(const std::string& n, MeshingOption<std::int32_t>& o) override { return note(n, "int", o); }
    EResult visit(const std::string& n, MeshingOption<MeshingReal>& o) override { return note(n, "real", o); }
    EResult visit(const std::string& n, MeshingOption<bool>& o) override { return note(n, "bool", o); }
    EResult visit(const std::string& n, MeshingOption<SurfaceParameters::EPhysicalSizeMode>& o) override
    {
        return note(n, "physical", o);
    }
    EResult visit(const std::string& n, MeshingOption<SurfaceParameters::EMetric>& o) override
    {
        return note(n, "metric", o);
    }
    EResult visit(const std::string& n, MeshingOption<SurfaceParameters::EGeometricSizeMode>& o) override
    {
        return note(n, "geometric", o);
    }
    EResult visit(const std::string& n, MeshingOption<TetraParameters::EPThreadsMode>& o) override
    {
        return note(n, "pthreads", o);
    }
    EResult visit(const std::string& n, MeshingOption<TetraParameters::EOptimizationLevel>& o) override
    {
        return note(n, "optimisation", o);
    }
    EResult visit(const std::string& n, MeshingOption<TetraParameters::EBoundaryRegeneration>& o) override
    {
        return note(n, "regeneration", o);
    }
};

TEST(MeshingParameterVisitors, WalkEveryOptionInOrderWithItsKind)
{
    MeshingParameters p = MeshingParameters::defaultMeshGemsParameters();
    RecordingVisitor v;
    EXPECT_EQ(p.surfaceParameters.accept(v), eOk);
    EXPECT_EQ(p.tetraParameters.accept(v), eOk);
    const std::vector<std::string> expected{
        "anisotropic_ratio:real:set", "chordal_error:real:set", "closed_geometry:bool:set",
        "correct_surface_intersections:bool:set", "discard_input_topology:bool:set",
        "enforce_cad_edge_sizes:bool:set", "geometric_approximation_angle:real:set",
        "geometric_size_mode:geometric:unset", "global_physical_size:real:set", "gradation:real:set",
        "manifold_geometry:bool:set", "max_size:real:set", "metric:metric:set", "min_size:real:set",
        "optimisation:bool:set", "physical_size_mode:physical:set", "process_3d_topology:bool:set",
        "remove_tiny_edges:bool:set", "sewing_tolerance:real:set", "tiny_edge_length:real:set",
        "tiny_edge_respect_geometry:bool:set", "volume_gradation:real:set",
        // tetrahedral group
        "min_size:real:set", "max_size:real:set", "gradation:real:set", "max_number_of_threads:int:set",
        "pthreadsMode:pthreads:unset", "optimisation_level:optimisation:set",
        "boundary_regeneration:regeneration:set", "use_volume_proximity:bool:set",
        "volume_proximity_layers:int:set"};
    EXPECT_EQ(v.seen, expected);
}

/// Records each option as "name=value" in its text form, "name unset" when it is not set.
class ValueVisitor : public ISurfaceParametersVisitor, public ITetraParametersVisitor
{
public:
    std::vector<std::string> seen;

    template <class T, class F> EResult note(const std::string& name, const MeshingOption<T>& o, F text)
    {
        seen.push_back(o ? name + "=" + text(*o) : name + " unset");
        return eOk;
    }
    EResult visit(const std::string& n, MeshingOption<std::int32_t>& o) override
    {
        return note(n, o, [](std::int32_t v) { return std::to_string(v); });
    }
    EResult visit(const std::string& n, MeshingOption<MeshingReal>& o) override
    {
        return note(n, o, [](const MeshingReal& v) { return v.format(); });
    }
    EResult visit(const std::string& n, MeshingOption<bool>& o) override
    {
        return note(n, o, [](bool v) { return std::string(v ? "true" : "false"); });
    }
    template <class Group, class E> EResult named(const std::string& n, const MeshingOption<E>& o)
    {
        return note(n, o, [](E v) { return Group::toStr(v); });
    }
    EResult visit(const std::string& n, MeshingOption<SurfaceParameters::EPhysicalSizeMode>& o) override
    {
        return named<SurfaceParameters>(n, o);
    }
    EResult visit(const std::string& n, MeshingOption<SurfaceParameters::EMetric>& o) override
    {
        return named<SurfaceParameters>(n, o);
    }
    EResult visit(const std::string& n, MeshingOption<SurfaceParameters::EGeometricSizeMode>& o) override
    {
        return named<SurfaceParameters>(n, o);
    }
    EResult visit(const std::string& n, MeshingOption<TetraParameters::EPThreadsMode>& o) override
    {
        return named<TetraParameters>(n, o);
    }
    EResult visit(const std::string& n, MeshingOption<TetraParameters::EOptimizationLevel>& o) override
    {
        return named<TetraParameters>(n, o);
    }
    EResult visit(const std::string& n, MeshingOption<TetraParameters::EBoundaryRegeneration>& o) override
    {
        return named<TetraParameters>(n, o);
    }
};

TEST(MeshingParameterDefaults, HoldEveryFixedValueOfBothGroups)
{
    MeshingParameters p = MeshingParameters::defaultMeshGemsParameters();
    ValueVisitor v;
    EXPECT_EQ(p.surfaceParameters.accept(v), eOk);
    EXPECT_EQ(p.tetraParameters.accept(v), eOk);
    const std::vector<std::string> expected{
        "anisotropic_ratio=0", "chordal_error=1*D", "closed_geometry=false",
        "correct_surface_intersections=true", "discard_input_topology=false", "enforce_cad_edge_sizes=false",
        "geometric_approximation_angle=8", "geometric_size_mode unset", "global_physical_size=D/100",
        "gradation=1e+30", "manifold_geometry=false", "max_size=D/5", "metric=isotropic", "min_size=1.5",
        "optimisation=true", "physical_size_mode=global", "process_3d_topology=false",
        "remove_tiny_edges=false", "sewing_tolerance=0.0005*D", "tiny_edge_length=1e-08*D",
        "tiny_edge_respect_geometry=false", "volume_gradation=1e+30",
        // tetrahedral group
        "min_size=-1", "max_size=-1", "gradation=1.05", "max_number_of_threads=4", "pthreadsMode unset",
        "optimisation_level=standard", "boundary_regeneration=standard", "use_volume_proximity=false",
        "volume_proximity_layers=2"};
    ASSERT_EQ(expected.size(), 31u);
    EXPECT_EQ(v.seen, expected);
}

TEST(MeshingParameterVisitors, StopAtTheFirstFailure)
{
    MeshingParameters p = MeshingParameters::defaultMeshGemsParameters();
    RecordingVisitor stopping;
    stopping.stopAt = "metric";
    EXPECT_EQ(p.surfaceParameters.accept(stopping), eWrongType);
    EXPECT_EQ(stopping.seen.size(), 13u);
}

TEST(MeshingParameterTexts, EnumeratorsRoundTripAndMissesParseToZero)
{
    using S = SurfaceParameters;
    using T = TetraParameters;
    EXPECT_EQ(S::toStr(S::eGeometricNone), "none");
    EXPECT_EQ(S::toStr(S::eAnisotropic), "anisotropic");
    EXPECT_EQ(S::toStr(S::ePhysicalLocal), "local");
    EXPECT_EQ(T::toStr(T::eAggressive), "aggressive");
    EXPECT_EQ(T::toStr(T::eStrong), "strong");
    EXPECT_EQ(T::toStr(T::eRegenerationSafe), "safe");
    EXPECT_EQ(S::parseGeometricSizeMode("local"), S::eGeometricLocal);
    EXPECT_EQ(T::parseOptimizationLevel("light"), T::eLight);
    EXPECT_EQ(T::parseBoundaryRegeneration("safe"), T::eRegenerationSafe);
    EXPECT_EQ(S::parseMetric("Anisotropic"), S::eIsotropic);
    EXPECT_EQ(T::parseOptimizationLevel("strong "), T::eLight);
    EXPECT_EQ(T::parsePThreadsMode(""), T::eSafe);
}

TEST(MeshingParameterTexts, ValuesOutsideAnEnumerationAssertAtTheirOwnLineAndGiveNoText)
{
    ut::AssertRecorder recorder;
    EXPECT_EQ(SurfaceParameters::toStr(static_cast<SurfaceParameters::EGeometricSizeMode>(3)), "");
    EXPECT_EQ(SurfaceParameters::toStr(static_cast<SurfaceParameters::EMetric>(-1)), "");
    EXPECT_EQ(SurfaceParameters::toStr(static_cast<SurfaceParameters::EPhysicalSizeMode>(2)), "");
    EXPECT_EQ(TetraParameters::toStr(static_cast<TetraParameters::EPThreadsMode>(2)), "");
    EXPECT_EQ(TetraParameters::toStr(static_cast<TetraParameters::EOptimizationLevel>(3)), "");
    EXPECT_EQ(TetraParameters::toStr(static_cast<TetraParameters::EBoundaryRegeneration>(7)), "");
    EXPECT_EQ(MeshingReal(1.0, static_cast<MeshingReal::EType>(4)).format(), "");
    std::vector<int> lines;
    for (const auto& r : recorder.reports())
    {
        EXPECT_EQ(r.expression, "0");
        EXPECT_EQ(r.source, kSource);
        lines.push_back(r.line);
    }
    EXPECT_EQ(lines, (std::vector<int>{89, 107, 125, 161, 181, 199, 36}));
}

TEST(MeshingRealFormat, WritesSixSignificantDigitsInEachTypesForm)
{
    using R = MeshingReal;
    const std::pair<R, std::string> cases[] = {
        {R(100, R::eAbsolute), "100"},        {R(0.0005, R::eTimesD), "0.0005*D"},
        {R(1e-8, R::eTimesD), "1e-08*D"},     {R(100, R::eDOver), "D/100"},
        {R(0.0001, R::eRelative), "0.0001r"}, {R(1.0 / 3.0, R::eAbsolute), "0.333333"},
        {R(1e30, R::eAbsolute), "1e+30"},     {R(-1, R::eAbsolute), "-1"}};
    for (const auto& [real, text] : cases)
        EXPECT_EQ(real.format(), text);
}

TEST(MeshingParameterBuilder, DerivesThePhysicalSizeLogarithmicallyWithinTheRange)
{
    const MeshingParameters one = MeshingParameters::buildParameters(1.0);
    EXPECT_EQ(MeshingParameters::defaultParameters(), one);
    EXPECT_EQ(one.surfaceParameters.global_physical_size, MeshingReal(0.03, MeshingReal::eRelative));
    EXPECT_EQ(one.surfaceParameters.tiny_edge_length, MeshingReal(0.0001, MeshingReal::eRelative));
    EXPECT_TRUE(one.surfaceParameters.closed_geometry.value_or(false));
    EXPECT_TRUE(one.tetraParameters.use_volume_proximity.value_or(false));
    EXPECT_FALSE(one.surfaceParameters.max_size.has_value());
    EXPECT_FALSE(one.tetraParameters.gradation.has_value());

    const double two = MeshingParameters::buildParameters(2.0).surfaceParameters.global_physical_size->value;
    EXPECT_NEAR(two, 0.03 + (0.045894528 - 0.03) * std::log(2.0) / std::log(3.16227766), 1e-15);
    EXPECT_NEAR(MeshingParameters::buildParameters(100.0).surfaceParameters.global_physical_size->value,
                0.164316, 1e-15);
    EXPECT_NO_THROW(MeshingParameters::buildParameters(0.01 - 5e-7));
    EXPECT_THAT([] { MeshingParameters::buildParameters(0.0099); }, kThrowsUnsupported);
    EXPECT_THAT([] { MeshingParameters::buildParameters(100.01); }, kThrowsUnsupported);
    EXPECT_THAT([] { MeshingParameters::buildParameters(std::nan("")); }, kThrowsUnsupported);
    EXPECT_EQ(MeshingParameters::parameterRange(), std::make_pair(0.01, 100.0));
}

TEST(LogarithmicInterpolation, ExtrapolatesWithTheOuterSegmentsAndRefusesBadInput)
{
    const LogarithmicInterpolation f({{1.0, 0.0}, {10.0, 1.0}, {100.0, 3.0}});
    EXPECT_DOUBLE_EQ(f(10.0), 1.0);
    EXPECT_DOUBLE_EQ(f(0.1), -1.0);
    EXPECT_DOUBLE_EQ(f(1000.0), 5.0);
    EXPECT_DOUBLE_EQ(f(std::sqrt(10.0) * 10.0), 2.0);
    EXPECT_THAT([&] { f(0.0); }, kThrowsUnsupported);
    EXPECT_THAT([] { LogarithmicInterpolation({{1.0, 0.0}, {1.0, 1.0}}); }, kThrowsUnsupported);
    EXPECT_THAT([] { LogarithmicInterpolation({{0.0, 0.0}, {1.0, 1.0}}); }, kThrowsUnsupported);
    ut::AssertRecorder recorder;
    EXPECT_THAT([] { LogarithmicInterpolation({{1.0, 0.0}}); }, kThrowsUnsupported);
    EXPECT_TRUE(recorder.fired("2 <= l.size()", "cae_core/cae_core_interpolation", 29));
}
} // namespace
} // namespace cae_core
