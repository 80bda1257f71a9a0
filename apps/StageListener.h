#pragma once

#include "apps/analysis/Analysis2d.h"
#include "apps/drawing/Drawing.h"
#include "apps/file/AnalysisFile.h"
#include "apps/output/OutputFolder.h"

#include <string>
#include <vector>

/// The host's stages of a 2D analysis as the program passes through them, for whatever shows
/// or saves the analysis on the way (pictures of the set-up and of the results).
namespace cae_app
{
/// What a stage can look at. `out` is null without an output folder.
struct StageContext
{
    const AnalysisFile& file;
    const Drawing& drawing;
    const Analysis2d& analysis;
    OutputFolder* out;
};

class StageListener
{
public:
    virtual ~StageListener() = default;
    /// The names of the files the listener may write into the output folder, so that a run
    /// removes those of an earlier run that it did not write again.
    virtual std::vector<std::string> outputNames() const { return {}; }
    /// The file's inputs and the mesh are in the input handler, and it is ready to solve; or the
    /// handler's status says it is not ready (then there may be no mesh) and the run stops next.
    virtual void enterSetupStage(const StageContext& /*stage*/) {}
    /// The analysis is solved; its output is in `stage.analysis.output()`.
    virtual void enterResultsStage(const StageContext& /*stage*/) {}
};
} // namespace cae_app
