#include "cae_core/nastran/detail/Nastran2d.h"

#include "cae_core/nastran/detail/DeckFormat.h"
#include "cae_core/nastran/detail/PrintoutLines.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace cae_core::nastran::detail
{

template <std::size_t N> std::string writeDeck2d(const solver2d::detail::Model<N>& model)
{
    std::string deck;
    deck.reserve(128 * (model.nodes.size() + model.elements.size()) + 1024);
    deck +=
        "$ VANTORIX RUN\nSOL 101\nCEND\n"
        "DISP=ALL\nSTRESS(VONMISES)=ALL\nTITLE=2D STRESS ANALYSIS\nSUBTITLE=VANTORIX TASK\nLABEL=SUMMARY\n"
        // One page for every table, so the reader meets no page headers inside them.
        "LINES=10000000\n"
        "ECHO=PUNCH\nSPC=100\nMPC=100\nLOAD=100\n$\n"
        "BEGIN BULK\n$     DEFINE GRID POINTS\n";
    for (std::size_t i = 0; i < model.nodes.size(); ++i)
    {
        const OdGePoint2d& p = model.nodes[i].position;
        Card(deck, "GRID")
            .integer(static_cast<std::int64_t>(i + 1))
            .empty()
            .real(p.x)
            .real(p.y)
            .real(0.0)
            .line();
    }
    deck += "$\n$     DEFINE TRIANGULAR ELEMENTS\n";
    for (std::size_t e = 0; e < model.elements.size(); ++e)
    {
        Card card(deck, N == 3 ? "CTRIA3" : "CTRIA6");
        card.integer(static_cast<std::int64_t>(e + 1)).integer(kPlatePropertyId);
        for (const std::uint64_t node : model.elements[e])
            card.integer(static_cast<std::int64_t>(node + 1));
        card.line();
    }
    deck += "$\n$     DEFINE PROPERTIES OF PLATE ELEMENTS\n";
    const int membrane = model.mode == fea2d::EMode::ePlanarStress ? 0 : -1;
    Card(deck, "PSHELL")
        .integer(kPlatePropertyId)
        .integer(kMaterialId)
        .real(model.thickness)
        .integer(membrane)
        .line();
    Card(deck, "MAT1").integer(kMaterialId).real(model.youngsModulus).empty().real(model.poissonRatio).line();
    deck += "$\n$     DEFINE CONSTRAINTS\n";
    for (std::size_t i = 0; i < model.nodes.size(); ++i)
    {
        const auto& node = model.nodes[i];
        const auto id = static_cast<std::int64_t>(i + 1);
        // The out-of-plane translation and the rotations are held everywhere: the plate carries no bending.
        Card(deck, "SPC").integer(kSetId).integer(id).integer(node.fixed ? 123456 : 3456).line();
        if (node.hasBlockedDirection)
        {
            const OdGeVector2d& d = node.blockedDirection;
            Card(deck, "MPC")
                .integer(kSetId)
                .integer(id)
                .integer(1)
                .real(d.x)
                .integer(id)
                .integer(2)
                .real(d.y)
                .line();
        }
    }
    deck += "$\n$     DEFINE FORCE\n";
    for (std::size_t i = 0; i < model.nodes.size(); ++i)
    {
        const auto& node = model.nodes[i];
        if (node.fixed || node.force.isZeroLength())
            continue;
        Card(deck, "FORCE")
            .integer(kSetId)
            .integer(static_cast<std::int64_t>(i + 1))
            .integer(0)
            .real(1.0)
            .real(node.force.x)
            .real(node.force.y)
            .real(0.0)
            .line();
    }
    deck += "$\nENDDATA\n";
    return deck;
}

namespace
{
constexpr std::string_view kDisplacementTitle = "D I S P L A C E M E N T   V E C T O R";
constexpr std::string_view kStressTitle = "S T R E S S E S   I N   T R I A N G U L A R   E L E M E N T S";
/// The whole titles of the element types' own stress tables.
constexpr std::string_view kTria3Title =
    "S T R E S S E S   I N   T R I A N G U L A R   E L E M E N T S   ( T R I A 3 )";
constexpr std::string_view kTria6Title =
    "S T R E S S E S   I N   T R I A N G U L A R   E L E M E N T S   ( T R I A 6 )";

/// The kinds of lines a printed table holds, as far as its reader cares.
enum class ERowKind
{
    eNone,   ///< header, blank, second fibre, another point type: passed over
    eRow,    ///< a row the table reads
    eCentre, ///< the centre row of a six-node element (carriage control and element id before the label)
};

/// The result file's lines with their numbers, for the messages of a broken file.
class Lines
{
public:
    explicit Lines(std::istream& in) : m_in(in) {}

    /// In printout mode: the next row of the table titled `title` that `kind` recognises, passing over
    /// page headers, the title repeated after a page break and anything else that is no row.
    template <class Kind>
    ERowKind requireRow(std::string_view title, const char* table, SubcaseFilter& subcases, Kind kind)
    {
        for (;;)
        {
            const std::string& text = require(table);
            if (subcases.line(text) || (holdsSpacedTitle(text) && titleOf(text) != title))
                throw std::runtime_error("line " + std::to_string(m_number) + " of the result file: the " +
                                         table + " ends before it has a row for every " +
                                         (title == kDisplacementTitle ? "node" : "element"));
            if (isPageHeader(text))
                continue;
            if (const ERowKind found = kind(std::string_view(text)); found != ERowKind::eNone)
                return found;
        }
    }

    bool next(std::string& line)
    {
        if (!std::getline(m_in, line))
            return false;
        ++m_number;
        return true;
    }
    /// The next line, which the table being read needs.
    const std::string& require(const char* table)
    {
        if (!next(m_line))
            throw std::runtime_error("the result file ends inside the " + std::string(table) +
                                     " after line " + std::to_string(m_number));
        return m_line;
    }
    void skip(int count, const char* table)
    {
        for (int i = 0; i < count; ++i)
            require(table);
    }
    std::size_t number() const { return m_number; }
    /// The line last read.
    const std::string& current() const { return m_line; }

private:
    std::istream& m_in;
    std::string m_line;
    std::size_t m_number = 0;
};

/// One row split at white space, with checked access to its numbers.
class Row
{
public:
    Row(const std::string& line, std::size_t number, bool whole = false) : m_number(number), m_whole(whole)
    {
        std::size_t i = 0;
        while (i < line.size())
        {
            while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
                ++i;
            const std::size_t start = i;
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
                ++i;
            if (i > start)
                m_fields.emplace_back(line, start, i - start);
        }
    }

    /// The real in field `index` (0-based), read as the standard library's stod reads it.
    double real(std::size_t index) const
    {
        if (index >= m_fields.size())
            fail(": has " + std::to_string(m_fields.size()) + " fields, field " + std::to_string(index + 1) +
                 " is needed");
        const std::string& field = m_fields[index];
        char* end = nullptr;
        errno = 0;
        const double value = std::strtod(field.c_str(), &end);
        if (end == field.c_str() || errno == ERANGE || (m_whole && (*end != '\0' || !std::isfinite(value))))
            fail(": field " + std::to_string(index + 1) + " \"" + field + "\" is not a number in range");
        return value;
    }

private:
    [[noreturn]] void fail(const std::string& what) const
    {
        throw std::runtime_error("line " + std::to_string(m_number) + " of the result file" + what);
    }

    std::vector<std::string> m_fields;
    std::size_t m_number;
    bool m_whole;
};

bool startsWithDigit(std::string_view token)
{
    return !token.empty() && token[0] >= '0' && token[0] <= '9';
}

/// "<id> <type> ...": a grid row; another point type's row is no row of the table.
ERowKind displacementRowKind(std::string_view line)
{
    const auto t = tokensOf(line, 2);
    return t.size() == 2 && startsWithDigit(t[0]) && t[1] == "G" ? ERowKind::eRow : ERowKind::eNone;
}

/// "0 <element> <fibre> ...": the first fibre of a three-node element; the second has no carriage control.
ERowKind tria3RowKind(std::string_view line)
{
    const auto t = tokensOf(line, 2);
    return !line.empty() && line[0] == '0' && t.size() == 2 && startsWithDigit(t[1]) ? ERowKind::eRow
                                                                                     : ERowKind::eNone;
}

/// "0 <element> CEN/6 <fibre> ..." and " <grid> <fibre> ...": the first fibre of a six-node element's
/// samples; the second fibre's row starts with the fibre distance, a real.
ERowKind tria6RowKind(std::string_view line)
{
    const auto t = tokensOf(line, 3);
    if (!line.empty() && line[0] == '0')
        return t.size() == 3 && startsWithDigit(t[1]) && t[2].rfind("CEN", 0) == 0 ? ERowKind::eCentre
                                                                                   : ERowKind::eNone;
    std::uint64_t grid = 0;
    return !t.empty() && isWholeId(t[0], grid) ? ERowKind::eRow : ERowKind::eNone;
}

Solver2dOutput::Stress stressAt(const Row& row, std::size_t first)
{
    Solver2dOutput::Stress s;
    s.sxx = row.real(first);
    s.syy = row.real(first + 1);
    s.sxy = row.real(first + 2);
    // Angle, major and minor principal stress are passed over.
    s.vonMises = row.real(first + 6);
    return s;
}

/// Turns a stress from the element's axes to the global axes. The element's x axis (along its first edge)
/// lies at theta from the global x axis, so the global tensor is R(theta) S R(theta)^T. This is the
/// rotation by -theta of the usual axis-rotation formulas: the signs of the shear terms follow from that,
/// and a uniaxial stress along the first edge comes out as n n^T times its value.
void toGlobalAxes(Solver2dOutput::Stress& stress, double theta)
{
    const double s = std::sin(theta);
    const double c = std::cos(theta);
    const Solver2dOutput::Stress local = stress;
    stress.sxx = local.sxx * c * c + local.syy * s * s - 2.0 * local.sxy * s * c;
    stress.syy = local.syy * c * c + local.sxx * s * s + 2.0 * local.sxy * s * c;
    stress.sxy = (local.sxx - local.syy) * s * c + (c * c - s * s) * local.sxy;
}

/// The output's vertices and elements as the model numbers them, before any table is read.
template <std::size_t N> void prepareOutput(const solver2d::detail::Model<N>& model, Solver2dOutput& output)
{
    const auto cornerCount = static_cast<std::size_t>(model.cornerCount);
    output.vertexData.assign(cornerCount, {});
    for (std::size_t i = 0; i < cornerCount; ++i)
    {
        output.vertexData[i].index = i;
        output.vertexData[i].position = model.nodes[i].position;
    }
    output.elementData.assign(model.elements.size(), {});
    for (std::size_t e = 0; e < model.elements.size(); ++e)
    {
        auto& element = output.elementData[e];
        element.index = e;
        OdGeVector2d sum;
        for (std::size_t k = 0; k < 3; ++k)
        {
            element.vertices[k] = model.elements[e][k];
            element.corners[k].position = model.nodes[model.elements[e][k]].position;
            sum += element.corners[k].position.asVector();
        }
        element.center.position = OdGePoint2d() + sum / 3.0;
    }
}

/// The table readers' shared state: where the lines come from and whether they are a real printout's.
struct TableReader
{
    Lines& lines;
    SubcaseFilter& subcases;
    bool printout;

    /// The next row of a table: a printout's next data row of its kind, or simply the next line.
    template <class Kind> Row nextRow(std::string_view title, const char* table, Kind kind) const
    {
        if (printout)
            lines.requireRow(title, table, subcases, kind);
        const std::string& text = printout ? lines.current() : lines.require(table);
        return Row(text, lines.number(), printout);
    }
};

template <std::size_t N>
void readDisplacements(const TableReader& in, const solver2d::detail::Model<N>& model, Solver2dOutput& output)
{
    static constexpr const char* kTable = "displacement table";
    if (!in.printout)
        in.lines.skip(2, kTable);
    std::vector<OdGeVector2d> displacements(model.nodes.size());
    for (OdGeVector2d& d : displacements)
    {
        // Point id and type are passed over; the rows are taken in node order.
        const Row row = in.nextRow(kDisplacementTitle, kTable, displacementRowKind);
        d.set(row.real(2), row.real(3));
    }
    for (std::size_t i = 0; i < output.vertexData.size(); ++i)
        output.vertexData[i].displacement = displacements[i];
    for (std::size_t e = 0; e < model.elements.size(); ++e)
    {
        auto& element = output.elementData[e];
        const auto& nodes = model.elements[e];
        const OdGeVector2d corners =
            displacements[nodes[0]] + displacements[nodes[1]] + displacements[nodes[2]];
        for (std::size_t k = 0; k < 3; ++k)
            element.corners[k].displacement = displacements[nodes[k]];
        if constexpr (N == 3)
            element.center.displacement = corners / 3.0;
        else
        {
            // The quadratic shape functions at the centroid: -1/9 per corner, 4/9 per mid-side node.
            const OdGeVector2d mids =
                displacements[nodes[3]] + displacements[nodes[4]] + displacements[nodes[5]];
            element.center.displacement = (-corners + 4.0 * mids) / 9.0;
        }
    }
}

constexpr const char* kStressTable = "triangle stress table";

void readTria3Stresses(const TableReader& in, Solver2dOutput& output)
{
    if (!in.printout)
        in.lines.skip(2, kStressTable);
    for (auto& element : output.elementData)
    {
        // Carriage control, element id and fibre distance come first; the second fibre's row follows.
        const Row row = in.nextRow(kTria3Title, kStressTable, tria3RowKind);
        element.center.stress = stressAt(row, 3);
        for (auto& corner : element.corners)
            corner.stress = element.center.stress;
        if (!in.printout)
            in.lines.skip(1, kStressTable);
    }
}

void readTria6Stresses(const TableReader& in, Solver2dOutput& output)
{
    if (!in.printout)
        in.lines.skip(3, kStressTable);
    for (auto& element : output.elementData)
    {
        Solver2dOutput::SamplePoint* samples[] = {&element.center, &element.corners[0], &element.corners[1],
                                                  &element.corners[2]};
        for (Solver2dOutput::SamplePoint* sample : samples)
        {
            if (in.printout)
            {
                const ERowKind kind =
                    in.lines.requireRow(kTria6Title, kStressTable, in.subcases, tria6RowKind);
                if ((kind == ERowKind::eCentre) != (sample == &element.center))
                    throw std::runtime_error(
                        "line " + std::to_string(in.lines.number()) + " of the result file: " +
                        (kind == ERowKind::eCentre
                             ? "a new element starts before the corners of the last"
                             : "a corner row stands where an element's centre row belongs"));
            }
            const std::string& text = in.printout ? in.lines.current() : in.lines.require(kStressTable);
            const Row row(text, in.lines.number(), in.printout);
            // An element's first row carries the carriage control and the element id; every row then has
            // the grid label and the fibre distance. The second fibre's row and an empty line follow.
            const std::size_t first = (!text.empty() && text[0] == '0' ? 2 : 0) + 2;
            sample->stress = stressAt(row, first);
            if (!in.printout)
                in.lines.skip(2, kStressTable);
        }
    }
}
} // namespace

template <std::size_t N>
void readResults2d(std::istream& f06, const solver2d::detail::Model<N>& model, Solver2dOutput& output,
                   bool printout)
{
    prepareOutput(model, output);
    Lines lines(f06);
    SubcaseFilter subcases(0);
    const TableReader in{lines, subcases, printout};
    const std::string_view ownStressTitle = N == 3 ? kTria3Title : kTria6Title;
    const auto holds = [&](const std::string& line, std::string_view title, std::string_view whole)
    { return printout ? titleOf(line) == whole : line.find(title) != std::string::npos; };
    std::string line;
    while (lines.next(line))
    {
        if (printout)
        {
            subcases.line(line);
            if (!subcases.inSubcase())
                continue;
        }
        if (holds(line, kDisplacementTitle, kDisplacementTitle))
            readDisplacements(in, model, output);
        else if (holds(line, kStressTitle, ownStressTitle))
        {
            if constexpr (N == 3)
                readTria3Stresses(in, output);
            else
                readTria6Stresses(in, output);
        }
    }

    for (auto& element : output.elementData)
    {
        const double theta = (element.corners[1].position - element.corners[0].position).angle();
        toGlobalAxes(element.center.stress, theta);
        for (auto& corner : element.corners)
            toGlobalAxes(corner.stress, theta);
    }
}

template std::string writeDeck2d<3>(const solver2d::detail::Model<3>&);
template std::string writeDeck2d<6>(const solver2d::detail::Model<6>&);
template void readResults2d<3>(std::istream&, const solver2d::detail::Model<3>&, Solver2dOutput&, bool);
template void readResults2d<6>(std::istream&, const solver2d::detail::Model<6>&, Solver2dOutput&, bool);

} // namespace cae_core::nastran::detail
