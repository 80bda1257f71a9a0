#include "apps/task3d/TaskPicture.h"

#include "apps/view/Legend.h"
#include "host/ca/Application.h"
#include "host/oa/DwgViewer.h"
#include "host/oa/RenderTraits.h"
#include "platform/gi/GiWorldDraw.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace cae_app
{
namespace
{
/// The picture plane's axes and the direction towards the viewer (unit vectors).
const OdGeVector3d kRight = OdGeVector3d(1, 1, 0) / std::sqrt(2.0);
const OdGeVector3d kUp = OdGeVector3d(-1, 1, 2) / std::sqrt(6.0);
const OdGeVector3d kTowardsViewer = OdGeVector3d(1, -1, 1) / std::sqrt(3.0);
} // namespace

OdGePoint3d IsometricSurface::project(const OdGePoint3d& p)
{
    const OdGeVector3d v = p.asVector();
    return OdGePoint3d(v.dotProduct(kRight), v.dotProduct(kUp), 0.0);
}

IsometricSurface::IsometricSurface(const OdDbSubDMesh& mesh)
{
    OdGePoint3dArray points;
    OdInt32Array faces;
    OdCmEntityColorArray colors;
    mesh.getVertices(points);
    mesh.getFaceArray(faces);
    mesh.getVertexColorArray(colors);

    // Triangles by depth along the viewing direction, farthest first.
    struct Triangle
    {
        std::array<std::int32_t, 3> v;
        double depth;
    };
    std::vector<Triangle> triangles;
    for (std::size_t i = 0; i + 3 < faces.size(); i += static_cast<std::size_t>(faces[i]) + 1)
    {
        if (faces[i] != 3)
            continue;
        Triangle t{{faces[i + 1], faces[i + 2], faces[i + 3]}, 0.0};
        for (const std::int32_t v : t.v)
            t.depth += points[static_cast<std::size_t>(v)].asVector().dotProduct(kTowardsViewer);
        triangles.push_back(t);
    }
    std::stable_sort(triangles.begin(), triangles.end(),
                     [](const Triangle& a, const Triangle& b) { return a.depth < b.depth; });
    for (const OdGePoint3d& p : points)
        m_points.push_back(project(p));
    for (const Triangle& t : triangles)
    {
        m_faces.push_back(3);
        m_faces.insert(m_faces.end(), t.v.begin(), t.v.end());
    }
    m_colors.assign(colors.begin(), colors.end());
    if (m_colors.size() != m_points.size())
        m_colors.assign(m_points.size(), OdCmEntityColor(160, 160, 160));
}

std::uint32_t IsometricSurface::subSetAttributes(OdGiDrawableTraits* traits) const
{
    const std::uint32_t flags = oa::DrawableImpl::subSetAttributes(traits);
    if (oa::RenderTraits* render = oa::RenderTraits::from(traits))
        render->setFlags(oa::RenderTraits::eShaded);
    return flags;
}

bool IsometricSurface::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw || m_faces.empty())
        return true;
    worldDraw->subEntityTraits().setFillType(kOdGiFillAlways);
    OdGiVertexData vertexData;
    vertexData.setTrueColors(m_colors.data());
    worldDraw->geometry().shell(static_cast<std::int32_t>(m_points.size()), m_points.data(),
                                static_cast<std::int32_t>(m_faces.size()), m_faces.data(), nullptr, nullptr,
                                &vertexData);
    return true;
}

RenderedPicture renderTaskPicture(const OdDbSubDMesh& mesh, const cae_core::ColorMap& map,
                                  const OdString& title, int width, int height)
{
    ca::Application app;
    oa::DwgViewer viewer;
    app.setCurrentViewer(&viewer);
    oa::View& view = viewer.view();
    const OdGiDrawablePtr surface = odrxCreateObject<IsometricSurface>(mesh);
    view.add(surface.get());
    const OdGiDrawablePtr legend = odrxCreateObject<Legend>(map, title, view.extents());
    view.add(legend.get());
    RenderedPicture picture{view.renderSvg(width, height), view.renderPng(width, height)};
    view.erase(legend.get());
    view.erase(surface.get());
    return picture;
}
} // namespace cae_app
