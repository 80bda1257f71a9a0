#include "host/tdx/Brep.h"

#include "platform/db/DbRegion.h"
#include "platform/db/DbSubDMesh.h"
#include "platform/ge/GeCircArc3d.h"

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
} // namespace

TEST(SectionableExtents, OfARegionOrAMeshAreItsTightBoxAddedToTheBoxGiven)
{
    const OdSmartPtr<OdDbRegion> disc = OdDbRegion::createObject();
    ASSERT_EQ(disc->setLoops({{OdSharedPtr<OdGeCurve3d>(
                  new OdGeCircArc3d(OdGePoint3d(2, 3, 0), OdGeVector3d::kZAxis, 1.0))}}),
              eOk);
    OdGeExtents3d extents;
    ASSERT_TRUE(tdx::getSectionableExtents(disc.get(), extents));
    EXPECT_LE(extents.minPoint().distanceTo(OdGePoint3d(1, 2, 0)), 1e-12);
    EXPECT_LE(extents.maxPoint().distanceTo(OdGePoint3d(3, 4, 0)), 1e-12);

    OdGeExtents3d grown(OdGePoint3d(5, 5, 0), OdGePoint3d(6, 6, 0));
    ASSERT_TRUE(tdx::getSectionableExtents(disc.get(), grown));
    EXPECT_LE(grown.minPoint().distanceTo(OdGePoint3d(1, 2, 0)), 1e-12);
    EXPECT_EQ(grown.maxPoint(), OdGePoint3d(6, 6, 0));

    const OdSmartPtr<OdDbSubDMesh> mesh = OdDbSubDMesh::createObject();
    OdGePoint3dArray vertices{OdGePoint3d(0, 0, 0), OdGePoint3d(4, 0, 1), OdGePoint3d(0, 3, 0)};
    ASSERT_EQ(mesh->setSubDMesh(vertices, OdInt32Array{3, 0, 1, 2}, 0), eOk);
    OdGeExtents3d meshExtents;
    ASSERT_TRUE(tdx::getSectionableExtents(mesh.get(), meshExtents));
    EXPECT_EQ(meshExtents.maxPoint(), OdGePoint3d(4, 3, 1));
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
    EXPECT_EQ(extents.minPoint(), before.minPoint());
    EXPECT_EQ(extents.maxPoint(), before.maxPoint());
}
