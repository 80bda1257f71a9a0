#include "cae_core/nastran/TaskRun.h"

#include "cae_core/nastran/F06Reader.h"
#include "cae_core/nastran/NastranProcess.h"
#include "cae_core/nastran/TaskDeck.h"
#include "cae_core/nastran/detail/PrintoutLines.h"
#include "cae_core/task/TaskObjects.h"
#include "cae_core/task/TaskOutput.h"
#include "host/ut/File.h"
#include "host/ut/Reporter.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <string_view>
#include <vector>

namespace cae_core
{

EResult readTaskResults(const OdString& folder, TaskOutput& output)
{
    return readTaskResults(folder, output, F06ReadOptions{});
}

EResult readTaskResults(const OdString& folder, TaskOutput& output, const F06ReadOptions& options,
                        std::string* error)
{
    std::ifstream file(ut::convFileNameToMB((ut::FileName(folder) / L"task.f06").path()), std::ios::binary);
    if (!file)
        return eFileError;
    TaskResultTables tables;
    try
    {
        tables = readTaskResultTables(file, options);
    }
    catch (const F06Error& damaged)
    {
        if (error)
            *error = std::string("task.f06, ") + damaged.what();
        return eParseError;
    }
    std::map<std::uint64_t, TaskOutput::Data> records;
    std::map<std::uint64_t, SolidStress> stresses;
    for (const auto& [grid, result] : tables.grids)
    {
        records.emplace_hint(records.end(), grid,
                             TaskOutput::Data{result.displacement, result.vonMisesStress});
        if (result.stressCorners > 0)
            stresses.emplace_hint(stresses.end(), grid, result.stress);
    }
    output.vertexData = std::move(records);
    output.stresses = std::move(stresses);
    output.reactions = std::move(tables.reactions);
    return eOk;
}

namespace
{
constexpr std::string_view kDisplacementTitle = "D I S P L A C E M E N T   V E C T O R";
constexpr std::string_view kTetraStressTitle =
    "S T R E S S E S   I N    T E T R A H E D R O N   S O L I D   E L E M E N T S   ( C T E T R A )";
constexpr std::string_view kEndOfJob = "* * * END OF JOB * * *";
/// A tetrahedron prints its centre and its four corners.
constexpr int kStressPoints = 5;
/// 0-based columns [first, last) of a tetrahedron stress line's cosine label and direction cosines.
constexpr std::size_t kCosineColumns[2] = {81, 98};
/// Values of a displacement row: T1 T2 T3 R1 R2 R3.
constexpr std::size_t kDisplacementValues = 6;

using nastran::detail::holdsSpacedTitle;
using nastran::detail::tokensOf;

/// A whole token that is a number; `finite` tells whether it is one.
bool isWholeNumber(std::string_view token, bool& finite)
{
    double value = 0.0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (end != token.data() + token.size() || token.empty())
        return false;
    // from_chars reads "nan" and "inf" too, and refuses what over- or underflows.
    finite = error == std::errc() && std::isfinite(value);
    return error == std::errc() || error == std::errc::result_out_of_range;
}

bool isWholeId(std::string_view token, std::uint64_t& id)
{
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), id);
    return error == std::errc() && end == token.data() + token.size();
}

std::string quoted(std::string_view token)
{
    constexpr std::size_t kShown = 24;
    return "\"" + std::string(token.substr(0, kShown)) + (token.size() > kShown ? "...\"" : "\"");
}

/// What the printout says, as far as completeness goes.
struct PrintoutSurvey
{
    std::set<std::uint64_t> grids;             ///< with a whole displacement row
    std::map<std::uint64_t, int> stressPoints; ///< tetrahedron -> its points with a whole X line
    bool endOfJob = false;
    std::string fault; ///< the first damaged row, named
};

/// Reads a printout's tables row by row into a survey, stopping at the first damaged row.
class PrintoutSurveyor
{
public:
    PrintoutSurvey survey;
    std::size_t number = 0;

    void fail(const std::string& what)
    {
        if (survey.fault.empty())
            survey.fault = "task.f06, line " + std::to_string(number) + ": " + what;
    }

    /// A row of the displacement table: a grid id, "G" and six finite numbers.
    void displacementRow(const std::vector<std::string_view>& t)
    {
        if (t.size() < 2 || t[1] != "G")
            return;
        std::uint64_t grid = 0;
        if (!isWholeId(t[0], grid))
        {
            fail("the grid id " + quoted(t[0]) + " of a displacement row is garbled");
            return;
        }
        if (t.size() < 2 + kDisplacementValues)
        {
            fail("the displacement row of grid " + std::to_string(grid) + " is cut short");
            return;
        }
        for (std::size_t k = 2; k < 2 + kDisplacementValues; ++k)
        {
            bool finite = false;
            if (!isWholeNumber(t[k], finite))
                fail(quoted(t[k]) + " in the displacement row of grid " + std::to_string(grid) +
                     " is not a number");
            else if (!finite)
                fail("the displacement of grid " + std::to_string(grid) + " is not finite (" + quoted(t[k]) +
                     ")");
        }
        survey.grids.insert(grid);
    }

    /// A line of the tetrahedron stress table.
    void stressLine(std::string_view line, const std::vector<std::string_view>& t)
    {
        // Stresses: "0 <element> 0GRID CS 4 GP", then per point an X line ("0 CENTER|<grid> X ...") and
        // the Y and Z lines; every value but the glued direction cosines must be a finite number.
        if (t.size() >= 2 && line.find("GRID CS") != std::string_view::npos)
        {
            if (!isWholeId(t[1], m_element))
                fail("the element id " + quoted(t[1]) + " of a CTETRA stress block is garbled");
            m_inElement = true;
            survey.stressPoints.emplace(m_element, 0);
            return;
        }
        if (!m_inElement || t.empty())
            return;
        const bool xLine = t.size() >= 3 && t[0] == "0" && t[2] == "X";
        const bool yzLine = t[0] == "Y" || t[0] == "Z";
        if (!xLine && !yzLine)
            return;
        const std::string where = "the stresses of CTETRA " + std::to_string(m_element);
        std::size_t values = 0;
        for (std::size_t k = xLine ? 2 : 0; k < t.size(); ++k)
        {
            const std::string_view token = t[k];
            if (token == "X" || token == "Y" || token == "Z" || token == "XY" || token == "YZ" ||
                token == "ZX" || token == "A" || token == "B" || token == "C")
                continue;
            bool finite = false;
            if (!isWholeNumber(token, finite))
                fail(quoted(token) + " in " + where + " is not a number");
            else if (!finite)
                fail(where + " are not finite (" + quoted(token) + ")");
            ++values;
        }
        // Normal, shear and principal values, and on the X line the mean pressure and von Mises.
        if (values < (xLine ? 5u : 3u))
            fail(where + " are cut short");
        else if (xLine)
            ++survey.stressPoints[m_element];
    }

private:
    std::uint64_t m_element = 0;
    bool m_inElement = false;
};

PrintoutSurvey surveyPrintout(std::istream& in)
{
    enum class ESection
    {
        eOther,
        eDisplacements,
        eStresses
    };
    PrintoutSurveyor surveyor;
    PrintoutSurvey& survey = surveyor.survey;
    ESection section = ESection::eOther;
    std::string text;
    nastran::detail::SubcaseFilter subcases(0);
    while (std::getline(in, text) && survey.fault.empty())
    {
        ++surveyor.number;
        std::string_view line = text;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.find(kEndOfJob) != std::string_view::npos)
        {
            survey.endOfJob = true;
            continue;
        }
        // Anything printed after the END OF JOB line means that it did not end the printout.
        if (survey.endOfJob && !tokensOf(line).empty())
            survey.endOfJob = false;
        // Only the first subcase is read; a deck of the task has no other.
        if (subcases.line(line))
            section = ESection::eOther;
        if (!subcases.inSubcase())
            continue;
        const std::string_view title = nastran::detail::titleOf(line);
        if (title == kDisplacementTitle)
        {
            section = ESection::eDisplacements;
            continue;
        }
        if (title == kTetraStressTitle)
        {
            section = ESection::eStresses;
            continue;
        }
        if (holdsSpacedTitle(line))
        {
            section = ESection::eOther;
            continue;
        }
        // Rows begin with a blank or a carriage-control 0; page headers begin with 1.
        if (section == ESection::eOther || line.empty() || line[0] == '1')
            continue;
        if (section == ESection::eStresses && line.size() > kCosineColumns[0])
        {
            // The direction cosines run into each other ("LX-0.10-0.70-0.70", "LZ 0.99 0.00-0.15"): they
            // are not checked, and blanked so as not to split into false tokens.
            text.replace(kCosineColumns[0], std::min(line.size(), kCosineColumns[1]) - kCosineColumns[0],
                         std::min(line.size(), kCosineColumns[1]) - kCosineColumns[0], ' ');
            line = std::string_view(text).substr(0, line.size());
        }
        const std::vector<std::string_view> t = tokensOf(line);
        if (section == ESection::eDisplacements)
            surveyor.displacementRow(t);
        else
            surveyor.stressLine(line, t);
    }
    return survey;
}
} // namespace

std::string checkTaskResults(const OdString& folder, const Task& task)
{
    const ut::FileName base(folder);
    {
        std::ifstream log(ut::convFileNameToMB((base / L"task.log").path()), std::ios::binary);
        if (!log)
            return "task.log cannot be opened: the solver left no log";
        std::string line, fatal;
        std::size_t number = 0, completionLine = 0;
        std::int32_t code = 0;
        bool takeNext = false;
        while (std::getline(log, line))
        {
            ++number;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (takeNext && fatal.empty())
                fatal = std::string(tokensOf(line).empty() ? std::string_view() : std::string_view(line));
            takeNext = line.find("FATAL ERROR") != std::string::npos;
            try
            {
                std::int32_t found = 0;
                if (parseCompletionLine(line, found))
                {
                    completionLine = number;
                    code = found;
                }
            }
            catch (const std::exception&)
            {
                return "task.log, line " + std::to_string(number) +
                       ": the completion line's code cannot be read";
            }
        }
        if (completionLine == 0)
            return "task.log has no completion line (\"Analysis complete <code>\"): the solver did not "
                   "finish";
        if (code != 0)
        {
            const std::size_t first = fatal.find_first_not_of(' ');
            return "task.log, line " + std::to_string(completionLine) +
                   ": the solver ended with completion code " + std::to_string(code) +
                   (fatal.empty() ? std::string() : " (" + fatal.substr(first) + ")");
        }
    }

    std::ifstream f06(ut::convFileNameToMB((base / L"task.f06").path()), std::ios::binary);
    if (!f06)
        return "task.f06 cannot be opened: the solver left no printed results";
    const PrintoutSurvey survey = surveyPrintout(f06);
    if (!survey.fault.empty())
        return survey.fault;
    if (!survey.endOfJob)
        return "task.f06 does not end with its END OF JOB line: the printout is cut short";
    std::uint64_t missingGrid = 0, missingGrids = 0, missingTetra = 0, missingTetras = 0;
    int pointsOfMissing = 0;
    for (const std::shared_ptr<Entity>& entity : task.m_entities)
    {
        if (!entity || !entity->mesh)
            continue;
        const Mesh& mesh = *entity->mesh;
        for (std::uint64_t i = 0; i < mesh.nbVertices(); ++i)
        {
            const MeshVertex* vertex = mesh.vertex(i).get();
            if (vertex && !survey.grids.count(vertex->id()) && missingGrids++ == 0)
                missingGrid = vertex->id();
        }
        for (std::uint64_t i = 0; i < mesh.nbTetra(); ++i)
        {
            const MeshTetra* tetra = mesh.tetra(i).get();
            if (!tetra)
                continue;
            const auto found = survey.stressPoints.find(tetra->id());
            const int points = found == survey.stressPoints.end() ? 0 : found->second;
            if (points != kStressPoints && missingTetras++ == 0)
            {
                missingTetra = tetra->id();
                pointsOfMissing = points;
            }
        }
    }
    const auto more = [](std::uint64_t count)
    { return count > 1 ? " (and " + std::to_string(count - 1) + " more)" : std::string(); };
    if (missingGrids)
        return "task.f06 has no displacement row for grid " + std::to_string(missingGrid) +
               more(missingGrids);
    if (missingTetras)
        return "task.f06 has " + std::to_string(pointsOfMissing) + " of the " +
               std::to_string(kStressPoints) + " stress points of CTETRA " + std::to_string(missingTetra) +
               more(missingTetras);
    return {};
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
    F06ReadOptions reading;
    reading.printout = options.printoutReading;
    reading.stressComponents = options.stressComponents;
    return readTaskResults(folder, *m_result, reading);
}

} // namespace cae_core
