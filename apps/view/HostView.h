#pragma once

#include "apps/CommandLine.h"
#include "apps/StageListener.h"
#include "apps/view/Glyphs.h"
#include "apps/view/Legend.h"
#include "apps/view/MovedLabels.h"
#include "cae_core/results2d/InteractiveResult.h"
#include "host/ca/Application.h"
#include "host/oa/DwgViewer.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

/// The program as the host's stage listener: its application object with one drawing window, the
/// module's stage notifier linked to it, and the pictures it writes as each stage starts.
namespace cae_app
{
class HostView : public StageListener, private cae_core::fea2d::Analyze2dStageListener
{
public:
    /// A load's or reaction's label as the picture shows it.
    struct PlacedLabel
    {
        /// Where its glyph put it.
        OdGeExtents3d natural;
        /// Where it stands: its natural box unless that overlapped a label placed before it (the
        /// loads' labels in the order of the analysis, then the reactions' in support order).
        OdGeExtents3d box;
        /// The point of its glyph nearest to its natural place.
        OdGePoint3d anchor;
        /// Whether a leader line runs from it to the anchor: it moved more than its own height.
        bool leader = false;
    };

    /// The picture options of `commandLine` (quantity, deformation, edges, size, glyph size).
    explicit HostView(const CommandLine& commandLine);
    ~HostView() override;

    /// setup.svg, setup.png, result.svg, result.png.
    std::vector<std::string> outputNames() const override;
    /// Shows the region, the mesh (when there is one) and the load and support glyphs, then starts
    /// the module's set-up stage.
    void enterSetupStage(const StageContext& stage) override;
    /// Builds the interactive result (shown at once) and starts the module's results stage, with the
    /// load and support glyphs over the result.
    void enterResultsStage(const StageContext& stage) override;

    /// After the results stage; null before.
    const cae_core::fea2d::InteractiveResult* result() const { return m_result.get(); }
    /// The result's legend; null before the results stage.
    const Legend* legend() const { return m_legend.get(); }
    /// What the view shows now.
    const oa::View& view() const { return m_viewer.view(); }
    /// The boxes of the labels the view shows besides the legend's own (glyph and reaction labels).
    std::vector<OdGeExtents3d> labelBoxes() const;
    /// The labels of the stage shown now, as placed.
    const std::vector<PlacedLabel>& placedLabels() const { return m_labels; }
    /// After the results stage, rows of label, value and unit for the report: what the colours show
    /// (the kind of value and its range, as the legend says) and the deformation scale.
    std::vector<std::array<std::string, 3>> pictureRows() const;

private:
    void onStartSetup(cae_core::fea2d::InputHandler& handler) override;
    void onStartResults(cae_core::fea2d::InteractiveResult& result) override;
    void writePictures(const std::string& stem);
    /// The drawing's context at the command line's glyph size, made on first use.
    const cae_core::fea2d::Context& context(const StageContext& stage);
    /// Adds the load and support glyphs to the view and answers them, in the analysis's order.
    std::vector<OdGiDrawablePtr> showGlyphs(const StageContext& stage);
    /// Moves the labels of `drawables` (shown in the view) apart where they overlap, keeping clear of
    /// the region and the glyphs where it can, and shows the drawables so moved in their place.
    void placeLabels(const StageContext& stage, const std::vector<OdGiDrawablePtr>& drawables);

    const CommandLine& m_cl;
    ca::Application m_app;
    oa::DwgViewer m_viewer;
    cae_core::fea2d::Analyze2dStageNotifier m_notifier;
    const StageContext* m_stage = nullptr;
    /// Outlives the result, which draws through it.
    std::unique_ptr<GlyphSizeContext> m_context;
    std::unique_ptr<cae_core::fea2d::InteractiveResult> m_result;
    OdSmartPtr<Legend> m_legend;
    std::vector<PlacedLabel> m_labels;
};
} // namespace cae_app
