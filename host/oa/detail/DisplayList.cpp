#include "host/oa/detail/DisplayList.h"

#include "host/oa/RenderTraits.h"
#include "platform/base/OdString.h"
#include "platform/ge/GeNurbCurve3d.h"
#include "platform/gi/GiWorldDraw.h"

#include <cmath>

namespace oa::detail
{

namespace
{
/// Points of a flattened spline per span between its knots; enough for glyph curves a few glyph sizes
/// long to look smooth at any picture size the view allows.
constexpr int kPointsPerSpan = 16;

/// Records primitives in the current traits. One object serves as the traits, the render traits and
/// the geometry of both drawing contexts.
class Recorder final : public OdGiWorldGeometry,
                       public OdGiViewportGeometry,
                       public OdGiSubEntityTraits,
                       public RenderTraits
{
public:
    explicit Recorder(DisplayList& out) : m_out(out) {}

    void run(const OdGiDrawable& drawable);

    // OdGiSubEntityTraits
    void setColor(std::uint16_t colorIndex) override { m_color.setColorIndex(colorIndex); }
    void setTrueColor(const OdCmEntityColor& color) override { m_color = color; }
    void setFillType(OdGiFillType fillType) override { m_fill = fillType; }
    OdCmEntityColor trueColor() const override { return m_color; }
    OdGiFillType fillType() const override { return m_fill; }

    // OdGiGeometry
    void polyline(std::int32_t numVertices, const OdGePoint3d* vertexList, const OdGeVector3d*,
                  std::intptr_t) override
    {
        if (numVertices < 2 || !vertexList)
            return;
        PolylinePrim p{std::vector<OdGePoint3d>(vertexList, vertexList + numVertices), current(),
                       lineWidth()};
        for (const OdGePoint3d& pt : p.points)
            m_out.extents.addPoint(pt);
        m_out.primitives.emplace_back(std::move(p));
    }
    void polygon(std::int32_t numVertices, const OdGePoint3d* vertexList) override
    {
        if (numVertices < 3 || !vertexList)
            return;
        PolygonPrim p{std::vector<OdGePoint3d>(vertexList, vertexList + numVertices), current(),
                      m_fill == kOdGiFillAlways};
        for (const OdGePoint3d& pt : p.points)
            m_out.extents.addPoint(pt);
        m_out.primitives.emplace_back(std::move(p));
    }
    void shell(std::int32_t numVertices, const OdGePoint3d* vertexList, std::int32_t faceListSize,
               const std::int32_t* faceList, const OdGiEdgeData* edgeData, const OdGiFaceData* faceData,
               const OdGiVertexData* vertexData) override;
    void text(const OdGePoint3d& position, const OdGeVector3d&, const OdGeVector3d& direction, double height,
              double width, double oblique, const OdString& msg) override;
    void nurbs(const OdGeNurbCurve3d& curve) override;
    void draw(const OdGiDrawable* drawable) override
    {
        if (!drawable)
            return;
        const OdCmEntityColor color = m_color;
        const OdGiFillType fill = m_fill;
        const std::uint32_t flags = this->flags();
        const double fade = fadeFactor();
        run(*drawable);
        m_color = color;
        m_fill = fill;
        setFlags(flags);
        setFadeFactor(fade);
    }

private:
    class WorldContext final : public OdGiWorldDraw
    {
    public:
        explicit WorldContext(Recorder& r) : m_r(r) {}
        OdGiSubEntityTraits& subEntityTraits() const override { return m_r; }
        OdGiWorldGeometry& geometry() const override { return m_r; }

    private:
        Recorder& m_r;
    };
    class ViewportContext final : public OdGiViewportDraw
    {
    public:
        explicit ViewportContext(Recorder& r) : m_r(r) {}
        OdGiSubEntityTraits& subEntityTraits() const override { return m_r; }
        OdGiViewportGeometry& geometry() const override { return m_r; }

    private:
        Recorder& m_r;
    };

    Rgb resolve(const OdCmEntityColor& c) const
    {
        Rgb rgb;
        if (c.isByColor() || c.isByACI())
            rgb = Rgb{c.red(), c.green(), c.blue()};
        // By layer, by block and foreground: this host's drawings have one layer, drawn in the
        // foreground colour, black on the white picture.
        if (flag(eFaded))
        {
            const double f = fadeFactor();
            auto mix = [f](std::uint8_t v) { return static_cast<std::uint8_t>(v + (255 - v) * f); };
            rgb = Rgb{mix(rgb.r), mix(rgb.g), mix(rgb.b)};
        }
        return rgb;
    }
    Rgb current() const { return resolve(m_color); }

    DisplayList& m_out;
    OdCmEntityColor m_color;
    OdGiFillType m_fill = kOdGiFillNever;
};

void Recorder::run(const OdGiDrawable& drawable)
{
    const std::uint32_t attributes = drawable.setAttributes(static_cast<OdGiSubEntityTraits*>(this));
    if (attributes & OdGiDrawable::kDrawableIsInvisible)
        return;
    if (flag(eOnTop))
        m_out.onTop = true;
    WorldContext world(*this);
    if (!drawable.worldDraw(&world))
    {
        ViewportContext viewport(*this);
        drawable.viewportDraw(&viewport);
    }
}

void Recorder::shell(std::int32_t numVertices, const OdGePoint3d* vertexList, std::int32_t faceListSize,
                     const std::int32_t* faceList, const OdGiEdgeData* edgeData, const OdGiFaceData* faceData,
                     const OdGiVertexData* vertexData)
{
    if (numVertices <= 0 || !vertexList || faceListSize <= 0 || !faceList)
        return;
    ShellPrim s;
    s.vertices.assign(vertexList, vertexList + numVertices);
    s.color = current();
    s.filled = m_fill == kOdGiFillAlways;
    const bool shaded = s.filled && flag(eShaded);
    const OdCmEntityColor* faceColors = shaded && faceData ? faceData->trueColors() : nullptr;
    const OdCmEntityColor* vertexColors = shaded && vertexData ? vertexData->trueColors() : nullptr;
    const OdCmEntityColor* edgeColors = edgeData ? edgeData->trueColors() : nullptr;
    // A malformed face (too few corners, an index outside the vertices) ends the face list: what
    // came before it is drawn, nothing after it.
    std::int32_t face = 0;
    for (std::int32_t i = 0; i < faceListSize; ++face)
    {
        const std::int32_t count = faceList[i];
        if (count < 3 || i + count >= faceListSize)
            break;
        const std::int32_t* idx = faceList + i + 1;
        bool valid = true;
        for (std::int32_t k = 0; k < count; ++k)
            valid = valid && idx[k] >= 0 && idx[k] < numVertices;
        if (!valid)
            break;
        s.outlines.push_back(count);
        for (std::int32_t k = 0; k < count; ++k)
        {
            s.outlines.push_back(idx[k]);
            if (edgeColors)
                s.edgeColors.push_back(resolve(edgeColors[s.edgeColors.size()]));
        }
        for (std::int32_t k = 1; k + 1 < count; ++k)
        {
            s.triangles.insert(s.triangles.end(), {idx[0], idx[k], idx[k + 1]});
            if (faceColors)
                s.faceColors.push_back(resolve(faceColors[face]));
        }
        i += count + 1;
    }
    if (vertexColors)
    {
        s.vertexColors.reserve(s.vertices.size());
        for (std::int32_t v = 0; v < numVertices; ++v)
            s.vertexColors.push_back(resolve(vertexColors[v]));
    }
    for (const OdGePoint3d& p : s.vertices)
        m_out.extents.addPoint(p);
    m_out.primitives.emplace_back(std::move(s));
}

void Recorder::text(const OdGePoint3d& position, const OdGeVector3d&, const OdGeVector3d& direction,
                    double height, double width, double oblique, const OdString& msg)
{
    if (msg.isEmpty() || !(height > 0.0) || !std::isfinite(height))
        return;
    TextPrim t;
    t.position = position;
    t.direction = direction.isZeroLength() ? OdGeVector3d::kXAxis : direction.normal();
    t.height = height;
    t.widthFactor = width > 0.0 ? width : 1.0;
    t.oblique = oblique;
    t.utf8 = OdAnsiString(msg).str();
    t.characters = static_cast<std::size_t>(msg.getLength());
    t.color = current();
    const OdGeVector3d up(-t.direction.y, t.direction.x, 0.0);
    const double length = static_cast<double>(t.characters) * kOdGiCharacterAdvance * height * t.widthFactor;
    m_out.extents.addPoint(position);
    m_out.extents.addPoint(position + t.direction * length);
    m_out.extents.addPoint(position + up * height);
    m_out.extents.addPoint(position + t.direction * length + up * height);
    m_out.primitives.emplace_back(std::move(t));
}

void Recorder::nurbs(const OdGeNurbCurve3d& curve)
{
    OdGeDoubleArray breaks;
    curve.getBreakParams(breaks);
    std::vector<OdGePoint3d> points;
    for (unsigned int i = 0; i + 1 < breaks.size(); ++i)
    {
        for (int k = 0; k < kPointsPerSpan; ++k)
            points.push_back(curve.evalPoint(breaks[i] + (breaks[i + 1] - breaks[i]) * k / kPointsPerSpan));
    }
    if (!breaks.isEmpty())
        points.push_back(curve.evalPoint(breaks.last()));
    polyline(static_cast<std::int32_t>(points.size()), points.data(), nullptr, -1);
}
} // namespace

DisplayList record(const OdGiDrawable& drawable)
{
    DisplayList list;
    Recorder recorder(list);
    recorder.run(drawable);
    return list;
}

} // namespace oa::detail
