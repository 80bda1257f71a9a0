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

namespace
{
/// A mesh vertex as a point of the scene; -1 for one the scene has no point for.
std::int32_t scenePoint(std::uint64_t v, const TaskScene& scene)
{
    return v < scene.shown.size() ? static_cast<std::int32_t>(v) : -1;
}

/// The surface triangles into `scene` and each face's mesh triangles. A ten-node mesh's faces are
/// curved through their mid nodes: four flat pieces follow them, and results known at the corners
/// only are taken halfway along the edges.
std::map<long, std::vector<std::uint64_t>> addSurface(const cae_core::Mesh& mesh, TaskScene& scene)
{
    const bool quadratic = mesh.order() == 2;
    std::map<long, std::vector<std::uint64_t>> faceTriangles;
    for (std::uint64_t i = 0; i < mesh.nbTriangles(); ++i)
    {
        const auto& t = *mesh.triangle(i);
        const std::int32_t a = scenePoint(t.vertices[0], scene), b = scenePoint(t.vertices[1], scene),
                           c = scenePoint(t.vertices[2], scene);
        if (a < 0 || b < 0 || c < 0)
            continue;
        if (t.subentId.type() == OdDb::kFaceSubentType)
            faceTriangles[static_cast<long>(t.subentId.index())].push_back(i);
        const std::int32_t m0 = scenePoint(t.midVertices[0], scene), m1 = scenePoint(t.midVertices[1], scene),
                           m2 = scenePoint(t.midVertices[2], scene);
        if (!quadratic || m0 < 0 || m1 < 0 || m2 < 0)
        {
            scene.triangles.push_back({a, b, c});
            continue;
        }
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
        scene.triangles.insert(scene.triangles.end(), {{a, m0, m2}, {m0, b, m1}, {m2, m1, c}, {m0, m1, m2}});
    }
    return faceTriangles;
}

/// The mesh edges on the solid's edges into `scene`, a quadratic one as its two halves.
void addFeatureEdges(const cae_core::Mesh& mesh, TaskScene& scene)
{
    const bool quadratic = mesh.order() == 2;
    for (std::uint64_t i = 0; i < mesh.nbEdges(); ++i)
    {
        const auto& e = *mesh.edge(i);
        if (e.subentId.type() != OdDb::kEdgeSubentType)
            continue;
        const std::int32_t a = scenePoint(e.vertices[0], scene), b = scenePoint(e.vertices[1], scene),
                           m = scenePoint(e.midVertex, scene);
        if (a < 0 || b < 0)
            continue;
        if (quadratic && m >= 0)
            scene.featureEdges.insert(scene.featureEdges.end(), {{a, m}, {m, b}});
        else
            scene.featureEdges.push_back({a, b});
    }
}

/// The glyph of `feature` at the centre of a mesh triangle, its normal turned out of the solid: away
/// from the tetrahedron the triangle bounds.
TaskScene::Glyph glyphAt(const cae_core::Mesh& mesh, const TaskScene& scene, const SceneFeature& feature,
                         std::uint64_t triangle)
{
    const auto& v = mesh.triangle(triangle)->vertices;
    const auto& undeformed = scene.undeformed;
    OdGeVector3d normal =
        unit((undeformed[v[1]] - undeformed[v[0]]).crossProduct(undeformed[v[2]] - undeformed[v[0]]));
    OdArray<std::uint64_t> corners;
    for (const std::uint64_t c : v)
        corners.append(c);
    const auto owners = mesh.findTetras(corners);
    if (!owners.isEmpty() && owners[0].oppositeVertex < scene.shown.size() &&
        dot(undeformed[owners[0].oppositeVertex] - undeformed[v[0]], normal) > 0.0)
        normal = -normal;
    TaskScene::Glyph g;
    g.kind = feature.kind;
    g.at = OdGePoint3d::kOrigin +
           (scene.shown[v[0]].asVector() + scene.shown[v[1]].asVector() + scene.shown[v[2]].asVector()) / 3.0;
    g.normal = normal;
    g.load = feature.direction ? unit(*feature.direction) : -normal;
    return g;
}

/// Glyphs of `feature` on one face, spread over its triangles: the first nearest the face's middle,
/// each next one the farthest from those taken.
void addFaceGlyphs(const cae_core::Mesh& mesh, TaskScene& scene, const SceneFeature& feature,
                   const std::vector<std::uint64_t>& triangles)
{
    std::vector<OdGePoint3d> centres;
    for (const std::uint64_t t : triangles)
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
        scene.glyphs.push_back(glyphAt(mesh, scene, feature, triangles[next]));
        for (std::size_t k = 0; k < centres.size(); ++k)
            distance[k] = std::min(distance[k], centres[k].distanceTo(centres[next]));
        next =
            static_cast<std::size_t>(std::max_element(distance.begin(), distance.end()) - distance.begin());
        if (!(distance[next] > 0.0))
            break;
    }
}
} // namespace

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

    const auto faceTriangles = addSurface(mesh, scene);
    for (double& v : scene.values)
        if (std::isnan(v))
            v = 0.0;
    addFeatureEdges(mesh, scene);
    for (const SceneFeature& feature : features)
        for (const long face : feature.faces)
            if (const auto found = faceTriangles.find(face); found != faceTriangles.end())
                addFaceGlyphs(mesh, scene, feature, found->second);
    return scene;
}

namespace
{
/// The smallest and largest value on the surface, and the top of the legend (the largest, or the
/// clip below it).
struct ValueRange
{
    double lo, hi, top;
};

ValueRange valueRange(const TaskScene& scene)
{
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
    return {lo, hi, top};
}

/// The coloured surface as one shell, its faces far to near.
struct Shell
{
    std::vector<OdGePoint3d> points;
    std::vector<std::int32_t> faces;
    std::vector<OdCmEntityColor> colors;
};

/// Everything the picture draws, in the picture plane, worked out once for every drawing of it.
struct Layers
{
    TaskScene scene;
    Frame frame;
    /// The displaced and the undeformed points, and the displaced ones' depth towards the viewer.
    std::vector<OdGePoint3d> plane, ghost;
    std::vector<double> depth;
    /// The solid and its glyphs.
    OdGeExtents3d box;
    double diagonal = 1.0, glyph = 1.0;
    /// The measure of the legend, caption and triad.
    double u = 1.0;
    ValueRange range{};
    cae_core::ColorMap map;
    Shell shell;
    /// Runs of the solid's edges the surface does not hide.
    std::vector<std::vector<OdGePoint3d>> visibleEdges;
    /// Per glyph: on a face the viewer sees.
    std::vector<bool> glyphSeen;
};

/// Projects the scene's points and finds the extents of what is drawn; the caption, legend and triad
/// keep clear of the glyphs too.
void projectScene(Layers& l)
{
    const TaskScene& scene = l.scene;
    const std::size_t n = scene.shown.size();
    l.plane.resize(n);
    l.ghost.resize(n);
    l.depth.resize(n);
    OdGeExtents3d solid;
    for (std::size_t i = 0; i < n; ++i)
    {
        l.plane[i] = TaskPicture::project(scene.shown[i], scene.view);
        l.ghost[i] = TaskPicture::project(scene.undeformed[i], scene.view);
        l.depth[i] = dot(scene.shown[i].asVector(), l.frame.towards);
        solid.addPoint(scene.undeformed[i]);
    }
    for (const auto& t : scene.triangles)
        for (const std::int32_t v : t)
        {
            l.box.addPoint(l.plane[static_cast<std::size_t>(v)]);
            l.box.addPoint(l.ghost[static_cast<std::size_t>(v)]);
        }
    l.diagonal = solid.isValidExtents() ? solid.diagonal().length() : 1.0;
    l.glyph = kGlyphShare * l.diagonal;
    for (const auto& g : scene.glyphs)
        for (const OdGePoint3d& p : {g.at - g.load * (2.6 * l.glyph), g.at + g.normal * l.glyph})
            l.box.addPoint(TaskPicture::project(p, scene.view));
}

/// Faces far to near, each coloured at its corners and lit by a headlight and a fill light from the
/// upper left, on the face's side towards the viewer.
Shell shadeSurface(const Layers& l)
{
    const TaskScene& scene = l.scene;
    const Frame& f = l.frame;
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
        faces.push_back({i, l.depth[static_cast<std::size_t>(t[0])] +
                                l.depth[static_cast<std::size_t>(t[1])] +
                                l.depth[static_cast<std::size_t>(t[2])]});
    }
    std::stable_sort(faces.begin(), faces.end(),
                     [](const Face& a, const Face& b) { return a.depth < b.depth; });
    const OdGeVector3d fill = unit(f.towards + f.up - 0.3 * f.right);
    Shell shell;
    shell.points.reserve(3 * faces.size());
    shell.colors.reserve(3 * faces.size());
    shell.faces.reserve(4 * faces.size());
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
        shell.faces.push_back(3);
        for (const std::int32_t v : t)
        {
            shell.faces.push_back(static_cast<std::int32_t>(shell.points.size()));
            shell.points.push_back(l.plane[static_cast<std::size_t>(v)]);
            const double value = std::min(scene.values[static_cast<std::size_t>(v)], l.range.top);
            const OdCmColor c = l.map.getColor(value);
            const auto lit = [light](std::uint8_t channel)
            { return static_cast<std::uint8_t>(std::lround(channel * light)); };
            shell.colors.push_back(OdCmEntityColor(lit(c.red()), lit(c.green()), lit(c.blue())));
        }
    }
    return shell;
}

/// The solid's edges where the surface does not hide them, as runs of visible pieces.
std::vector<std::vector<OdGePoint3d>> visibleEdges(const Layers& l, const DepthBuffer& buffer)
{
    std::vector<std::vector<OdGePoint3d>> runs;
    for (const auto& e : l.scene.featureEdges)
    {
        const auto a = static_cast<std::size_t>(e[0]), b = static_cast<std::size_t>(e[1]);
        const int steps =
            std::clamp(static_cast<int>(l.plane[a].distanceTo(l.plane[b]) / buffer.cell()) + 1, 1, 64);
        std::vector<OdGePoint3d> run;
        for (int k = 0; k <= steps; ++k)
        {
            const double s = static_cast<double>(k) / steps;
            const OdGePoint3d p = l.plane[a] + (l.plane[b] - l.plane[a]) * s;
            if (buffer.visible(p, l.depth[a] + (l.depth[b] - l.depth[a]) * s))
                run.push_back(p);
            else
            {
                if (run.size() > 1)
                    runs.push_back(run);
                run.clear();
            }
        }
        if (run.size() > 1)
            runs.push_back(run);
    }
    return runs;
}

Layers layOut(const TaskScene& scene)
{
    Layers l;
    l.scene = scene;
    l.frame = frameOf(scene.view);
    projectScene(l);
    l.range = valueRange(scene);
    l.map = cae_core::ColorMap::get(cae_core::ColorMap::eBlueGreenYellowRed, {l.range.lo, l.range.top},
                                    scene.reversed);
    l.shell = shadeSurface(l);
    const DepthBuffer buffer(l.plane, l.depth, scene.triangles, 0.01 * l.diagonal);
    l.visibleEdges = visibleEdges(l, buffer);
    l.u = std::max(l.box.maxPoint().y - l.box.minPoint().y, (l.box.maxPoint().x - l.box.minPoint().x) / 2) *
          0.05;
    // Glyphs on faces the solid hides are drawn faded: still told, but not taken for what is seen.
    for (const auto& g : scene.glyphs)
        l.glyphSeen.push_back(
            buffer.visible(TaskPicture::project(g.at, scene.view), dot(g.at.asVector(), l.frame.towards)));
    return l;
}

/// The undeformed shape's edges, behind all.
void drawOutline(Pen& pen, const Layers& l)
{
    pen.color(kOutlineColor);
    pen.width(1.5);
    for (const auto& e : l.scene.featureEdges)
        pen.line(l.ghost[static_cast<std::size_t>(e[0])], l.ghost[static_cast<std::size_t>(e[1])]);
}

void drawShading(OdGiWorldDraw& wd, const Shell& shell)
{
    if (shell.faces.empty())
        return;
    wd.subEntityTraits().setFillType(kOdGiFillAlways);
    OdGiVertexData vertexData;
    vertexData.setTrueColors(shell.colors.data());
    wd.geometry().shell(static_cast<std::int32_t>(shell.points.size()), shell.points.data(),
                        static_cast<std::int32_t>(shell.faces.size()), shell.faces.data(), nullptr, nullptr,
                        &vertexData);
}

void drawEdges(Pen& pen, const Layers& l)
{
    pen.color(kEdgeColor);
    pen.width(2.0);
    for (const auto& run : l.visibleEdges)
        pen.polyline(run);
}

/// A load along its direction ending on the face; seen along it, its tail as a circled cross.
void drawLoad(Pen& pen, const Layers& l, const TaskScene::Glyph& g)
{
    const double glyph = l.glyph;
    const OdGePoint3d at = TaskPicture::project(g.at, l.scene.view);
    const OdGePoint3d tail = TaskPicture::project(g.at - g.load * (2.4 * glyph), l.scene.view);
    if (tail.distanceTo(at) < 0.5 * glyph)
    {
        pen.circle(at, 0.3 * glyph);
        pen.line(at + OdGeVector3d(-0.2, -0.2, 0) * glyph, at + OdGeVector3d(0.2, 0.2, 0) * glyph);
        pen.line(at + OdGeVector3d(-0.2, 0.2, 0) * glyph, at + OdGeVector3d(0.2, -0.2, 0) * glyph);
    }
    else
        arrow(pen, tail, at, 0.6 * glyph);
}

/// A support as ground hatching that stands off the face, hatched on its far side; a sliding support
/// rolls on two wheels between them.
void drawSupport(Pen& pen, const Layers& l, const TaskScene::Glyph& g)
{
    const Frame& f = l.frame;
    const double glyph = l.glyph;
    const auto flat = [&](const OdGePoint3d& p) { return TaskPicture::project(p, l.scene.view); };
    OdGeVector3d tangent = g.normal.crossProduct(f.towards);
    tangent = tangent.length() > 1e-6 ? unit(tangent) : f.right;
    const double half = 0.7 * glyph, bar = 0.08 * glyph;
    OdGePoint3d base = g.at + g.normal * (0.1 * glyph);
    if (g.kind == SceneFeature::EKind::eSliding)
    {
        // Wheels are drawn round in the picture, as large as the tangent shows its lengths.
        const double r = 0.2 * glyph;
        const double flatScale = OdGeVector3d(dot(tangent, f.right), dot(tangent, f.up), 0.0).length();
        for (const double side : {-0.45, 0.45})
            pen.circle(flat(base + g.normal * r + tangent * (side * glyph)), r * flatScale);
        base = base + g.normal * (2 * r);
    }
    pen.fill({flat(base - tangent * half), flat(base + tangent * half),
              flat(base + tangent * half + g.normal * bar), flat(base - tangent * half + g.normal * bar)});
    for (int k = 0; k <= 4; ++k)
    {
        const OdGePoint3d from = base + g.normal * bar + tangent * (half * (-1.0 + 0.5 * k));
        pen.line(flat(from), flat(from + (g.normal - 0.7 * tangent) * (0.35 * glyph)));
    }
}

void drawGlyphs(Pen& pen, const Layers& l)
{
    pen.width(2.5);
    for (std::size_t i = 0; i < l.scene.glyphs.size(); ++i)
    {
        const auto& g = l.scene.glyphs[i];
        const bool seen = l.glyphSeen[i];
        const auto tone = [seen](const OdCmEntityColor& c)
        {
            if (seen)
                return c;
            const auto fade = [](std::uint8_t v) { return static_cast<std::uint8_t>(v + (255 - v) * 0.55); };
            return OdCmEntityColor(fade(c.red()), fade(c.green()), fade(c.blue()));
        };
        if (g.kind == SceneFeature::EKind::eLoad)
        {
            pen.color(tone(kLoadColor));
            drawLoad(pen, l, g);
            continue;
        }
        pen.color(tone(kSupportColor));
        drawSupport(pen, l, g);
    }
}

/// Bands, ticks and their values, the title, the clip, right of the solid.
void drawLegend(Pen& pen, const Layers& l)
{
    const double u = l.u, lo = l.range.lo, hi = l.range.hi, top = l.range.top;
    const double x0 = l.box.maxPoint().x + 3 * u, x1 = x0 + u;
    const double y0 = l.box.minPoint().y + (l.box.maxPoint().y - l.box.minPoint().y) / 2 - 6 * u,
                 y1 = y0 + 12 * u;
    constexpr int kBands = 48, kTicks = 6;
    for (int i = 0; i < kBands; ++i)
    {
        const OdCmColor c = l.map.getColor(lo + (i + 0.5) / kBands * (top - lo));
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
    pen.text(OdGePoint3d(x0, y1 + 0.9 * u, 0), h, l.scene.title);
    if (top < hi)
        pen.text(OdGePoint3d(x0, y0 - 1.5 * u, 0), 0.5 * u,
                 "clipped at " + legendNumber(top) + " (largest " + legendNumber(hi) + ")");
}

/// The caption above the solid; the text colour is the legend's.
void drawCaption(Pen& pen, const Layers& l)
{
    const double u = l.u, h = 0.6 * u;
    std::vector<std::string> lines{l.scene.title + ", from " + legendNumber(l.range.lo) + " to " +
                                   legendNumber(l.range.hi)};
    lines.insert(lines.end(), l.scene.caption.begin(), l.scene.caption.end());
    double y = l.box.maxPoint().y + 1.5 * u + 1.2 * u * static_cast<double>(lines.size() - 1);
    for (const auto& line : lines)
    {
        pen.text(OdGePoint3d(l.box.minPoint().x, y, 0), h, line);
        y -= 1.2 * u;
    }
}

/// The axes triad below the solid's left.
void drawTriad(Pen& pen, const Layers& l)
{
    const double u = l.u;
    const OdGePoint3d origin(l.box.minPoint().x + 0.5 * u, l.box.minPoint().y - 3.5 * u, 0);
    const OdGeVector3d axes[] = {OdGeVector3d::kXAxis, OdGeVector3d::kYAxis, OdGeVector3d::kZAxis};
    const OdCmEntityColor axisColors[] = {OdCmEntityColor(200, 0, 0), OdCmEntityColor(0, 150, 0),
                                          OdCmEntityColor(0, 0, 200)};
    const char* names[] = {"x", "y", "z"};
    for (int k = 0; k < 3; ++k)
    {
        const OdGeVector3d d(dot(axes[k], l.frame.right), dot(axes[k], l.frame.up), 0.0);
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
}

/// The layers far to near.
void drawLayers(OdGiWorldDraw& wd, const Layers& l)
{
    Pen pen(wd);
    drawOutline(pen, l);
    drawShading(wd, l.shell);
    drawEdges(pen, l);
    drawGlyphs(pen, l);
    pen.width(1.0);
    drawLegend(pen, l);
    drawCaption(pen, l);
    drawTriad(pen, l);
}
} // namespace

TaskPicture::TaskPicture(const TaskScene& scene) : m_view(scene.view)
{
    m_app.setCurrentViewer(&m_viewer);
    auto layers = std::make_shared<const Layers>(layOut(scene));
    m_range = {layers->range.lo, layers->range.top};
    m_drawables.push_back(
        odrxCreateObject<SceneDrawable>([layers](OdGiWorldDraw& wd) { drawLayers(wd, *layers); }));
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
