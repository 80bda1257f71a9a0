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

TEST(ClassifyPointPolygonRayTest, SquareInsideOutsideAndOnTheBoundary)
{
    for (const auto& poly : {square(), reversed(square())})
    {
        EXPECT_EQ(classify(5, 5, poly), kInside);
        EXPECT_EQ(classify(-1, 5, poly), kOutside);
        EXPECT_EQ(classify(11, 5, poly), kOutside);
        EXPECT_EQ(classify(5, 10.5, poly), kOutside);
        EXPECT_EQ(classify(5, 0, poly), kOnBoundary);
        EXPECT_EQ(classify(10, 3, poly), kOnBoundary);
        EXPECT_EQ(classify(10, 10, poly), kOnBoundary) << "a vertex";
        EXPECT_EQ(classify(5, 1e-11, poly), kOnBoundary) << "within the tolerance of an edge";
        EXPECT_EQ(classify(5, 1e-9, poly), kInside) << "beyond the tolerance";
    }
}

TEST(ClassifyPointPolygonRayTest, PointsLevelWithVerticesCountOnce)
{
    // The ray from (x, 0) or (x, 10) runs along the square's horizontal edges; from (x, 4)
    // and (x, 10) in the U it passes through vertices where the boundary turns back.
    const OdGePoint2dArray diamond{OdGePoint2d(5, 0), OdGePoint2d(10, 5), OdGePoint2d(5, 10),
                                   OdGePoint2d(0, 5)};
    EXPECT_EQ(classify(2, 5, diamond), kInside) << "the ray passes the vertex (10, 5)";
    EXPECT_EQ(classify(-2, 5, diamond), kOutside) << "the ray passes both side vertices";
    EXPECT_EQ(classify(-2, 10, diamond), kOutside) << "the ray touches the top vertex only";
    EXPECT_EQ(classify(-2, 0, diamond), kOutside);

    for (const auto& u : {uShape(), reversed(uShape())})
    {
        EXPECT_EQ(classify(1, 4, u), kInside) << "level with the notch's bottom corners";
        EXPECT_EQ(classify(-1, 4, u), kOutside);
        EXPECT_EQ(classify(5, 10, u), kOutside) << "level with the tops of both arms, inside the notch";
        EXPECT_EQ(classify(1, 10, u), kOnBoundary);
    }
}

TEST(ClassifyPointPolygonRayTest, ConcavePolygonsTellTheNotchFromTheBody)
{
    for (const auto& u : {uShape(), reversed(uShape())})
    {
        EXPECT_EQ(classify(5, 6, u), kOutside) << "inside the notch";
        EXPECT_EQ(classify(5, 2, u), kInside) << "below the notch";
        EXPECT_EQ(classify(1.5, 8, u), kInside) << "left arm";
        EXPECT_EQ(classify(8.5, 8, u), kInside) << "right arm";
        EXPECT_EQ(classify(5, 4, u), kOnBoundary) << "the notch's bottom edge";
        EXPECT_EQ(classify(7, 7, u), kOnBoundary) << "the notch's side";
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
