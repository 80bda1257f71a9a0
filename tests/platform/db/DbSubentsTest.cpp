#include "platform/db/Db3dSolid.h"
#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbHandle.h"
#include "platform/db/DbSubDMesh.h"

#include <gtest/gtest.h>

namespace
{
/// The unit square in z = 0 as two triangles sharing the diagonal (0, 2).
OdDbSubDMeshPtr square()
{
    OdDbSubDMeshPtr mesh = OdDbSubDMesh::createObject();
    const OdGePoint3dArray vertices{OdGePoint3d(0, 0, 0), OdGePoint3d(1, 0, 0), OdGePoint3d(1, 1, 0),
                                    OdGePoint3d(0, 1, 0)};
    EXPECT_EQ(mesh->setSubDMesh(vertices, OdInt32Array{3, 0, 1, 2, 3, 0, 2, 3}, 0), eOk);
    return mesh;
}

TEST(SubDMeshSubentities, EdgesAreTheDistinctFaceSidesInFirstMetOrder)
{
    const auto mesh = square();
    OdInt32Array edges;
    mesh->getEdgeArray(edges);
    EXPECT_EQ(edges, (OdInt32Array{0, 1, 1, 2, 2, 0, 2, 3, 3, 0}));
    int n = 0;
    mesh->numOfEdges(n);
    EXPECT_EQ(n, 5);
}

TEST(SubDMeshSubentities, PathsAndColoursExistOnlyForExistingSubentitiesAndGoWithNewData)
{
    OdDbDatabasePtr db = OdDbDatabase::createObject();
    const auto mesh = square();
    const OdDbObjectId id = db->addOdDbObject(mesh.get());
    OdDbFullSubentPathArray paths;
    ASSERT_EQ(mesh->getSubentPath(4, OdDb::kEdgeSubentType, paths), eOk);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0].objectIds()[0], id);
    EXPECT_EQ(paths[0].subentId(), OdDbSubentId(OdDb::kEdgeSubentType, 4));
    EXPECT_EQ(mesh->getSubentPath(5, OdDb::kEdgeSubentType, paths), eInvalidInput);
    EXPECT_EQ(mesh->getSubentPath(2, OdDb::kFaceSubentType, paths), eInvalidInput);
    EXPECT_EQ(mesh->getSubentPath(0, OdDb::kClassSubentType, paths), eInvalidInput);

    OdCmColor red;
    red.setColorIndex(1);
    const OdDbSubentId face(OdDb::kFaceSubentType, 1);
    ASSERT_EQ(mesh->setSubentColor(face, red), eOk);
    EXPECT_EQ(mesh->setSubentColor(OdDbSubentId(OdDb::kVertexSubentType, 4), red), eInvalidInput);
    OdCmColor read;
    ASSERT_EQ(mesh->getSubentColor(face, read), eOk);
    EXPECT_EQ(read.colorIndex(), 1);
    EXPECT_EQ(mesh->getSubentColor(OdDbSubentId(OdDb::kFaceSubentType, 0), read), eKeyNotFound);

    OdCmEntityColorArray colors(4);
    for (int i = 0; i < 4; ++i)
        colors.append(OdCmEntityColor(static_cast<std::uint8_t>(i), 0, 0));
    EXPECT_EQ(mesh->setVertexColorArray(OdCmEntityColorArray{OdCmEntityColor(1, 2, 3)}), eInvalidInput);
    ASSERT_EQ(mesh->setVertexColorArray(colors), eOk);
    OdCmEntityColorArray back;
    mesh->getVertexColorArray(back);
    EXPECT_EQ(back, colors);
    EXPECT_EQ(back[3].colorMethod(), OdCmEntityColor::kByColor);

    mesh->setSubDMesh(OdGePoint3dArray{OdGePoint3d(0, 0, 0), OdGePoint3d(1, 0, 0), OdGePoint3d(0, 1, 0)},
                      OdInt32Array{3, 0, 1, 2}, 0);
    EXPECT_EQ(mesh->getSubentColor(OdDbSubentId(OdDb::kFaceSubentType, 0), read), eKeyNotFound);
    mesh->getVertexColorArray(back);
    EXPECT_TRUE(back.isEmpty());
}

TEST(DatabaseObjects, IdsOpenTheirObjectWhileTheDatabaseLivesAndModelSpaceTakesEntities)
{
    OdDbObjectId id, spaceId;
    {
        OdDbDatabasePtr db = OdDbDatabase::createObject();
        spaceId = db->getModelSpaceId();
        EXPECT_EQ(db->getModelSpaceId(), spaceId);
        const auto space = OdDbBlockTableRecordPtr::cast(spaceId.openObject(OdDb::kForWrite));
        ASSERT_FALSE(space.isNull());
        const auto solid = OdDb3dSolid::createObject();
        id = space->appendOdDbEntity(solid.get());
        EXPECT_EQ(space->entityIds(), OdDbObjectIdArray{id});
        EXPECT_EQ(id.database(), db.get());

        const OdDbObjectPtr read = id.openObject(OdDb::kForRead);
        ASSERT_EQ(read.get(), solid.get());
        EXPECT_THROW(read->assertWriteEnabled(), OdError);
        EXPECT_THROW(solid->setBody(nullptr), OdError);
        id.openObject(OdDb::kForWrite);
        EXPECT_NO_THROW(solid->setBody(nullptr));
        OdGeExtents3d box;
        EXPECT_EQ(solid->getGeomExtents(box), eInvalidExtents);
        EXPECT_TRUE(solid->subentPaths(OdDb::kFaceSubentType).isEmpty());

        spaceId.openObject(OdDb::kForRead);
        EXPECT_THROW(space->appendOdDbEntity(OdDb3dSolid::createObject().get()), OdError);
        db->eraseObject(id);
        EXPECT_TRUE(id.openObject().isNull());
    }
    EXPECT_EQ(spaceId.database(), nullptr);
    EXPECT_TRUE(spaceId.openObject().isNull());
    EXPECT_TRUE(OdDbObjectId(1).openObject().isNull());
}

TEST(DatabaseHandles, WriteAsUpperCaseHexadecimal)
{
    EXPECT_EQ(OdDbHandle(0).ascii(), OdString(L"0"));
    EXPECT_EQ(OdDbHandle(0x2AFull).ascii(), OdString(L"2AF"));
    EXPECT_EQ(OdDbHandle(~0ull).ascii(), OdString(L"FFFFFFFFFFFFFFFF"));
}
} // namespace
