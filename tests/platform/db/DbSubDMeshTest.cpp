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
    OdDbSubDMeshPtr mesh = OdDbSubDMesh::createObject();
};

TEST(SubDMeshValidation, StoresWellFormedFaceListsAndRejectsMalformedOnesChangingNothing)
{
    Square sq;
    ASSERT_EQ(sq.mesh->setSubDMesh(sq.vertices, sq.faces, 0), eOk);
    const OdInt32Array mixed{4, 0, 1, 2, 3, 3, 0, 1, 2}; // faces of different sizes may be mixed
    ASSERT_EQ(sq.mesh->setSubDMesh(sq.vertices, mixed, 2), eOk);
    int n = 0;
    sq.mesh->numOfVertices(n);
    EXPECT_EQ(n, 4);
    sq.mesh->numOfFaces(n);
    EXPECT_EQ(n, 2);

    const std::pair<OdInt32Array, const char*> malformed[] = {
        {{2, 0, 1}, "a face of two vertices"},
        {{3, 0, 1, 2, 3, 0, 2}, "ends inside a face"},
        {{3, 0, 1, 4}, "an index past the last vertex"},
        {{3, 0, -1, 2}, "a negative index"},
        {{-3, 0, 1, 2}, "a negative count"},
    };
    for (const auto& [faces, what] : malformed)
        EXPECT_EQ(sq.mesh->setSubDMesh(sq.vertices, faces, 0), eInvalidInput) << what;
    EXPECT_EQ(sq.mesh->setSubDMesh(sq.vertices, sq.faces, -1), eInvalidInput) << "a negative level";
    OdInt32Array faces;
    sq.mesh->getFaceArray(faces);
    EXPECT_EQ(faces, mixed);
    EXPECT_EQ(sq.mesh->subDLevel(), 2);
}

TEST(SubDMeshData, ExtentsCoverEveryVertexAndAnEmptyMeshHasNone)
{
    const OdDbSubDMeshPtr mesh = OdDbSubDMesh::createObject();
    OdGeExtents3d box;
    EXPECT_EQ(mesh->getGeomExtents(box), eInvalidExtents);
    const OdGePoint3dArray vertices{OdGePoint3d(-1, 2, 0), OdGePoint3d(3, -4, 1), OdGePoint3d(0, 0, 5)};
    ASSERT_EQ(mesh->setSubDMesh(vertices, OdInt32Array{3, 0, 1, 2}, 0), eOk);
    ASSERT_EQ(mesh->getGeomExtents(box), eOk);
    EXPECT_EQ(box.minPoint(), OdGePoint3d(-1, -4, 0));
    EXPECT_EQ(box.maxPoint(), OdGePoint3d(3, 2, 5));
}
} // namespace
