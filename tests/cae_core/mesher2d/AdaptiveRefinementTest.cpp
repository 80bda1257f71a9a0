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
using cae_core::Mesher2d;
using cae_core::MeshVectorField2d;
using mesher_test::expectSameMesh;
using mesher_test::meshed;
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
            EXPECT_TRUE(oldValue.x == newValue.x && oldValue.y == newValue.y) << "both fields at one point";
            asked.emplace_back(oldValue.x, oldValue.y);
            answers.push_back(converged(asked.back()));
            return answers.back();
        };
        p.boundaryRefinement = boundaryRefinement;
        p.internalTriangleThreshold = threshold;
        p.maxIterations = maxIterations;
        return p;
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

OdSmartPtr<OdDbRegion> plateWithHole()
{
    return mesher_test::makePlateWithHole(40.0, 20.0, 20.0, 10.0, 4.0);
}

} // namespace

TEST(AdaptiveRefinementStopping, NoIterationsOrAFieldConvergedEverywhereStoreTheFivePassSmoothedStartingMesh)
{
    // Before any mesh the steps run on the empty state and store an empty mesh.
    const auto reference = meshed(plateWithHole(), 4.0);
    for (const bool empty : {true, false})
        for (const int maxIterations : {0, -3, 25})
        {
            SCOPED_TRACE(testing::Message()
                         << (empty ? "empty, " : "meshed, ") << maxIterations << " iterations");
            const auto mesher = empty ? std::make_unique<DelaunayMesher>() : meshed(plateWithHole(), 4.0, 0);
            Recorder recorder;
            recorder.converged = [](const OdGePoint2d&) { return true; };
            // Without iterations neither function is called: unset ones would throw.
            Params params = maxIterations < 1 ? Params{} : recorder.params(3, 20, 25);
            params.maxIterations = maxIterations;
            double elapsed = -1.0;
            ASSERT_EQ(mesher->adaptivelyRefineMesh(params, &elapsed), cae_core::eOk);
            EXPECT_GE(elapsed, 0.0);
            ASSERT_FALSE(mesher->getMesh().isNull());
            EXPECT_TRUE(!empty || vertexCount(mesher->getMesh()) == 0);
            if (!empty)
                expectSameMesh(mesher->getMesh(), reference->getMesh());
            if (maxIterations < 1)
                continue;
            // The first mesh is the current one, the second the candidate; the result is the first itself,
            // and every point of the candidate that is not a vertex of the current mesh was asked about once.
            ASSERT_EQ(recorder.meshes.size(), 2u);
            EXPECT_EQ(mesher->getMesh().get(), recorder.meshes[0].get());
            EXPECT_EQ(recorder.asked.size(), static_cast<std::size_t>(vertexCount(recorder.meshes[1]) -
                                                                      vertexCount(recorder.meshes[0])));
            EXPECT_EQ(recorder.asked.empty(), empty);
        }
    // One iteration needs both functions.
    Params unset;
    EXPECT_THROW(DelaunayMesher().adaptivelyRefineMesh(unset, nullptr), std::bad_function_call);
}

TEST(AdaptiveRefinementStopping, AFieldThatNeverConvergesRefinesMaxIterationsTimesAndTheBoundaryBelowItsLimit)
{
    // Each boundary refinement adds the midpoint of every boundary segment: along straight sides they halve
    // the spacing exactly; the hole is one closed curve, whose last vertex takes the midpoint towards the end
    // of the curve's interval, so its vertices stay evenly spaced on the circle.
    struct Case
    {
        int boundaryRefinement;
        std::vector<std::size_t> candidateBoundary; // per iteration, in multiples of the start's
    };
    for (const Case& c : {Case{3, {2, 4, 4}}, Case{2, {2, 2, 2}}, Case{1, {1, 1, 1}}, Case{0, {1, 1, 1}}})
    {
        SCOPED_TRACE(testing::Message() << "boundaryRefinement " << c.boundaryRefinement);
        const auto mesher = meshed(plateWithHole(), 4.0);
        const std::size_t start = boundaryVertexCount(mesher->getMesh());
        Recorder recorder;
        ASSERT_EQ(mesher->adaptivelyRefineMesh(recorder.params(c.boundaryRefinement, 20, 3), nullptr),
                  cae_core::eOk);
        ASSERT_EQ(recorder.meshes.size(), 6u);
        for (std::size_t i = 0; i < 3; ++i)
        {
            SCOPED_TRACE(testing::Message() << "iteration " << i + 1);
            const OdSmartPtr<OdDbSubDMesh>& current = recorder.meshes[2 * i];
            const OdSmartPtr<OdDbSubDMesh>& candidate = recorder.meshes[2 * i + 1];
            EXPECT_GT(vertexCount(candidate), vertexCount(current));
            EXPECT_EQ(boundaryVertexCount(current), i == 0 ? start : start * c.candidateBoundary[i - 1]);
            EXPECT_EQ(boundaryVertexCount(candidate), start * c.candidateBoundary[i]);
            // Every new point was kept, so the next iteration starts from the candidate as it was.
            if (i > 0)
                expectSameMesh(current, recorder.meshes[2 * i - 1]);
        }
        expectSameMesh(mesher->getMesh(), recorder.meshes[5]);
        const cae_core::TriangularMesh2d mesh = mesher_test::readBackChecked(*mesher->getMesh(), 2);
        const OdGePoint2d centre(20.0, 10.0);
        for (const auto& loop : mesh.boundaries)
        {
            const bool onHole = std::abs(mesh.vertices[loop.front()].distanceTo(centre) - 4.0) < kRounding;
            const double spacing = onHole ? mesh.vertices[loop[0]].distanceTo(mesh.vertices[loop[1]])
                                          : 4.0 / static_cast<double>(c.candidateBoundary[2]);
            for (std::size_t k = 0; k < loop.size(); ++k)
            {
                const OdGePoint2d& p = mesh.vertices[loop[k]];
                EXPECT_NEAR(p.distanceTo(mesh.vertices[loop[(k + 1) % loop.size()]]), spacing, kRounding)
                    << k;
                EXPECT_TRUE(!onHole || std::abs(p.distanceTo(centre) - 4.0) < kRounding) << k;
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
        std::vector<OdGePoint2d> expected;
        for (const auto& t : start.triangles)
        {
            const OdGePoint2d &a = start.vertices[t[0]], &b = start.vertices[t[1]], &c = start.vertices[t[2]];
            const OdGePoint2d centre =
                cae_core::mesher2d::detail::circumcentre({a.x, a.y}, {b.x, b.y}, {c.x, c.y});
            if (mesher_test::signedArea(a, b, c) >= h * h / threshold && centre.x > 0.0 && centre.x < 10.0 &&
                centre.y > 0.0 && centre.y < 7.0 &&
                std::none_of(expected.begin(), expected.end(),
                             [&](const OdGePoint2d& k) { return k.x == centre.x && k.y == centre.y; }))
                expected.push_back(centre);
        }
        // A triangle of edges at most h is smaller than h^2 / 2; at the default threshold there are some.
        EXPECT_TRUE(threshold <= 2 ? expected.empty() : threshold != 20 || !expected.empty()) << threshold;

        const auto mesher = meshed(region, h);
        Recorder recorder;
        ASSERT_EQ(mesher->adaptivelyRefineMesh(recorder.params(2, threshold, 1), nullptr), cae_core::eOk);
        ASSERT_EQ(recorder.meshes.size(), 2u);
        EXPECT_EQ(recorder.asked.size(), boundary + expected.size()) << "threshold " << threshold;
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
    const auto kept =
        static_cast<std::size_t>(std::count(recorder.answers.begin(), recorder.answers.end(), false));
    EXPECT_EQ(static_cast<std::size_t>(vertexCount(mesher->getMesh())), startVertices + kept);
    EXPECT_TRUE(kept > 0 && kept < recorder.answers.size());

    // Once frozen, a point is never asked about again.
    std::vector<OdGePoint2d> frozen;
    for (std::size_t i = 0; i < recorder.asked.size(); ++i)
    {
        for (const OdGePoint2d& f : frozen)
            ASSERT_GT(recorder.asked[i].distanceTo(f), kSamePoint) << "point " << i << " was frozen before";
        if (recorder.answers[i])
            frozen.push_back(recorder.asked[i]);
    }
    std::size_t left = 0, right = 0;
    for (const OdGePoint2d& p : mesher_test::readBackChecked(*mesher->getMesh(), 2).vertices)
        (p.x < 20.0 ? left : right) += 1;
    EXPECT_GT(left, 2 * right);
}

TEST(AdaptiveRefinementFailure, AnInvalidFieldFailsAndKeepsThePreviousMesh)
{
    // Invalid in the first iteration (current or candidate field), in a later one, or no field at all; on a
    // mesher that has no mesh yet, too.
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
    Params params = Recorder().params(3, 20, 5);
    params.computeField = [](OdSmartPtr<OdDbSubDMesh>) { return std::shared_ptr<MeshVectorField2d>(); };
    const auto mesher = meshed(plateWithHole(), 4.0);
    const OdSmartPtr<OdDbSubDMesh> before = mesher->getMesh();
    EXPECT_EQ(mesher->adaptivelyRefineMesh(params, nullptr), cae_core::eFailed);
    EXPECT_EQ(mesher->getMesh().get(), before.get());
    DelaunayMesher empty;
    EXPECT_EQ(empty.adaptivelyRefineMesh(params, nullptr), cae_core::eFailed);
    EXPECT_TRUE(empty.getMesh().isNull());
}

TEST(AdaptiveRefinementState, TheMeshersStoredStateIsUnchanged)
{
    // A twin mesher goes through the same steps without adaptive refinement; every later operation that
    // reads the stored state (working triangulation, boundary, interior points, regions) must agree.
    const auto refined = meshed(plateWithHole(), 4.0);
    const auto twin = meshed(plateWithHole(), 4.0);
    ASSERT_EQ(refined->refineMesh(mesher_test::circleRegion(8.0, 10.0, 5.0, 2.0), nullptr, 5), cae_core::eOk);
    ASSERT_EQ(twin->refineMesh(mesher_test::circleRegion(8.0, 10.0, 5.0, 2.0), nullptr, 5), cae_core::eOk);
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

TEST(AdaptiveRefinementBudget, ACandidateOverTheTriangleBudgetStopsWithTheBudgetsCodeAndKeepsTheMesh)
{
    // About 2600 triangles at the start; a field that never converges roughly triples them per iteration.
    const auto mesher = meshed(mesher_test::makeRectangle(0.0, 0.0, 100.0, 100.0), 3.0);
    const OdSmartPtr<OdDbSubDMesh> before = mesher->getMesh();
    Recorder recorder;
    EXPECT_EQ(mesher->adaptivelyRefineMesh(recorder.params(3, 20, 25), nullptr), cae_core::eLimitExceeded);
    EXPECT_EQ(mesher->getMesh().get(), before.get());
    ASSERT_FALSE(recorder.meshes.empty());
    for (const OdSmartPtr<OdDbSubDMesh>& mesh : recorder.meshes)
        EXPECT_LE(cae_core::getTriangularMesh2d(*mesh).triangles.size(), DelaunayMesher::kMaxTriangles);
}

TEST(AdaptiveRefinementCandidates, APointExactlyOnAStraightHoleEdgeIsNotInserted)
{
    // Right triangles on the square hole's edges have their circumcentres at the edges' midpoints, which
    // boundary refinement adds as boundary vertices too.
    for (const double size : {2.0, 2.5, 4.0, 5.0})
    {
        SCOPED_TRACE(testing::Message() << "size " << size);
        const auto mesher = meshed(mesher_test::makeRegion({mesher_test::rectangleLoop(0, 0, 40, 20),
                                                            mesher_test::rectangleLoop(15, 5, 25, 15)}),
                                   size);
        Recorder recorder;
        ASSERT_EQ(mesher->adaptivelyRefineMesh(recorder.params(3, 20, 3), nullptr), cae_core::eOk);
        mesher_test::readBackChecked(*mesher->getMesh(), 2);
    }
}
