#include "apps/output/VtuWriter.h"

#include <charconv>
#include <stdexcept>

namespace cae_app
{
namespace
{
constexpr std::uint8_t kVtkTriangle = 5;
constexpr std::uint8_t kVtkTetra = 10;
constexpr std::uint8_t kVtkQuadraticTriangle = 22;
constexpr std::uint8_t kVtkQuadraticTetra = 24;
/// Values per line inside a data array: short lines for text tools, few enough newlines not to matter.
constexpr std::size_t kValuesPerLine = 12;

void appendNumber(std::string& out, double v)
{
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, ec == std::errc() ? end : buffer);
}

void appendNumber(std::string& out, std::uint64_t v)
{
    char buffer[24];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, ec == std::errc() ? end : buffer);
}

/// Escapes the characters XML does not allow in an attribute value.
std::string attribute(const std::string& s)
{
    std::string out;
    for (const char c : s)
    {
        switch (c)
        {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

template <typename Values> void appendValues(std::string& out, const Values& values)
{
    std::size_t i = 0;
    for (const auto v : values)
    {
        out += (i % kValuesPerLine == 0) ? "\n          " : " ";
        appendNumber(out, v);
        ++i;
    }
    out += "\n        ";
}

void appendArray(std::string& out, const VtuArray& array, std::size_t count, const char* where)
{
    if (array.components < 1 || array.values.size() != count * static_cast<std::size_t>(array.components))
        throw std::invalid_argument(std::string(where) + " array \"" + array.name + "\" has " +
                                    std::to_string(array.values.size()) + " values, expected " +
                                    std::to_string(count) + " times " + std::to_string(array.components));
    if (!array.componentNames.empty() &&
        array.componentNames.size() != static_cast<std::size_t>(array.components))
        throw std::invalid_argument(std::string(where) + " array \"" + array.name + "\" names " +
                                    std::to_string(array.componentNames.size()) + " of its " +
                                    std::to_string(array.components) + " components");
    out += "        <DataArray type=\"Float64\" Name=\"" + attribute(array.name) +
           "\" NumberOfComponents=\"" + std::to_string(array.components) + "\"";
    for (std::size_t c = 0; c < array.componentNames.size(); ++c)
        out += " ComponentName" + std::to_string(c) + "=\"" + attribute(array.componentNames[c]) + "\"";
    out += " format=\"ascii\">";
    appendValues(out, array.values);
    out += "</DataArray>\n";
}

/// VTK's text form of a string array: each string's bytes as numbers, each string ended by a 0.
void appendFieldData(std::string& out, const std::vector<VtuStrings>& lists)
{
    if (lists.empty())
        return;
    out += "    <FieldData>\n";
    for (const auto& list : lists)
    {
        out += "      <Array type=\"String\" Name=\"" + attribute(list.name) + "\" NumberOfTuples=\"" +
               std::to_string(list.values.size()) + "\" format=\"ascii\">";
        std::vector<std::uint64_t> bytes;
        for (const auto& value : list.values)
        {
            if (value.find('\0') != std::string::npos)
                throw std::invalid_argument("field data \"" + list.name + "\" holds a text with a zero byte");
            for (const char c : value)
                bytes.push_back(static_cast<unsigned char>(c));
            bytes.push_back(0);
        }
        appendValues(out, bytes);
        out += "</Array>\n";
    }
    out += "    </FieldData>\n";
}

void appendData(std::string& out, const char* tag, const std::vector<VtuArray>& arrays, std::size_t count)
{
    out += "      <";
    out += tag;
    // The first scalar, vector and tensor arrays are the ones ParaView shows by default.
    for (const auto& [components, attributeName] :
         {std::pair{1, " Scalars"}, {3, " Vectors"}, {6, " Tensors"}})
        for (const auto& a : arrays)
            if (a.components == components)
            {
                out += std::string(attributeName) + "=\"" + attribute(a.name) + "\"";
                break;
            }
    out += ">\n";
    for (const auto& a : arrays)
        appendArray(out, a, count, tag);
    out += "      </";
    out += tag;
    out += ">\n";
}
} // namespace

std::uint8_t vtkCellType(int nodesPerCell)
{
    if (nodesPerCell == 3)
        return kVtkTriangle;
    if (nodesPerCell == 6)
        return kVtkQuadraticTriangle;
    if (nodesPerCell == 4)
        return kVtkTetra;
    if (nodesPerCell == 10)
        return kVtkQuadraticTetra;
    throw std::invalid_argument("cells of " + std::to_string(nodesPerCell) +
                                " nodes are neither triangles nor tetrahedra");
}

std::string formatVtu(const VtuGrid& grid)
{
    const std::uint8_t type = vtkCellType(grid.nodesPerCell);
    const auto nodes = static_cast<std::size_t>(grid.nodesPerCell);
    if (grid.connectivity.size() % nodes != 0)
        throw std::invalid_argument("the connectivity is not a whole number of cells");
    const std::size_t cells = grid.connectivity.size() / nodes;
    for (const auto index : grid.connectivity)
        if (index >= grid.points.size())
            throw std::invalid_argument("a cell refers to point " + std::to_string(index) + " of " +
                                        std::to_string(grid.points.size()));

    std::string out;
    // About 20 characters per number; reserving once keeps appends from copying the text around.
    std::size_t numbers = grid.points.size() * 3 + grid.connectivity.size() + 2 * cells;
    for (const auto& a : grid.pointData)
        numbers += a.values.size();
    for (const auto& a : grid.cellData)
        numbers += a.values.size();
    out.reserve(2048 + numbers * 20);

    out += "<?xml version=\"1.0\"?>\n"
           "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\" "
           "header_type=\"UInt64\">\n"
           "  <UnstructuredGrid>\n";
    appendFieldData(out, grid.fieldData);
    out += "    <Piece NumberOfPoints=\"";
    appendNumber(out, std::uint64_t{grid.points.size()});
    out += "\" NumberOfCells=\"";
    appendNumber(out, std::uint64_t{cells});
    out += "\">\n";

    appendData(out, "PointData", grid.pointData, grid.points.size());
    appendData(out, "CellData", grid.cellData, cells);

    out += "      <Points>\n        <DataArray type=\"Float64\" NumberOfComponents=\"3\" format=\"ascii\">";
    std::vector<double> coordinates;
    coordinates.reserve(grid.points.size() * 3);
    for (const auto& p : grid.points)
        coordinates.insert(coordinates.end(), p.begin(), p.end());
    appendValues(out, coordinates);
    out += "</DataArray>\n      </Points>\n      <Cells>\n";

    out += "        <DataArray type=\"Int64\" Name=\"connectivity\" format=\"ascii\">";
    appendValues(out, grid.connectivity);
    out += "</DataArray>\n        <DataArray type=\"Int64\" Name=\"offsets\" format=\"ascii\">";
    std::vector<std::uint64_t> offsets(cells);
    for (std::size_t i = 0; i < cells; ++i)
        offsets[i] = (i + 1) * nodes;
    appendValues(out, offsets);
    out += "</DataArray>\n        <DataArray type=\"UInt8\" Name=\"types\" format=\"ascii\">";
    appendValues(out, std::vector<std::uint64_t>(cells, type));
    out += "</DataArray>\n      </Cells>\n    </Piece>\n  </UnstructuredGrid>\n</VTKFile>\n";
    return out;
}
} // namespace cae_app
