#pragma once

// Refinement regions and mesh checks shared by the mesher tests; the regions come from tests/support.

#include "cae_core/mesher2d/DelaunayMesher.h"
#include "cae_core/mesher2d/RefinementRegion.h"
#include "cae_core/mesher2d/TriangularMesh2d.h"
#include "platform/db/DbRegion.h"
#include "platform/db/DbSubDMesh.h"
#include "tests/support/Regions.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace mesher_test
{

using test_regions::circle;
using test_regions::line;
using test_regions::makePlateWithHole;
using test_regions::makeRectangle;
using test_regions::makeRegion;
using test_regions::rectangleLoop;

inline double signedArea(const OdGePoint2d& a, const OdGePoint2d& b, const OdGePoint2d& c)
{
    return 0.5 * ((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y));
}

/// Reads a written mesh back and checks what every mesh of the mesher must satisfy: the faces were
/// written as triangles in counter-clockwise order (the reader had nothing to turn), and the
/// boundary has one loop per region loop. Returns the read mesh.
inline cae_core::TriangularMesh2d readBackChecked(const OdDbSubDMesh& subD, std::size_t expectedLoops)
{
    OdInt32Array faces;
    subD.getFaceArray(faces);
    const cae_core::TriangularMesh2d mesh = cae_core::getTriangularMesh2d(subD);
    EXPECT_FALSE(mesh.triangles.empty());
    EXPECT_EQ(faces.size(), 4 * mesh.triangles.size());
    for (std::size_t i = 0; i < mesh.triangles.size(); ++i)
    {
        const auto& t = mesh.triangles[i];
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(faces[static_cast<unsigned>(4 * i + 1 + k)], static_cast<int>(t[k]))
                << "triangle " << i;
        EXPECT_GT(signedArea(mesh.vertices[t[0]], mesh.vertices[t[1]], mesh.vertices[t[2]]), 0.0)
            << "triangle " << i;
    }
    EXPECT_EQ(mesh.boundaries.size(), expectedLoops);
    return mesh;
}

/// Total area of the triangles of a mesh.
inline double meshArea(const cae_core::TriangularMesh2d& mesh)
{
    double area = 0.0;
    for (const auto& t : mesh.triangles)
        area += signedArea(mesh.vertices[t[0]], mesh.vertices[t[1]], mesh.vertices[t[2]]);
    return area;
}

/// Exact equality of the vertices and faces of two meshes.
inline void expectSameMesh(const OdSmartPtr<OdDbSubDMesh>& a, const OdSmartPtr<OdDbSubDMesh>& b)
{
    ASSERT_FALSE(a.isNull());
    ASSERT_FALSE(b.isNull());
    OdGePoint3dArray va, vb;
    OdInt32Array fa, fb;
    a->getVertices(va);
    b->getVertices(vb);
    a->getFaceArray(fa);
    b->getFaceArray(fb);
    ASSERT_EQ(va.size(), vb.size());
    for (unsigned i = 0; i < va.size(); ++i)
        ASSERT_TRUE(va[i].x == vb[i].x && va[i].y == vb[i].y) << "vertex " << i;
    EXPECT_TRUE(fa == fb);
}

inline std::unique_ptr<cae_core::RefinementCircle> circleRegion(double x, double y, double r, double ratio)
{
    auto circle = std::make_unique<cae_core::RefinementCircle>(OdGePoint2d(x, y), r);
    circle->setRefinementRatio(ratio);
    return circle;
}

/// A mesher that has meshed `region` at `size` with `smoothing` passes (by default the 5 of adaptive
/// refinement, so that its mesh is the one adaptive refinement starts from).
inline std::unique_ptr<cae_core::DelaunayMesher> meshed(const OdSmartPtr<OdDbRegion>& region, double size,
                                                        int smoothing = 5)
{
    auto mesher = std::make_unique<cae_core::DelaunayMesher>();
    EXPECT_EQ(mesher->createMesh(region, size, nullptr, smoothing), cae_core::eOk);
    return mesher;
}

} // namespace mesher_test
