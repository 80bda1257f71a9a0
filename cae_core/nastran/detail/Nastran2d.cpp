#include "cae_core/nastran/detail/Nastran2d.h"

#include "cae_core/nastran/detail/DeckFormat.h"

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
    deck += "$ VANTORIX RUN\nSOL 101\nCEND\n"
            "DISP=ALL\nSTRESS(VONMISES)=ALL\nTITLE=2D STRESS ANALYSIS\nSUBTITLE=VANTORIX TASK\nLABEL=SUMMARY\n"
            // One page for every table, so the reader meets no page headers inside them.
            "LINES=10000000\n"
            "ECHO=PUNCH\nSPC=100\nMPC=100\nLOAD=100\n$\n"
            "BEGIN BULK\n$     DEFINE GRID POINTS\n";
    for (std::size_t i = 0; i < model.nodes.size(); ++i)
    {
        const OdGePoint2d& p = model.nodes[i].position;
        Card(deck, "GRID").integer(static_cast<std::int64_t>(i + 1)).empty().real(p.x).real(p.y).real(0.0).line();
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
    Card(deck, "PSHELL").integer(kPlatePropertyId).integer(kMaterialId).real(model.thickness).integer(membrane).line();
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
            Card(deck, "MPC").integer(kSetId).integer(id).integer(1).real(d.x).integer(id).integer(2).real(d.y).line();
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

/// The result file's lines with their numbers, for the messages of a broken file.
class Lines
{
public:
    explicit Lines(std::istream& in) : m_in(in) {}

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
            throw std::runtime_error("the result file ends inside the " + std::string(table) + " after line " +
                                     std::to_string(m_number));
        return m_line;
    }
    void skip(int count, const char* table)
    {
        for (int i = 0; i < count; ++i)
            require(table);
    }
    std::size_t number() const { return m_number; }

private:
    std::istream& m_in;
    std::string m_line;
    std::size_t m_number = 0;
};

/// One row split at white space, with checked access to its numbers.
class Row
{
public:
    Row(const std::string& line, std::size_t number) : m_number(number)
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
        if (end == field.c_str() || errno == ERANGE)
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
};

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
} // namespace

template <std::size_t N>
void readResults2d(std::istream& f06, const solver2d::detail::Model<N>& model, Solver2dOutput& output)
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

    Lines lines(f06);
    std::string line;
    while (lines.next(line))
    {
        if (line.find(kDisplacementTitle) != std::string::npos)
        {
            static constexpr const char* kTable = "displacement table";
            lines.skip(2, kTable);
            std::vector<OdGeVector2d> displacements(model.nodes.size());
            for (OdGeVector2d& d : displacements)
            {
                // Point id and type are passed over; the rows are taken in node order.
                const std::string& text = lines.require(kTable);
                const Row row(text, lines.number());
                d.set(row.real(2), row.real(3));
            }
            for (std::size_t i = 0; i < cornerCount; ++i)
                output.vertexData[i].displacement = displacements[i];
            for (std::size_t e = 0; e < model.elements.size(); ++e)
            {
                auto& element = output.elementData[e];
                const auto& nodes = model.elements[e];
                const OdGeVector2d corners = displacements[nodes[0]] + displacements[nodes[1]] + displacements[nodes[2]];
                for (std::size_t k = 0; k < 3; ++k)
                    element.corners[k].displacement = displacements[nodes[k]];
                if constexpr (N == 3)
                    element.center.displacement = corners / 3.0;
                else
                {
                    // The quadratic shape functions at the centroid: -1/9 per corner, 4/9 per mid-side node.
                    const OdGeVector2d mids = displacements[nodes[3]] + displacements[nodes[4]] + displacements[nodes[5]];
                    element.center.displacement = (-corners + 4.0 * mids) / 9.0;
                }
            }
        }
        else if (line.find(kStressTitle) != std::string::npos)
        {
            static constexpr const char* kTable = "triangle stress table";
            if constexpr (N == 3)
            {
                lines.skip(2, kTable);
                for (auto& element : output.elementData)
                {
                    // Carriage control, element id and fibre distance come first; the second fibre's row
                    // follows.
                    const std::string& text = lines.require(kTable);
                    const Row row(text, lines.number());
                    element.center.stress = stressAt(row, 3);
                    for (auto& corner : element.corners)
                        corner.stress = element.center.stress;
                    lines.skip(1, kTable);
                }
            }
            else
            {
                lines.skip(3, kTable);
                for (auto& element : output.elementData)
                {
                    Solver2dOutput::SamplePoint* samples[] = {&element.center, &element.corners[0],
                                                              &element.corners[1], &element.corners[2]};
                    for (Solver2dOutput::SamplePoint* sample : samples)
                    {
                        const std::string& text = lines.require(kTable);
                        const Row row(text, lines.number());
                        // An element's first row carries the carriage control and the element id; every
                        // row then has the grid label and the fibre distance. The second fibre's row and
                        // an empty line follow.
                        const std::size_t first = (!text.empty() && text[0] == '0' ? 2 : 0) + 2;
                        sample->stress = stressAt(row, first);
                        lines.skip(2, kTable);
                    }
                }
            }
        }
    }

    for (std::size_t e = 0; e < model.elements.size(); ++e)
    {
        auto& element = output.elementData[e];
        const double theta = (element.corners[1].position - element.corners[0].position).angle();
        toGlobalAxes(element.center.stress, theta);
        for (auto& corner : element.corners)
            toGlobalAxes(corner.stress, theta);
    }
}

template std::string writeDeck2d<3>(const solver2d::detail::Model<3>&);
template std::string writeDeck2d<6>(const solver2d::detail::Model<6>&);
template void readResults2d<3>(std::istream&, const solver2d::detail::Model<3>&, Solver2dOutput&);
template void readResults2d<6>(std::istream&, const solver2d::detail::Model<6>&, Solver2dOutput&);

} // namespace cae_core::nastran::detail
