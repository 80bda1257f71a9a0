#include "cae_core/mesher2d/DelaunayMesher.h"

#include "cae_core/mesher2d/detail/DelaunayMesherImpl.h"
#include "cdt/CdtErrors.h"
#include "platform/ge/GeNurbCurve3d.h"
#include "tests/cae_core/mesher2d/MesherTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <limits>
#include <map>
#include <memory>
#include <numbers>
#include <set>

using cae_core::DelaunayMesher;
using cae_core::RefinementCircle;
using cae_core::TriangularMesh2d;
using mesher_test::readBackChecked;

namespace
{

std::unique_ptr<RefinementCircle> circleRegion(double x, double y, double r, double ratio)
{
    auto circle = std::make_unique<RefinementCircle>(OdGePoint2d(x, y), r);
    circle->setRefinementRatio(ratio);
    return circle;
}

/// Positions of the boundary vertices of a read-back mesh, loop by loop.
std::vector<std::vector<OdGePoint2d>> boundaryPositions(const TriangularMesh2d& mesh)
{
    std::vector<std::vector<OdGePoint2d>> loops;
    for (const auto& loop : mesh.boundaries)
    {
        loops.emplace_back();
        for (const std::uint64_t v : loop)
            loops.back().push_back(mesh.vertices[v]);
    }
    return loops;
}

double polygonArea(const std::vector<OdGePoint2d>& polygon)
{
    double twice = 0.0;
    for (std::size_t i = 0; i < polygon.size(); ++i)
    {
        const OdGePoint2d& a = polygon[i];
        const OdGePoint2d& b = polygon[(i + 1) % polygon.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return twice / 2;
}

bool sameArrays(const OdDbSubDMesh& a, const OdDbSubDMesh& b)
{
    OdGePoint3dArray va, vb;
    OdInt32Array fa, fb;
    a.getVertices(va);
    b.getVertices(vb);
    a.getFaceArray(fa);
    b.getFaceArray(fb);
    if (va.size() != vb.size() || !(fa == fb))
        return false;
    for (unsigned i = 0; i < va.size(); ++i)
        if (va[i].x != vb[i].x || va[i].y != vb[i].y)
            return false;
    return true;
}

using Key = std::pair<double, double>;
Key key(const OdGePoint2d& p)
{
    return {p.x, p.y};
}

} // namespace

TEST(DelaunayMesherSize, AtOrBelowATenBillionthOrNotFiniteIsRefusedAndKeepsThePreviousMesh)
{
    DelaunayMesher mesher;
    ASSERT_EQ(mesher.createMesh(mesher_test::makeRectangle(0, 0, 10, 10), 2.5, nullptr, 0), cae_core::eOk);
    const OdSmartPtr<OdDbSubDMesh> previous = mesher.getMesh();
    for (const double size : {0.0, 1e-11, 1e-10, -2.0, std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity()})
    {
        EXPECT_EQ(mesher.createMesh(mesher_test::makeRectangle(0, 0, 20, 20), size, nullptr, 0),
                  cae_core::eNotPossible)
            << size;
        EXPECT_EQ(mesher.getMesh().get(), previous.get());
        // Refused before anything is taken from it: the working size stays that of the last mesh.
        DelaunayMesher::Impl impl;
        EXPECT_EQ(impl.createDelaunayMesh(mesher_test::makeRectangle(0, 0, 20, 20), size),
                  cae_core::eNotPossible);
        EXPECT_EQ(impl.meshSize, -1.0) << size;
    }
}

TEST(DelaunayMesherSize, RegionsWithoutLoopsCannotBeMeshed)
{
    DelaunayMesher mesher;
    EXPECT_EQ(mesher.createMesh(OdDbRegion::createObject(), 1.0, nullptr, 0), cae_core::eNotPossible);
    EXPECT_EQ(mesher.createMesh(nullptr, 1.0, nullptr, 0), cae_core::eNotPossible);
    EXPECT_TRUE(mesher.getMesh().isNull());
}

TEST(DelaunayMesherBudget, RefusesAnEstimateAboveTheBudgetAndMeshesBelowIt)
{
    DelaunayMesher mesher;
    // 10000 / (0.5 * 0.8^2) = 31250 estimated triangles.
    EXPECT_EQ(mesher.createMesh(mesher_test::makeRectangle(0, 0, 100, 100), 0.8, nullptr, 0),
              cae_core::eLimitExceeded);
    EXPECT_TRUE(mesher.getMesh().isNull());
    // 5000 estimated triangles.
    ASSERT_EQ(mesher.createMesh(mesher_test::makeRectangle(0, 0, 100, 100), 2.0, nullptr, 2), cae_core::eOk);
    const TriangularMesh2d mesh = readBackChecked(*mesher.getMesh(), 1);
    EXPECT_LE(mesh.triangles.size(), 25000u);
    EXPECT_NEAR(mesher_test::meshArea(mesh), 10000.0, 1e-6);
}

TEST(DelaunayMesherBudget, StopsARefinementThatOutgrowsTheBudget)
{
    DelaunayMesher mesher;
    ASSERT_EQ(mesher.createMesh(mesher_test::makeRectangle(0, 0, 100, 100), 2.0, nullptr, 0), cae_core::eOk);
    const OdSmartPtr<OdDbSubDMesh> previous = mesher.getMesh();
    // 10000 / (0.5 * 1.0^2) = 20000 passes the estimate, but the mesh needs more triangles.
    EXPECT_EQ(mesher.createMesh(mesher_test::makeRectangle(0, 0, 100, 100), 1.0, nullptr, 0),
              cae_core::eLimitExceeded);
    EXPECT_EQ(mesher.getMesh().get(), previous.get());
}

TEST(DelaunayMesherBoundary, SplitsASquareOfSideTenAtSize2_5IntoSixteenVertices)
{
    DelaunayMesher mesher;
    ASSERT_EQ(mesher.createMesh(mesher_test::makeRectangle(0, 0, 10, 10), 2.5, nullptr, 1), cae_core::eOk);
    const TriangularMesh2d mesh = readBackChecked(*mesher.getMesh(), 1);
    ASSERT_EQ(mesh.boundaries[0].size(), 16u);
    std::set<Key> expected;
    for (int k = 0; k < 4; ++k)
    {
        const double s = 2.5 * k;
        expected.insert({s, 0.0});
        expected.insert({10.0, s});
        expected.insert({10.0 - s, 10.0});
        expected.insert({0.0, 10.0 - s});
    }
    const auto loops = boundaryPositions(mesh);
    std::set<Key> actual;
    for (const OdGePoint2d& p : loops[0])
        actual.insert(key(p));
    EXPECT_EQ(actual, expected);
    EXPECT_NEAR(polygonArea(loops[0]), 100.0, 1e-12); // walked counter-clockwise
}

TEST(DelaunayMesherBoundary, LeavesACircularHoleEmpty)
{
    const double cx = 50, cy = 30, r = 12;
    DelaunayMesher mesher;
    ASSERT_EQ(mesher.createMesh(mesher_test::makePlateWithHole(100, 60, cx, cy, r), 3.0, nullptr, 3),
              cae_core::eOk);
    const TriangularMesh2d mesh = readBackChecked(*mesher.getMesh(), 2);
    const auto loops = boundaryPositions(mesh);
    // The outer boundary runs counter-clockwise, the hole clockwise, whichever loop the reader finds first.
    const std::size_t hole = polygonArea(loops[0]) < 0.0 ? 0 : 1;
    for (const OdGePoint2d& p : loops[hole])
        EXPECT_NEAR(p.distanceTo(OdGePoint2d(cx, cy)), r, 1e-9);
    EXPECT_LT(polygonArea(loops[hole]), 0.0);
    EXPECT_NEAR(polygonArea(loops[1 - hole]), 6000.0, 1e-9);

    for (const auto& t : mesh.triangles)
    {
        const OdGePoint2d c((mesh.vertices[t[0]].x + mesh.vertices[t[1]].x + mesh.vertices[t[2]].x) / 3,
                            (mesh.vertices[t[0]].y + mesh.vertices[t[1]].y + mesh.vertices[t[2]].y) / 3);
        EXPECT_GT(c.distanceTo(OdGePoint2d(cx, cy)), r * std::cos(std::numbers::pi / 8));
    }
    // The triangles cover the plate less the hole's polygon exactly.
    EXPECT_NEAR(mesher_test::meshArea(mesh), 6000.0 + polygonArea(loops[hole]), 1e-9);
}

TEST(DelaunayMesherSmoothing, WithNoPassTheInteriorVerticesAreTheInsertedCircumcentres)
{
    const auto region = mesher_test::makePlateWithHole(40, 30, 20, 15, 6);
    DelaunayMesher::Impl impl;
    ASSERT_EQ(impl.createDelaunayMesh(region, 2.0), cae_core::eOk);
    ASSERT_EQ(impl.finishTriangulation(0), cae_core::eOk);
    ASSERT_EQ(impl.updateMesh(0), cae_core::eOk);

    std::size_t boundaryCount = 0;
    for (const auto& loop : impl.boundaries)
        boundaryCount += loop.size();
    ASSERT_FALSE(impl.interiorPoints.empty());
    const auto& vertices = impl.finalTriangulation.vertices;
    ASSERT_EQ(vertices.size(), boundaryCount + impl.interiorPoints.size());
    for (std::size_t i = 0; i < impl.interiorPoints.size(); ++i)
    {
        EXPECT_EQ(vertices[boundaryCount + i].x, impl.interiorPoints[i].first) << i;
        EXPECT_EQ(vertices[boundaryCount + i].y, impl.interiorPoints[i].second) << i;
    }

    // The public operation writes the very same mesh.
    DelaunayMesher mesher;
    ASSERT_EQ(mesher.createMesh(region, 2.0, nullptr, 0), cae_core::eOk);
    EXPECT_TRUE(sameArrays(*mesher.getMesh(), *impl.mesh));
    readBackChecked(*mesher.getMesh(), 2);
}

TEST(DelaunayMesherSmoothing, MovesInteriorVerticesToTheirNeighboursAverageAndNeverBoundaryOnes)
{
    const auto region = mesher_test::makePlateWithHole(40, 30, 20, 15, 6);
    DelaunayMesher rough, smooth;
    ASSERT_EQ(rough.createMesh(region, 2.0, nullptr, 0), cae_core::eOk);
    ASSERT_EQ(smooth.createMesh(region, 2.0, nullptr, 1), cae_core::eOk);
    const TriangularMesh2d before = readBackChecked(*rough.getMesh(), 2);
    const TriangularMesh2d after = readBackChecked(*smooth.getMesh(), 2);
    ASSERT_EQ(before.vertices.size(), after.vertices.size());
    ASSERT_EQ(before.triangles, after.triangles);

    std::vector<char> onBoundary(before.vertices.size(), 0);
    for (const auto& loop : before.boundaries)
        for (const std::uint64_t v : loop)
            onBoundary[v] = 1;
    std::vector<OdGeVector2d> sum(before.vertices.size());
    std::vector<int> count(before.vertices.size(), 0);
    for (const auto& t : before.triangles)
        for (int k = 0; k < 3; ++k)
            for (int j = 1; j <= 2; ++j)
            {
                sum[t[k]] += before.vertices[t[(k + j) % 3]].asVector();
                ++count[t[k]];
            }
    std::size_t moved = 0;
    for (std::size_t v = 0; v < before.vertices.size(); ++v)
    {
        if (onBoundary[v])
        {
            EXPECT_EQ(after.vertices[v].x, before.vertices[v].x) << v;
            EXPECT_EQ(after.vertices[v].y, before.vertices[v].y) << v;
            continue;
        }
        const OdGePoint2d average(sum[v].x / count[v], sum[v].y / count[v]);
        EXPECT_NEAR(after.vertices[v].distanceTo(average), 0.0, 1e-12) << v;
        moved += after.vertices[v].distanceTo(before.vertices[v]) > 0.0 ? 1 : 0;
    }
    EXPECT_GT(moved, 0u);
}

TEST(DelaunayMesherRefinement, NeedsAMeshFirst)
{
    DelaunayMesher mesher;
    EXPECT_EQ(mesher.refineMesh(circleRegion(0, 0, 3, 2), nullptr, 0), cae_core::eFailed);
    EXPECT_TRUE(mesher.getMesh().isNull());
    EXPECT_EQ(mesher.clearRefinementRegions(), cae_core::eEmpty);
}

TEST(DelaunayMesherRefinement, ACircleOfRatioTwoHalvesTheSpacingInsideItOnly)
{
    DelaunayMesher mesher;
    ASSERT_EQ(mesher.createMesh(mesher_test::makeRectangle(0, 0, 10, 10), 2.5, nullptr, 0), cae_core::eOk);
    const TriangularMesh2d coarse = readBackChecked(*mesher.getMesh(), 1);
    ASSERT_EQ(mesher.refineMesh(circleRegion(0, 0, 3, 2), nullptr, 0), cae_core::eOk);
    const TriangularMesh2d fine = readBackChecked(*mesher.getMesh(), 1);

    const RefinementCircle circle(OdGePoint2d(0, 0), 3);
    std::set<Key> expected;
    const auto coarseLoops = boundaryPositions(coarse);
    const auto fineLoops = boundaryPositions(fine);
    for (const OdGePoint2d& p : coarseLoops[0])
        if (!circle.containsPoint(p))
            expected.insert(key(p));
    for (const Key& p : {Key{0, 0}, Key{1.25, 0}, Key{2.5, 0}, Key{0, 1.25}, Key{0, 2.5}})
        expected.insert(p);
    std::set<Key> actual;
    for (const OdGePoint2d& p : fineLoops[0])
        actual.insert(key(p));
    EXPECT_EQ(actual, expected);
    EXPECT_GT(fine.triangles.size(), coarse.triangles.size());

    // The interior points outside the circle were put back where they were.
    std::set<Key> fineVertices;
    for (const OdGePoint2d& p : fine.vertices)
        fineVertices.insert(key(p));
    std::set<Key> coarseBoundary;
    for (const OdGePoint2d& p : coarseLoops[0])
        coarseBoundary.insert(key(p));
    for (const OdGePoint2d& p : coarse.vertices)
        if (!circle.containsPoint(p) && !coarseBoundary.count(key(p)))
        {
            EXPECT_TRUE(fineVertices.count(key(p))) << p.x << ", " << p.y;
        }

    // Inside the circle no triangle is larger than the finer size allows.
    for (const auto& t : fine.triangles)
    {
        bool allInside = true;
        double longest = 0.0;
        for (int k = 0; k < 3; ++k)
        {
            allInside = allInside && circle.containsPoint(fine.vertices[t[k]]);
            longest = std::max(longest, fine.vertices[t[k]].distanceTo(fine.vertices[t[(k + 1) % 3]]));
        }
        if (allInside)
        {
            EXPECT_LE(longest, 1.25 + 1e-12);
        }
    }
}

TEST(DelaunayMesherRefinement, ClearingTheRegionsAnswersOkThenEmpty)
{
    DelaunayMesher mesher;
    ASSERT_EQ(mesher.createMesh(mesher_test::makeRectangle(0, 0, 10, 10), 2.5, nullptr, 0), cae_core::eOk);
    ASSERT_EQ(mesher.refineMesh(circleRegion(0, 0, 3, 2), nullptr, 0), cae_core::eOk);
    const OdSmartPtr<OdDbSubDMesh> refined = mesher.getMesh();
    EXPECT_EQ(mesher.clearRefinementRegions(), cae_core::eOk);
    EXPECT_EQ(mesher.clearRefinementRegions(), cae_core::eEmpty);
    EXPECT_EQ(mesher.getMesh().get(), refined.get());
}

TEST(DelaunayMesherRefinement, StoredRegionsAreAppliedAgainToEveryNewMesh)
{
    const auto region = mesher_test::makePlateWithHole(40, 30, 20, 15, 6);
    DelaunayMesher once, twice;
    ASSERT_EQ(once.createMesh(region, 2.0, nullptr, 2), cae_core::eOk);
    const OdSmartPtr<OdDbSubDMesh> plain = once.getMesh();
    ASSERT_EQ(once.refineMesh(circleRegion(20, 15, 9, 3), nullptr, 2), cae_core::eOk);
    readBackChecked(*once.getMesh(), 2);

    ASSERT_EQ(twice.createMesh(region, 2.0, nullptr, 2), cae_core::eOk);
    ASSERT_EQ(twice.refineMesh(circleRegion(20, 15, 9, 3), nullptr, 2), cae_core::eOk);
    ASSERT_EQ(twice.createMesh(region, 2.0, nullptr, 2), cae_core::eOk);
    EXPECT_TRUE(sameArrays(*twice.getMesh(), *once.getMesh()));

    ASSERT_EQ(twice.clearRefinementRegions(), cae_core::eOk);
    ASSERT_EQ(twice.createMesh(region, 2.0, nullptr, 2), cae_core::eOk);
    EXPECT_TRUE(sameArrays(*twice.getMesh(), *plain));
}

TEST(DelaunayMesherRefinement, ARatioGivingNoUsableSizeIsRefusedAndTheMesherStaysRefinable)
{
    const auto region = mesher_test::makeRectangle(0, 0, 10, 10);
    DelaunayMesher mesher;
    ASSERT_EQ(mesher.createMesh(region, 2.5, nullptr, 0), cae_core::eOk);
    const OdSmartPtr<OdDbSubDMesh> previous = mesher.getMesh();
    // 0 is the ratio of a region nobody set; 1e12 makes the size 2.5e-12.
    for (const double ratio :
         {0.0, -1.0, 1e12, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
    {
        EXPECT_EQ(mesher.refineMesh(circleRegion(0, 0, 3, ratio), nullptr, 0), cae_core::eNotPossible)
            << ratio;
        EXPECT_EQ(mesher.getMesh().get(), previous.get());
    }
    EXPECT_EQ(mesher.clearRefinementRegions(), cae_core::eEmpty);
    // Nothing was set aside, so a proper region still refines the mesh.
    EXPECT_EQ(mesher.refineMesh(circleRegion(0, 0, 3, 2), nullptr, 0), cae_core::eOk);
}

TEST(DelaunayMesherRefinement, ABoundaryOverTheBudgetFailsBeforeItIsTriangulatedAndKeepsTheMesh)
{
    // Ratio 2000 samples the hole of circumference 37.7 every 0.001: 37700 boundary vertices, more than
    // 25000 triangles can be bounded by.
    const auto region = mesher_test::makePlateWithHole(40, 30, 20, 15, 6);
    const auto fine = circleRegion(20, 15, 8, 2000);
    DelaunayMesher::Impl impl;
    ASSERT_EQ(impl.createDelaunayMesh(region, 2.0), cae_core::eOk);
    const std::size_t triangles = impl.triangulation.triangles.size();
    ASSERT_EQ(impl.refineRegionBoundaries(*fine), cae_core::eOk);
    EXPECT_EQ(impl.triangulateBoundaries(), cae_core::eLimitExceeded);
    EXPECT_EQ(impl.triangulation.triangles.size(), triangles);

    DelaunayMesher mesher;
    ASSERT_EQ(mesher.createMesh(region, 2.0, nullptr, 1), cae_core::eOk);
    const OdSmartPtr<OdDbSubDMesh> previous = mesher.getMesh();
    EXPECT_EQ(mesher.refineMesh(circleRegion(20, 15, 8, 2000), nullptr, 1), cae_core::eLimitExceeded);
    EXPECT_EQ(mesher.getMesh().get(), previous.get());
    EXPECT_EQ(mesher.clearRefinementRegions(), cae_core::eEmpty);
    // The next mesh is built afresh from the region.
    ASSERT_EQ(mesher.createMesh(region, 2.0, nullptr, 1), cae_core::eOk);
    EXPECT_TRUE(sameArrays(*mesher.getMesh(), *previous));
}

TEST(DelaunayMesherRobustness, AwkwardRegionsGiveAMeshOrATypedErrorOfTheTriangulation)
{
    // Share of a region's area that the chords of its curved edges may cut off at these sizes (the
    // octagon of the touching hole misses 1.4 percent of its circle).
    constexpr double kChordAreaShare = 0.03;
    using mesher_test::line;
    const OdSharedPtr<OdGeCurve3d> wave(new OdGeNurbCurve3d(OdGePoint3dArray{
        OdGePoint3d(0, 0, 0), OdGePoint3d(3, 2, 0), OdGePoint3d(6, 0, 0), OdGePoint3d(9, 2, 0)}));
    const OdSharedPtr<OdGeCurve3d> blob(new OdGeNurbCurve3d(
        OdGePoint3dArray{OdGePoint3d(0, 0, 0), OdGePoint3d(10, 0, 0), OdGePoint3d(11, 5, 0),
                         OdGePoint3d(5, 8, 0), OdGePoint3d(-1, 5, 0), OdGePoint3d(0, 0, 0)}));
    enum class Outcome
    {
        meshed,
        typedError
    };
    struct Case
    {
        const char* name;
        OdSmartPtr<OdDbRegion> region;
        double size;
        Outcome outcome;
    };
    const Case cases[] = {
        // At size 2 a sample of the hole, (5, 0), lies on the outer boundary's segment from (4, 0) to (6, 0).
        {"hole touching the boundary", mesher_test::makePlateWithHole(10, 10, 5, 2, 2), 2.0, Outcome::meshed},
        // A hole shorter than one size samples into two vertices: a slit the mesh keeps as an edge.
        {"hole below the size", mesher_test::makePlateWithHole(100, 100, 50, 50, 0.3), 2.0, Outcome::meshed},
        {"notch of 1e-6",
         mesher_test::makeRegion(
             {{line(0, 0, 10, 0), line(10, 0, 10, 10), line(10, 10, 5, 10), line(5, 10, 5, 10 - 1e-6),
               line(5, 10 - 1e-6, 5 + 1e-6, 10 - 1e-6), line(5 + 1e-6, 10 - 1e-6, 5 + 1e-6, 10),
               line(5 + 1e-6, 10, 0, 10), line(0, 10, 0, 0)}}),
         1.0, Outcome::meshed},
        {"sliver 1e4 times longer than wide",
         mesher_test::makeRegion({{line(0, 0, 10, 0), line(10, 0, 10, 1e-3), line(10, 1e-3, 0, 0)}}), 1.0,
         Outcome::meshed},
        {"spline side",
         mesher_test::makeRegion({{wave, line(9, 2, 9, -5), line(9, -5, 0, -5), line(0, -5, 0, 0)}}), 0.5,
         Outcome::meshed},
        {"closed spline", mesher_test::makeRegion({{blob}}), 0.7, Outcome::meshed},
        // Beyond its length the closed spline keeps only its start: a loop of one vertex.
        {"closed spline above its length", mesher_test::makeRegion({{blob}}), 100.0, Outcome::typedError},
        {"hole crossing the boundary", mesher_test::makePlateWithHole(10, 10, 5, 1, 2), 2.0,
         Outcome::typedError},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        DelaunayMesher mesher;
        if (c.outcome == Outcome::typedError)
        {
            EXPECT_THROW(mesher.createMesh(c.region, c.size, nullptr, 2), CDT::Error);
            EXPECT_TRUE(mesher.getMesh().isNull());
            continue;
        }
        ASSERT_EQ(mesher.createMesh(c.region, c.size, nullptr, 2), cae_core::eOk);
        const TriangularMesh2d mesh = cae_core::getTriangularMesh2d(*mesher.getMesh());
        double area = 0.0;
        for (const auto& t : mesh.triangles)
        {
            const double a =
                mesher_test::signedArea(mesh.vertices[t[0]], mesh.vertices[t[1]], mesh.vertices[t[2]]);
            EXPECT_GT(a, 0.0);
            area += a;
        }
        double regionArea = 0.0;
        ASSERT_EQ(c.region->getArea(regionArea), eOk);
        EXPECT_NEAR(area, regionArea, kChordAreaShare * regionArea);
    }
}

TEST(DelaunayMesherQuality, IsReportedForAPlateWithAHole)
{
    const double size = 4.0;
    DelaunayMesher mesher;
    ASSERT_EQ(mesher.createMesh(mesher_test::makePlateWithHole(200, 100, 100, 50, 20), size, nullptr, 3),
              cae_core::eOk);
    const TriangularMesh2d mesh = readBackChecked(*mesher.getMesh(), 2);
    const mesher_test::MeshQuality q = mesher_test::measureQuality(mesh);
    std::cout << "[ quality  ] " << mesh.triangles.size() << " triangles, minimum angle " << q.minAngleDegrees
              << " degrees, longest edge / size " << q.longestEdge / size << "\n";
    RecordProperty("MinimumAngleDegrees", std::to_string(q.minAngleDegrees));
    RecordProperty("LongestEdgeOverSize", std::to_string(q.longestEdge / size));
    EXPECT_GT(q.minAngleDegrees, 1.0);
    EXPECT_LT(q.longestEdge / size, 2.0);
}
