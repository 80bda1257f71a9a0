#include "apps/view/HostView.h"

#include "apps/view/Legend.h"
#include "cae_core/glyphs/MeshDrawable.h"

#include <algorithm>

namespace cae_app
{
using cae_core::fea2d::MeshQuantityVisualizer;

namespace
{
/// Mesh edges light and fine enough that the colours of small triangles, where the stress peaks,
/// still show between them; an uncoloured mesh pale, so that its edges show on it.
constexpr std::uint8_t kEdgeGrey = 170;
constexpr double kEdgeWidth = 0.5;
constexpr std::uint8_t kPlainGrey = 235;

MeshQuantityVisualizer::ShellStyle shellStyle(bool edges)
{
    MeshQuantityVisualizer::ShellStyle style;
    style.edges = edges;
    style.edgeColor = OdCmEntityColor(kEdgeGrey, kEdgeGrey, kEdgeGrey);
    style.edgeWidth = kEdgeWidth;
    style.plainColor = OdCmEntityColor(kPlainGrey, kPlainGrey, kPlainGrey);
    return style;
}

/// The legend's title: the quantity, where its values are taken, and the unit.
OdString legendTitle(CommandLine::Quantity quantity, const MeshQuantityVisualizer& visualizer)
{
    switch (quantity)
    {
    case CommandLine::Quantity::eVonMises:
        return L"von Mises stress at element centres [" + visualizer.getUnitStress() + L"]";
    case CommandLine::Quantity::eDisplacement:
        return L"Displacement at vertices [" + visualizer.getUnitDisplacement() + L"]";
    case CommandLine::Quantity::eNone:
        break;
    }
    return OdString();
}

/// The displayed multiple of the displacements, as the picture and the report state it.
std::string scaleText(const MeshQuantityVisualizer& visualizer)
{
    const double factor = visualizer.getDisplacementFactor();
    OdString text;
    text.format(L"%.4g", factor);
    const std::string scale = OdAnsiString(text).str();
    if (factor == 0.0)
        return scale + " (undeformed)";
    return factor == 1.0 ? scale + " (true scale)" : scale;
}
} // namespace

HostView::HostView(const CommandLine& commandLine) : m_cl(commandLine)
{
    m_app.setCurrentViewer(&m_viewer);
    m_notifier.setListener(this);
}

HostView::~HostView()
{
    // The result's visualisers take their drawables off the view, which must still exist.
    m_result.reset();
}

std::vector<std::string> HostView::outputNames() const
{
    return {"setup.svg", "setup.png", "result.svg", "result.png"};
}

void HostView::enterSetupStage(const StageContext& stage)
{
    m_stage = &stage;
    m_viewer.view().addEntity(stage.drawing.region);
    if (const auto mesh = stage.analysis.handler().getMesh())
        m_viewer.view().add(cae_core::fea2d::MeshDrawable::createObject(mesh).get());
    placeLabels(stage, showGlyphs(stage));
    // The stage only reads the handler; the module's notifier hands it on as the host's command would.
    m_notifier.startSetup(const_cast<Analysis2d&>(stage.analysis).handler());
    m_stage = nullptr;
}

void HostView::enterResultsStage(const StageContext& stage)
{
    m_stage = &stage;
    // The results stage shows the result's shell in place of the drawing's mesh.
    m_viewer.replaceView();
    m_viewer.view().addEntity(stage.drawing.region);
    m_result = std::make_unique<cae_core::fea2d::InteractiveResult>(stage.analysis.output(), context(stage));
    m_notifier.startResults(*m_result);
    m_stage = nullptr;
}

void HostView::onStartSetup(cae_core::fea2d::InputHandler&)
{
    writePictures("setup");
}

void HostView::onStartResults(cae_core::fea2d::InteractiveResult& result)
{
    MeshQuantityVisualizer& visualizer = result.meshQuantityVisualizer();
    switch (m_cl.quantity)
    {
    case CommandLine::Quantity::eVonMises:
        visualizer.setColoredQuantity(MeshQuantityVisualizer::eVonMisesStress);
        break;
    case CommandLine::Quantity::eDisplacement:
        visualizer.setColoredQuantity(MeshQuantityVisualizer::eDisplacement);
        break;
    case CommandLine::Quantity::eNone:
        visualizer.setColoredQuantity(MeshQuantityVisualizer::eNone);
        break;
    }
    visualizer.setShellStyle(shellStyle(m_cl.edges));
    visualizer.setDisplacementFactor(m_cl.deform ? *m_cl.deform : visualizer.getLargeDisplacementFactor());
    // Glyphs and labels first: the legend then stands beside all of them, where none can cover it.
    if (m_stage)
    {
        std::vector<OdGiDrawablePtr> labelled = showGlyphs(*m_stage);
        for (const auto* reaction : result.reactionForceVisualizer().drawables())
            labelled.emplace_back(const_cast<cae_core::fea2d::ReactionForceDrawable*>(reaction));
        placeLabels(*m_stage, labelled);
    }
    std::optional<cae_core::ColorMap> map;
    if (m_cl.quantity != CommandLine::Quantity::eNone)
        map = visualizer.getColorMap();
    m_legend = odrxCreateObject<Legend>(map, legendTitle(m_cl.quantity, visualizer),
                                        OdString(("Deformation scale " + scaleText(visualizer)).c_str()),
                                        m_viewer.view().extents());
    m_viewer.view().add(m_legend.get());
    writePictures("result");
}

std::vector<OdGeExtents3d> HostView::labelBoxes() const
{
    std::vector<OdGeExtents3d> boxes;
    const auto legendBoxes = m_viewer.view().textBoxes(m_legend.get());
    for (const OdGeExtents3d& box : m_viewer.view().textBoxes())
        if (!m_legend ||
            std::none_of(legendBoxes.begin(), legendBoxes.end(),
                         [&box](const OdGeExtents3d& b)
                         { return b.minPoint() == box.minPoint() && b.maxPoint() == box.maxPoint(); }))
            boxes.push_back(box);
    return boxes;
}

std::vector<std::array<std::string, 3>> HostView::pictureRows() const
{
    if (!m_result || !m_legend)
        return {};
    const MeshQuantityVisualizer& visualizer = m_result->meshQuantityVisualizer();
    std::vector<std::array<std::string, 3>> rows;
    const Legend::Layout& layout = m_legend->layout();
    if (!layout.ticks.empty())
    {
        const bool stress = m_cl.quantity == CommandLine::Quantity::eVonMises;
        rows.push_back(
            {"Colours",
             std::string(stress ? "von Mises stress at element centres" : "displacement at vertices") + ", " +
                 OdAnsiString(Legend::tickText(layout.ticks.front())).str() + " to " +
                 OdAnsiString(Legend::tickText(layout.ticks.back())).str(),
             OdAnsiString(stress ? visualizer.getUnitStress() : visualizer.getUnitDisplacement()).str()});
    }
    rows.push_back({"Deformation scale", scaleText(visualizer), ""});
    return rows;
}

const cae_core::fea2d::Context& HostView::context(const StageContext& stage)
{
    if (!m_context)
        m_context = std::make_unique<GlyphSizeContext>(*stage.drawing.context, m_cl.glyphSize);
    return *m_context;
}

std::vector<OdGiDrawablePtr> HostView::showGlyphs(const StageContext& stage)
{
    std::vector<OdGiDrawablePtr> shown;
    for (const auto& glyph :
         loadAndSupportGlyphs(stage.analysis.handler().getParams2d(), *stage.drawing.region, context(stage)))
    {
        m_viewer.view().add(glyph.get());
        shown.emplace_back(glyph.get());
    }
    return shown;
}

void HostView::placeLabels(const StageContext& stage, const std::vector<OdGiDrawablePtr>& drawables)
{
    std::vector<std::vector<const OdGiDrawable*>> groups;
    for (const OdGiDrawablePtr& drawable : drawables)
        groups.push_back({drawable.get()});
    const std::vector<std::vector<PlacedText>> placed = placeTexts(*stage.drawing.region, groups);
    m_labels.clear();
    for (std::size_t i = 0; i < drawables.size(); ++i)
    {
        std::vector<MovedLabelsDrawable::Move> moves;
        bool moved = false;
        for (const PlacedText& text : placed[i])
        {
            const LabelRequest& request = text.request;
            const LabelPlacement& placement = text.placement;
            moves.push_back(
                {placement.offset, placement.leader ? std::optional(request.anchor) : std::nullopt});
            if (!request.box.isValidExtents())
                continue;
            moved = moved || placement.offset.x != 0.0 || placement.offset.y != 0.0;
            m_labels.push_back({request.box,
                                OdGeExtents3d(request.box.minPoint() + placement.offset,
                                              request.box.maxPoint() + placement.offset),
                                request.anchor, placement.leader});
        }
        if (moved)
        {
            // The view shows the drawable through its stand-in from now on; whoever made it (the
            // reaction visualiser) keeps it, and takes nothing off the view when it lets it go.
            m_viewer.view().erase(drawables[i].get());
            m_viewer.view().add(odrxCreateObject<MovedLabelsDrawable>(drawables[i], std::move(moves)).get());
        }
    }
}

void HostView::writePictures(const std::string& stem)
{
    if (!m_stage || !m_stage->out)
        return;
    const oa::View& view = m_viewer.view();
    m_stage->out->write(stem + ".svg", view.renderSvg(m_cl.pictureWidth, m_cl.pictureHeight));
    m_stage->out->write(stem + ".png", view.renderPng(m_cl.pictureWidth, m_cl.pictureHeight));
}
} // namespace cae_app
