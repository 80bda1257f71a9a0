#include "apps/file/Loops.h"

#include <gtest/gtest.h>

#include <ctime>
#include <numbers>
#include <string>
#include <vector>

using namespace cae_app;

namespace
{
BoundaryCurve line(double x0, double y0, double x1, double y1, std::string path = "c")
{
    return BoundaryCurve{LineCurve{{x0, y0}, {x1, y1}}, std::move(path), "line"};
}

BoundaryCurve arc(double cx, double cy, double r, double fromDeg, double toDeg, std::string path = "a")
{
    const double d = std::numbers::pi / 180;
    double sweep = toDeg - fromDeg;
    if (sweep <= 0)
        sweep += 360;
    return BoundaryCurve{ArcCurve{{cx, cy}, r, fromDeg * d, sweep * d}, std::move(path), "arc"};
}

BoundaryCurve circle(double cx, double cy, double r, std::string path = "o")
{
    return BoundaryCurve{ArcCurve{{cx, cy}, r, 0.0, 2 * std::numbers::pi}, std::move(path), "circle"};
}

BoundaryCurve spline(std::vector<OdGePoint2d> fitPoints, std::string path = "s")
{
    return BoundaryCurve{SplineCurve{std::move(fitPoints)}, std::move(path), "spline"};
}

BoundaryLoop loop(std::vector<BoundaryCurve> curves, std::string path = "region.outer")
{
    return BoundaryLoop{std::move(curves), std::move(path)};
}

std::string closeError(BoundaryLoop l)
{
    try
    {
        closeLoop(l, 1e-6);
    }
    catch (const InputError& e)
    {
        return e.what();
    }
    ADD_FAILURE() << "closed";
    return {};
}

void expectChained(const BoundaryLoop& l)
{
    for (std::size_t i = 0; i < l.curves.size(); ++i)
    {
        const OdGePoint2d e = endPoint(l.curves[i]);
        const OdGePoint2d s = startPoint(l.curves[(i + 1) % l.curves.size()]);
        EXPECT_TRUE(e.isEqualTo(s)) << i;
    }
}
} // namespace

TEST(LoopArea, IsExactForLinesAndArcs)
{
    EXPECT_NEAR(signedArea(loop({circle(3, 4, 2)})), 4 * std::numbers::pi, 1e-12);
    // A 10 x 10 square whose top is a half disc of radius 5, counter-clockwise.
    const auto l = loop({line(0, 0, 10, 0), line(10, 0, 10, 10), arc(5, 10, 5, 0, 180), line(0, 10, 0, 0)});
    EXPECT_NEAR(signedArea(l), 100 + 12.5 * std::numbers::pi, 1e-12);
}

TEST(LoopClosing, ReversesCurvesGivenTheOtherWayRound)
{
    // The second and third lines run backwards; the first curve, an arc, too.
    auto l = loop({arc(5, 10, 5, 0, 180), line(10, 0, 10, 10), line(0, 0, 10, 0), line(0, 10, 0, 0)});
    closeLoop(l, 1e-6);
    expectChained(l);
    EXPECT_TRUE(startPoint(l.curves[0]).isEqualTo({0, 10}));
}

TEST(LoopClosing, MovesLineEndsOntoArcsWithinTheTolerance)
{
    // The arc from 30 to 90 degrees about (0, -5) starts at (10 cos 30, 0), typed to seven digits.
    auto l = loop({line(0, 0, 8.660254, 0), arc(0, -5, 10, 30, 90), line(0, 5, 0, 0)});
    closeLoop(l, 1e-6);
    expectChained(l);
    // The arc keeps its exact ends; the line moved onto it.
    EXPECT_DOUBLE_EQ(std::get<LineCurve>(l.curves[0].geometry).to.x, 10 * std::cos(std::numbers::pi / 6));
}

TEST(LoopClosing, MovesSplineEndsOntoArcsAtBothEnds)
{
    // The spline runs from the first arc's end to the second arc's start, each typed 1e-7 off.
    auto l = loop({arc(0, 0, 10, 0, 90), spline({{0, 10.0000001}, {-7, 7}, {-10.0000001, 0}}),
                   arc(0, 0, 10, 180, 270), line(0, -10, 10, 0)});
    closeLoop(l, 1e-6);
    expectChained(l);
    const auto& fit = std::get<SplineCurve>(l.curves[1].geometry).fitPoints;
    EXPECT_EQ(fit.front(), endPoint(l.curves[0]));
    EXPECT_EQ(fit.back(), startPoint(l.curves[2]));
}

TEST(LoopClosing, OpenLoopNamesTheTwoCurvesAndTheGap)
{
    const auto e =
        closeError(loop({line(0, 0, 10, 0, "region.outer[0]"), line(10, 0.5, 10, 10, "region.outer[1]"),
                         line(10, 10, 0, 0, "region.outer[2]")}));
    EXPECT_EQ(
        e,
        "region.outer: the loop is open between region.outer[0] (line) and region.outer[1] (line): their "
        "nearest ends are 0.5 apart (region.outer[0] (line) runs (0, 0) to (10, 0), region.outer[1] (line) "
        "runs (10, 0.5) to (10, 10))");
    const auto e2 = closeError(
        loop({line(0, 0, 10, 0, "p[0]"), line(10, 0, 10, 10, "p[1]"), line(10, 10, 0, 1, "p[2]")}));
    EXPECT_EQ(
        e2,
        "region.outer: the loop does not close: p[2] (line) ends at (0, 1) but p[0] (line) starts at (0, 0) "
        "(gap 1)");
    const auto e3 =
        closeError(loop({line(0, 0, 10, 0, "p[0]"), line(10, 0, 10, 10, "p[1]"), line(5, 10, 0, 0, "p[2]")}));
    EXPECT_NE(
        e3.find("the loop is open between p[1] (line) and p[2] (line): p[1] (line) ends at (10, 10) but p[2] "
                "(line) runs from (5, 10) to (0, 0) (gap 5)"),
        std::string::npos)
        << e3;
}

TEST(LoopClosing, RefusesWhatCannotBeALoop)
{
    EXPECT_NE(closeError(loop({line(0, 0, 1, 0, "p[0]")})).find("a loop of one curve must be a circle"),
              std::string::npos);
    EXPECT_NE(closeError(loop({circle(0, 0, 1, "p[0]"), line(1, 0, 2, 0, "p[1]")}))
                  .find("p[0] (circle) is closed by itself, so it must be the only curve of its loop"),
              std::string::npos);
    // Two arcs whose ends miss by less than the tolerance but more than the geometry tolerance.
    auto nearly = arc(0, 1e-8, 1, 180, 360, "p[1]");
    EXPECT_NE(closeError(loop({arc(0, 0, 1, 0, 180, "p[0]"), nearly})).find("two arcs must meet exactly"),
              std::string::npos);
}

TEST(LoopOrientation, OuterRunsCounterClockwiseAndHolesClockwise)
{
    auto outer = loop({line(0, 0, 0, 10), line(0, 10, 10, 10), line(10, 10, 10, 0), line(10, 0, 0, 0)});
    std::vector<BoundaryLoop> holes{loop({circle(5, 5, 1)}, "region.holes[0]")};
    prepareLoops(outer, holes, "a.json");
    EXPECT_GT(signedArea(outer), 0.0);
    EXPECT_LT(signedArea(holes[0]), 0.0);
    expectChained(outer);
    expectChained(holes[0]);
}

TEST(LoopRelations, HolesMustLieInsideTheOuterLoopApartFromItAndFromEachOther)
{
    auto square = [] {
        return loop({line(0, 0, 10, 0), line(10, 0, 10, 10), line(10, 10, 0, 10), line(0, 10, 0, 0)});
    };
    auto rect = [](double x0, double y0, double x1, double y1, std::string path)
    {
        return loop({line(x0, y0, x1, y0), line(x1, y0, x1, y1), line(x1, y1, x0, y1), line(x0, y1, x0, y0)},
                    path);
    };
    const struct
    {
        std::vector<BoundaryLoop> holes;
        const char* message;
    } cases[] = {
        {{loop({circle(20, 5, 1)}, "region.holes[0]")},
         "a.json: region.holes[0]: the hole is not inside the outer loop"},
        {{loop({circle(5, 5, 3)}, "region.holes[0]"), loop({circle(5, 5, 1)}, "region.holes[1]")},
         "a.json: region.holes[1]: the hole lies inside another hole, region.holes[0]"},
        {{loop({circle(4, 5, 2)}, "region.holes[0]"), loop({circle(6, 5, 2)}, "region.holes[1]")},
         "a.json: region.holes[0] and region.holes[1] overlap: their boundaries cross at"},
        // A hole sharing an edge with the outer loop gets the same answer on every side.
        {{rect(0, 4, 2, 6, "region.holes[0]")},
         "a.json: region.holes[0]: the hole touches the outer loop region.outer at"},
        {{rect(4, 8, 6, 10, "region.holes[0]")},
         "a.json: region.holes[0]: the hole touches the outer loop region.outer at"},
        {{rect(8, 4, 10, 6, "region.holes[0]")},
         "a.json: region.holes[0]: the hole touches the outer loop region.outer at"},
        {{rect(2, 2, 4, 4, "region.holes[0]"), rect(4, 2, 6, 4, "region.holes[1]")},
         "a.json: region.holes[0] and region.holes[1] touch at"},
        // Between the points of the polygons: a circle whose 5-degree points miss its lowest point, and
        // a closed spline whose fit points all keep off the edge it swings across.
        {{loop({arc(5, 3, 3, 2.5, 362.5)}, "region.holes[0]")},
         "a.json: region.holes[0]: the hole touches the outer loop region.outer at"},
        {{loop({spline({{3, 0.3}, {7, 0.3}, {7, 4}, {3, 4}, {3, 0.3}})}, "region.holes[0]")},
         "a.json: region.holes[0]: the hole crosses the outer loop region.outer at"},
    };
    for (const auto& c : cases)
    {
        auto outer = square();
        auto holes = c.holes;
        try
        {
            prepareLoops(outer, holes, "a.json");
            ADD_FAILURE() << c.message;
        }
        catch (const InputError& e)
        {
            EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
        }
    }
}

TEST(LoopRelations, ALoopThatCrossesItselfNamesTheTwoCurves)
{
    auto outer = loop({line(0, 0, 10, 10, "region.outer[0]"), line(10, 10, 10, 0, "region.outer[1]"),
                       line(10, 0, 0, 6, "region.outer[2]"), line(0, 6, 0, 0, "region.outer[3]")});
    std::vector<BoundaryLoop> holes;
    EXPECT_THROW(
        try { prepareLoops(outer, holes, "a.json"); } catch (const InputError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "a.json: region.outer: region.outer[2] (line) and region.outer[0] (line) "
                      "cross at (3.75, 3.75); a loop must not cross itself");
            throw;
        },
        InputError);
}

// The tip at c dips below a -> b by less than a rounded cross product can tell: it finds the tip on the
// line, so neither edge into the tip would cross it.
TEST(LoopRelations, ALoopThatCrossesItselfByLessThanRoundingIsRefused)
{
    const OdGePoint2d a(0.1, 0.3), b(10.7, 3.9), c(6.8308689080889895, 2.585955478218902);
    auto outer = loop({line(a.x, a.y, b.x, b.y, "region.outer[0]"), line(b.x, b.y, c.x, 8, "region.outer[1]"),
                       line(c.x, 8, c.x, c.y, "region.outer[2]"), line(c.x, c.y, 2, 8, "region.outer[3]"),
                       line(2, 8, a.x, a.y, "region.outer[4]")});
    std::vector<BoundaryLoop> holes;
    try
    {
        prepareLoops(outer, holes, "a.json");
        ADD_FAILURE() << "accepted";
    }
    catch (const InputError& e)
    {
        EXPECT_NE(std::string(e.what()).find("a loop must not cross itself"), std::string::npos) << e.what();
    }
}

TEST(LoopRelations, CurvesBelowThePrecisionAtTheRegionsScaleAreRefused)
{
    // 1e7 long and 1 wide: points closer than 1e-7 of the size, about 1, count as one.
    auto outer = loop({line(0, 0, 1e7, 0, "region.outer[0]"), line(1e7, 0, 1e7, 1, "region.outer[1]"),
                       line(1e7, 1, 0, 1, "region.outer[2]"), line(0, 1, 0, 0, "region.outer[3]")});
    std::vector<BoundaryLoop> holes;
    try
    {
        prepareLoops(outer, holes, "a.json");
        FAIL();
    }
    catch (const InputError& e)
    {
        EXPECT_EQ(
            std::string(e.what()).rfind("a.json: region.outer: region.outer[1] (line) is only 1 long, too "
                                        "small beside the region's size of 1e+07",
                                        0),
            0u)
            << e.what();
    }
}

TEST(LoopRelations, ManyHolesOutsideTheRegionAreRefusedWithoutComparingThemAllPairwise)
{
    // 100,000 unit squares in a 400 x 250 block beside a 10 x 10 region: when their segments all fall
    // into the border cells of a grid laid over the region alone, every pair of them is compared.
    auto outer = loop({line(0, 0, 10, 0), line(10, 0, 10, 10), line(10, 10, 0, 10), line(0, 10, 0, 0)});
    std::vector<BoundaryLoop> holes;
    for (int i = 0; i < 100000; ++i)
    {
        const double x = 20 + 2 * (i % 400), y = 2 * (i / 400);
        holes.push_back(loop({line(x, y, x + 1, y), line(x + 1, y, x + 1, y + 1),
                              line(x + 1, y + 1, x, y + 1), line(x, y + 1, x, y)},
                             "region.holes[" + std::to_string(i) + "]"));
    }
    // Processor time, which a busy machine does not inflate; the pairwise comparison takes minutes.
    const std::clock_t start = std::clock();
    try
    {
        prepareLoops(outer, holes, "a.json");
        ADD_FAILURE() << "accepted";
    }
    catch (const InputError& e)
    {
        EXPECT_EQ(std::string(e.what()), "a.json: region.holes[0]: the hole is not inside the outer loop");
    }
    EXPECT_LT(double(std::clock() - start) / CLOCKS_PER_SEC, 20.0);
}
