#pragma once

#include "platform/ge/GeNurbCurve3d.h"
#include "platform/gi/GiWorldDraw.h"

#include <string>
#include <vector>

namespace platform_test
{
/// Geometry and traits that keep what is drawn through them, as the tests of drawables read it: one
/// record per primitive, in order. Nested drawables are recorded by identity, not drawn. world() and
/// viewport() are the two drawing contexts on it.
class RecordingWorldDraw : public OdGiWorldGeometry, public OdGiViewportGeometry, public OdGiSubEntityTraits
{
public:
    struct Primitive
    {
        /// "polyline", "polygon", "shell", "text", "nurbs" or "draw".
        std::string kind;
        std::vector<OdGePoint3d> points;
        /// The fill type in force when it was drawn.
        OdGiFillType fill = kOdGiFillNever;
        OdString text;
        double height = 0.0;
        const OdGiDrawable* drawable = nullptr;
    };
    std::vector<Primitive> primitives;

    RecordingWorldDraw() = default;
    RecordingWorldDraw(const RecordingWorldDraw&) = delete;
    RecordingWorldDraw& operator=(const RecordingWorldDraw&) = delete;

    std::string kinds() const
    {
        std::string result;
        for (const Primitive& p : primitives)
            result += (result.empty() ? "" : " ") + p.kind;
        return result;
    }

    OdGiWorldDraw& world() { return m_world; }
    OdGiViewportDraw& viewport() { return m_viewport; }

    void setColor(std::uint16_t colorIndex) override { m_color.setColorIndex(colorIndex); }
    void setTrueColor(const OdCmEntityColor& color) override { m_color = color; }
    void setFillType(OdGiFillType fillType) override { m_fill = fillType; }
    OdCmEntityColor trueColor() const override { return m_color; }
    OdGiFillType fillType() const override { return m_fill; }

    void polyline(std::int32_t n, const OdGePoint3d* points, const OdGeVector3d*, std::intptr_t) override
    {
        add("polyline", n, points);
    }
    void polygon(std::int32_t n, const OdGePoint3d* points) override { add("polygon", n, points); }
    void shell(std::int32_t n, const OdGePoint3d* points, std::int32_t, const std::int32_t*,
               const OdGiEdgeData*, const OdGiFaceData*, const OdGiVertexData*) override
    {
        add("shell", n, points);
    }
    void text(const OdGePoint3d& position, const OdGeVector3d&, const OdGeVector3d&, double height, double,
              double, const OdString& msg) override
    {
        add("text", 1, &position);
        primitives.back().text = msg;
        primitives.back().height = height;
    }
    void nurbs(const OdGeNurbCurve3d& curve) override
    {
        OdGeInterval iv;
        curve.getInterval(iv);
        const OdGePoint3d ends[2] = {curve.evalPoint(iv.lowerBound()), curve.evalPoint(iv.upperBound())};
        add("nurbs", 2, ends);
    }
    void draw(const OdGiDrawable* drawable) override
    {
        add("draw", 0, nullptr);
        primitives.back().drawable = drawable;
    }

private:
    class World final : public OdGiWorldDraw
    {
    public:
        explicit World(RecordingWorldDraw& r) : m_r(r) {}
        OdGiSubEntityTraits& subEntityTraits() const override { return m_r; }
        OdGiWorldGeometry& geometry() const override { return m_r; }

    private:
        RecordingWorldDraw& m_r;
    };
    class Viewport final : public OdGiViewportDraw
    {
    public:
        explicit Viewport(RecordingWorldDraw& r) : m_r(r) {}
        OdGiSubEntityTraits& subEntityTraits() const override { return m_r; }
        OdGiViewportGeometry& geometry() const override { return m_r; }

    private:
        RecordingWorldDraw& m_r;
    };

    void add(const char* kind, std::int32_t n, const OdGePoint3d* points)
    {
        Primitive p;
        p.kind = kind;
        if (points)
            p.points.assign(points, points + n);
        p.fill = m_fill;
        primitives.push_back(p);
    }

    OdCmEntityColor m_color;
    OdGiFillType m_fill = kOdGiFillNever;
    World m_world{*this};
    Viewport m_viewport{*this};
};
} // namespace platform_test
