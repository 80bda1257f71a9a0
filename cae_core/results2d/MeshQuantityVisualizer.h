#pragma once

#include "cae_core/results2d/ColorMap.h"
#include "host/oa/DrawableImpl.h"
#include "platform/base/OdArray.h"
#include "platform/base/OdString.h"
#include "platform/cm/CmColor.h"
#include "platform/db/DbSubDMesh.h"
#include "platform/ge/GeExtents3d.h"
#include "platform/ge/GeVector2d.h"

#include <boost/signals2/signal.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace cma
{
class DrawableHolder;
}

namespace cae_core::fea2d
{

/// Shows a solved mesh in the host's current view as a transient filled shell, deformed by a multiple
/// of the displacements and coloured by the von Mises stress of each triangle or by the displacement
/// length at each vertex, with the triangle edges in black over it.
///
/// Lives inside the interactive result, on the host's main thread. The shell drawables it creates keep
/// a plain pointer to it; its holder takes them off the view before the visualiser's arrays go.
class MeshQuantityVisualizer
{
public:
    enum EQuantity
    {
        eNone = 0,          ///< no colouring
        eDisplacement = 1,  ///< a colour per vertex by displacement length
        eVonMisesStress = 2 ///< a colour per triangle by von Mises stress
    };

    /// `stresses`: one von Mises stress per triangle, in the mesh's face order; `displacements`: one
    /// per mesh vertex. Shows the mesh coloured by stress and deformed at true scale at once (when the
    /// host has a current viewer).
    MeshQuantityVisualizer(const OdDbSubDMesh& mesh, std::vector<double> stresses,
                           std::vector<OdGeVector2d> displacements, const OdString& unitStress,
                           const OdString& unitDisplacement);
    ~MeshQuantityVisualizer();
    MeshQuantityVisualizer(const MeshQuantityVisualizer&) = delete;
    MeshQuantityVisualizer& operator=(const MeshQuantityVisualizer&) = delete;

    EQuantity getColoredQuantity() const { return coloredQuantity; }
    /// Replaces the displayed shell by one coloured by `quantity` and emits the change signal; nothing
    /// happens when `quantity` is the current one.
    void setColoredQuantity(EQuantity quantity);

    double getDisplacementFactor() const { return displacementFactor; }
    /// Moves the drawn vertices to unmoved position + factor x displacement (when there is one
    /// displacement per vertex) and redraws; a change within 1e-10 does nothing. Emits no signal.
    void setDisplacementFactor(double factor);
    /// The factor at which the largest displacement is drawn a tenth of the mesh diagonal long, never
    /// below 1; 0 when every displacement is zero.
    double getLargeDisplacementFactor() const;

    /// The stress map while stress is coloured, the displacement map otherwise.
    const ColorMap& getColorMap() const;
    OdString getUnitStress() const { return unitStress; }
    OdString getUnitDisplacement() const { return unitDisplacement; }

    /// How the shell is drawn besides its colours. The default is the visualiser's own look: every
    /// triangle outlined in black at the view's fine width, and an uncoloured shell in the view's
    /// current colour. A host that shows fine meshes or plain meshes asks for another look.
    struct ShellStyle
    {
        bool edges = true;
        OdCmEntityColor edgeColor = OdCmEntityColor(0, 0, 0);
        /// A multiple of the view's fine line.
        double edgeWidth = 1.0;
        /// The fill while no quantity is coloured; empty for the view's current colour.
        std::optional<OdCmEntityColor> plainColor;
    };
    const ShellStyle& getShellStyle() const { return shellStyle; }
    /// Draws the displayed shell again in `style`. Emits no signal.
    void setShellStyle(const ShellStyle& style);

    /// Shows nothing, then an uncoloured shell (when something was coloured), undeformed.
    void reset();

    /// Called synchronously after every change of the coloured quantity.
    boost::signals2::connection connectVisualizationChangedSignal(const std::function<void()>& slot);

    /// The vertices as drawn now, and the colours of the triangles and of the vertices.
    const OdGePoint3dArray& getVertices() const { return vertices; }
    const OdArray<OdCmEntityColor>& getStressColors() const { return stressColors; }
    const OdArray<OdCmEntityColor>& getDisplacementColors() const { return displacementColors; }
    /// The holder of the displayed shell; null when nothing is displayed.
    const cma::DrawableHolder* getShellHolder() const { return shellHolder.get(); }

private:
    friend class ShellDrawable;

    OdGePoint3dArray vertices;
    OdInt32Array faces;
    OdGeVector3dArray normals;
    OdArray<OdCmEntityColor> stressColors;
    OdArray<OdCmEntityColor> displacementColors;
    std::vector<double> stresses;
    std::vector<OdGeVector2d> displacements;
    ColorMap stressColorMap;
    ColorMap displacementColorMap;
    EQuantity coloredQuantity = eNone;
    double displacementFactor = 0.0;
    OdString unitStress;
    OdString unitDisplacement;
    OdGeExtents3d extents;
    std::unique_ptr<cma::DrawableHolder> shellHolder;
    boost::signals2::signal<void()> visualizationChanged;
    ShellStyle shellStyle;
};

/// Draws a visualiser's shell coloured by one quantity, reading the visualiser's arrays when drawn.
class ShellDrawable : public oa::DrawableImpl
{
public:
    static OdSmartPtr<ShellDrawable> createObject(const MeshQuantityVisualizer* visualizer,
                                                  MeshQuantityVisualizer::EQuantity quantity);
    ShellDrawable(const MeshQuantityVisualizer* visualizer, MeshQuantityVisualizer::EQuantity quantity);

    MeshQuantityVisualizer::EQuantity quantity() const { return m_quantity; }

protected:
    /// Asks the host to shade the shell with its face and vertex colours.
    std::uint32_t subSetAttributes(OdGiDrawableTraits* traits) const override;
    /// A filled shell with the quantity's colours, then each triangle's outline (black unless the
    /// visualiser's shell style says otherwise).
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

private:
    const MeshQuantityVisualizer* m_visualizer;
    MeshQuantityVisualizer::EQuantity m_quantity;
};

} // namespace cae_core::fea2d
