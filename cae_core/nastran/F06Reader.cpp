#include "cae_core/nastran/F06Reader.h"

#include "cae_core/nastran/detail/PrintoutLines.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace cae_core
{
namespace
{
constexpr std::string_view kDisplacementTitle = "D I S P L A C E M E N T   V E C T O R";
constexpr std::string_view kStressTitle = "S T R E S S E S   I N    T E T R A H E D R O N";
constexpr std::string_view kSummaryTitle = "A N A L Y S I S  S U M M A R Y  T A B L E";
constexpr std::string_view kSpcForceTitle =
    "F O R C E S   O F   S I N G L E - P O I N T   C O N S T R A I N T";
constexpr std::string_view kMpcForceTitle = "F O R C E S   O F   M U L T I P O I N T   C O N S T R A I N T";

/// Shorter lines are never rows: the solver prints every row of both tables past this column.
constexpr std::size_t kMinRowLength = 100;
/// The column (0-based) where the mean pressure and von Mises stress of a tetrahedron point begin.
constexpr std::size_t kPressureColumn = 100;
/// Tokens read from the front of a row: enough for a stress row up to its principal stress A.
constexpr std::size_t kMaxTokens = 8;

bool contains(std::string_view line, std::string_view title)
{
    return line.find(title) != std::string_view::npos;
}

/// Splits `text` at blanks (spaces only, as the printout separates its columns) into at most `max`
/// tokens; returns how many were found.
std::size_t tokenize(std::string_view text, std::string_view* tokens, std::size_t max)
{
    std::size_t count = 0;
    std::size_t i = 0;
    while (count < max)
    {
        while (i < text.size() && text[i] == ' ')
            ++i;
        if (i == text.size())
            break;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ')
            ++i;
        tokens[count++] = text.substr(start, i - start);
    }
    return count;
}

/// As std::stoul (base 10) on a token: an optional sign, at least one digit, conversion up to the first
/// non-digit; a minus negates in unsigned arithmetic. False where stoul throws.
bool toUnsigned(std::string_view token, std::uint64_t& value)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-'))
        negative = token[i++] == '-';
    if (i == token.size() || token[i] < '0' || token[i] > '9')
        return false;
    const auto [end, error] = std::from_chars(token.data() + i, token.data() + token.size(), value);
    if (error != std::errc())
        return false;
    static_cast<void>(end);
    if (negative)
        value = 0 - value;
    return true;
}

/// As std::stod on a token: the longest leading text that is a number. False where stod throws.
bool toReal(std::string_view token, double& value)
{
    if (!token.empty() && token[0] != '+')
    {
        const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
        // A hexadecimal "0x..." stops the fast parser after the zero; the C library reads it whole.
        const bool hexadecimal = end != token.data() + token.size() && (*end == 'x' || *end == 'X');
        if (error == std::errc() && !hexadecimal)
            return true;
        if (error == std::errc::result_out_of_range)
            return false;
    }
    const std::string copy(token);
    char* end = nullptr;
    errno = 0;
    value = std::strtod(copy.c_str(), &end);
    return end != copy.c_str() && errno != ERANGE;
}

/// Whether stod takes `token` as a number, for the columns that are checked but not kept. The printout's
/// own form ("-1.234567E+05": a few digits, an exponent of at most two) is told by its characters alone,
/// as it can neither overflow nor underflow; anything else goes through the full conversion.
bool isNumber(std::string_view token)
{
    constexpr std::size_t kMaxPlainDigits = 20;
    std::size_t i = 0;
    const std::size_t n = token.size();
    if (i < n && (token[i] == '+' || token[i] == '-'))
        ++i;
    const auto digits = [&]
    {
        const std::size_t start = i;
        while (i < n && token[i] >= '0' && token[i] <= '9')
            ++i;
        return i - start;
    };
    std::size_t count = digits();
    if (count > 0 && i < n && token[i] == '.')
    {
        ++i;
        count += digits();
    }
    bool plain = count > 0 && count <= kMaxPlainDigits;
    if (plain && i < n && (token[i] == 'E' || token[i] == 'e'))
    {
        ++i;
        if (i < n && (token[i] == '+' || token[i] == '-'))
            ++i;
        const std::size_t exponent = digits();
        plain = exponent > 0 && exponent <= 2;
    }
    if (plain && i == n)
        return true;
    double value = 0.0;
    return toReal(token, value);
}

/// Delivers the lines of a text held in memory.
class MemoryLines
{
public:
    explicit MemoryLines(std::string_view text) : m_text(text) {}

    bool next(std::string_view& line)
    {
        if (m_position >= m_text.size())
            return false;
        const char* const begin = m_text.data() + m_position;
        const std::size_t rest = m_text.size() - m_position;
        const void* newline = std::memchr(begin, '\n', rest);
        const std::size_t length =
            newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - begin) : rest;
        line = std::string_view(begin, length);
        m_position += newline ? length + 1 : length;
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_position = 0;
};

/// Delivers the lines of a stream, read in large blocks; a line stays valid until the next call.
class StreamLines
{
public:
    explicit StreamLines(std::istream& in) : m_in(in), m_buffer(kBlock) {}

    bool next(std::string_view& line)
    {
        for (;;)
        {
            char* const begin = m_buffer.data() + m_start;
            const std::size_t pending = m_end - m_start;
            if (const void* newline = std::memchr(begin + m_scanned, '\n', pending - m_scanned))
            {
                line = std::string_view(begin,
                                        static_cast<std::size_t>(static_cast<const char*>(newline) - begin));
                m_start += line.size() + 1;
                m_scanned = 0;
                return true;
            }
            m_scanned = m_end - m_start;
            if (m_eof)
            {
                if (m_start == m_end)
                    return false;
                line = std::string_view(m_buffer.data() + m_start, m_end - m_start);
                m_start = m_end;
                m_scanned = 0;
                return true;
            }
            refill();
        }
    }

private:
    static constexpr std::size_t kBlock = std::size_t(1) << 20;

    void refill()
    {
        // Keep the unfinished line at the front, and make room for a line longer than the buffer.
        const std::size_t pending = m_end - m_start;
        std::copy(m_buffer.begin() + static_cast<std::ptrdiff_t>(m_start),
                  m_buffer.begin() + static_cast<std::ptrdiff_t>(m_end), m_buffer.begin());
        m_start = 0;
        m_end = pending;
        if (m_buffer.size() - m_end < kBlock / 2)
            m_buffer.resize(m_buffer.size() * 2);
        m_in.read(m_buffer.data() + m_end, static_cast<std::streamsize>(m_buffer.size() - m_end));
        const auto got = m_in.gcount();
        m_end += got > 0 ? static_cast<std::size_t>(got) : 0;
        if (!m_in)
            m_eof = true;
    }

    std::istream& m_in;
    std::vector<char> m_buffer;
    std::size_t m_start = 0;
    std::size_t m_end = 0;
    /// Characters of the pending line already searched for a line end.
    std::size_t m_scanned = 0;
    bool m_eof = false;
};

bool readDisplacementRow(std::string_view line, GridResults& results)
{
    std::string_view t[5];
    if (tokenize(line, t, 5) < 5)
        return false;
    std::uint64_t grid = 0;
    double x = 0.0, y = 0.0, z = 0.0;
    if (!toUnsigned(t[0], grid) || t[1] != "G" || !toReal(t[2], x) || !toReal(t[3], y) || !toReal(t[4], z))
        return false;
    results[grid].displacement.set(x, y, z);
    return true;
}

/// Reads the X line of a tetrahedron corner into `results`; gives its grid, and its normal x and shear xy
/// stresses into `stress` when given.
bool readStressRow(std::string_view line, GridResults& results, std::uint64_t& grid, SolidStress* stress)
{
    std::string_view t[kMaxTokens];
    if (tokenize(line, t, kMaxTokens) < kMaxTokens)
        return false;
    // The carriage-control digit comes first; the normal, shear and principal stresses are checked, and
    // the first two handed on.
    if (!toUnsigned(t[1], grid) || t[2] != "X" || !isNumber(t[3]) || t[4] != "XY" || !isNumber(t[5]) ||
        t[6] != "A" || !isNumber(t[7]))
        return false;
    if (stress)
    {
        toReal(t[3], stress->xx);
        toReal(t[5], stress->xy);
    }
    std::string_view tail[2];
    double vonMises = 0.0;
    if (tokenize(line.substr(kPressureColumn), tail, 2) < 2 || !isNumber(tail[0]) ||
        !toReal(tail[1], vonMises))
        return false;
    GridResult& result = results[grid];
    result.vonMisesStress = std::max(result.vonMisesStress, vonMises);
    return true;
}

/// The Y or Z line of a tetrahedron point, "<normal label> <normal> <shear label> <shear> ...".
bool readComponentLine(std::string_view line, std::string_view normalLabel, std::string_view shearLabel,
                       double& normal, double& shear)
{
    std::string_view t[4];
    return tokenize(line, t, 4) == 4 && t[0] == normalLabel && t[2] == shearLabel && toReal(t[1], normal) &&
           toReal(t[3], shear);
}

/// Adds a corner's tensor to its grid's sum; the sums become means once the whole printout is read.
void addCorner(GridResults& results, std::uint64_t grid, const SolidStress& stress)
{
    GridResult& result = results[grid];
    result.stress += stress;
    ++result.stressCorners;
}

void averageCorners(GridResults& results)
{
    for (auto& [grid, result] : results)
        if (result.stressCorners > 1)
            result.stress = (1.0 / result.stressCorners) * result.stress;
}

using nastran::detail::holdsSpacedTitle;

/// Follows the tables of forces of constraint through a printout, line by line.
class ConstraintForceReader
{
public:
    explicit ConstraintForceReader(GridForces& forces) : m_forces(forces) {}

    void line(std::string_view line)
    {
        if (contains(line, kSpcForceTitle) || contains(line, kMpcForceTitle))
        {
            m_inTable = true;
            return;
        }
        if (!m_inTable)
            return;
        if (holdsSpacedTitle(line))
        {
            m_inTable = false;
            return;
        }
        std::string_view t[5];
        std::uint64_t grid = 0;
        double x = 0.0, y = 0.0, z = 0.0;
        if (tokenize(line, t, 5) == 5 && t[1] == "G" && toUnsigned(t[0], grid) && toReal(t[2], x) &&
            toReal(t[3], y) && toReal(t[4], z))
            m_forces[grid] += OdGeVector3d(x, y, z);
    }

private:
    GridForces& m_forces;
    bool m_inTable = false;
};

template <class Lines> GridResults read(Lines& lines, bool components, GridForces* forces = nullptr)
{
    GridResults results;
    std::optional<ConstraintForceReader> forceReader;
    if (forces)
        forceReader.emplace(*forces);
    bool inDisplacements = false;
    bool inStresses = false;
    std::string_view line;
    while (lines.next(line))
    {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (forceReader)
            forceReader->line(line);
        if (!inDisplacements && contains(line, kDisplacementTitle))
            inDisplacements = true;
        if (!inStresses && contains(line, kStressTitle))
        {
            inStresses = inDisplacements = true;
            continue;
        }
        if (!inDisplacements || line.size() < kMinRowLength)
            continue;
        std::uint64_t grid = 0;
        SolidStress stress;
        const bool read = inStresses ? readStressRow(line, results, grid, components ? &stress : nullptr)
                                     : readDisplacementRow(line, results);
        if (read && inStresses)
        {
            // The Y and Z lines of the same point; a corner whose lines do not read keeps no tensor.
            if (!lines.next(line))
                break;
            const bool y = components && readComponentLine(line, "Y", "YZ", stress.yy, stress.yz);
            if (!lines.next(line))
                break;
            if (y && readComponentLine(line, "Z", "ZX", stress.zz, stress.zx))
                addCorner(results, grid, stress);
        }
        else if (!read && contains(line, kSummaryTitle))
            break;
    }
    averageCorners(results);
    return results;
}

namespace printout
{
using namespace nastran::detail;

constexpr std::string_view kTetraTitle =
    "S T R E S S E S   I N    T E T R A H E D R O N   S O L I D   E L E M E N T S   ( C T E T R A )";
/// Characters of a damaged value shown in a message.
constexpr std::size_t kShown = 24;

std::string quoted(std::string_view token)
{
    return "\"" + std::string(token.substr(0, kShown)) + (token.size() > kShown ? "...\"" : "\"");
}

enum class ETable
{
    eNone,
    eDisplacements,
    eTetraStresses,
    eConstraintForces
};

/// Reads the tables a solver prints for any deck, a line at a time.
class Reader
{
public:
    Reader(const F06ReadOptions& options, GridResults& results, GridForces* forces)
        : m_subcases(options.subcase), m_results(results), m_forces(forces),
          m_components(options.stressComponents)
    {
    }

    void line(std::string_view line)
    {
        ++m_number;
        if (m_subcases.line(line))
        {
            requireWholeCorner();
            m_table = ETable::eNone;
        }
        if (isPageHeader(line))
            return;
        if (holdsSpacedTitle(line))
        {
            const ETable table = tableOf(titleOf(line));
            // A page break repeats the title of the table it breaks.
            if (table != m_table)
            {
                requireWholeCorner();
                m_table = m_subcases.inSubcase() ? table : ETable::eNone;
            }
            return;
        }
        std::string_view t[kMaxTokens];
        const std::size_t count = tokenize(line, t, kMaxTokens);
        switch (m_table)
        {
        case ETable::eNone:
            return;
        case ETable::eDisplacements:
            if (const auto grid = gridRow(t, count, "displacement"))
                m_results[*grid].displacement = m_values;
            return;
        case ETable::eConstraintForces:
            if (const auto grid = gridRow(t, count, "constraint force"))
                (*m_forces)[*grid] += m_values;
            return;
        case ETable::eTetraStresses:
            stressRow(line, t, count);
            return;
        }
    }

    /// At the end of the printout: the last corner read must be whole.
    void finish() const { requireWholeCorner(); }

private:
    ETable tableOf(std::string_view title) const
    {
        if (title == kDisplacementTitle)
            return ETable::eDisplacements;
        if (title == kTetraTitle)
            return ETable::eTetraStresses;
        if (m_forces && (title == kSpcForceTitle || title == kMpcForceTitle))
            return ETable::eConstraintForces;
        return ETable::eNone;
    }

    [[noreturn]] void fail(const std::string& what) const { throw F06Error(m_number, what); }

    /// "<id> <type> <T1> <T2> <T3> <R1> <R2> <R3>": the id of a grid row with its T values in m_values;
    /// none for a line that is no row (headers) or a row of another point type.
    std::optional<std::uint64_t> gridRow(const std::string_view* t, std::size_t count, const char* table)
    {
        constexpr std::size_t kGridRowTokens = 8;
        const bool row = count >= 2 && t[1].size() == 1 && t[1][0] >= 'A' && t[1][0] <= 'Z' &&
                         t[0][0] >= '0' && t[0][0] <= '9';
        if (!row || t[1] != "G")
            return std::nullopt;
        std::uint64_t grid = 0;
        if (!isWholeId(t[0], grid))
            fail("the grid id " + quoted(t[0]) + " of a " + table + " row is garbled");
        if (count < kGridRowTokens)
            fail("the " + std::string(table) + " row of grid " + std::to_string(grid) + " is cut short");
        double v[6] = {};
        for (std::size_t k = 0; k < 6; ++k)
            if (!isWholeReal(t[2 + k], v[k]))
                fail(quoted(t[2 + k]) + " in the " + table + " row of grid " + std::to_string(grid) +
                     " is not a finite number");
        m_values.set(v[0], v[1], v[2]);
        return grid;
    }

    /// A corner whose X line was read must have had its Y and Z lines before anything else comes.
    void requireWholeCorner() const
    {
        if (m_components && m_pendingLines > 0)
            fail("the CTETRA stress row of grid " + std::to_string(m_pendingGrid) + " on line " +
                 std::to_string(m_pendingLine) + " lacks its " +
                 (m_pendingLines == 2 ? "Y and Z lines" : "Z line"));
    }

    /// The Y or Z line of a point: the corner's yy and yz, or zz and zx, when the components are kept.
    void componentLine(const std::string_view* t, std::size_t count)
    {
        const bool y = t[0] == "Y";
        if (!m_components || m_pendingLines == 0)
            return;
        const char* const expected = m_pendingLines == 2 ? "Y" : "Z";
        const std::string where = "the CTETRA stress row of grid " + std::to_string(m_pendingGrid);
        if (t[0] != expected)
            fail(where + " has a " + std::string(t[0]) + " line where its " + expected + " line belongs");
        if (count < 4 || t[2] != (y ? "YZ" : "ZX"))
            fail("the " + std::string(expected) + " line of " + where + " lacks its " + (y ? "YZ" : "ZX") +
                 " shear stress");
        double& normal = y ? m_pendingStress.yy : m_pendingStress.zz;
        double& shear = y ? m_pendingStress.yz : m_pendingStress.zx;
        for (const std::size_t k : {1, 3})
            if (!isWholeReal(t[k], k == 1 ? normal : shear))
                fail(quoted(t[k]) + " in the " + expected + " line of " + where + " is not a finite number");
        if (--m_pendingLines == 0)
            addCorner(m_results, m_pendingGrid, m_pendingStress);
    }

    /// The element line "0 <id> <cs>GRID CS <n> GP": the components are read in the basic system only.
    void elementLine(const std::string_view* t, std::size_t count) const
    {
        constexpr std::string_view kGrid = "GRID";
        if (!m_components || count < 3 || t[2].size() <= kGrid.size() || !t[2].ends_with(kGrid))
            return;
        requireWholeCorner();
        const std::string_view system = t[2].substr(0, t[2].size() - kGrid.size());
        if (system != "0")
            fail("CTETRA " + std::string(t[1]) + " prints its stresses in coordinate system " +
                 quoted(system) + "; only those in the basic system (0) are read");
    }

    /// The X line of a tetrahedron point, "0 CENTER|<grid> X <sx> XY <txy> A <sa> L.. <mean> <von Mises>";
    /// the element lines and the Y and Z lines matter only when the components are kept.
    void stressRow(std::string_view line, const std::string_view* t, std::size_t count)
    {
        if (count >= 1 && (t[0] == "Y" || t[0] == "Z"))
            return componentLine(t, count);
        if (count >= 3 && t[0] == "0" && t[2] != "X")
            return elementLine(t, count);
        if (count < 3 || t[0] != "0" || t[2] != "X")
            return;
        requireWholeCorner();
        const bool centre = t[1] == "CENTER";
        std::uint64_t grid = 0;
        if (!centre && !isWholeId(t[1], grid))
            fail("the grid id " + quoted(t[1]) + " of a CTETRA stress row is garbled");
        const std::string where =
            "the CTETRA stress row of " + (centre ? std::string("a centre") : "grid " + std::to_string(grid));
        double value = 0.0;
        if (count < kMaxTokens || line.size() <= kPressureColumn)
            fail(where + " is cut short");
        if (t[4] != "XY" || t[6] != "A")
            fail(where + " has the labels " + quoted(t[4]) + " and " + quoted(t[6]) +
                 " where XY and A belong");
        for (const std::size_t k : {3, 5, 7})
            if (!isWholeReal(t[k], value))
                fail(quoted(t[k]) + " in " + where + " is not a finite number");
        std::string_view tail[3];
        if (tokenize(line.substr(kPressureColumn), tail, 3) != 2)
            fail(where + " holds no mean pressure and von Mises stress from character 101 on");
        double vonMises = 0.0;
        for (std::size_t k = 0; k < 2; ++k)
            if (!isWholeReal(tail[k], k == 0 ? value : vonMises))
                fail(quoted(tail[k]) + " in " + where + " is not a finite number");
        if (centre)
            return;
        GridResult& result = m_results[grid];
        result.vonMisesStress = std::max(result.vonMisesStress, vonMises);
        if (!m_components)
            return;
        m_pendingGrid = grid;
        m_pendingLine = m_number;
        m_pendingLines = 2;
        m_pendingStress = SolidStress{};
        isWholeReal(t[3], m_pendingStress.xx);
        isWholeReal(t[5], m_pendingStress.xy);
    }

    SubcaseFilter m_subcases;
    GridResults& m_results;
    GridForces* m_forces;
    ETable m_table = ETable::eNone;
    std::size_t m_number = 0;
    OdGeVector3d m_values;
    bool m_components;
    /// The corner whose X line was read last, its line number, its tensor so far and how many of its
    /// Y and Z lines are still to come.
    std::uint64_t m_pendingGrid = 0;
    std::size_t m_pendingLine = 0;
    SolidStress m_pendingStress;
    int m_pendingLines = 0;
};

template <class Lines> GridResults read(Lines& lines, const F06ReadOptions& options, GridForces* forces)
{
    GridResults results;
    Reader reader(options, results, forces);
    std::string_view line;
    while (lines.next(line))
    {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        reader.line(line);
    }
    reader.finish();
    averageCorners(results);
    return results;
}
} // namespace printout

template <class Lines>
GridResults readWith(Lines& lines, const F06ReadOptions& options, GridForces* forces = nullptr)
{
    return options.printout ? printout::read(lines, options, forces)
                            : read(lines, options.stressComponents, forces);
}
} // namespace

F06Error::F06Error(std::size_t line, const std::string& what)
    : std::runtime_error("line " + std::to_string(line) + " of the printout: " + what), m_line(line)
{
}

GridResults readGridResults(std::istream& f06)
{
    return readGridResults(f06, F06ReadOptions{});
}

GridResults readGridResults(std::string_view f06)
{
    return readGridResults(f06, F06ReadOptions{});
}

GridResults readGridResults(std::istream& f06, const F06ReadOptions& options)
{
    StreamLines lines(f06);
    return readWith(lines, options);
}

GridResults readGridResults(std::string_view f06, const F06ReadOptions& options)
{
    MemoryLines lines(f06);
    return readWith(lines, options);
}

TaskResultTables readTaskResultTables(std::istream& f06, const F06ReadOptions& options)
{
    StreamLines lines(f06);
    TaskResultTables tables;
    tables.grids = readWith(lines, options, &tables.reactions);
    return tables;
}

TaskResultTables readTaskResultTables(std::string_view f06, const F06ReadOptions& options)
{
    MemoryLines lines(f06);
    TaskResultTables tables;
    tables.grids = readWith(lines, options, &tables.reactions);
    return tables;
}

} // namespace cae_core
