#include "host/tdx/Brep.h"

#include "platform/db/DbRegion.h"
#include "platform/db/DbSubDMesh.h"
#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeLineSeg3d.h"

#include <gtest/gtest.h>

namespace
{
/// An entity with extents but nothing a section plane could cut (as a line or a text).
class PlainEntity : public OdDbEntity
{
public:
    OdResult getGeomExtents(OdGeExtents3d& extents) const override
    {
        extents.set(OdGePoint3d(0, 0, 0), OdGePoint3d(1, 1, 0));
        return eOk;
    }
};

OdSmartPtr<OdDbRegion> discRegion(double cx, double cy, double r)
{
    OdSmartPtr<OdDbRegion> region = OdDbRegion::createObject();
    OdDbRegion::Loop loop{
        OdSharedPtr<OdGeCurve3d>(new OdGeCircArc3d(OdGePoint3d(cx, cy, 0), OdGeVector3d::kZAxis, r))};
    EXPECT_EQ(region->setLoops({loop}), eOk);
    return region;
}
} // namespace

TEST(SectionableExtents, OfARegionAreItsTightBoxAddedToTheBoxGiven)
{
    const OdSmartPtr<OdDbRegion> region = discRegion(2, 3, 1);
    OdGeExtents3d extents;
    ASSERT_TRUE(tdx::getSectionableExtents(region.get(), extents));
    EXPECT_LE(extents.minPoint().distanceTo(OdGePoint3d(1, 2, 0)), 1e-12);
    EXPECT_LE(extents.maxPoint().distanceTo(OdGePoint3d(3, 4, 0)), 1e-12);

    OdGeExtents3d grown(OdGePoint3d(5, 5, 0), OdGePoint3d(6, 6, 0));
    ASSERT_TRUE(tdx::getSectionableExtents(region.get(), grown));
    EXPECT_LE(grown.minPoint().distanceTo(OdGePoint3d(1, 2, 0)), 1e-12);
    EXPECT_EQ(grown.maxPoint(), OdGePoint3d(6, 6, 0));
}

TEST(SectionableExtents, OfASubDivisionMeshCoverItsVertices)
{
    const OdSmartPtr<OdDbSubDMesh> mesh = OdDbSubDMesh::createObject();
    OdGePoint3dArray vertices{OdGePoint3d(0, 0, 0), OdGePoint3d(4, 0, 1), OdGePoint3d(0, 3, 0)};
    ASSERT_EQ(mesh->setSubDMesh(vertices, OdInt32Array{3, 0, 1, 2}, 0), eOk);
    OdGeExtents3d extents;
    ASSERT_TRUE(tdx::getSectionableExtents(mesh.get(), extents));
    EXPECT_EQ(extents.maxPoint().x, 4.0);
    EXPECT_EQ(extents.maxPoint().y, 3.0);
    EXPECT_EQ(extents.maxPoint().z, 1.0);
}

TEST(SectionableExtents, AreRefusedForNothingForOtherEntitiesAndForEmptyOnes)
{
    const OdGeExtents3d before(OdGePoint3d(1, 2, 3), OdGePoint3d(4, 5, 6));
    OdGeExtents3d extents = before;
    EXPECT_FALSE(tdx::getSectionableExtents(nullptr, extents));

    const PlainEntity plain;
    EXPECT_FALSE(tdx::getSectionableExtents(&plain, extents));

    const OdSmartPtr<OdDbRegion> empty = OdDbRegion::createObject();
    EXPECT_FALSE(tdx::getSectionableExtents(empty.get(), extents));

    EXPECT_EQ(extents.minPoint().x, before.minPoint().x);
    EXPECT_EQ(extents.maxPoint().z, before.maxPoint().z);
}
