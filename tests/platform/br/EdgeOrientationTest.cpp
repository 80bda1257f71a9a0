#include "tests/support/Regions.h"

#include "platform/br/BrBrep.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
using namespace test_regions;

/// getEdgeOrientToLoop of every edge, loop by loop.
std::vector<std::vector<bool>> orientations(const OdDbRegion& region)
{
    OdBrBrep brep;
    EXPECT_EQ(region.brep(brep), eOk);
    OdBrBrepFaceTraverser faces;
    faces.setBrep(brep);
    OdBrFaceLoopTraverser loops;
    loops.setFace(faces.getFace());
    std::vector<std::vector<bool>> result;
    for (; !loops.done(); loops.next())
    {
        OdBrLoopEdgeTraverser edges;
        edges.setLoop(loops.getLoop());
        result.emplace_back();
        for (; !edges.done(); edges.next())
            result.back().push_back(edges.getEdgeOrientToLoop());
    }
    return result;
}

TEST(EdgeOrientation, LoopsRunWithTheFaceOnTheirLeftWhateverDirectionTheCurvesWereGiven)
{
    // Exterior given clockwise, its second edge reversed; a hole given counter-clockwise with a
    // reversed edge; a circular hole given counter-clockwise.
    OdDbRegion::Loop outer{line(0, 0, 0, 10), line(10, 10, 0, 10), line(10, 10, 10, 0), line(10, 0, 0, 0)};
    OdDbRegion::Loop hole{line(2, 2, 4, 2), line(4, 2, 4, 4), line(2, 4, 4, 4), line(2, 4, 2, 2)};
    OdDbRegion::Loop round{circle(7, 7, 1)};
    const auto region = OdDbRegion::createObject();
    ASSERT_EQ(region->setLoops({outer, hole, round}), eOk);

    const std::vector<std::vector<bool>> expected{
        {false, true, false, false}, // clockwise walk: every edge along the walk runs against the loop
        {false, false, true, false}, // counter-clockwise walk: holes run clockwise
        {false},                     // a counter-clockwise circle as a hole
    };
    EXPECT_EQ(orientations(*region), expected);
}

} // namespace
