#include "tests/support/Regions.h"

#include "platform/br/BrBrep.h"
#include "platform/ge/GeExternalCurve3d.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace test_regions;

namespace
{
struct VisitedLoop
{
    OdBr::LoopType type;
    std::vector<std::unique_ptr<OdGeCurve3d>> curves;
};

std::vector<VisitedLoop> traverse(const OdBrBrep& brep)
{
    std::vector<VisitedLoop> result;
    OdBrBrepFaceTraverser faces;
    EXPECT_EQ(faces.setBrep(brep), odbrOK);
    for (; !faces.done(); faces.next())
    {
        OdBrFaceLoopTraverser loops;
        EXPECT_EQ(loops.setFace(faces.getFace()), odbrOK);
        for (; !loops.done(); loops.next())
        {
            const OdBrLoop loop = loops.getLoop();
            VisitedLoop& v = result.emplace_back();
            v.type = loop.getType();
            OdBrLoopEdgeTraverser edges;
            EXPECT_EQ(edges.setLoop(loop), odbrOK);
            for (; !edges.done(); edges.next())
                v.curves.emplace_back(edges.getEdge().getCurve());
        }
    }
    return result;
}

OdGePoint3d startOf(const OdGeCurve3d& c)
{
    OdGePoint3d p;
    c.hasStartPoint(p);
    return p;
}
} // namespace

TEST(BrepTraversal, RegionWithTwoHolesGivesTheExteriorThenTheHolesInOrder)
{
    OdDbRegionPtr region = OdDbRegion::createObject();
    OdDbRegion::Loop triangleHole = polygon({OdGePoint2d(60, 10), OdGePoint2d(90, 10), OdGePoint2d(75, 40)});
    triangleHole[1]->reverseParam(); // the edge keeps the direction it was given in
    ASSERT_EQ(region->setLoops({rectangleLoop(0, 0, 100, 100), {circle(30, 60, 10)}, triangleHole}), eOk);

    OdBrBrep brep;
    EXPECT_TRUE(brep.isNull());
    ASSERT_EQ(region->brep(brep), eOk);
    ASSERT_FALSE(brep.isNull());
    EXPECT_EQ(brep.numFaces(), 1);

    const std::vector<VisitedLoop> loops = traverse(brep);
    ASSERT_EQ(loops.size(), 3u);
    EXPECT_EQ(loops[0].type, OdBr::odbrLoopExterior);
    EXPECT_EQ(loops[1].type, OdBr::odbrLoopInterior);
    EXPECT_EQ(loops[2].type, OdBr::odbrLoopInterior);
    EXPECT_EQ(static_cast<int>(OdBr::odbrLoopExterior), 1);
    EXPECT_EQ(static_cast<int>(OdBr::odbrLoopInterior), 2);

    ASSERT_EQ(loops[0].curves.size(), 4u);
    const OdGePoint3d corners[4] = {OdGePoint3d(0, 0, 0), OdGePoint3d(100, 0, 0), OdGePoint3d(100, 100, 0),
                                    OdGePoint3d(0, 100, 0)};
    for (unsigned i = 0; i < 4; ++i)
    {
        EXPECT_EQ(loops[0].curves[i]->type(), OdGe::kLineSeg3d);
        EXPECT_TRUE(startOf(*loops[0].curves[i]).isEqualTo(corners[i])) << "edge " << i;
    }
    ASSERT_EQ(loops[1].curves.size(), 1u);
    ASSERT_EQ(loops[1].curves[0]->type(), OdGe::kCircArc3d);
    const auto& hole = static_cast<const OdGeCircArc3d&>(*loops[1].curves[0]);
    EXPECT_TRUE(hole.center().isEqualTo(OdGePoint3d(30, 60, 0)));
    EXPECT_DOUBLE_EQ(hole.radius(), 10.0);
    ASSERT_EQ(loops[2].curves.size(), 3u);
    EXPECT_TRUE(startOf(*loops[2].curves[1]).isEqualTo(OdGePoint3d(75, 40, 0)));
}

TEST(BrepTraversal, EdgeCurvesAreNewCopiesOfTheirOwnKindAndTheBrepOutlivesTheRegion)
{
    OdBrBrep brep;
    {
        OdDbRegionPtr region = OdDbRegion::createObject();
        const OdGeCircArc3d c(OdGePoint3d(), OdGeVector3d::kZAxis, 5.0);
        ASSERT_EQ(region->setLoops({{OdSharedPtr<OdGeCurve3d>(new OdGeExternalCurve3d(c))}}), eOk);
        ASSERT_EQ(region->brep(brep), eOk);
    }
    OdBrBrepFaceTraverser faces;
    ASSERT_EQ(faces.setBrep(brep), odbrOK);
    OdBrFaceLoopTraverser loops;
    ASSERT_EQ(loops.setFace(faces.getFace()), odbrOK);
    OdBrLoopEdgeTraverser edges;
    ASSERT_EQ(edges.setLoop(loops.getLoop()), odbrOK);
    const OdBrEdge edge = edges.getEdge();
    std::unique_ptr<OdGeCurve3d> a(edge.getCurve()), b(edge.getCurve());
    ASSERT_TRUE(a && b);
    EXPECT_NE(a.get(), b.get());
    EXPECT_TRUE(a->isKindOf(OdGe::kExternalCurve3d)) << "an external curve comes back as one";
    a->reverseParam();
    EXPECT_TRUE(startOf(*b).isEqualTo(OdGePoint3d(5, 0, 0))) << "changing one copy leaves the brep alone";
    EXPECT_EQ(edges.next(), odbrOK);
    EXPECT_TRUE(edges.done());
    EXPECT_EQ(edges.next(), odbrOutOfRange);
    EXPECT_TRUE(edges.getEdge().isNull());
    EXPECT_EQ(edges.getEdge().getCurve(), nullptr);
    EXPECT_EQ(edges.restart(), odbrOK);
    EXPECT_FALSE(edges.done());
}

TEST(BrepTraversal, NullObjectsAreReportedNotTraversed)
{
    OdBrBrep brep;
    OdDbRegionPtr empty = OdDbRegion::createObject();
    EXPECT_EQ(empty->brep(brep), eInvalidInput);
    EXPECT_TRUE(brep.isNull());
    OdBrBrepFaceTraverser faces;
    EXPECT_EQ(faces.setBrep(brep), odbrUninitialisedObject);
    EXPECT_TRUE(faces.done());
    OdBrFaceLoopTraverser loops;
    EXPECT_EQ(loops.setFace(OdBrFace()), odbrUninitialisedObject);
    EXPECT_TRUE(loops.done());
    OdBrLoopEdgeTraverser edges;
    EXPECT_EQ(edges.setLoop(OdBrLoop()), odbrUninitialisedObject);
    EXPECT_TRUE(edges.done());
    EXPECT_EQ(OdBrLoop().getType(), OdBr::odbrLoopUnclassified);
}
