#include "apps/view/HostView.h"

#include "apps/view/Legend.h"
#include "cae_core/glyphs/MeshDrawable.h"

namespace cae_app
{
using cae_core::fea2d::MeshQuantityVisualizer;

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
    showGlyphs(stage);
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
    visualizer.setDisplacementFactor(m_cl.deform ? *m_cl.deform : visualizer.getLargeDisplacementFactor());
    if (m_cl.quantity != CommandLine::Quantity::eNone)
    {
        const bool stress = m_cl.quantity == CommandLine::Quantity::eVonMises;
        const OdString title = OdString(stress ? L"von Mises stress [" : L"Displacement [") +
                               (stress ? visualizer.getUnitStress() : visualizer.getUnitDisplacement()) +
                               L"]";
        m_legend = odrxCreateObject<Legend>(visualizer.getColorMap(), title, m_viewer.view().extents());
        m_viewer.view().add(m_legend.get());
    }
    if (m_stage)
        showGlyphs(*m_stage);
    writePictures("result");
}

const cae_core::fea2d::Context& HostView::context(const StageContext& stage)
{
    if (!m_context)
        m_context = std::make_unique<GlyphSizeContext>(*stage.drawing.context, m_cl.glyphSize);
    return *m_context;
}

void HostView::showGlyphs(const StageContext& stage)
{
    for (const auto& glyph :
         loadAndSupportGlyphs(stage.analysis.handler().getParams2d(), *stage.drawing.region, context(stage)))
        m_viewer.view().add(glyph.get());
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
