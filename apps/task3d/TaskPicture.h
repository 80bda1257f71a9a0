#pragma once

#include "cae_core/results2d/ColorMap.h"
#include "cae_core/task/Mesh.h"
#include "host/ca/Application.h"
#include "host/oa/DwgViewer.h"
#include "platform/ge/GePoint3d.h"
#include "platform/ge/GeVector3d.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

/// The picture of a 3D result: the solid's surface, displaced and coloured by a result, shaded by a
/// headlight and a fill light and drawn far to near (painter's order), with the solid's edges, the
/// undeformed outline behind it, the loads and supports, a legend, a caption and an axes triad.
namespace cae_app
{
/// Where the picture is seen from. Iso looks along (-1, 1, -1): x to the lower right, y to the upper
/// right, z up; front looks along +y, top along -z, right along -x.
enum class ETaskView
{
    eIso,
    eFront,
    eTop,
    eRight
};

/// A load or support on some faces of the solid, as the picture marks it.
struct SceneFeature
{
    enum class EKind
    {
        eLoad,
        eFixed,
        eSliding
    };
    EKind kind = EKind::eLoad;
    /// The solid's face indices.
    std::vector<long> faces;
    /// A load's direction; empty for a pressure, which pushes into its faces.
    std::optional<OdGeVector3d> direction;
};

/// What the picture shows, in drawing units. Surface points are indexed as the mesh's vertices.
struct TaskScene
{
    struct Glyph
    {
        SceneFeature::EKind kind = SceneFeature::EKind::eLoad;
        OdGePoint3d at;
        /// Out of the solid.
        OdGeVector3d normal;
        /// A load's direction (unit).
        OdGeVector3d load;
    };

    std::vector<OdGePoint3d> shown;
    std::vector<OdGePoint3d> undeformed;
    /// The coloured quantity at every vertex.
    std::vector<double> values;
    std::vector<std::array<std::int32_t, 3>> triangles;
    /// Pieces of the solid's edges: the mesh edges generated on them.
    std::vector<std::array<std::int32_t, 2>> featureEdges;
    std::vector<Glyph> glyphs;
    /// Quantity and unit, as "von Mises stress [MPa]".
    std::string title;
    /// Further caption lines (deformation scale, mesh).
    std::vector<std::string> caption;
    /// The safety value is read low: red at its smallest.
    bool reversed = false;
    /// Values above this multiple of the smallest one drawn take the top colour (a safety factor's
    /// long tail, up to thousands where nothing is stressed); empty: none.
    std::optional<double> clipAtMultipleOfSmallest;
    ETaskView view = ETaskView::eIso;
};

/// The scene of `mesh` (its boundary triangles and edges on the solid's edges), drawn at `shown` (one
/// point per mesh vertex, drawing units) with the mesh's own points as the undeformed outline,
/// `values` per mesh vertex (not-a-number where the results have none: halfway between an edge's
/// ends for its mid vertex, else 0), and glyphs spread over the faces of `features`.
TaskScene makeTaskScene(const cae_core::Mesh& mesh, const std::vector<OdGePoint3d>& shown,
                        std::vector<double> values, const std::vector<SceneFeature>& features);

/// The rendered scene, kept in a view for pictures of any size.
class TaskPicture
{
public:
    explicit TaskPicture(const TaskScene& scene);
    ~TaskPicture();
    TaskPicture(const TaskPicture&) = delete;
    TaskPicture& operator=(const TaskPicture&) = delete;

    std::string svg(int width, int height) const;
    std::string png(int width, int height) const;
    /// Where a point of the displaced solid lands in a picture of width x height (x right, y down).
    OdGePoint3d pixelOf(const OdGePoint3d& point, int width, int height) const;
    /// The legend's ends as labelled: the smallest and largest value drawn (the top clipped).
    std::array<double, 2> legendRange() const { return m_range; }
    /// Where a model point lands in the picture plane of `view`.
    static OdGePoint3d project(const OdGePoint3d& p, ETaskView view);

private:
    ca::Application m_app;
    oa::DwgViewer m_viewer;
    ETaskView m_view;
    std::array<double, 2> m_range{};
    std::vector<OdGiDrawablePtr> m_drawables;
};

/// The scene seen from all four directions on one sheet: iso and front above, top and right below,
/// each a quarter of the sheet with its own legend and caption, which names its view.
class TaskSheet
{
public:
    explicit TaskSheet(TaskScene scene) : m_scene(std::move(scene)) {}

    std::string svg(int width, int height) const;
    std::string png(int width, int height) const;

    /// The four views in sheet order, left to right and top to bottom.
    static constexpr std::array<ETaskView, 4> kViews{ETaskView::eIso, ETaskView::eFront, ETaskView::eTop,
                                                     ETaskView::eRight};

private:
    /// Renders the scene from each view at its quarter's size (one view at a time: each keeps the
    /// whole display list of the surface).
    template <typename Render> void renderQuarters(int width, int height, Render&& render) const;

    TaskScene m_scene;
};

/// "1.23e+04" style legend numbers, four significant digits.
std::string legendNumber(double value);
} // namespace cae_app
