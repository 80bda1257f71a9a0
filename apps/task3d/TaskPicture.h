#pragma once

#include "cae_core/results2d/ColorMap.h"
#include "host/oa/DrawableImpl.h"
#include "platform/base/OdString.h"
#include "platform/db/DbSubDMesh.h"

#include <string>
#include <vector>

/// The picture of a 3D result: the coloured surface mesh that the module put into the drawing, seen
/// from the south-east isometric direction (looking along (-1, 1, -1): x to the lower right, y to
/// the upper right, z up), with its legend, rendered by the host's view.
namespace cae_app
{
/// The surface of a drawing mesh flattened into the picture plane of the isometric view. The view
/// draws in order, so the triangles are drawn from the farthest to the nearest (painter's order),
/// each with its corners' colours.
class IsometricSurface : public oa::DrawableImpl
{
public:
    /// The triangles and vertex colours of `mesh`, which must not change while this lives.
    explicit IsometricSurface(const OdDbSubDMesh& mesh);
    /// Where a model point lands in the picture plane.
    static OdGePoint3d project(const OdGePoint3d& p);

private:
    /// Asks the view to fill the triangles with their colours.
    std::uint32_t subSetAttributes(OdGiDrawableTraits* traits) const override;
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

    std::vector<OdGePoint3d> m_points;
    std::vector<std::int32_t> m_faces;
    std::vector<OdCmEntityColor> m_colors;
};

struct RenderedPicture
{
    std::string svg;
    std::string png;
};

/// Renders `mesh` with a legend of `map` titled `title`, width x height (points or pixels).
RenderedPicture renderTaskPicture(const OdDbSubDMesh& mesh, const cae_core::ColorMap& map,
                                  const OdString& title, int width, int height);
} // namespace cae_app
