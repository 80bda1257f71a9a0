#pragma once

#include "cae_core/core/Result.h"
#include "cae_core/task/TaskDeckOptions.h"
#include "platform/base/OdString.h"

#include <cstdint>
#include <set>
#include <string>

namespace ut
{
class IReporter;
}

namespace cae_core
{
class Task;

/// A run of grid ids [m_startIndex, m_endIndex] of a single-point constraint card.
struct IndexRange
{
    std::uint64_t m_startIndex = 0;
    std::uint64_t m_endIndex = 0;

    friend auto operator<=>(const IndexRange&, const IndexRange&) = default;
};

/// The linear static analysis deck of a 3D task: header, case control, then grids, tetrahedra, the fixed
/// property and material, the pressure loads and the constraints of the task's one entity. Values are
/// written as stored, in the task's modelling units.
///
/// eUnsupported (after an assertion report) when the task holds other than exactly one entity;
/// eInvalidArgument when an entity, mesh, vertex or tetrahedron is missing or a load's entity or mesh is
/// gone. A loaded face owned by no or several tetrahedra, and a load that is not a pressure, are
/// reported as assertions and written without a pressure card. `deck` is complete only on eOk.
///
/// `options` add to that deck (TaskDeckOptions). Supports holding other translations than all three
/// get one single-point constraint block per component string, slides on planes that are not
/// axis-aligned multipoint constraints (set 100); forces become directional face pressures. Without
/// options and with supports of all three translations the deck is the fixed one above.
/// eMissingData when the task's material is asked for and the entity has none; eInvalidArgument for a
/// support whose components are not ascending digits 1 to 3, a material with a non-positive modulus or
/// a Poisson's ratio outside (-1, 0.5), a force on faces of no area.
EResult buildTaskDeck(const Task& task, std::string& deck, const TaskDeckOptions& options = {});
/// The same, telling `reporter` (as plain messages) why a task is refused and warning when the deck's
/// six-decimal coordinates move a grid by more than a millionth of the model's size (a model far from
/// the origin).
EResult buildTaskDeck(const Task& task, std::string& deck, const TaskDeckOptions& options,
                      ut::IReporter& reporter);

/// Builds the deck (reporting through `reporter` as buildTaskDeck does), writes it as task.dat into
/// `folder` and runs the external solver on it with at most 16 GB of memory. The deck's result when it
/// cannot be built (no file is written), else the run's.
EResult writeTaskDeckAndRun(const OdString& folder, const Task& task, ut::IReporter& reporter,
                            const TaskDeckOptions& options = {});

namespace nastran::detail
{
/// Cuts ascending ids into maximal runs of consecutive values: a run of five or more is one range, a
/// shorter run gives one single-id range per id.
std::set<IndexRange> compressIds(const std::set<std::uint64_t>& ids);
/// Appends the single-point constraint cards of `ids` on components `components`, ten ranges per card,
/// each card on a new line (the text before it is ended first), and ends the last line.
void appendSpc1Block(std::string& deck, const std::set<std::uint64_t>& ids, const char* components);
} // namespace nastran::detail

} // namespace cae_core
