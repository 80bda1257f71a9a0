#include "tools/nastran/Deck.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace nastran
{
namespace
{

/// Ids of grids, elements, properties, materials and sets: positive and below this bound.
constexpr Id kIdLimit = 100000000;
/// Names and field texts quoted in messages are cut to this many characters, so that a binary or
/// garbled deck cannot produce messages of unbounded length.
constexpr std::size_t kQuoteLimit = 24;
/// Small-field format: 8-character fields, data in columns 9 to 72.
constexpr std::size_t kSmallField = 8;
constexpr std::size_t kFieldsPerLine = 8;

std::string_view trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

std::string upper(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

/// Text of a field or name as it may appear in a message: printable, bounded.
std::string quote(std::string_view s)
{
    std::string r = "\"";
    for (std::size_t i = 0; i < s.size() && i < kQuoteLimit; ++i)
    {
        const auto c = static_cast<unsigned char>(s[i]);
        r += std::isprint(c) ? static_cast<char>(c) : '?';
    }
    if (s.size() > kQuoteLimit)
        r += "...";
    return r + "\"";
}

struct RawEntry
{
    std::string name;
    std::vector<std::string> fields; ///< data fields 1..n (field 1 follows the name)
    int line = 0;
};

/// A problem with one card; the reader adds the card's name and line.
struct CardError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

/// Typed access to the data fields of one entry; numbering as in the card descriptions (field 1 is
/// the first after the name).
class Card
{
public:
    explicit Card(const RawEntry& e) : m_entry(e) {}

    std::size_t size() const { return m_entry.fields.size(); }
    std::string_view text(std::size_t i) const
    {
        return i >= 1 && i <= m_entry.fields.size() ? std::string_view(m_entry.fields[i - 1])
                                                    : std::string_view();
    }
    bool blank(std::size_t i) const { return text(i).empty(); }

    std::optional<Id> optInteger(std::size_t i, const char* what) const
    {
        if (blank(i))
            return std::nullopt;
        auto v = parseInteger(text(i));
        if (!v)
            fail(i, what, "is not an integer");
        return v;
    }
    Id integer(std::size_t i, const char* what) const
    {
        auto v = optInteger(i, what);
        if (!v)
            fail(i, what, "is required");
        return *v;
    }
    Id id(std::size_t i, const char* what) const
    {
        const Id v = integer(i, what);
        if (v <= 0 || v >= kIdLimit)
            fail(i, what, "must be a positive id below 100000000");
        return v;
    }
    std::optional<double> optReal(std::size_t i, const char* what) const
    {
        if (blank(i))
            return std::nullopt;
        auto v = parseReal(text(i));
        if (!v)
            fail(i, what, "is not a real number");
        return v;
    }
    double real(std::size_t i, const char* what) const
    {
        auto v = optReal(i, what);
        if (!v)
            fail(i, what, "is required");
        return *v;
    }
    /// Field that must be blank or 0 (coordinate systems other than the basic one).
    void basicSystem(std::size_t i, const char* what) const
    {
        auto v = optInteger(i, what);
        if (v && *v != 0)
            fail(i, what, "refers to a coordinate system; only the basic system (0 or blank) is supported");
    }
    /// Component list such as 123 or 456: digits 1 to 6, each once; returned sorted.
    std::string components(std::size_t i, const char* what) const
    {
        std::string c(text(i));
        if (c.empty())
            fail(i, what, "is required");
        std::sort(c.begin(), c.end());
        const bool digits = std::all_of(c.begin(), c.end(), [](char d) { return d >= '1' && d <= '6'; });
        if (!digits || std::adjacent_find(c.begin(), c.end()) != c.end())
            fail(i, what, "must list components 1 to 6, each at most once");
        return c;
    }
    [[noreturn]] void fail(std::size_t i, const char* what, const char* why) const
    {
        throw CardError("field " + std::to_string(i) + " (" + what + ") " + quote(text(i)) + " " + why);
    }

private:
    const RawEntry& m_entry;
};

/// The name of a case control command, upper case, from the part before its "=".
std::string commandName(std::string_view left)
{
    std::string name = upper(trim(left.substr(0, left.find('('))));
    return name.substr(0, name.find_first_of(" \t"));
}

/// The options in a case control command's parentheses, upper case (none without parentheses); false
/// when the parenthesis is not closed.
bool commandOptions(std::string_view left, std::string& options)
{
    const std::size_t paren = left.find('(');
    if (paren == std::string_view::npos)
        return true;
    const std::size_t close = left.find(')', paren);
    if (close == std::string_view::npos)
        return false;
    options = upper(left.substr(paren + 1, close - paren - 1));
    return true;
}

/// The comma-separated options that are not among those allowed.
std::vector<std::string_view> unknownOptions(std::string_view options,
                                             std::initializer_list<std::string_view> allowed)
{
    std::vector<std::string_view> unknown;
    std::size_t start = 0;
    while (start <= options.size())
    {
        std::size_t comma = options.find(',', start);
        if (comma == std::string_view::npos)
            comma = options.size();
        const std::string_view opt = trim(options.substr(start, comma - start));
        if (!opt.empty() && std::find(allowed.begin(), allowed.end(), opt) == allowed.end())
            unknown.push_back(opt);
        start = comma + 1;
    }
    return unknown;
}

/// One case control command: NAME(OPTIONS) = VALUE.
struct CaseCommand
{
    std::string_view text;
    int line = 0;
    std::string name, options; ///< upper case
    bool hasValue = false;     ///< an "=" follows the name
    std::string_view value;
};

class Reader
{
public:
    DeckReadResult read(std::string_view text);

private:
    enum class ESection
    {
        eExecutive,
        eCase,
        eBulk,
        eDone
    };

    void error(int line, std::string text) { m_result.errors.push_back({line, std::move(text)}); }
    void executiveLine(std::string_view s, int line);
    void caseLine(std::string_view raw, std::string_view s, int line);
    void caseCommand(const CaseCommand& command);
    /// False, with an error, for a command without "= value".
    bool caseValueGiven(const CaseCommand& command);
    void caseSetId(const CaseCommand& command, std::optional<Id>& target);
    /// An output request: ALL or NONE, with the print options this program honours.
    void caseOutput(const CaseCommand& command, bool& target,
                    std::initializer_list<std::string_view> allowed);
    void bulkLine(std::string_view s, int line);
    /// The card a continuation line adds to; none (an error) when no card came before it.
    RawEntry* continuedEntry(int line);
    void freeFieldLine(const std::vector<std::string>& pieces, int line);
    void smallFieldLine(std::vector<std::string> columns, int line);
    void flushEntry();
    void card(const RawEntry& e);

    void grid(const Card& c, int line);
    void tetra(const Card& c, int line);
    void tria(const Card& c, int line, bool sixNodes);
    void psolid(const Card& c, int line);
    void pshell(const Card& c, int line);
    void mat1(const Card& c, int line);
    void pload4(const Card& c, int line);
    void force(const Card& c, int line);
    void load(const Card& c, int line);
    void spc(const Card& c, int line);
    void spc1(const Card& c, int line);
    void mpc(const Card& c, int line);

    DeckReadResult m_result;
    ESection m_section = ESection::eExecutive;
    std::optional<RawEntry> m_entry;
    bool m_solSeen = false;
};

DeckReadResult Reader::read(std::string_view text)
{
    int line = 0;
    std::size_t pos = 0;
    while (pos < text.size() && m_section != ESection::eDone)
    {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        ++line;
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        const std::string_view s = trim(raw);
        switch (m_section)
        {
        case ESection::eExecutive:
            executiveLine(s, line);
            break;
        case ESection::eCase:
            caseLine(raw, s, line);
            break;
        case ESection::eBulk:
            bulkLine(raw, line);
            break;
        case ESection::eDone:
            break;
        }
    }
    switch (m_section)
    {
    case ESection::eExecutive:
        error(0, "the deck ends before CEND");
        break;
    case ESection::eCase:
        error(0, "the deck ends before BEGIN BULK");
        break;
    case ESection::eBulk:
        flushEntry();
        error(0, "the deck ends without ENDDATA");
        break;
    case ESection::eDone:
        break;
    }
    if (!m_solSeen && m_section != ESection::eExecutive)
        error(0, "the executive control has no SOL statement");
    return std::move(m_result);
}

void Reader::executiveLine(std::string_view s, int line)
{
    if (s.empty() || s.front() == '$')
        return;
    const std::string u = upper(s);
    if (u == "CEND")
    {
        m_section = ESection::eCase;
        return;
    }
    if (u.rfind("SOL", 0) == 0 && u.size() > 3 && std::isspace(static_cast<unsigned char>(u[3])))
    {
        const std::string_view sol = trim(std::string_view(u).substr(3));
        m_solSeen = true;
        if (sol == "101" || sol == "SESTATIC")
            m_result.model.caseControl.sol = 101;
        else
            error(line, "SOL " + quote(sol) + " on line " + std::to_string(line) +
                            " is not supported; only SOL 101 (linear statics) is");
        return;
    }
    error(line, "executive control statement " + quote(s) + " on line " + std::to_string(line) +
                    " is not supported");
}

void Reader::caseLine(std::string_view raw, std::string_view s, int line)
{
    if (s.empty() || s.front() == '$')
        return;
    CaseControl& cc = m_result.model.caseControl;
    const std::string u = upper(s);
    if (u.rfind("BEGIN", 0) == 0 && trim(std::string_view(u).substr(5)) == "BULK")
    {
        m_section = ESection::eBulk;
        return;
    }
    cc.lines.emplace_back(trim(raw));
    const std::size_t eq = s.find('=');
    const std::string_view left = trim(s.substr(0, eq));
    const std::string_view value = eq == std::string_view::npos ? std::string_view() : trim(s.substr(eq + 1));
    CaseCommand command{s, line, commandName(left), {}, eq != std::string_view::npos, value};
    if (!commandOptions(left, command.options))
    {
        error(line, "case control command " + quote(s) + " on line " + std::to_string(line) +
                        " has no closing parenthesis");
        return;
    }
    caseCommand(command);
}

bool Reader::caseValueGiven(const CaseCommand& command)
{
    if (!command.hasValue)
        error(command.line, "case control command " + command.name + " on line " +
                                std::to_string(command.line) + " needs a value after \"=\"");
    return command.hasValue;
}

void Reader::caseSetId(const CaseCommand& command, std::optional<Id>& target)
{
    if (!caseValueGiven(command))
        return;
    auto v = parseInteger(command.value);
    if (!v || *v <= 0 || *v >= kIdLimit)
        error(command.line, "case control command " + command.name + " on line " +
                                std::to_string(command.line) + ": " + quote(command.value) +
                                " is not a set id");
    else
        target = *v;
}

void Reader::caseOutput(const CaseCommand& command, bool& target,
                        std::initializer_list<std::string_view> allowed)
{
    if (!caseValueGiven(command))
        return;
    const std::string where = " on line " + std::to_string(command.line);
    for (const std::string_view opt : unknownOptions(command.options, allowed))
        error(command.line, "option " + quote(opt) + " of " + command.name + where + " is not supported");
    const std::string v = upper(command.value);
    if (v == "ALL")
        target = true;
    else if (v == "NONE")
        target = false;
    else
        error(command.line,
              command.name + where + ": only ALL or NONE is supported, not " + quote(command.value));
}

void Reader::caseCommand(const CaseCommand& command)
{
    CaseControl& cc = m_result.model.caseControl;
    const std::string_view s = command.text, value = command.value;
    const std::string& name = command.name;
    const int line = command.line;
    const std::string where = " on line " + std::to_string(line);
    auto isAbbreviation = [&](std::string_view full, std::size_t shortest)
    { return name.size() >= shortest && full.substr(0, name.size()) == name; };

    if (name == "TITLE" || name == "SUBTITLE" || name == "LABEL")
    {
        if (!caseValueGiven(command))
            return;
        std::string& target = name == "TITLE" ? cc.title : name == "SUBTITLE" ? cc.subtitle : cc.label;
        target = std::string(value);
    }
    else if (name == "LINES")
    {
        if (!caseValueGiven(command))
            return;
        auto v = parseInteger(value);
        if (!v || *v < 10 || *v > 2000000000)
            error(line, "LINES" + where + ": " + quote(value) + " is not a page length (10 or more lines)");
        else
            cc.linesPerPage = static_cast<int>(*v);
    }
    else if (isAbbreviation("DISPLACEMENT", 4))
        caseOutput(command, cc.printDisplacements, {"PRINT", "PLOT", "SORT1", "REAL"});
    else if (isAbbreviation("STRESS", 4) || name == "ELSTRESS")
        caseOutput(
            command, cc.printStresses,
            {"PRINT", "PLOT", "SORT1", "REAL", "VONMISES", "CENTER", "CORNER", "BILIN", "CUBIC", "SGAGE"});
    else if (name == "SPCFORCES")
        caseOutput(command, cc.printSpcForces, {"PRINT", "PLOT", "SORT1", "REAL"});
    else if (name == "MPCFORCES")
        caseOutput(command, cc.printMpcForces, {"PRINT", "PLOT", "SORT1", "REAL"});
    else if (name == "SPC")
        caseSetId(command, cc.spcSet);
    else if (name == "MPC")
        caseSetId(command, cc.mpcSet);
    else if (name == "LOAD")
        caseSetId(command, cc.loadSet);
    else if (name == "ECHO")
    {
        if (!caseValueGiven(command))
            return;
        const std::string v = upper(value);
        if (v == "NONE" || v == "PUNCH" || v == "UNSORT" || v == "SORT" || v == "BOTH")
            cc.echo = v;
        else
            error(line,
                  "ECHO" + where + ": " + quote(value) + " is not one of NONE, PUNCH, UNSORT, SORT, BOTH");
    }
    else
        error(line, "case control command " + quote(name.empty() ? std::string(s) : name) + where +
                        " is not supported");
}

/// Grows a card's fields to whole lines, so that a continuation's fields start on a line of their own.
void padToLine(std::vector<std::string>& fields)
{
    fields.resize((fields.size() + kFieldsPerLine - 1) / kFieldsPerLine * kFieldsPerLine);
}

/// The comma-separated fields of a free-field line, upper case and trimmed, a trailing empty one
/// dropped.
std::vector<std::string> freeFields(std::string_view s)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (true)
    {
        const std::size_t comma = s.find(',', start);
        pieces.push_back(
            upper(trim(s.substr(start, comma == std::string_view::npos ? s.npos : comma - start))));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    if (pieces.size() > 1 && pieces.back().empty())
        pieces.pop_back();
    return pieces;
}

/// The name column and the fields of a small-field line; tabs advance to the next multiple of 8
/// columns.
std::vector<std::string> smallFields(std::string_view s)
{
    std::string expanded;
    for (char c : s)
    {
        if (c == '\t')
            expanded.append(kSmallField - expanded.size() % kSmallField, ' ');
        else
            expanded += c;
    }
    std::vector<std::string> columns;
    for (std::size_t field = 0; field <= kFieldsPerLine; ++field)
    {
        const std::size_t from = field * kSmallField;
        columns.push_back(from < expanded.size()
                              ? upper(trim(std::string_view(expanded).substr(from, kSmallField)))
                              : std::string());
    }
    return columns;
}

void Reader::bulkLine(std::string_view raw, int line)
{
    const std::size_t dollar = raw.find('$');
    std::string_view s = raw.substr(0, dollar);
    if (trim(s).empty())
        return;
    const std::string& echo = m_result.model.caseControl.echo;
    if (echo == "UNSORT" || echo == "SORT" || echo == "BOTH")
        m_result.model.bulkLines.emplace_back(raw);
    if (s.find(',') != std::string_view::npos)
        freeFieldLine(freeFields(s), line);
    else
        smallFieldLine(smallFields(s), line);
}

RawEntry* Reader::continuedEntry(int line)
{
    if (!m_entry)
    {
        error(line, "continuation line " + std::to_string(line) + " does not follow a card");
        return nullptr;
    }
    return &*m_entry;
}

void Reader::freeFieldLine(const std::vector<std::string>& pieces, int line)
{
    const std::string& first = pieces.front();
    if (first.empty() || first.front() == '+' || first.front() == '*')
    {
        if (RawEntry* e = continuedEntry(line))
        {
            padToLine(e->fields);
            e->fields.insert(e->fields.end(), pieces.begin() + 1, pieces.end());
        }
        return;
    }
    const char c0 = first.front();
    if (std::isdigit(static_cast<unsigned char>(c0)) || c0 == '-' || c0 == '.')
    {
        if (RawEntry* e = continuedEntry(line))
            e->fields.insert(e->fields.end(), pieces.begin(), pieces.end());
        return;
    }
    flushEntry();
    m_entry = RawEntry{first, std::vector<std::string>(pieces.begin() + 1, pieces.end()), line};
}

void Reader::smallFieldLine(std::vector<std::string> columns, int line)
{
    const std::string name = columns.front();
    std::vector<std::string> fields(columns.begin() + 1, columns.end());
    if (name.empty() || name.front() == '+' || name.front() == '*')
    {
        if (RawEntry* e = continuedEntry(line))
        {
            padToLine(e->fields);
            e->fields.insert(e->fields.end(), fields.begin(), fields.end());
        }
        return;
    }
    flushEntry();
    if (name == "ENDDATA")
    {
        m_section = ESection::eDone;
        return;
    }
    m_entry = RawEntry{name, std::move(fields), line};
}

void Reader::flushEntry()
{
    if (!m_entry)
        return;
    RawEntry e = std::move(*m_entry);
    m_entry.reset();
    while (!e.fields.empty() && e.fields.back().empty())
        e.fields.pop_back();
    try
    {
        card(e);
    }
    catch (const CardError& x)
    {
        error(e.line, e.name + " on line " + std::to_string(e.line) + ": " + x.what());
    }
}

void Reader::card(const RawEntry& e)
{
    const Card c(e);
    const std::string& n = e.name;
    if (n == "GRID")
        grid(c, e.line);
    else if (n == "CTETRA")
        tetra(c, e.line);
    else if (n == "CTRIA3")
        tria(c, e.line, false);
    else if (n == "CTRIA6")
        tria(c, e.line, true);
    else if (n == "PSOLID")
        psolid(c, e.line);
    else if (n == "PSHELL")
        pshell(c, e.line);
    else if (n == "MAT1")
        mat1(c, e.line);
    else if (n == "PLOAD4")
        pload4(c, e.line);
    else if (n == "FORCE")
        force(c, e.line);
    else if (n == "LOAD")
        load(c, e.line);
    else if (n == "SPC")
        spc(c, e.line);
    else if (n == "SPC1")
        spc1(c, e.line);
    else if (n == "MPC")
        mpc(c, e.line);
    else if (!n.empty() && n.back() == '*')
        throw CardError("large-field format is not supported");
    else
        error(e.line,
              "bulk data card " + quote(n) + " on line " + std::to_string(e.line) + " is not supported");
}

void Reader::grid(const Card& c, int line)
{
    Grid g;
    g.id = c.id(1, "ID");
    c.basicSystem(2, "CP");
    g.x = {c.optReal(3, "X1").value_or(0.0), c.optReal(4, "X2").value_or(0.0),
           c.optReal(5, "X3").value_or(0.0)};
    c.basicSystem(6, "CD");
    if (!c.blank(7))
        g.permanentSpc = c.components(7, "PS");
    if (c.size() > 8)
        throw CardError("has more fields than GRID takes");
    g.line = line;
    m_result.model.grids.push_back(std::move(g));
}

void Reader::tetra(const Card& c, int line)
{
    Element e;
    e.id = c.id(1, "EID");
    e.property = c.id(2, "PID");
    for (std::size_t i = 3; i <= 6; ++i)
        e.grids.push_back(c.id(i, "corner grid"));
    bool anyMid = false;
    bool allMid = true;
    for (std::size_t i = 7; i <= 12; ++i)
    {
        anyMid = anyMid || !c.blank(i);
        allMid = allMid && !c.blank(i);
    }
    if (anyMid && !allMid)
        throw CardError("a tetrahedron has 4 grids or 10; some but not all mid-side grids are given");
    if (c.size() > 12)
        throw CardError("has more than 10 grids");
    if (allMid)
        for (std::size_t i = 7; i <= 12; ++i)
            e.grids.push_back(c.id(i, "mid-side grid"));
    e.type = allMid ? EElementType::eTetra10 : EElementType::eTetra4;
    e.line = line;
    m_result.model.elements.push_back(std::move(e));
}

void Reader::tria(const Card& c, int line, bool sixNodes)
{
    Element e;
    e.id = c.id(1, "EID");
    e.property = c.id(2, "PID");
    const std::size_t n = sixNodes ? 6 : 3;
    for (std::size_t i = 0; i < n; ++i)
        e.grids.push_back(c.id(3 + i, "grid"));
    e.type = sixNodes ? EElementType::eTria6 : EElementType::eTria3;
    e.line = line;
    m_result.model.elements.push_back(std::move(e));
}

void Reader::psolid(const Card& c, int line)
{
    SolidProperty p;
    p.id = c.id(1, "PID");
    p.material = c.id(2, "MID");
    c.basicSystem(3, "CORDM");
    p.line = line;
    m_result.model.solidProperties.push_back(p);
}

void Reader::pshell(const Card& c, int line)
{
    ShellProperty p;
    p.id = c.id(1, "PID");
    p.material = c.id(2, "MID1");
    p.thickness = c.real(3, "T");
    if (!(p.thickness > 0.0))
        c.fail(3, "T", "must be positive");
    const Id mid2 = c.optInteger(4, "MID2").value_or(0);
    if (mid2 == -1)
        p.planeStrain = true;
    else if (mid2 != 0)
        c.fail(4, "MID2", "must be blank or 0 (plane stress) or -1 (plane strain); bending is not supported");
    if (!c.blank(6))
        c.fail(6, "MID3", "must be blank; transverse shear is not supported");
    if (!c.blank(11))
        c.fail(11, "MID4", "must be blank; membrane-bending coupling is not supported");
    p.line = line;
    m_result.model.shellProperties.push_back(p);
}

void Reader::mat1(const Card& c, int line)
{
    Material m;
    m.id = c.id(1, "MID");
    auto e = c.optReal(2, "E");
    auto g = c.optReal(3, "G");
    auto nu = c.optReal(4, "NU");
    if (static_cast<int>(e.has_value()) + g.has_value() + nu.has_value() < 2)
        throw CardError("at least two of E, G and NU are needed");
    const bool givenE = e.has_value(), givenG = g.has_value(), givenNu = nu.has_value();
    // Isotropic elasticity needs two constants: the missing one follows from G = E / (2 (1 + NU)).
    if (!e)
        e = 2.0 * (1.0 + *nu) * *g;
    if (!nu)
        nu = *e / (2.0 * *g) - 1.0;
    if (!g)
        g = *e / (2.0 * (1.0 + *nu));
    // A value that follows from the other two is blamed on them, since that is what the deck says.
    if (!(*e > 0.0 && std::isfinite(*e)))
        c.fail(givenE ? 2 : 3, givenE ? "E" : "G",
               givenE ? "must be positive and finite"
                      : "gives with NU a Young's modulus that is not positive");
    if (!(*g > 0.0 && std::isfinite(*g)))
        c.fail(givenG ? 3 : 2, givenG ? "G" : "E",
               givenG ? "must be positive and finite, of the sign of E"
                      : "gives with NU a shear modulus that is not positive");
    if (!(*nu > -1.0 && *nu < 0.5))
        c.fail(givenNu ? 4 : 3, givenNu ? "NU" : "G",
               givenNu ? "must lie between -1 and 0.5" : "gives with E a Poisson's ratio outside (-1, 0.5)");
    m.youngsModulus = *e;
    m.shearModulus = *g;
    m.poissonRatio = *nu;
    m.line = line;
    m_result.model.materials.push_back(m);
}

void Reader::pload4(const Card& c, int line)
{
    FacePressure p;
    p.set = c.id(1, "SID");
    p.element = c.id(2, "EID");
    p.pressure = c.real(3, "P1");
    for (std::size_t i = 4; i <= 6; ++i)
    {
        auto pi = c.optReal(i, "P2-P4");
        if (pi && *pi != p.pressure)
            c.fail(i, "P2-P4", "differs from P1; only uniform pressure is supported");
    }
    if (c.text(7) == "THRU")
        c.fail(7, "G1", "THRU applies to shell faces; only faces of CTETRA elements are supported");
    p.cornerOnFace = c.id(7, "G1");
    p.oppositeCorner = c.id(8, "G4");
    c.basicSystem(9, "CID");
    const Vec3 n{c.optReal(10, "N1").value_or(0.0), c.optReal(11, "N2").value_or(0.0),
                 c.optReal(12, "N3").value_or(0.0)};
    if (n[0] != 0.0 || n[1] != 0.0 || n[2] != 0.0)
        p.direction = n;
    if (!c.blank(13) && c.text(13) != "SURF")
        c.fail(13, "SORL", "must be blank or SURF");
    if (c.size() > 14)
        throw CardError("has more fields than PLOAD4 takes");
    p.line = line;
    m_result.model.pressures.push_back(p);
}

void Reader::force(const Card& c, int line)
{
    NodalForce f;
    f.set = c.id(1, "SID");
    f.grid = c.id(2, "G");
    c.basicSystem(3, "CID");
    f.scale = c.real(4, "F");
    f.direction = {c.optReal(5, "N1").value_or(0.0), c.optReal(6, "N2").value_or(0.0),
                   c.optReal(7, "N3").value_or(0.0)};
    f.line = line;
    m_result.model.forces.push_back(f);
}

void Reader::load(const Card& c, int line)
{
    LoadCombination l;
    l.set = c.id(1, "SID");
    l.scale = c.real(2, "S");
    // Pairs (Si, Li); blank pairs left by continuation padding are passed over.
    for (std::size_t i = 3; i <= c.size(); i += 2)
    {
        if (c.blank(i) && c.blank(i + 1))
            continue;
        l.terms.emplace_back(c.real(i, "Si"), c.id(i + 1, "Li"));
    }
    if (l.terms.empty())
        throw CardError("lists no load set");
    l.line = line;
    m_result.model.loadCombinations.push_back(std::move(l));
}

void Reader::spc(const Card& c, int line)
{
    const Id set = c.id(1, "SID");
    for (std::size_t i = 2; i <= c.size(); i += 3)
    {
        if (i > 2 && c.blank(i) && c.blank(i + 1) && c.blank(i + 2))
            continue;
        SinglePointConstraint s;
        s.set = set;
        const Id g = c.id(i, "Gi");
        s.grids.push_back({g, g});
        s.components = c.components(i + 1, "Ci");
        s.value = c.optReal(i + 2, "Di").value_or(0.0);
        s.line = line;
        m_result.model.spcs.push_back(std::move(s));
    }
}

void Reader::spc1(const Card& c, int line)
{
    SinglePointConstraint s;
    s.set = c.id(1, "SID");
    s.components = c.components(2, "C");
    for (std::size_t i = 3; i <= c.size(); ++i)
    {
        if (c.blank(i))
            continue;
        if (c.text(i) == "THRU")
        {
            if (s.grids.empty() || s.grids.back().first != s.grids.back().last || c.blank(i + 1))
                c.fail(i, "THRU", "must stand between two grid ids");
            const Id last = c.id(i + 1, "grid");
            if (last < s.grids.back().first)
                c.fail(i + 1, "grid", "ends a THRU range below its start");
            s.grids.back().last = last;
            s.rangesMayHaveGaps = true;
            ++i;
            continue;
        }
        const Id g = c.id(i, "grid");
        s.grids.push_back({g, g});
    }
    if (s.grids.empty())
        throw CardError("lists no grid");
    s.line = line;
    m_result.model.spcs.push_back(std::move(s));
}

void Reader::mpc(const Card& c, int line)
{
    MultiPointConstraint m;
    m.set = c.id(1, "SID");
    // Terms sit in fields 2-4 and 5-7 of the first line and 10-12, 13-15 of each continuation
    // (fields 8 and 9 of a line are the end of the line and the start of the next).
    for (std::size_t i = 2; i <= c.size(); i += 3)
    {
        if ((i - 2) % 8 == 6)
            i += 2;
        if (c.blank(i) && c.blank(i + 1) && c.blank(i + 2))
            continue;
        MpcTerm t;
        t.grid = c.id(i, "Gi");
        const Id comp = c.integer(i + 1, "Ci");
        if (comp < 1 || comp > 6)
            c.fail(i + 1, "Ci", "must be one component, 1 to 6");
        t.component = static_cast<int>(comp);
        t.coefficient = c.real(i + 2, "Ai");
        m.terms.push_back(t);
    }
    if (m.terms.empty())
        throw CardError("has no terms");
    m.line = line;
    m_result.model.mpcs.push_back(std::move(m));
}

} // namespace

std::optional<std::int64_t> parseInteger(std::string_view field)
{
    field = trim(field);
    if (!field.empty() && field.front() == '+')
        field.remove_prefix(1);
    std::int64_t v = 0;
    const auto [ptr, ec] = std::from_chars(field.data(), field.data() + field.size(), v);
    if (ec != std::errc() || ptr != field.data() + field.size() || field.empty())
        return std::nullopt;
    return v;
}

std::optional<double> parseReal(std::string_view field)
{
    field = trim(field);
    if (field.empty() || field.size() > 64)
        return std::nullopt;
    std::string s;
    std::size_t i = 0;
    if (field[i] == '+' || field[i] == '-')
    {
        if (field[i] == '-')
            s += '-';
        ++i;
    }
    bool mantissaDigits = false;
    while (i < field.size() && (std::isdigit(static_cast<unsigned char>(field[i])) || field[i] == '.'))
    {
        mantissaDigits = mantissaDigits || field[i] != '.';
        s += field[i++];
    }
    if (!mantissaDigits || std::count(s.begin(), s.end(), '.') > 1)
        return std::nullopt;
    if (i < field.size())
    {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(field[i])));
        if (c == 'E' || c == 'D')
            ++i;
        else if (c != '+' && c != '-')
            return std::nullopt;
        s += 'e';
        if (i < field.size() && (field[i] == '+' || field[i] == '-'))
            s += field[i++];
        if (i == field.size())
            return std::nullopt;
        for (; i < field.size(); ++i)
        {
            if (!std::isdigit(static_cast<unsigned char>(field[i])))
                return std::nullopt;
            s += field[i];
        }
    }
    double v = 0.0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size())
        return std::nullopt;
    return v;
}

DeckReadResult readDeck(std::string_view text)
{
    DeckReadResult result = Reader().read(text);
    // The model stays in memory beside the factor of its stiffness: no spare capacity.
    result.model.grids.shrink_to_fit();
    result.model.elements.shrink_to_fit();
    return result;
}

} // namespace nastran
