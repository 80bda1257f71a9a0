#pragma once

#include "cae_core/fea2d/Context.h"
#include "cae_core/fea2d/Simulation.h"
#include "cae_core/results2d/MeshQuantityVisualizer.h"
#include "cae_core/results2d/ReactionForceVisualizer.h"
#include "cae_core/solver2d/Solver2dPointEvaluator.h"
#include "platform/base/OdString.h"
#include "platform/ge/GePoint2d.h"

#include <memory>
#include <vector>

namespace cae_core::fea2d
{

class InputHandler;

/// One row of a result table: translated label, formatted value (or the translated "N/A") and unit.
struct TableEntry
{
    OdString name;
    OdString value;
    OdString unit;
};

/// What the host's 2D analysis command holds after a run: the input and output tables, the mesh
/// quantity visualiser and the reaction force visualiser (both shown at once in the host's current
/// view), and point queries on the solution.
///
/// Refers to the simulation output and the context without owning them: the caller keeps both alive
/// as long as the result. Movable, not copyable.
class InteractiveResult
{
public:
    InteractiveResult(const SimulationOutput& output, const Context& context);
    ~InteractiveResult();
    InteractiveResult(InteractiveResult&&) noexcept;
    InteractiveResult& operator=(InteractiveResult&&) = delete;
    InteractiveResult(const InteractiveResult&) = delete;
    InteractiveResult& operator=(const InteractiveResult&) = delete;

    const Context& context() const { return m_context; }
    const SimulationOutput& simulationOutput() const { return m_simulationOutput; }
    /// Mode, thickness, Young's modulus, yield, Poisson ratio.
    const std::vector<TableEntry>& inputTable() const { return m_inputTable; }
    /// Execution time, maximum von Mises stress, maximum displacement, safety factor.
    const std::vector<TableEntry>& outputTable() const { return m_outputTable; }
    MeshQuantityVisualizer& meshQuantityVisualizer() { return *m_meshQuantityVisualizer; }
    const MeshQuantityVisualizer& meshQuantityVisualizer() const { return *m_meshQuantityVisualizer; }
    const ReactionForceVisualizer& reactionForceVisualizer() const { return *m_reactionForceVisualizer; }
    /// The simulation output's evaluator; null when the solve failed.
    const Solver2dPointEvaluator* pointEvaluator() const { return m_pointEvaluator; }

    /// Position, von Mises stress and displacement at a point picked on the mesh as displayed (deformed
    /// by the visualiser's current factor); the quantities read "N/A" for a point in no element. Empty
    /// without a point evaluator.
    std::vector<TableEntry> localQuantitiesTable(const OdGePoint2d& point) const;

private:
    const SimulationOutput& m_simulationOutput;
    const Context& m_context;
    std::vector<TableEntry> m_inputTable;
    std::vector<TableEntry> m_outputTable;
    std::unique_ptr<MeshQuantityVisualizer> m_meshQuantityVisualizer;
    std::unique_ptr<ReactionForceVisualizer> m_reactionForceVisualizer;
    const Solver2dPointEvaluator* m_pointEvaluator = nullptr;
};

/// Which stage the host's 2D analysis command is in.
enum EAnalyze2dStage : int
{
    eUndefined = -1,
    eSetup = 0,
    eResults = 1
};

class Analyze2dStageListener;

/// The command's side of a one-to-one link through which the host learns the stage. Either side's
/// destruction clears the other side's pointer.
class Analyze2dStageNotifier
{
public:
    Analyze2dStageNotifier() = default;
    virtual ~Analyze2dStageNotifier();
    Analyze2dStageNotifier(const Analyze2dStageNotifier&) = delete;
    Analyze2dStageNotifier& operator=(const Analyze2dStageNotifier&) = delete;

    EAnalyze2dStage stage() const { return m_stage; }
    /// Links `listener` (null unlinks). The previous listener forgets this notifier; a listener still
    /// linked to another notifier stays in that one's link too.
    void setListener(Analyze2dStageListener* listener);
    /// Enters the set-up stage and tells the listener; nothing happens when already in it.
    void startSetup(InputHandler& handler);
    /// Enters the results stage and tells the listener; nothing happens when already in it.
    void startResults(InteractiveResult& result);

private:
    friend class Analyze2dStageListener;
    Analyze2dStageListener* m_listener = nullptr;
    EAnalyze2dStage m_stage = eUndefined;
};

/// The host's side of the link: told when a stage starts.
class Analyze2dStageListener
{
public:
    Analyze2dStageListener() = default;
    virtual ~Analyze2dStageListener();
    Analyze2dStageListener(const Analyze2dStageListener&) = delete;
    Analyze2dStageListener& operator=(const Analyze2dStageListener&) = delete;

    /// The linked notifier's stage; eUndefined when not linked.
    EAnalyze2dStage getStage() const;
    virtual void onStartSetup(InputHandler& handler);
    virtual void onStartResults(InteractiveResult& result);

private:
    friend class Analyze2dStageNotifier;
    Analyze2dStageNotifier* m_notifier = nullptr;
};

} // namespace cae_core::fea2d
