#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

/// A VTK XML unstructured grid (.vtu), the format ParaView opens directly. Numbers are written as
/// text in their shortest form that reads back to the same double, so files are exact and
/// readable, and formatting stays a small part of a run.
namespace cae_app
{
/// A named array of `components` values per point or per cell, stored point after point. The first
/// array of one component is the data's scalar, of three its vector, of six its symmetric tensor (VTK's
/// order xx, yy, zz, xy, yz, xz), which ParaView offers first.
struct VtuArray
{
    std::string name;
    int components = 1;
    std::vector<double> values;
    /// Names of the components, shown by ParaView instead of their numbers; none or one per component.
    std::vector<std::string> componentNames = {};
};

/// A named list of texts that belongs to the whole grid (VTK field data), such as the units of the arrays.
struct VtuStrings
{
    std::string name;
    std::vector<std::string> values;
};

/// Points and cells of one kind.
struct VtuGrid
{
    std::vector<std::array<double, 3>> points;
    /// 3 (linear triangles, VTK type 5), 6 (quadratic triangles, VTK type 22: three corners
    /// counter-clockwise, then the mid-side nodes of the edges 0-1, 1-2, 2-0), 4 (tetrahedra, type 10) or
    /// 10 (quadratic tetrahedra, type 24: four corners, then the mid-edge nodes of 0-1, 1-2, 2-0, 0-3,
    /// 1-3, 2-3).
    int nodesPerCell = 3;
    /// nodesPerCell point indices per cell.
    std::vector<std::uint64_t> connectivity;
    std::vector<VtuArray> pointData;
    std::vector<VtuArray> cellData;
    std::vector<VtuStrings> fieldData;
};

/// The VTK cell type of cells of `nodesPerCell` nodes.
std::uint8_t vtkCellType(int nodesPerCell);

/// The .vtu document of `grid`. Throws std::invalid_argument when the arrays do not fit the
/// grid (a length that is not components times the point or cell count, an index beyond the points).
std::string formatVtu(const VtuGrid& grid);
} // namespace cae_app
