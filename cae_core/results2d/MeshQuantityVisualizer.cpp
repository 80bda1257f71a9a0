#include "cae_core/results2d/MeshQuantityVisualizer.h"

#include "host/ca/Application.h"
#include "host/cma/DrawableHolder.h"
#include "host/oa/RenderTraits.h"
#include "platform/gi/GiWorldDraw.h"

#include <algorithm>
#include <cmath>

namespace cae_core::fea2d
{

namespace
{
/// Factors closer than this are the same display; the factor is a plain multiplier, order 1.
constexpr double kFactorTolerance = 1e-10;
/// The largest displacement counts as zero below this (drawing units).
constexpr double kZeroDisplacement = 1e-10;
/// The large factor draws the largest displacement this share of the mesh diagonal long.
constexpr double kLargeDisplacementShare = 0.1;

ColorMapDomain domainOf(const std::vector<double>& values)
{
    if (values.empty())
        return {0.0, 0.0};
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    return {*lo, *hi};
}

OdCmEntityColor trueColor(const OdCmColor& c)
{
    return OdCmEntityColor(c.red(), c.green(), c.blue());
}
} // namespace

MeshQuantityVisualizer::MeshQuantityVisualizer(const OdDbSubDMesh& mesh, std::vector<double> stressValues,
                                               std::vector<OdGeVector2d> displacementValues,
                                               const OdString& stressUnit, const OdString& displacementUnit)
{
    std::vector<double> lengths;
    lengths.reserve(displacementValues.size());
    for (const OdGeVector2d& d : displacementValues)
        lengths.push_back(d.length());
    stressColorMap = ColorMap::get(ColorMap::eBlueGreenYellowRed, domainOf(stressValues), false);
    displacementColorMap = ColorMap::get(ColorMap::eBlueGreenYellowRed, domainOf(lengths), false);

    mesh.getVertices(vertices);
    mesh.getFaceArray(faces);
    mesh.getNormalArray(normals);
    stressColors.reserve(static_cast<unsigned int>(stressValues.size()));
    for (const double s : stressValues)
        stressColors.append(trueColor(stressColorMap.getColor(s)));
    displacementColors.reserve(static_cast<unsigned int>(lengths.size()));
    for (const double l : lengths)
        displacementColors.append(trueColor(displacementColorMap.getColor(l)));

    stresses = std::move(stressValues);
    displacements = std::move(displacementValues);
    unitStress = stressUnit;
    unitDisplacement = displacementUnit;
    mesh.getGeomExtents(extents);

    setColoredQuantity(eVonMisesStress);
    setDisplacementFactor(1.0);
}

MeshQuantityVisualizer::~MeshQuantityVisualizer() = default;

void MeshQuantityVisualizer::setColoredQuantity(EQuantity quantity)
{
    if (quantity == coloredQuantity)
        return;
    coloredQuantity = quantity;
    const OdSmartPtr<ShellDrawable> drawable = ShellDrawable::createObject(this, quantity);
    shellHolder.reset();
    if (ca::Application* app = ca::Application::instance(); app && app->currentViewer())
        shellHolder = std::make_unique<cma::DrawableHolder>(drawable, *app->currentViewer());
    visualizationChanged();
}

void MeshQuantityVisualizer::setDisplacementFactor(double factor)
{
    if (std::abs(factor - displacementFactor) <= kFactorTolerance)
        return;
    if (vertices.size() == displacements.size())
    {
        const double step = factor - displacementFactor;
        OdGePoint3d* v = vertices.asArrayPtr();
        for (std::size_t i = 0; i < displacements.size(); ++i)
        {
            v[i].x += step * displacements[i].x;
            v[i].y += step * displacements[i].y;
        }
    }
    displacementFactor = factor;
    if (shellHolder)
        shellHolder->updateOnScreen();
}

double MeshQuantityVisualizer::getLargeDisplacementFactor() const
{
    double largest = 0.0;
    for (const OdGeVector2d& d : displacements)
        largest = std::max(largest, d.length());
    if (std::abs(largest) <= kZeroDisplacement)
        return 0.0;
    const double diagonal = extents.isValidExtents() ? extents.diagonal().length() : 0.0;
    return std::max(largest, kLargeDisplacementShare * diagonal) / largest;
}

const ColorMap& MeshQuantityVisualizer::getColorMap() const
{
    return coloredQuantity == eVonMisesStress ? stressColorMap : displacementColorMap;
}

void MeshQuantityVisualizer::setShellStyle(const ShellStyle& style)
{
    shellStyle = style;
    if (shellHolder)
        shellHolder->updateOnScreen();
}

void MeshQuantityVisualizer::reset()
{
    shellHolder.reset();
    setColoredQuantity(eNone);
    setDisplacementFactor(0.0);
}

boost::signals2::connection
MeshQuantityVisualizer::connectVisualizationChangedSignal(const std::function<void()>& slot)
{
    return visualizationChanged.connect(slot);
}

OdSmartPtr<ShellDrawable> ShellDrawable::createObject(const MeshQuantityVisualizer* visualizer,
                                                      MeshQuantityVisualizer::EQuantity quantity)
{
    return odrxCreateObject<ShellDrawable>(visualizer, quantity);
}

ShellDrawable::ShellDrawable(const MeshQuantityVisualizer* visualizer,
                             MeshQuantityVisualizer::EQuantity quantity)
    : m_visualizer(visualizer), m_quantity(quantity)
{
}

std::uint32_t ShellDrawable::subSetAttributes(OdGiDrawableTraits* traits) const
{
    const std::uint32_t flags = oa::DrawableImpl::subSetAttributes(traits);
    if (oa::RenderTraits* render = oa::RenderTraits::from(traits))
        render->setFlags(oa::RenderTraits::eShaded);
    return flags;
}

bool ShellDrawable::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw || !m_visualizer)
        return false;
    const MeshQuantityVisualizer& v = *m_visualizer;
    const MeshQuantityVisualizer::ShellStyle& style = v.shellStyle;
    worldDraw->subEntityTraits().setFillType(kOdGiFillAlways);
    if (style.plainColor)
        worldDraw->subEntityTraits().setTrueColor(*style.plainColor);
    OdGiVertexData vertexData;
    if (!v.normals.isEmpty())
        vertexData.setNormals(v.normals.getPtr());
    // A colour array is handed over whenever it holds colours. The host reads one entry per vertex or
    // face, and a caller may give fewer values than the mesh has: a short array is then completed with
    // the shell's own colour, so what is coloured is drawn so and the rest plainly.
    const OdCmEntityColor plain = worldDraw->subEntityTraits().trueColor();
    const auto covering = [&plain](const OdArray<OdCmEntityColor>& colours, std::size_t count)
    {
        OdArray<OdCmEntityColor> whole = colours;
        while (whole.size() < count)
            whole.append(plain);
        return whole;
    };
    OdArray<OdCmEntityColor> vertexColours, faceColours;
    if (m_quantity == MeshQuantityVisualizer::eDisplacement && !v.displacementColors.isEmpty())
    {
        vertexColours = covering(v.displacementColors, v.vertices.size());
        vertexData.setTrueColors(vertexColours.getPtr());
    }
    OdGiFaceData faceData;
    if (m_quantity == MeshQuantityVisualizer::eVonMisesStress && !v.stressColors.isEmpty())
    {
        faceColours = covering(v.stressColors, v.faces.size() / 4);
        faceData.setTrueColors(faceColours.getPtr());
    }
    worldDraw->geometry().shell(static_cast<std::int32_t>(v.vertices.size()), v.vertices.getPtr(),
                                static_cast<std::int32_t>(v.faces.size()), v.faces.getPtr(), nullptr,
                                &faceData, &vertexData);

    if (!style.edges)
        return true;
    worldDraw->subEntityTraits().setTrueColor(style.edgeColor);
    if (oa::RenderTraits* render = oa::RenderTraits::from(&worldDraw->subEntityTraits()))
        render->setLineWidth(style.edgeWidth);
    const OdGePoint3d* p = v.vertices.getPtr();
    const std::int32_t* f = v.faces.getPtr();
    for (unsigned int i = 0; i + 3 < v.faces.size(); i += 4)
    {
        const OdGePoint3d outline[4] = {p[f[i + 1]], p[f[i + 2]], p[f[i + 3]], p[f[i + 1]]};
        worldDraw->geometry().polyline(4, outline);
    }
    return true;
}

} // namespace cae_core::fea2d
