#include "apps/task3d/TaskPicture.h"

#include "host/oa/DrawableImpl.h"
#include "host/oa/RenderTraits.h"
#include "platform/gi/GiWorldDraw.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string_view>

namespace cae_app
{
namespace
{
/// The picture plane's axes and the direction towards the viewer (unit vectors) of a view.
struct Frame
{
    OdGeVector3d right, up, towards;
};

Frame frameOf(ETaskView view)
{
    switch (view)
    {
    case ETaskView::eFront:
        return {OdGeVector3d(1, 0, 0), OdGeVector3d(0, 0, 1), OdGeVector3d(0, -1, 0)};
    case ETaskView::eTop:
        return {OdGeVector3d(1, 0, 0), OdGeVector3d(0, 1, 0), OdGeVector3d(0, 0, 1)};
    case ETaskView::eRight:
        return {OdGeVector3d(0, 1, 0), OdGeVector3d(0, 0, 1), OdGeVector3d(1, 0, 0)};
    case ETaskView::eIso:
        break;
    }
    return {OdGeVector3d(1, 1, 0) / std::sqrt(2.0), OdGeVector3d(-1, 1, 2) / std::sqrt(6.0),
            OdGeVector3d(1, -1, 1) / std::sqrt(3.0)};
}

/// Light never leaves a face darker than this share of its colour, so that a face turned away
/// still shows its result.
constexpr double kAmbient = 0.35;
/// Glyph size as a share of the solid's diagonal.
constexpr double kGlyphShare = 0.05;
/// Glyphs placed on one face at most.
constexpr std::size_t kGlyphsPerFace = 6;
/// Cells across the longer side of the depth buffer that hides the edges behind the surface.
constexpr int kDepthCells = 1000;

const OdCmEntityColor kEdgeColor(40, 40, 40);
const OdCmEntityColor kOutlineColor(190, 190, 190);
const OdCmEntityColor kLoadColor(200, 0, 160);
const OdCmEntityColor kSupportColor(0, 90, 40);
const OdCmEntityColor kTextColor(0, 0, 0);

double dot(const OdGeVector3d& a, const OdGeVector3d& b)
{
    return a.dotProduct(b);
}

OdGeVector3d unit(const OdGeVector3d& v)
{
    const double l = v.length();
    return l > 0.0 ? v / l : v;
}

/// The legend and caption number of a value.
std::wstring wide(const std::string& s)
{
    return std::wstring(s.begin(), s.end());
}

/// Visibility of points of the surface from the viewer: for each cell of the picture plane the
/// nearest surface depth.
class DepthBuffer
{
public:
    DepthBuffer(const std::vector<OdGePoint3d>& plane, const std::vector<double>& depth,
                const std::vector<std::array<std::int32_t, 3>>& triangles, double tolerance)
        : m_tolerance(tolerance)
    {
        OdGeExtents3d box;
        for (const auto& t : triangles)
            for (const std::int32_t v : t)
                box.addPoint(plane[static_cast<std::size_t>(v)]);
        if (!box.isValidExtents())
            return;
        m_x0 = box.minPoint().x;
        m_y0 = box.minPoint().y;
        const double side = std::max(box.maxPoint().x - m_x0, box.maxPoint().y - m_y0);
        if (!(side > 0.0))
            return;
        m_cell = side / kDepthCells;
        m_nx = static_cast<int>((box.maxPoint().x - m_x0) / m_cell) + 1;
        m_ny = static_cast<int>((box.maxPoint().y - m_y0) / m_cell) + 1;
        m_depth.assign(static_cast<std::size_t>(m_nx) * static_cast<std::size_t>(m_ny),
                       -std::numeric_limits<double>::infinity());
        for (const auto& t : triangles)
            rasterize(plane, depth, t);
    }

    /// True when the point at `p` (picture plane) and `depth` is not behind the surface.
    bool visible(const OdGePoint3d& p, double depth) const
    {
        if (m_depth.empty())
            return true;
        const int i = static_cast<int>((p.x - m_x0) / m_cell), j = static_cast<int>((p.y - m_y0) / m_cell);
        // The nearest of the cell's neighbours may still be the point's own face: an edge on an
        // outline lies half over its cell.
        double nearest = std::numeric_limits<double>::infinity();
        for (int dj = -1; dj <= 1; ++dj)
            for (int di = -1; di <= 1; ++di)
                if (i + di >= 0 && i + di < m_nx && j + dj >= 0 && j + dj < m_ny)
                    nearest = std::min(nearest, m_depth[index(i + di, j + dj)]);
        return !(depth + m_tolerance < nearest);
    }
    double cell() const { return m_cell > 0.0 ? m_cell : 1.0; }

private:
    std::size_t index(int i, int j) const
    {
        return static_cast<std::size_t>(j) * static_cast<std::size_t>(m_nx) + static_cast<std::size_t>(i);
    }
    void rasterize(const std::vector<OdGePoint3d>& plane, const std::vector<double>& depth,
                   const std::array<std::int32_t, 3>& t)
    {
        const OdGePoint3d& a = plane[static_cast<std::size_t>(t[0])];
        const OdGePoint3d& b = plane[static_cast<std::size_t>(t[1])];
        const OdGePoint3d& c = plane[static_cast<std::size_t>(t[2])];
        const double area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
        if (std::abs(area) < 1e-30)
            return;
        const double da = depth[static_cast<std::size_t>(t[0])], db = depth[static_cast<std::size_t>(t[1])],
                     dc = depth[static_cast<std::size_t>(t[2])];
        const auto cellOf = [this](double v, double origin, int n)
        { return std::clamp(static_cast<int>((v - origin) / m_cell), 0, n - 1); };
        const int i0 = cellOf(std::min({a.x, b.x, c.x}), m_x0, m_nx),
                  i1 = cellOf(std::max({a.x, b.x, c.x}), m_x0, m_nx);
        const int j0 = cellOf(std::min({a.y, b.y, c.y}), m_y0, m_ny),
                  j1 = cellOf(std::max({a.y, b.y, c.y}), m_y0, m_ny);
        for (int j = j0; j <= j1; ++j)
            for (int i = i0; i <= i1; ++i)
            {
                const double x = m_x0 + (i + 0.5) * m_cell, y = m_y0 + (j + 0.5) * m_cell;
                const double wa = ((b.x - x) * (c.y - y) - (c.x - x) * (b.y - y)) / area;
                const double wb = ((c.x - x) * (a.y - y) - (a.x - x) * (c.y - y)) / area;
                const double wc = 1.0 - wa - wb;
                if (wa < 0.0 || wb < 0.0 || wc < 0.0)
                    continue;
                double& d = m_depth[index(i, j)];
                d = std::max(d, wa * da + wb * db + wc * dc);
            }
    }

    double m_tolerance;
    double m_x0 = 0.0, m_y0 = 0.0, m_cell = 0.0;
    int m_nx = 0, m_ny = 0;
    std::vector<double> m_depth;
};

/// The whole picture as one drawable: what it draws is recorded once, in order (far to near).
class SceneDrawable : public oa::DrawableImpl
{
public:
    explicit SceneDrawable(std::function<void(OdGiWorldDraw&)> draw) : m_draw(std::move(draw)) {}

private:
    std::uint32_t subSetAttributes(OdGiDrawableTraits* traits) const override
    {
        const std::uint32_t flags = oa::DrawableImpl::subSetAttributes(traits);
        if (oa::RenderTraits* render = oa::RenderTraits::from(traits))
            render->setFlags(oa::RenderTraits::eShaded);
        return flags;
    }
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override
    {
        if (worldDraw)
            m_draw(*worldDraw);
        return true;
    }

    std::function<void(OdGiWorldDraw&)> m_draw;
};

/// Draws in the picture plane.
class Pen
{
public:
    explicit Pen(OdGiWorldDraw& wd) : m_wd(wd) {}

    void color(const OdCmEntityColor& c) { m_wd.subEntityTraits().setTrueColor(c); }
    /// Lines from now on, as a multiple of the view's fine line.
    void width(double w)
    {
        if (oa::RenderTraits* render = oa::RenderTraits::from(&m_wd.subEntityTraits()))
            render->setLineWidth(w);
    }
    void line(const OdGePoint3d& a, const OdGePoint3d& b)
    {
        const OdGePoint3d pts[] = {a, b};
        m_wd.geometry().polyline(2, pts);
    }
    void polyline(const std::vector<OdGePoint3d>& pts)
    {
        if (pts.size() > 1)
            m_wd.geometry().polyline(static_cast<std::int32_t>(pts.size()), pts.data());
    }
    void circle(const OdGePoint3d& c, double r)
    {
        std::vector<OdGePoint3d> pts;
        for (int k = 0; k <= 24; ++k)
        {
            const double a = 2.0 * M_PI * k / 24;
            pts.emplace_back(c.x + r * std::cos(a), c.y + r * std::sin(a), 0.0);
        }
        polyline(pts);
    }
    void fill(const std::vector<OdGePoint3d>& pts)
    {
        m_wd.subEntityTraits().setFillType(kOdGiFillAlways);
        m_wd.geometry().polygon(static_cast<std::int32_t>(pts.size()), pts.data());
    }
    void text(const OdGePoint3d& at, double height, const std::string& s)
    {
        m_wd.geometry().text(at, OdGeVector3d::kZAxis, OdGeVector3d::kXAxis, height, 1.0, 0.0,
                             OdString(wide(s).c_str()));
    }
    OdGiWorldDraw& worldDraw() { return m_wd; }

private:
    OdGiWorldDraw& m_wd;
};

/// An arrow in the picture plane from `tail` to `head`, its head `size` long.
void arrow(Pen& pen, const OdGePoint3d& tail, const OdGePoint3d& head, double size)
{
    pen.line(tail, head);
    const OdGeVector3d along = head - tail;
    const double l = along.length();
    if (!(l > 0.0))
        return;
    const OdGeVector3d back = along / -l * size,
                       side = OdGeVector3d(-along.y, along.x, 0.0) / l * (0.35 * size);
    pen.fill({head, head + back + side, head + back - side});
}
} // namespace

std::string legendNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

OdGePoint3d TaskPicture::project(const OdGePoint3d& p, ETaskView view)
{
    const Frame f = frameOf(view);
    const OdGeVector3d v = p.asVector();
    return OdGePoint3d(dot(v, f.right), dot(v, f.up), 0.0);
}

TaskScene makeTaskScene(const cae_core::Mesh& mesh, const std::vector<OdGePoint3d>& shown,
                        std::vector<double> values, const std::vector<SceneFeature>& features)
{
    TaskScene scene;
    scene.shown = shown;
    scene.values = std::move(values);
    OdSmartPtr<OdDbSubDMesh> plain = OdDbSubDMesh::createObject();
    OdGePoint3dArray points;
    if (mesh.applyDbMesh(false, false, plain) == cae_core::eOk)
        plain->getVertices(points);
    scene.undeformed.assign(points.begin(), points.end());
    if (scene.undeformed.size() != shown.size())
        scene.undeformed = shown;
    scene.values.resize(shown.size(), 0.0);

    const auto in = [&](std::uint64_t v) { return v < shown.size() ? static_cast<std::int32_t>(v) : -1; };
    const bool quadratic = mesh.order() == 2;
    std::map<long, std::vector<std::uint64_t>> faceTriangles;
    for (std::uint64_t i = 0; i < mesh.nbTriangles(); ++i)
    {
        const auto& t = *mesh.triangle(i);
        const std::int32_t a = in(t.vertices[0]), b = in(t.vertices[1]), c = in(t.vertices[2]);
        if (a < 0 || b < 0 || c < 0)
            continue;
        if (t.subentId.type() == OdDb::kFaceSubentType)
            faceTriangles[static_cast<long>(t.subentId.index())].push_back(i);
        const std::int32_t m0 = in(t.midVertices[0]), m1 = in(t.midVertices[1]), m2 = in(t.midVertices[2]);
        // A ten-node mesh's faces are curved through their mid nodes: four flat pieces follow them.
        if (quadratic && m0 >= 0 && m1 >= 0 && m2 >= 0)
        {
            // Results known at the corners only are taken halfway along the edges.
            const std::array<std::int32_t, 6> ends{a, b, b, c, c, a};
            const std::array<std::int32_t, 3> mids{m0, m1, m2};
            for (std::size_t k = 0; k < 3; ++k)
            {
                double& v = scene.values[static_cast<std::size_t>(mids[k])];
                if (std::isnan(v))
                    v = (scene.values[static_cast<std::size_t>(ends[2 * k])] +
                         scene.values[static_cast<std::size_t>(ends[2 * k + 1])]) /
                        2.0;
            }
            scene.triangles.insert(scene.triangles.end(),
                                   {{a, m0, m2}, {m0, b, m1}, {m2, m1, c}, {m0, m1, m2}});
        }
        else
            scene.triangles.push_back({a, b, c});
    }
    for (double& v : scene.values)
        if (std::isnan(v))
            v = 0.0;
    for (std::uint64_t i = 0; i < mesh.nbEdges(); ++i)
    {
        const auto& e = *mesh.edge(i);
        if (e.subentId.type() != OdDb::kEdgeSubentType)
            continue;
        const std::int32_t a = in(e.vertices[0]), b = in(e.vertices[1]), m = in(e.midVertex);
        if (a < 0 || b < 0)
            continue;
        if (quadratic && m >= 0)
            scene.featureEdges.insert(scene.featureEdges.end(), {{a, m}, {m, b}});
        else
            scene.featureEdges.push_back({a, b});
    }

    for (const SceneFeature& feature : features)
        for (const long face : feature.faces)
        {
            const auto found = faceTriangles.find(face);
            if (found == faceTriangles.end())
                continue;
            // Points spread over the face: each next one the farthest from those taken.
            std::vector<OdGePoint3d> centres;
            for (const std::uint64_t t : found->second)
            {
                const auto& v = mesh.triangle(t)->vertices;
                centres.push_back(OdGePoint3d::kOrigin +
                                  (scene.undeformed[v[0]].asVector() + scene.undeformed[v[1]].asVector() +
                                   scene.undeformed[v[2]].asVector()) /
                                      3.0);
            }
            OdGeVector3d mean;
            for (const auto& c : centres)
                mean += c.asVector();
            mean = mean / static_cast<double>(centres.size());
            std::vector<double> distance(centres.size(), std::numeric_limits<double>::infinity());
            std::size_t next = 0;
            for (std::size_t k = 0; k < centres.size(); ++k)
                if (centres[k].distanceTo(OdGePoint3d::kOrigin + mean) <
                    centres[next].distanceTo(OdGePoint3d::kOrigin + mean))
                    next = k;
            for (std::size_t n = 0; n < std::min(kGlyphsPerFace, centres.size()); ++n)
            {
                const auto& tri = *mesh.triangle(found->second[next]);
                const auto& v = tri.vertices;
                OdGeVector3d normal =
                    unit((scene.undeformed[v[1]] - scene.undeformed[v[0]])
                             .crossProduct(scene.undeformed[v[2]] - scene.undeformed[v[0]]));
                OdArray<std::uint64_t> corners;
                for (const std::uint64_t c : v)
                    corners.append(c);
                const auto owners = mesh.findTetras(corners);
                if (!owners.isEmpty() && owners[0].oppositeVertex < shown.size() &&
                    dot(scene.undeformed[owners[0].oppositeVertex] - scene.undeformed[v[0]], normal) > 0.0)
                    normal = -normal;
                TaskScene::Glyph g;
                g.kind = feature.kind;
                g.at = OdGePoint3d::kOrigin +
                       (shown[v[0]].asVector() + shown[v[1]].asVector() + shown[v[2]].asVector()) / 3.0;
                g.normal = normal;
                g.load = feature.direction ? unit(*feature.direction) : -normal;
                scene.glyphs.push_back(g);
                for (std::size_t k = 0; k < centres.size(); ++k)
                    distance[k] = std::min(distance[k], centres[k].distanceTo(centres[next]));
                next = static_cast<std::size_t>(std::max_element(distance.begin(), distance.end()) -
                                                distance.begin());
                if (!(distance[next] > 0.0))
                    break;
            }
        }
    return scene;
}

TaskPicture::TaskPicture(const TaskScene& scene) : m_view(scene.view)
{
    m_app.setCurrentViewer(&m_viewer);
    const Frame f = frameOf(scene.view);
    const std::size_t n = scene.shown.size();
    std::vector<OdGePoint3d> plane(n), ghost(n);
    std::vector<double> depth(n);
    OdGeExtents3d box, solid;
    for (std::size_t i = 0; i < n; ++i)
    {
        plane[i] = project(scene.shown[i], scene.view);
        ghost[i] = project(scene.undeformed[i], scene.view);
        depth[i] = dot(scene.shown[i].asVector(), f.towards);
        solid.addPoint(scene.undeformed[i]);
    }
    for (const auto& t : scene.triangles)
        for (const std::int32_t v : t)
        {
            box.addPoint(plane[static_cast<std::size_t>(v)]);
            box.addPoint(ghost[static_cast<std::size_t>(v)]);
        }
    const double diagonal = solid.isValidExtents() ? solid.diagonal().length() : 1.0;
    const double glyph = kGlyphShare * diagonal;
    // The caption, legend and triad keep clear of the glyphs too.
    for (const auto& g : scene.glyphs)
        for (const OdGePoint3d& p : {g.at - g.load * (2.6 * glyph), g.at + g.normal * glyph})
            box.addPoint(project(p, scene.view));

    // The drawn range: the values at the surface's vertices.
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (const auto& t : scene.triangles)
        for (const std::int32_t v : t)
        {
            lo = std::min(lo, scene.values[static_cast<std::size_t>(v)]);
            hi = std::max(hi, scene.values[static_cast<std::size_t>(v)]);
        }
    if (!(lo <= hi))
        lo = hi = 0.0;
    const double top =
        scene.clipAtMultipleOfSmallest && lo > 0.0 ? std::min(hi, *scene.clipAtMultipleOfSmallest * lo) : hi;
    m_range = {lo, top};
    const cae_core::ColorMap map =
        cae_core::ColorMap::get(cae_core::ColorMap::eBlueGreenYellowRed, {lo, top}, scene.reversed);

    // Faces far to near, each coloured at its corners and lit by a headlight and a fill light from
    // the upper left, on the face's side towards the viewer.
    struct Face
    {
        std::size_t t;
        double depth;
    };
    std::vector<Face> faces;
    faces.reserve(scene.triangles.size());
    for (std::size_t i = 0; i < scene.triangles.size(); ++i)
    {
        const auto& t = scene.triangles[i];
        faces.push_back({i, depth[static_cast<std::size_t>(t[0])] + depth[static_cast<std::size_t>(t[1])] +
                                depth[static_cast<std::size_t>(t[2])]});
    }
    std::stable_sort(faces.begin(), faces.end(),
                     [](const Face& a, const Face& b) { return a.depth < b.depth; });
    const OdGeVector3d fill = unit(f.towards + f.up - 0.3 * f.right);
    auto shellPoints = std::make_shared<std::vector<OdGePoint3d>>();
    auto shellFaces = std::make_shared<std::vector<std::int32_t>>();
    auto shellColors = std::make_shared<std::vector<OdCmEntityColor>>();
    shellPoints->reserve(3 * faces.size());
    shellColors->reserve(3 * faces.size());
    shellFaces->reserve(4 * faces.size());
    for (const Face& face : faces)
    {
        const auto& t = scene.triangles[face.t];
        const auto& a = scene.shown[static_cast<std::size_t>(t[0])];
        OdGeVector3d normal = unit((scene.shown[static_cast<std::size_t>(t[1])] - a)
                                       .crossProduct(scene.shown[static_cast<std::size_t>(t[2])] - a));
        if (dot(normal, f.towards) < 0.0)
            normal = -normal;
        const double light =
            kAmbient +
            (1.0 - kAmbient) *
                std::clamp(0.6 * dot(normal, f.towards) + 0.45 * std::max(0.0, dot(normal, fill)), 0.0, 1.0);
        shellFaces->push_back(3);
        for (const std::int32_t v : t)
        {
            shellFaces->push_back(static_cast<std::int32_t>(shellPoints->size()));
            shellPoints->push_back(plane[static_cast<std::size_t>(v)]);
            const double value = std::min(scene.values[static_cast<std::size_t>(v)], top);
            const OdCmColor c = map.getColor(value);
            const auto lit = [light](std::uint8_t channel)
            { return static_cast<std::uint8_t>(std::lround(channel * light)); };
            shellColors->push_back(OdCmEntityColor(lit(c.red()), lit(c.green()), lit(c.blue())));
        }
    }

    // The solid's edges where the surface does not hide them, as runs of visible pieces.
    const DepthBuffer buffer(plane, depth, scene.triangles, 0.01 * diagonal);
    auto visibleEdges = std::make_shared<std::vector<std::vector<OdGePoint3d>>>();
    for (const auto& e : scene.featureEdges)
    {
        const auto a = static_cast<std::size_t>(e[0]), b = static_cast<std::size_t>(e[1]);
        const int steps =
            std::clamp(static_cast<int>(plane[a].distanceTo(plane[b]) / buffer.cell()) + 1, 1, 64);
        std::vector<OdGePoint3d> run;
        for (int k = 0; k <= steps; ++k)
        {
            const double s = static_cast<double>(k) / steps;
            const OdGePoint3d p = plane[a] + (plane[b] - plane[a]) * s;
            if (buffer.visible(p, depth[a] + (depth[b] - depth[a]) * s))
                run.push_back(p);
            else
            {
                if (run.size() > 1)
                    visibleEdges->push_back(run);
                run.clear();
            }
        }
        if (run.size() > 1)
            visibleEdges->push_back(run);
    }

    const double u =
        std::max(box.maxPoint().y - box.minPoint().y, (box.maxPoint().x - box.minPoint().x) / 2) * 0.05;
    // Glyphs on faces the solid hides are drawn faded: still told, but not taken for what is seen.
    std::vector<bool> glyphSeen;
    for (const auto& g : scene.glyphs)
        glyphSeen.push_back(buffer.visible(project(g.at, scene.view), dot(g.at.asVector(), f.towards)));
    auto draw = [scene, plane, ghost, f, box, u, glyph, shellPoints, shellFaces, shellColors, visibleEdges,
                 glyphSeen, map, lo, hi, top](OdGiWorldDraw& wd)
    {
        Pen pen(wd);
        const auto flat = [&](const OdGePoint3d& p) { return project(p, scene.view); };
        // Wheels are drawn round in the picture, as large as the tangent shows its lengths.
        const auto flatScale = [&](const OdGeVector3d&, const OdGeVector3d& tangent)
        { return OdGeVector3d(dot(tangent, f.right), dot(tangent, f.up), 0.0).length(); };
        // The undeformed shape's edges, behind all.
        pen.color(kOutlineColor);
        pen.width(1.5);
        for (const auto& e : scene.featureEdges)
            pen.line(ghost[static_cast<std::size_t>(e[0])], ghost[static_cast<std::size_t>(e[1])]);

        if (!shellFaces->empty())
        {
            wd.subEntityTraits().setFillType(kOdGiFillAlways);
            OdGiVertexData vertexData;
            vertexData.setTrueColors(shellColors->data());
            wd.geometry().shell(static_cast<std::int32_t>(shellPoints->size()), shellPoints->data(),
                                static_cast<std::int32_t>(shellFaces->size()), shellFaces->data(), nullptr,
                                nullptr, &vertexData);
        }
        pen.color(kEdgeColor);
        pen.width(2.0);
        for (const auto& run : *visibleEdges)
            pen.polyline(run);

        // Loads along their direction ending on the face; supports as ground hatching beside it,
        // sliding ones on rollers.
        pen.width(2.5);
        for (std::size_t i = 0; i < scene.glyphs.size(); ++i)
        {
            const auto& g = scene.glyphs[i];
            const auto tone = [&](const OdCmEntityColor& c)
            {
                if (glyphSeen[i])
                    return c;
                const auto fade = [](std::uint8_t v)
                { return static_cast<std::uint8_t>(v + (255 - v) * 0.55); };
                return OdCmEntityColor(fade(c.red()), fade(c.green()), fade(c.blue()));
            };
            OdGeVector3d tangent = g.normal.crossProduct(f.towards);
            tangent = tangent.length() > 1e-6 ? unit(tangent) : f.right;
            const OdGePoint3d at = flat(g.at);
            if (g.kind == SceneFeature::EKind::eLoad)
            {
                pen.color(tone(kLoadColor));
                const OdGePoint3d tail = flat(g.at - g.load * (2.4 * glyph));
                if (tail.distanceTo(at) < 0.5 * glyph)
                {
                    // Seen along the load: its tail as a circled cross.
                    pen.circle(at, 0.3 * glyph);
                    pen.line(at + OdGeVector3d(-0.2, -0.2, 0) * glyph,
                             at + OdGeVector3d(0.2, 0.2, 0) * glyph);
                    pen.line(at + OdGeVector3d(-0.2, 0.2, 0) * glyph,
                             at + OdGeVector3d(0.2, -0.2, 0) * glyph);
                }
                else
                    arrow(pen, tail, at, 0.6 * glyph);
                continue;
            }
            pen.color(tone(kSupportColor));
            // The ground stands off the face, hatched on its far side; a sliding support rolls on
            // two wheels between them.
            const double half = 0.7 * glyph, bar = 0.08 * glyph;
            OdGePoint3d base = g.at + g.normal * (0.1 * glyph);
            if (g.kind == SceneFeature::EKind::eSliding)
            {
                const double r = 0.2 * glyph;
                for (const double side : {-0.45, 0.45})
                    pen.circle(flat(base + g.normal * r + tangent * (side * glyph)),
                               r * flatScale(g.normal, tangent));
                base = base + g.normal * (2 * r);
            }
            pen.fill({flat(base - tangent * half), flat(base + tangent * half),
                      flat(base + tangent * half + g.normal * bar),
                      flat(base - tangent * half + g.normal * bar)});
            for (int k = 0; k <= 4; ++k)
            {
                const OdGePoint3d from = base + g.normal * bar + tangent * (half * (-1.0 + 0.5 * k));
                pen.line(flat(from), flat(from + (g.normal - 0.7 * tangent) * (0.35 * glyph)));
            }
        }

        pen.width(1.0);
        // Legend: bands, ticks and their values, the title, the clip.
        const double x0 = box.maxPoint().x + 3 * u, x1 = x0 + u;
        const double y0 = box.minPoint().y + (box.maxPoint().y - box.minPoint().y) / 2 - 6 * u,
                     y1 = y0 + 12 * u;
        constexpr int kBands = 48, kTicks = 6;
        for (int i = 0; i < kBands; ++i)
        {
            const OdCmColor c = map.getColor(lo + (i + 0.5) / kBands * (top - lo));
            pen.color(OdCmEntityColor(c.red(), c.green(), c.blue()));
            const double a = y0 + (y1 - y0) * i / kBands, b = y0 + (y1 - y0) * (i + 1) / kBands;
            pen.fill(
                {OdGePoint3d(x0, a, 0), OdGePoint3d(x1, a, 0), OdGePoint3d(x1, b, 0), OdGePoint3d(x0, b, 0)});
        }
        pen.color(kTextColor);
        pen.polyline({OdGePoint3d(x0, y0, 0), OdGePoint3d(x1, y0, 0), OdGePoint3d(x1, y1, 0),
                      OdGePoint3d(x0, y1, 0), OdGePoint3d(x0, y0, 0)});
        const double h = 0.6 * u;
        for (int k = 0; k < kTicks; ++k)
        {
            const double y = y0 + (y1 - y0) * k / (kTicks - 1);
            pen.line(OdGePoint3d(x1, y, 0), OdGePoint3d(x1 + 0.3 * u, y, 0));
            std::string label = legendNumber(lo + (top - lo) * k / (kTicks - 1));
            if (k == kTicks - 1 && top < hi)
                label = "> " + label;
            pen.text(OdGePoint3d(x1 + 0.5 * u, y - h / 2, 0), h, label);
        }
        pen.text(OdGePoint3d(x0, y1 + 0.9 * u, 0), h, scene.title);
        if (top < hi)
            pen.text(OdGePoint3d(x0, y0 - 1.5 * u, 0), 0.5 * u,
                     "clipped at " + legendNumber(top) + " (largest " + legendNumber(hi) + ")");

        // Caption above the solid.
        std::vector<std::string> lines{scene.title + ", from " + legendNumber(lo) + " to " +
                                       legendNumber(hi)};
        lines.insert(lines.end(), scene.caption.begin(), scene.caption.end());
        double y = box.maxPoint().y + 1.5 * u + 1.2 * u * static_cast<double>(lines.size() - 1);
        for (const auto& line : lines)
        {
            pen.text(OdGePoint3d(box.minPoint().x, y, 0), h, line);
            y -= 1.2 * u;
        }

        // Axes triad below the solid's left.
        const OdGePoint3d origin(box.minPoint().x + 0.5 * u, box.minPoint().y - 3.5 * u, 0);
        const OdGeVector3d axes[] = {OdGeVector3d::kXAxis, OdGeVector3d::kYAxis, OdGeVector3d::kZAxis};
        const OdCmEntityColor axisColors[] = {OdCmEntityColor(200, 0, 0), OdCmEntityColor(0, 150, 0),
                                              OdCmEntityColor(0, 0, 200)};
        const char* names[] = {"x", "y", "z"};
        for (int k = 0; k < 3; ++k)
        {
            const OdGeVector3d d(dot(axes[k], f.right), dot(axes[k], f.up), 0.0);
            pen.color(axisColors[k]);
            if (d.length() < 0.1)
            {
                // Towards or away from the viewer.
                pen.circle(origin, 0.2 * u);
                pen.text(origin + OdGeVector3d(0.3, 0.3, 0) * u, 0.5 * u, names[k]);
                continue;
            }
            const OdGePoint3d tip = origin + d * (2.2 * u);
            arrow(pen, origin, tip, 0.4 * u);
            pen.text(tip + d * (0.3 * u) - OdGeVector3d(0.2, 0.25, 0) * u, 0.5 * u, names[k]);
        }
    };
    m_drawables.push_back(odrxCreateObject<SceneDrawable>(draw));
    for (const auto& d : m_drawables)
        m_viewer.view().add(d.get());
}

TaskPicture::~TaskPicture()
{
    for (const auto& d : m_drawables)
        m_viewer.view().erase(d.get());
}

std::string TaskPicture::svg(int width, int height) const
{
    return m_viewer.view().renderSvg(width, height);
}

std::string TaskPicture::png(int width, int height) const
{
    return m_viewer.view().renderPng(width, height);
}

OdGePoint3d TaskPicture::pixelOf(const OdGePoint3d& point, int width, int height) const
{
    return m_viewer.view().pictureOf(project(point, m_view), width, height);
}
} // namespace cae_app

namespace cae_app
{
namespace
{
const char* viewName(ETaskView view)
{
    switch (view)
    {
    case ETaskView::eFront:
        return "front";
    case ETaskView::eTop:
        return "top";
    case ETaskView::eRight:
        return "right";
    case ETaskView::eIso:
        break;
    }
    return "iso";
}

/// A quarter of the sheet: where it starts and how large it is (the right and bottom ones take the
/// odd pixel).
struct Quarter
{
    int x, y, width, height;
};

Quarter quarterOf(std::size_t index, int width, int height)
{
    const int left = width / 2, top = height / 2;
    const bool right = index % 2 == 1, bottom = index >= 2;
    return {right ? left : 0, bottom ? top : 0, right ? width - left : left, bottom ? height - top : top};
}

/// One panel's SVG document as a nested element of the sheet: placed by its quarter, and with its
/// ids (the text glyphs, clips and surfaces cairo defines) made its own, as all four panels number
/// theirs alike.
std::string nestedSvg(const std::string& document, std::size_t index, const Quarter& q)
{
    const std::size_t open = document.find("<svg");
    const std::size_t close = open == std::string::npos ? open : document.find('>', open);
    if (close == std::string::npos)
        throw oa::PictureError("a view of the sheet has no SVG document");
    const std::string prefix = "v" + std::to_string(index) + "-";
    std::string out = "<svg x=\"" + std::to_string(q.x) + "\" y=\"" + std::to_string(q.y) + "\" width=\"" +
                      std::to_string(q.width) + "\" height=\"" + std::to_string(q.height) +
                      "\" viewBox=\"0 0 " + std::to_string(q.width) + " " + std::to_string(q.height) + "\">";
    const std::string_view body = std::string_view(document).substr(close + 1);
    out.reserve(document.size() + document.size() / 16);
    for (std::size_t i = 0; i < body.size();)
    {
        bool replaced = false;
        for (const std::string_view reference :
             {std::string_view("id=\""), std::string_view("href=\"#"), std::string_view("url(#")})
            if (body.compare(i, reference.size(), reference) == 0)
            {
                out.append(reference);
                out += prefix;
                i += reference.size();
                replaced = true;
                break;
            }
        if (!replaced)
            out += body[i++];
    }
    return out;
}

cairo_status_t readPng(void* closure, unsigned char* data, unsigned int length)
{
    auto& rest = *static_cast<std::string_view*>(closure);
    if (rest.size() < length)
        return CAIRO_STATUS_READ_ERROR;
    std::copy_n(rest.data(), length, data);
    rest.remove_prefix(length);
    return CAIRO_STATUS_SUCCESS;
}

cairo_status_t writePng(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using Context = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;
} // namespace

template <typename Render> void TaskSheet::renderQuarters(int width, int height, Render&& render) const
{
    if (width < 2 || height < 2)
        throw oa::PictureError("a sheet of four views of " + std::to_string(width) + "x" +
                               std::to_string(height) +
                               " cannot be made: width and height must be at least 2");
    for (std::size_t i = 0; i < kViews.size(); ++i)
    {
        TaskScene scene = m_scene;
        scene.view = kViews[i];
        scene.caption.push_back(std::string("view: ") + viewName(kViews[i]));
        const Quarter q = quarterOf(i, width, height);
        const TaskPicture picture(scene);
        render(i, q, picture);
    }
}

std::string TaskSheet::svg(int width, int height) const
{
    std::string sheet =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
        "width=\"" +
        std::to_string(width) + "pt\" height=\"" + std::to_string(height) + "pt\" viewBox=\"0 0 " +
        std::to_string(width) + " " + std::to_string(height) + "\" version=\"1.1\">\n";
    renderQuarters(width, height,
                   [&](std::size_t i, const Quarter& q, const TaskPicture& picture)
                   { sheet += nestedSvg(picture.svg(q.width, q.height), i, q) + "\n"; });
    return sheet + "</svg>\n";
}

std::string TaskSheet::png(int width, int height) const
{
    const Surface sheet(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height),
                        &cairo_surface_destroy);
    const Context cr(cairo_create(sheet.get()), &cairo_destroy);
    renderQuarters(width, height,
                   [&](std::size_t, const Quarter& q, const TaskPicture& picture)
                   {
                       const std::string png = picture.png(q.width, q.height);
                       std::string_view rest(png);
                       const Surface view(cairo_image_surface_create_from_png_stream(&readPng, &rest),
                                          &cairo_surface_destroy);
                       if (cairo_surface_status(view.get()) != CAIRO_STATUS_SUCCESS)
                           throw oa::PictureError("a view of the sheet cannot be read back");
                       cairo_set_source_surface(cr.get(), view.get(), q.x, q.y);
                       cairo_paint(cr.get());
                   });
    std::string out;
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_write_to_png_stream(sheet.get(), &writePng, &out) != CAIRO_STATUS_SUCCESS)
        throw oa::PictureError("the sheet of four views cannot be written as PNG");
    return out;
}
} // namespace cae_app
