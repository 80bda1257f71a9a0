#include "host/tdx/BrepAccess.h"

#include "platform/db/DbRegion.h"
#include "platform/db/DbSubDMesh.h"
#include "platform/ge/GeLineSeg3d.h"

#include <gtest/gtest.h>

namespace
{

OdSmartPtr<OdDbRegion> triangleAt(double z)
{
    auto line = [z](double x0, double y0, double x1, double y1)
    { return OdSharedPtr<OdGeCurve3d>(new OdGeLineSeg3d(OdGePoint3d(x0, y0, z), OdGePoint3d(x1, y1, z))); };
    const auto region = OdDbRegion::createObject();
    EXPECT_EQ(region->setLoops({{line(0, 0, 4, 0), line(4, 0, 0, 3), line(0, 3, 0, 0)}}), eOk);
    return region;
}

TEST(BrepAccess, RegionsGiveABrepWithPlanarFacesAndEdgeCurvesOtherEntitiesNone)
{
    OdBrBrep brep;
    EXPECT_FALSE(tdx::getBrep(nullptr, brep));
    EXPECT_FALSE(tdx::getBrep(OdDbSubDMesh::createObject().get(), brep));
    EXPECT_TRUE(brep.isNull());

    ASSERT_TRUE(tdx::getBrep(triangleAt(0.0).get(), brep));
    OdBrBrepFaceTraverser faces;
    ASSERT_EQ(faces.setBrep(brep), odbrOK);
    OdGePoint3d origin;
    OdGeVector3d normal;
    ASSERT_TRUE(tdx::getPlanarFace(faces.getFace(), origin, normal));
    EXPECT_TRUE(normal.isEqualTo(OdGeVector3d::kZAxis));
    EXPECT_FALSE(tdx::getPlanarFace(OdBrFace(), origin, normal));

    OdBrFaceLoopTraverser loops;
    loops.setFace(faces.getFace());
    OdBrLoopEdgeTraverser edges;
    edges.setLoop(loops.getLoop());
    const std::unique_ptr<OdGeCurve3d> curve = tdx::BrToGeConverter::quickConvert(edges.getEdge());
    ASSERT_TRUE(curve);
    EXPECT_TRUE(curve->isOn(OdGePoint3d(2, 0, 0)));
    EXPECT_FALSE(tdx::BrToGeConverter::quickConvert(OdBrEdge()));
}

} // namespace
