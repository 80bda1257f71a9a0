#include "platform/db/DbSubDMesh.h"

#include <gtest/gtest.h>

namespace
{
/// The unit square in z = 0 as two triangles, counter-clockwise seen from +z.
struct Square
{
    OdGePoint3dArray vertices{OdGePoint3d(0, 0, 0), OdGePoint3d(1, 0, 0), OdGePoint3d(1, 1, 0),
                              OdGePoint3d(0, 1, 0)};
    OdInt32Array faces{3, 0, 1, 2, 3, 0, 2, 3};
};

TEST(SubDMeshValidation, AWellFormedFaceListIsStored)
{
    const Square sq;
    const OdDbSubDMeshPtr mesh = OdDbSubDMesh::createObject();
    ASSERT_EQ(mesh->setSubDMesh(sq.vertices, sq.faces, 0), eOk);
    int n = 0;
    mesh->numOfVertices(n);
    EXPECT_EQ(n, 4);
    mesh->numOfFaces(n);
    EXPECT_EQ(n, 2);

    // Faces of different sizes may be mixed.
    const OdInt32Array mixed{4, 0, 1, 2, 3, 3, 0, 1, 2};
    ASSERT_EQ(mesh->setSubDMesh(sq.vertices, mixed, 2), eOk);
    mesh->numOfFaces(n);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(mesh->subDLevel(), 2);
}

TEST(SubDMeshValidation, MalformedFaceListsAreRejectedAndNothingChanges)
{
    const Square sq;
    const OdDbSubDMeshPtr mesh = OdDbSubDMesh::createObject();
    ASSERT_EQ(mesh->setSubDMesh(sq.vertices, sq.faces, 0), eOk);

    const OdInt32Array countBelowThree{2, 0, 1};
    const OdInt32Array endsInsideAFace{3, 0, 1, 2, 3, 0, 2};
    const OdInt32Array indexPastTheEnd{3, 0, 1, 4};
    const OdInt32Array negativeIndex{3, 0, -1, 2};
    const OdInt32Array negativeCount{-3, 0, 1, 2};
    EXPECT_EQ(mesh->setSubDMesh(sq.vertices, countBelowThree, 0), eInvalidInput);
    EXPECT_EQ(mesh->setSubDMesh(sq.vertices, endsInsideAFace, 0), eInvalidInput);
    EXPECT_EQ(mesh->setSubDMesh(sq.vertices, indexPastTheEnd, 0), eInvalidInput);
    EXPECT_EQ(mesh->setSubDMesh(sq.vertices, negativeIndex, 0), eInvalidInput);
    EXPECT_EQ(mesh->setSubDMesh(sq.vertices, negativeCount, 0), eInvalidInput);
    EXPECT_EQ(mesh->setSubDMesh(sq.vertices, sq.faces, -1), eInvalidInput);

    OdInt32Array faces;
    mesh->getFaceArray(faces);
    EXPECT_EQ(faces, sq.faces);
}

TEST(SubDMeshData, ReadArraysShareTheMeshStorageUntilChanged)
{
    const Square sq;
    const OdDbSubDMeshPtr mesh = OdDbSubDMesh::createObject();
    ASSERT_EQ(mesh->setSubDMesh(sq.vertices, sq.faces, 0), eOk);

    OdGePoint3dArray first, second;
    mesh->getVertices(first);
    mesh->getVertices(second);
    EXPECT_TRUE(first.sharesStorageWith(second));
    EXPECT_TRUE(first.sharesStorageWith(sq.vertices));

    first[0] = OdGePoint3d(9, 9, 9);
    OdGePoint3dArray again;
    mesh->getVertices(again);
    EXPECT_EQ(again[0].x, 0.0);
    EXPECT_EQ(second[0].x, 0.0);

    OdInt32Array faces;
    mesh->getFaceArray(faces);
    EXPECT_TRUE(faces.sharesStorageWith(sq.faces));
}

TEST(SubDMeshData, NormalsAreAreaWeightedUnitVectors)
{
    // A flat square and a large triangle folded up along x = 1: the fold vertices get the
    // average weighted towards the larger face.
    const OdGePoint3dArray vertices{OdGePoint3d(0, 0, 0), OdGePoint3d(1, 0, 0), OdGePoint3d(1, 1, 0),
                                    OdGePoint3d(0, 1, 0), OdGePoint3d(1, 0, 3), OdGePoint3d(5, 5, 5)};
    const OdInt32Array faces{4, 0, 1, 2, 3, 3, 1, 4, 2};
    const OdDbSubDMeshPtr mesh = OdDbSubDMesh::createObject();
    ASSERT_EQ(mesh->setSubDMesh(vertices, faces, 0), eOk);

    OdGeVector3dArray normals;
    ASSERT_EQ(mesh->getNormalArray(normals), eOk);
    ASSERT_EQ(normals.size(), 6u);
    EXPECT_TRUE(normals[0].isEqualTo(OdGeVector3d::kZAxis));
    EXPECT_TRUE(normals[3].isEqualTo(OdGeVector3d::kZAxis));
    // Triangle (1,0,0) (1,0,3) (1,1,0): normal -x, area 1.5; square area 1, normal +z.
    EXPECT_TRUE(normals[4].isEqualTo(-OdGeVector3d::kXAxis));
    const OdGeVector3d expectedFold = OdGeVector3d(-1.5, 0.0, 1.0).normal();
    EXPECT_TRUE(normals[1].isEqualTo(expectedFold));
    EXPECT_TRUE(normals[2].isEqualTo(expectedFold));
    // A vertex used by no face has no normal.
    EXPECT_EQ(normals[5].length(), 0.0);
}

TEST(SubDMeshData, ExtentsCoverEveryVertexAndAnEmptyMeshHasNone)
{
    const OdDbSubDMeshPtr mesh = OdDbSubDMesh::createObject();
    OdGeExtents3d box;
    EXPECT_EQ(mesh->getGeomExtents(box), eInvalidExtents);

    const OdGePoint3dArray vertices{OdGePoint3d(-1, 2, 0), OdGePoint3d(3, -4, 1), OdGePoint3d(0, 0, 5)};
    ASSERT_EQ(mesh->setSubDMesh(vertices, OdInt32Array{3, 0, 1, 2}, 0), eOk);
    ASSERT_EQ(mesh->getGeomExtents(box), eOk);
    EXPECT_EQ(box.minPoint().x, -1.0);
    EXPECT_EQ(box.minPoint().y, -4.0);
    EXPECT_EQ(box.maxPoint().z, 5.0);
    EXPECT_EQ(box.maxPoint().x, 3.0);
}
} // namespace
