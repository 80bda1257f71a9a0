#include "cae_core/nastran/TaskRun.h"

#include "cae_core/nastran/F06Reader.h"
#include "cae_core/nastran/NastranProcess.h"
#include "cae_core/nastran/TaskDeck.h"
#include "cae_core/task/TaskObjects.h"
#include "cae_core/task/TaskOutput.h"
#include "host/ut/File.h"
#include "host/ut/Reporter.h"

#include <fstream>

namespace cae_core
{

EResult readTaskResults(const OdString& folder, TaskOutput& output)
{
    std::ifstream file(ut::convFileNameToMB((ut::FileName(folder) / L"task.f06").path()), std::ios::binary);
    if (!file)
        return eFileError;
    std::map<std::uint64_t, TaskOutput::Data> records;
    for (const auto& [grid, result] : readGridResults(file))
        records.emplace_hint(records.end(), grid, TaskOutput::Data{result.displacement, result.vonMisesStress});
    output.vertexData = std::move(records);
    return eOk;
}

EResult Task::run()
{
    return run(TaskDeckOptions{});
}

EResult Task::run(const TaskDeckOptions& options)
{
    const OdString folder = createWorkingFolder();
    // The host's command line shows why the solver could not be found or started.
    ut::StreamReporter reporter;
    if (const EResult result = writeTaskDeckAndRun(folder, *this, reporter, options))
        return result;
    m_result = std::make_shared<TaskOutput>();
    return readTaskResults(folder, *m_result);
}

} // namespace cae_core
