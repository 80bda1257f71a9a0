#include "cae_core/mesher2d/DelaunayMesher.h"
#include "cae_core/mesher2d/MeshVectorField2d.h"
#include "cae_core/mesher2d/Mesher2d.h"
#include "cae_core/mesher2d/RefinementRegion.h"
#include "cae_core/mesher2d/TriangularMesh2d.h"
#include "cae_core/mesher2d/detail/DelaunayMesherImpl.h"

#include "tests/cae_core/mesher2d/MesherTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

using cae_core::DelaunayMesher;
using cae_core::EResult;
using cae_core::Mesher2d;
using cae_core::MeshVectorField2d;
using Params = Mesher2d::AdaptiveRefinementParams;

namespace
{

/// Distance below which two recorded points are taken for the same point in these tests: the global
/// equal-point tolerance the refinement itself uses.
constexpr double kSamePoint = 1e-10;

/// Slack for lengths and areas recomputed from mesh coordinates of size 10 to 40: rounding of a few
/// operations, about 1e-14, with a wide margin.
constexpr double kRounding = 1e-9;

/// A field whose value at p is p itself, on every mesh: fieldConverged then sees the position it is asked
/// about, and the test decides convergence by position.
class PositionField : public MeshVectorField2d
{
public:
    explicit PositionField(bool valid) : m_valid(valid) {}
    OdGeVector2d getValue(const OdGePoint2d& p) const override { return OdGeVector2d(p.x, p.y); }
    bool isValid() const override { return m_valid; }

private:
    bool m_valid;
};

/// Adaptive refinement parameters that record every call: the meshes handed to computeField and the
/// points asked about in fieldConverged with the answers given.
struct Recorder
{
    /// Decides convergence by the point asked about.
    std::function<bool(const OdGePoint2d&)> converged = [](const OdGePoint2d&) { return false; };
    /// Decides the validity of the field computed in the given call (counting from 0).
    std::function<bool(std::size_t)> valid = [](std::size_t) { return true; };

    std::vector<OdSmartPtr<OdDbSubDMesh>> meshes;
    std::vector<OdGePoint2d> asked;
    std::vector<bool> answers;

    Params params(int boundaryRefinement, int threshold, int maxIterations)
    {
        Params p;
        p.computeField = [this](OdSmartPtr<OdDbSubDMesh> mesh)
        {
            meshes.push_back(mesh);
            return std::make_shared<PositionField>(valid(meshes.size() - 1));
        };
        p.fieldConverged = [this](OdGeVector2d oldValue, OdGeVector2d newValue)
        {
            EXPECT_EQ(oldValue.x, newValue.x);
            EXPECT_EQ(oldValue.y, newValue.y);
            const OdGePoint2d point(oldValue.x, oldValue.y);
            asked.push_back(point);
            answers.push_back(converged(point));
            return answers.back();
        };
        p.boundaryRefinement = boundaryRefinement;
        p.internalTriangleThreshold = threshold;
        p.maxIterations = maxIterations;
        return p;
    }

    std::size_t count(bool answer) const
    {
        return static_cast<std::size_t>(std::count(answers.begin(), answers.end(), answer));
    }
};

int vertexCount(const OdSmartPtr<OdDbSubDMesh>& mesh)
{
    int n = 0;
    EXPECT_EQ(mesh->numOfVertices(n), eOk);
    return n;
}

std::size_t boundaryVertexCount(const OdSmartPtr<OdDbSubDMesh>& mesh)
{
    std::size_t n = 0;
    for (const auto& loop : cae_core::getTriangularMesh2d(*mesh).boundaries)
        n += loop.size();
    return n;
}

/// Exact equality of the vertices and faces of two meshes.
void expectSameMesh(const OdSmartPtr<OdDbSubDMesh>& a, const OdSmartPtr<OdDbSubDMesh>& b)
{
    ASSERT_FALSE(a.isNull());
    ASSERT_FALSE(b.isNull());
    OdGePoint3dArray va, vb;
    OdInt32Array fa, fb;
    a->getVertices(va);
    b->getVertices(vb);
    a->getFaceArray(fa);
    b->getFaceArray(fb);
    ASSERT_EQ(va.size(), vb.size());
    for (unsigned i = 0; i < va.size(); ++i)
    {
        EXPECT_EQ(va[i].x, vb[i].x) << "vertex " << i;
        EXPECT_EQ(va[i].y, vb[i].y) << "vertex " << i;
    }
    ASSERT_EQ(fa.size(), fb.size());
    for (unsigned i = 0; i < fa.size(); ++i)
        EXPECT_EQ(fa[i], fb[i]) << "face entry " << i;
}

/// A mesher that has meshed `region` at `size` with the 5 smoothing passes of adaptive refinement, so that
/// its mesh is the one adaptive refinement starts from.
std::unique_ptr<DelaunayMesher> meshed(const OdSmartPtr<OdDbRegion>& region, double size, int smoothing = 5)
{
    auto mesher = std::make_unique<DelaunayMesher>();
    EXPECT_EQ(mesher->createMesh(region, size, nullptr, smoothing), cae_core::eOk);
    return mesher;
}

OdSmartPtr<OdDbRegion> square10()
{
    return mesher_test::makeRectangle(0.0, 0.0, 10.0, 10.0);
}

OdSmartPtr<OdDbRegion> plateWithHole()
{
    return mesher_test::makePlateWithHole(40.0, 20.0, 20.0, 10.0, 4.0);
}

} // namespace

TEST(AdaptiveRefinementStart, BeforeAnyMeshTheStepsRunOnTheEmptyStateAndStoreAnEmptyMesh)
{
    const Params defaults;
    EXPECT_EQ(defaults.boundaryRefinement, 3);
    EXPECT_EQ(defaults.internalTriangleThreshold, 20);
    EXPECT_EQ(defaults.maxIterations, 25);
    EXPECT_TRUE(DelaunayMesher().supportsAdaptiveRefinement());
    {
        DelaunayMesher mesher;
        Params none; // unset functions would throw if called
        none.maxIterations = 0;
        ASSERT_EQ(mesher.adaptivelyRefineMesh(none, nullptr), cae_core::eOk);
        ASSERT_FALSE(mesher.getMesh().isNull());
        EXPECT_EQ(vertexCount(mesher.getMesh()), 0);
    }
    {
        // One iteration: both fields on empty meshes, nothing to ask about, an early stop.
        DelaunayMesher mesher;
        Recorder recorder;
        ASSERT_EQ(mesher.adaptivelyRefineMesh(recorder.params(3, 20, 5), nullptr), cae_core::eOk);
        ASSERT_EQ(recorder.meshes.size(), 2u);
        EXPECT_EQ(vertexCount(recorder.meshes[1]), 0);
        EXPECT_TRUE(recorder.asked.empty());
        EXPECT_EQ(mesher.getMesh().get(), recorder.meshes[0].get());
    }
    {
        DelaunayMesher mesher;
        Recorder recorder;
        recorder.valid = [](std::size_t) { return false; };
        EXPECT_EQ(mesher.adaptivelyRefineMesh(recorder.params(3, 20, 5), nullptr), cae_core::eFailed);
        EXPECT_TRUE(mesher.getMesh().isNull());
        Params unset;
        EXPECT_THROW(mesher.adaptivelyRefineMesh(unset, nullptr), std::bad_function_call);
    }
}

TEST(AdaptiveRefinementStart, NoIterationsStoreTheFivePassSmoothedMeshWithoutCallingEitherFunction)
{
    const auto reference = meshed(plateWithHole(), 4.0, 5);
    for (const int maxIterations : {0, -3})
    {
        const auto mesher = meshed(plateWithHole(), 4.0, 0);
        const OdSmartPtr<OdDbSubDMesh> before = mesher->getMesh();
        Params params; // unset functions would throw if called
        params.maxIterations = maxIterations;
        double elapsed = -1.0;
        ASSERT_EQ(mesher->adaptivelyRefineMesh(params, &elapsed), cae_core::eOk);
        EXPECT_GE(elapsed, 0.0);
        EXPECT_NE(mesher->getMesh().get(), before.get());
        expectSameMesh(mesher->getMesh(), reference->getMesh());
        // One iteration needs both functions.
        params.maxIterations = 1;
        EXPECT_THROW(mesher->adaptivelyRefineMesh(params, nullptr), std::bad_function_call);
    }
}

TEST(AdaptiveRefinementStopping, AFieldConvergedEverywhereStopsInTheFirstIterationWithTheStartingMesh)
{
    const auto reference = meshed(plateWithHole(), 4.0);
    const auto mesher = meshed(plateWithHole(), 4.0);
    Recorder recorder;
    recorder.converged = [](const OdGePoint2d&) { return true; };

    ASSERT_EQ(mesher->adaptivelyRefineMesh(recorder.params(3, 20, 25), nullptr), cae_core::eOk);

    ASSERT_EQ(recorder.meshes.size(), 2u);
    // The first mesh is the current one, the second the candidate; the stored result is the first itself.
    EXPECT_EQ(mesher->getMesh().get(), recorder.meshes[0].get());
    expectSameMesh(mesher->getMesh(), reference->getMesh());
    // Every point of the candidate that is not a vertex of the current mesh was asked about exactly once.
    EXPECT_EQ(recorder.asked.size(),
              static_cast<std::size_t>(vertexCount(recorder.meshes[1]) - vertexCount(recorder.meshes[0])));
    EXPECT_GT(recorder.asked.size(), 0u);
}

TEST(AdaptiveRefinementStopping, AFieldThatNeverConvergesRefinesMaxIterationsTimesAndTheBoundaryBelowItsLimit)
{
    // The square of side 10 at size 2.5 has 16 boundary vertices; each boundary refinement doubles them.
    struct Case
    {
        int boundaryRefinement;
        std::vector<std::size_t> candidateBoundary; // per iteration
    };
    for (const Case& c :
         {Case{3, {32, 64, 64}}, Case{2, {32, 32, 32}}, Case{1, {16, 16, 16}}, Case{0, {16, 16, 16}}})
    {
        SCOPED_TRACE(testing::Message() << "boundaryRefinement " << c.boundaryRefinement);
        const auto mesher = meshed(square10(), 2.5);
        Recorder recorder;
        ASSERT_EQ(mesher->adaptivelyRefineMesh(recorder.params(c.boundaryRefinement, 20, 3), nullptr),
                  cae_core::eOk);
        ASSERT_EQ(recorder.meshes.size(), 6u);
        EXPECT_EQ(recorder.count(true), 0u);
        std::size_t boundary = 16;
        for (std::size_t i = 0; i < 3; ++i)
        {
            const OdSmartPtr<OdDbSubDMesh>& current = recorder.meshes[2 * i];
            const OdSmartPtr<OdDbSubDMesh>& candidate = recorder.meshes[2 * i + 1];
            EXPECT_GT(vertexCount(candidate), vertexCount(current)) << "iteration " << i + 1;
            EXPECT_EQ(boundaryVertexCount(current), boundary);
            EXPECT_EQ(boundaryVertexCount(candidate), c.candidateBoundary[i]) << "iteration " << i + 1;
            boundary = c.candidateBoundary[i];
            // Every new point was kept, so the next iteration starts from the candidate as it was.
            if (i > 0)
            {
                expectSameMesh(current, recorder.meshes[2 * i - 1]);
            }
        }
        expectSameMesh(mesher->getMesh(), recorder.meshes[5]);
        mesher_test::readBackChecked(*mesher->getMesh(), 1);
        EXPECT_NEAR(mesher_test::meshArea(cae_core::getTriangularMesh2d(*mesher->getMesh())), 100.0,
                    kRounding);
    }
}

TEST(AdaptiveRefinementBoundary, MidpointsAreTakenAlongEachCurveUpToItsEnd)
{
    // Straight sides: the midpoints halve the spacing exactly. The hole: a single closed curve, whose last
    // vertex takes the midpoint towards the end of the curve's interval; every new vertex lies on the circle.
    const auto mesher = meshed(plateWithHole(), 4.0);
    const std::size_t before = boundaryVertexCount(mesher->getMesh());
    Recorder recorder;
    ASSERT_EQ(mesher->adaptivelyRefineMesh(recorder.params(2, 1, 1), nullptr), cae_core::eOk);

    const cae_core::TriangularMesh2d mesh = mesher_test::readBackChecked(*mesher->getMesh(), 2);
    EXPECT_EQ(boundaryVertexCount(mesher->getMesh()), 2 * before);
    for (const auto& loop : mesh.boundaries)
    {
        const OdGePoint2d& first = mesh.vertices[loop.front()];
        const bool onHole = std::abs(first.distanceTo(OdGePoint2d(20.0, 10.0)) - 4.0) < kRounding;
        for (std::size_t k = 0; k < loop.size(); ++k)
        {
            const OdGePoint2d& p = mesh.vertices[loop[k]];
            const OdGePoint2d& q = mesh.vertices[loop[(k + 1) % loop.size()]];
            if (onHole)
            {
                EXPECT_NEAR(p.distanceTo(OdGePoint2d(20.0, 10.0)), 4.0, kRounding);
                EXPECT_NEAR(p.distanceTo(q), mesh.vertices[loop[0]].distanceTo(mesh.vertices[loop[1]]),
                            kRounding);
            }
            else
            {
                EXPECT_NEAR(p.distanceTo(q), 2.0, kRounding) << "outer vertex " << k;
            }
        }
    }
}

TEST(AdaptiveRefinementCandidates, OnlyTrianglesOfAtLeastTheThresholdAreaContributeCircumcentres)
{
    // The unsmoothed mesh has the working triangulation's inner triangles with the same corners, so the
    // expected circumcentres can be computed from it the way the refinement computes them.
    const OdSmartPtr<OdDbRegion> region = mesher_test::makeRectangle(0.0, 0.0, 10.0, 7.0);
    const double h = 2.5;
    const cae_core::TriangularMesh2d start = cae_core::getTriangularMesh2d(*meshed(region, h, 0)->getMesh());
    const std::size_t boundary = 2 * (4 + 3);

    for (const int threshold : {1, 2, 3, 4, 6, 20})
    {
        std::size_t expected = 0;
        std::vector<OdGePoint2d> seen;
        for (const auto& t : start.triangles)
        {
            const OdGePoint2d& a = start.vertices[t[0]];
            const OdGePoint2d& b = start.vertices[t[1]];
            const OdGePoint2d& c = start.vertices[t[2]];
            if (!(mesher_test::signedArea(a, b, c) >= h * h / threshold))
                continue;
            const OdGePoint2d centre = cae_core::detail::circumcentre({a.x, a.y}, {b.x, b.y}, {c.x, c.y});
            if (!(centre.x > 0.0 && centre.x < 10.0 && centre.y > 0.0 && centre.y < 7.0))
                continue;
            const bool duplicate =
                std::any_of(seen.begin(), seen.end(),
                            [&](const OdGePoint2d& k) { return k.x == centre.x && k.y == centre.y; });
            if (!duplicate)
            {
                seen.push_back(centre);
                ++expected;
            }
        }

        const auto mesher = meshed(region, h);
        Recorder recorder;
        ASSERT_EQ(mesher->adaptivelyRefineMesh(recorder.params(2, threshold, 1), nullptr), cae_core::eOk);
        ASSERT_EQ(recorder.meshes.size(), 2u);
        EXPECT_EQ(recorder.asked.size(), boundary + expected) << "threshold " << threshold;
        if (threshold <= 2)
        {
            EXPECT_EQ(expected, 0u) << "a triangle of edges at most h is smaller than h^2 / 2";
        }
        if (threshold == 20)
        {
            EXPECT_GT(expected, 0u);
        }
    }
}

TEST(AdaptiveRefinementFreezing, ConvergedPointsAreNeverProposedAgainAndChangedOnesAreAllKept)
{
    // The field "changes" only left of x = 20: the right half stays as it was, the left half refines until
    // its triangles are too small to propose circumcentres, and the loop then stops early.
    const auto mesher = meshed(plateWithHole(), 4.0);
    const int startVertices = vertexCount(mesher->getMesh());
    Recorder recorder;
    recorder.converged = [](const OdGePoint2d& p) { return p.x >= 20.0; };
    ASSERT_EQ(mesher->adaptivelyRefineMesh(recorder.params(3, 20, 25), nullptr), cae_core::eOk);

    ASSERT_LT(recorder.meshes.size(), 50u) << "stopped before the iteration bound";
    ASSERT_GE(recorder.meshes.size(), 4u);
    // The result of an early stop is the current mesh of the last iteration.
    EXPECT_EQ(mesher->getMesh().get(), recorder.meshes[recorder.meshes.size() - 2].get());
    EXPECT_EQ(static_cast<std::size_t>(vertexCount(mesher->getMesh())),
              static_cast<std::size_t>(startVertices) + recorder.count(false));
    EXPECT_GT(recorder.count(false), 0u);
    EXPECT_GT(recorder.count(true), 0u);

    // Once frozen, a point is never asked about again.
    std::vector<OdGePoint2d> frozen;
    for (std::size_t i = 0; i < recorder.asked.size(); ++i)
    {
        const OdGePoint2d& p = recorder.asked[i];
        for (const OdGePoint2d& f : frozen)
            ASSERT_GT(p.distanceTo(f), kSamePoint) << "point " << i << " was frozen before";
        if (recorder.answers[i])
            frozen.push_back(p);
    }

    const cae_core::TriangularMesh2d result = mesher_test::readBackChecked(*mesher->getMesh(), 2);
    std::size_t left = 0, right = 0;
    for (const OdGePoint2d& p : result.vertices)
        (p.x < 20.0 ? left : right) += 1;
    EXPECT_GT(left, 2 * right);
}

TEST(AdaptiveRefinementFailure, AnInvalidFieldFailsAndKeepsThePreviousMesh)
{
    // Invalid in the first iteration (current or candidate field), in a later one, or no field at all.
    for (const std::size_t invalidCall : {0u, 1u, 4u, 5u})
    {
        const auto mesher = meshed(plateWithHole(), 4.0);
        const OdSmartPtr<OdDbSubDMesh> before = mesher->getMesh();
        Recorder recorder;
        recorder.valid = [invalidCall](std::size_t call) { return call != invalidCall; };
        EXPECT_EQ(mesher->adaptivelyRefineMesh(recorder.params(3, 20, 5), nullptr), cae_core::eFailed);
        EXPECT_EQ(mesher->getMesh().get(), before.get());
        // Both fields of the failing iteration are computed before either is looked at.
        EXPECT_EQ(recorder.meshes.size(), invalidCall / 2 * 2 + 2);
    }

    const auto mesher = meshed(square10(), 2.5);
    const OdSmartPtr<OdDbSubDMesh> before = mesher->getMesh();
    Params params = Recorder().params(3, 20, 5);
    params.computeField = [](OdSmartPtr<OdDbSubDMesh>) { return std::shared_ptr<MeshVectorField2d>(); };
    EXPECT_EQ(mesher->adaptivelyRefineMesh(params, nullptr), cae_core::eFailed);
    EXPECT_EQ(mesher->getMesh().get(), before.get());
}

TEST(AdaptiveRefinementState, TheMeshersStoredStateIsUnchanged)
{
    // A twin mesher goes through the same steps without adaptive refinement; every later operation that
    // reads the stored state (working triangulation, boundary, interior points, regions) must agree.
    const auto makeCircle = []
    {
        auto circle = std::make_unique<cae_core::RefinementCircle>(OdGePoint2d(8.0, 10.0), 5.0);
        circle->setRefinementRatio(2.0);
        return circle;
    };
    const auto refined = meshed(plateWithHole(), 4.0);
    const auto twin = meshed(plateWithHole(), 4.0);
    ASSERT_EQ(refined->refineMesh(makeCircle(), nullptr, 5), cae_core::eOk);
    ASSERT_EQ(twin->refineMesh(makeCircle(), nullptr, 5), cae_core::eOk);

    Recorder recorder;
    ASSERT_EQ(refined->adaptivelyRefineMesh(recorder.params(3, 20, 2), nullptr), cae_core::eOk);
    EXPECT_GT(vertexCount(refined->getMesh()), vertexCount(twin->getMesh()));

    // No iterations: the 5-pass smoothed mesh of the working triangulation.
    Params none;
    none.maxIterations = 0;
    ASSERT_EQ(refined->adaptivelyRefineMesh(none, nullptr), cae_core::eOk);
    expectSameMesh(refined->getMesh(), twin->getMesh());

    // Local refinement reads the boundary and the interior points.
    auto second =
        std::make_unique<cae_core::RefinementRectangle>(OdGePoint2d(28.0, 0.0), OdGePoint2d(40.0, 8.0));
    second->setRefinementRatio(2.0);
    auto secondTwin = std::make_unique<cae_core::RefinementRectangle>(*second);
    ASSERT_EQ(refined->adaptivelyRefineMesh(recorder.params(3, 20, 2), nullptr), cae_core::eOk);
    ASSERT_EQ(refined->refineMesh(std::move(second), nullptr, 3), cae_core::eOk);
    ASSERT_EQ(twin->refineMesh(std::move(secondTwin), nullptr, 3), cae_core::eOk);
    expectSameMesh(refined->getMesh(), twin->getMesh());

    // A new mesh applies the stored regions again.
    ASSERT_EQ(refined->adaptivelyRefineMesh(recorder.params(3, 20, 2), nullptr), cae_core::eOk);
    ASSERT_EQ(refined->createMesh(plateWithHole(), 3.0, nullptr, 2), cae_core::eOk);
    ASSERT_EQ(twin->createMesh(plateWithHole(), 3.0, nullptr, 2), cae_core::eOk);
    expectSameMesh(refined->getMesh(), twin->getMesh());
    EXPECT_EQ(refined->clearRefinementRegions(), cae_core::eOk);
    EXPECT_EQ(refined->clearRefinementRegions(), cae_core::eEmpty);
}
