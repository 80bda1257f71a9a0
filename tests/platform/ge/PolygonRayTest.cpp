#include "platform/ge/GeUtils.h"

#include <gtest/gtest.h>

namespace
{
constexpr int kOutside = 0, kInside = 1, kOnBoundary = 2;

int classify(double x, double y, const OdGePoint2dArray& polygon)
{
    return OdGeUtils::classifyPointPolygonRayTest(OdGePoint2d(x, y), polygon);
}

OdGePoint2dArray square()
{
    return OdGePoint2dArray{OdGePoint2d(0, 0), OdGePoint2d(10, 0), OdGePoint2d(10, 10), OdGePoint2d(0, 10)};
}

/// A "U": the notch between x = 3 and 7 reaches down to y = 4.
OdGePoint2dArray uShape()
{
    return OdGePoint2dArray{OdGePoint2d(0, 0), OdGePoint2d(10, 0), OdGePoint2d(10, 10), OdGePoint2d(7, 10),
                            OdGePoint2d(7, 4), OdGePoint2d(3, 4),  OdGePoint2d(3, 10),  OdGePoint2d(0, 10)};
}

OdGePoint2dArray reversed(OdGePoint2dArray p)
{
    p.reverse();
    return p;
}
} // namespace

TEST(ClassifyPointPolygonRayTest, TellsInsideOutsideAndBoundaryInEitherOrientationAndLevelWithVertices)
{
    // The ray from (x, 0) or (x, 10) runs along the square's horizontal edges; from (x, 4) and (x, 10)
    // in the U it passes through vertices where the boundary turns back.
    const OdGePoint2dArray diamond{OdGePoint2d(5, 0), OdGePoint2d(10, 5), OdGePoint2d(5, 10),
                                   OdGePoint2d(0, 5)};
    const struct
    {
        OdGePoint2dArray polygon;
        double x, y;
        int expected;
        const char* what;
    } cases[] = {
        {square(), 5, 5, kInside, "square centre"},
        {square(), -1, 5, kOutside, "left of the square"},
        {square(), 11, 5, kOutside, "right of the square"},
        {square(), 5, 10.5, kOutside, "above the square"},
        {square(), 5, 0, kOnBoundary, "bottom edge"},
        {square(), 10, 3, kOnBoundary, "right edge"},
        {square(), 10, 10, kOnBoundary, "a vertex"},
        {square(), 5, 1e-11, kOnBoundary, "within the tolerance of an edge"},
        {square(), 5, 1e-9, kInside, "beyond the tolerance"},
        {diamond, 2, 5, kInside, "the ray passes the vertex (10, 5)"},
        {diamond, -2, 5, kOutside, "the ray passes both side vertices"},
        {diamond, -2, 10, kOutside, "the ray touches the top vertex only"},
        {diamond, -2, 0, kOutside, "the ray touches the bottom vertex only"},
        {uShape(), 1, 4, kInside, "level with the notch's bottom corners"},
        {uShape(), -1, 4, kOutside, "level with the notch's bottom corners, outside"},
        {uShape(), 5, 10, kOutside, "level with the tops of both arms, inside the notch"},
        {uShape(), 1, 10, kOnBoundary, "top of the left arm"},
        {uShape(), 5, 6, kOutside, "inside the notch"},
        {uShape(), 5, 2, kInside, "below the notch"},
        {uShape(), 1.5, 8, kInside, "left arm"},
        {uShape(), 8.5, 8, kInside, "right arm"},
        {uShape(), 5, 4, kOnBoundary, "the notch's bottom edge"},
        {uShape(), 7, 7, kOnBoundary, "the notch's side"},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(classify(c.x, c.y, c.polygon), c.expected) << c.what;
        EXPECT_EQ(classify(c.x, c.y, reversed(c.polygon)), c.expected) << c.what << ", reversed";
    }
}

TEST(ClassifyPointPolygonRayTest, AcceptsARepeatedClosingVertexAndThePointerForm)
{
    OdGePoint2dArray closed = square();
    closed.append(OdGePoint2d(0, 0));
    EXPECT_EQ(classify(5, 5, closed), kInside);
    EXPECT_EQ(classify(15, 5, closed), kOutside);
    EXPECT_EQ(OdGeUtils::classifyPointPolygonRayTest(OdGePoint2d(5, 5), closed.getPtr(), 4), kInside);
    EXPECT_EQ(OdGeUtils::classifyPointPolygonRayTest(OdGePoint2d(5, 5), nullptr, 0), kOutside);
    const OdGePoint2dArray segment{OdGePoint2d(0, 0), OdGePoint2d(4, 0)};
    EXPECT_EQ(classify(2, 0, segment), kOnBoundary);
    EXPECT_EQ(classify(2, 1, segment), kOutside);
}
