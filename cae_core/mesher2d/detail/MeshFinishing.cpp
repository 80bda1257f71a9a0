#include "cae_core/mesher2d/detail/DelaunayMesherImpl.h"

namespace cae_core::mesher2d::detail
{

OdGePoint2d circumcentre(const CDT::V2d<double>& a, const CDT::V2d<double>& b, const CDT::V2d<double>& c)
{
    const double bx = b.x - a.x;
    const double by = b.y - a.y;
    const double cx = c.x - a.x;
    const double cy = c.y - a.y;
    const double d = 2.0 * (bx * cy - cx * by);
    const double b2 = bx * bx + by * by;
    const double c2 = cx * cx + cy * cy;
    return OdGePoint2d(a.x + (cy * b2 - by * c2) / d, a.y + (bx * c2 - cx * b2) / d);
}

std::vector<OdGePoint2d> loopPolygon(const SampledLoop& loop)
{
    std::vector<OdGePoint2d> polygon;
    polygon.reserve(loop.size());
    for (const BoundaryVertex& v : loop)
        polygon.push_back(v.position());
    return polygon;
}

void smoothTriangulation(CDT::Triangulation& triangulation, int passes)
{
    const std::vector<CDT::V2d<double>>& vertices = triangulation.vertices();
    const std::size_t n = vertices.size();
    std::vector<char> fixed(n, 0);
    for (const CDT::Edge& e : triangulation.fixedEdges())
    {
        fixed[e.v1()] = 1;
        fixed[e.v2()] = 1;
    }

    // Sums are accumulated in the order the neighbour lists would be written (triangle by triangle,
    // the two other corners in turn), so the averages are exactly those of the lists.
    std::vector<double> sumX(n), sumY(n);
    std::vector<unsigned> count(n);
    for (int pass = 0; pass < passes; ++pass)
    {
        std::fill(sumX.begin(), sumX.end(), 0.0);
        std::fill(sumY.begin(), sumY.end(), 0.0);
        std::fill(count.begin(), count.end(), 0u);
        for (const CDT::Triangle& t : triangulation.triangles())
        {
            for (int k = 0; k < 3; ++k)
            {
                const CDT::VertInd v = t.vertices[k];
                const CDT::V2d<double>& p = vertices[t.vertices[(k + 1) % 3]];
                const CDT::V2d<double>& q = vertices[t.vertices[(k + 2) % 3]];
                sumX[v] += p.x;
                sumY[v] += p.y;
                sumX[v] += q.x;
                sumY[v] += q.y;
                count[v] += 2;
            }
        }
        for (std::size_t v = 0; v < n; ++v)
            if (!fixed[v] && count[v] > 0)
                triangulation.moveVertex(static_cast<CDT::VertInd>(v),
                                         {sumX[v] / count[v], sumY[v] / count[v]});
    }
}

OdSmartPtr<OdDbSubDMesh> createSubDMesh(const CDT::Triangulation& triangulation)
{
    OdGePoint3dArray points;
    points.resize(static_cast<OdGePoint3dArray::size_type>(triangulation.vertices().size()));
    OdGePoint3d* p = points.asArrayPtr();
    for (const CDT::V2d<double>& v : triangulation.vertices())
        *p++ = OdGePoint3d(v.x, v.y, 0.0);

    OdInt32Array faces;
    faces.resize(static_cast<OdInt32Array::size_type>(4 * triangulation.triangles().size()));
    int* f = faces.asArrayPtr();
    for (const CDT::Triangle& t : triangulation.triangles())
    {
        *f++ = 3;
        for (const CDT::VertInd v : t.vertices)
            *f++ = static_cast<int>(v);
    }

    OdSmartPtr<OdDbSubDMesh> mesh = OdDbSubDMesh::createObject();
    mesh->setSubDMesh(points, faces, 0);
    return mesh;
}

} // namespace cae_core::mesher2d::detail
