#pragma once

#include "cae_core/core/Result.h"
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
EResult buildTaskDeck(const Task& task, std::string& deck);

/// Builds the deck, writes it as task.dat into `folder` and runs the external solver on it with at most
/// 16 GB of memory. The deck's result when it cannot be built (no file is written), else the run's.
EResult writeTaskDeckAndRun(const OdString& folder, const Task& task, ut::IReporter& reporter);

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
