#pragma once

#include "platform/base/OdArray.h"
#include "platform/base/OdString.h"
#include "platform/db/DbObject.h"
#include "platform/ge/GePoint3d.h"

#include <optional>
#include <vector>

namespace OdDb
{
/// Where a cell's text sits inside the cell's margins.
enum CellAlignment
{
    kTopLeft = 1,
    kTopCenter = 2,
    kTopRight = 3,
    kMiddleLeft = 4,
    kMiddleCenter = 5,
    kMiddleRight = 6,
    kBottomLeft = 7,
    kBottomCenter = 8,
    kBottomRight = 9
};
/// The four margins of a cell.
enum CellMargin
{
    kCellMarginTop = 1,
    kCellMarginLeft = 2,
    kCellMarginBottom = 4,
    kCellMarginRight = 8
};
} // namespace OdDb

/// A table in the XY plane: a grid of rows and columns of text cells below and to the right of its
/// position (the top-left corner). Columns share the width equally; rows share the height equally, but
/// a row is never lower than its highest text plus that cell's top and bottom margins. A merged range
/// shows the content of its top-left cell across the whole range. What the table shows is its block of
/// lines (the cell borders, none inside a merged range) and texts, rebuilt by recomputeTableBlock.
class OdDbTable : public OdDbEntity
{
public:
    static OdSmartPtr<OdDbTable> createObject();

    /// OdError(eInvalidInput) unless both counts are at least 1. Cells keep their content where they
    /// remain; merges are dropped.
    void setSize(int rows, int columns);
    int numRows() const { return m_rows; }
    int numColumns() const { return m_columns; }

    OdGePoint3d position() const { return m_position; }
    void setPosition(const OdGePoint3d& position) { m_position = position; }
    double width() const { return m_width; }
    /// OdError(eInvalidInput) unless positive.
    void setWidth(double width);
    /// The sum of the row heights.
    double height() const;
    /// OdError(eInvalidInput) when negative.
    void setHeight(double height);
    double columnWidth(int column) const;
    double rowHeight(int row) const;

    /// Cell properties. Every cell operation raises OdError_InvalidIndex for a cell outside the table.
    void setTextString(int row, int column, const OdString& text);
    OdString textString(int row, int column) const;
    /// OdError(eInvalidInput) unless positive. 0.18 for a new cell.
    void setTextHeight(int row, int column, double height);
    double textHeight(int row, int column) const;
    void setCellStyle(int row, int column, const OdString& style);
    OdString cellStyle(int row, int column) const;
    /// Unless set, "_TITLE" and "_HEADER" cells are middle centre and other cells top left.
    void setAlignment(int row, int column, OdDb::CellAlignment alignment);
    OdDb::CellAlignment alignment(int row, int column) const;
    /// OdError(eInvalidInput) when negative. 0.06 for a new cell.
    void setMargin(int row, int column, OdDb::CellMargin margin, double value);
    double margin(int row, int column, OdDb::CellMargin margin) const;

    /// Merges the cells of the range (limits included). OdError(eInvalidInput) for an empty range or one
    /// that overlaps a merged range.
    void mergeCells(int minRow, int maxRow, int minColumn, int maxColumn);
    /// True when the cell lies in a merged range; the range is returned through the pointers given.
    bool isMergedCell(int row, int column, int* minRow = nullptr, int* maxRow = nullptr, int* minColumn = nullptr,
                      int* maxColumn = nullptr) const;

    /// Rebuilds the table's block from its cells.
    void recomputeTableBlock(bool forceUpdate = true);
    /// The table's block: lines and texts in drawing coordinates, as of the last recomputeTableBlock.
    const OdArray<OdDbEntityPtr>& tableBlockEntities() const { return m_block; }

    /// The grid's box; eInvalidExtents for a table without width.
    OdResult getGeomExtents(OdGeExtents3d& extents) const override;
    /// Follows translations only (the table and its block); eNotApplicable for other transforms.
    OdResult transformBy(const OdGeMatrix3d& xform) override;
    OdSmartPtr<OdDbEntity> clone() const override;

protected:
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

private:
    struct Cell
    {
        OdString text;
        double textHeight = 0.18;
        OdString style;
        std::optional<OdDb::CellAlignment> alignment;
        double margins[4] = {0.06, 0.06, 0.06, 0.06};
    };
    struct Range
    {
        int minRow, maxRow, minColumn, maxColumn;
    };
    Cell& cellAt(int row, int column);
    const Cell& cellAt(int row, int column) const;
    static int marginIndex(OdDb::CellMargin margin);
    const Range* mergeOf(int row, int column) const;

    int m_rows = 1;
    int m_columns = 1;
    std::vector<Cell> m_cells{1};
    std::vector<Range> m_merges;
    OdGePoint3d m_position;
    double m_width = 1.0;
    double m_height = 0.0;
    OdArray<OdDbEntityPtr> m_block;
};
using OdDbTablePtr = OdSmartPtr<OdDbTable>;
