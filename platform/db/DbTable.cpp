#include "platform/db/DbTable.h"

#include "platform/base/OdError.h"
#include "platform/db/DbLine.h"
#include "platform/db/DbText.h"
#include "platform/ge/GeMatrix3d.h"
#include "platform/gi/GiWorldDraw.h"

#include <algorithm>
#include <cmath>

OdSmartPtr<OdDbTable> OdDbTable::createObject()
{
    return odrxCreateObject<OdDbTable>();
}

OdDbTable::Cell& OdDbTable::cellAt(int row, int column)
{
    return const_cast<Cell&>(std::as_const(*this).cellAt(row, column));
}

const OdDbTable::Cell& OdDbTable::cellAt(int row, int column) const
{
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        throw OdError_InvalidIndex();
    return m_cells[static_cast<std::size_t>(row * m_columns + column)];
}

int OdDbTable::marginIndex(OdDb::CellMargin margin)
{
    switch (margin)
    {
    case OdDb::kCellMarginTop:
        return 0;
    case OdDb::kCellMarginLeft:
        return 1;
    case OdDb::kCellMarginBottom:
        return 2;
    case OdDb::kCellMarginRight:
        return 3;
    }
    throw OdError(eInvalidInput, "OdDbTable: unknown cell margin");
}

void OdDbTable::setSize(int rows, int columns)
{
    if (rows < 1 || columns < 1)
        throw OdError(eInvalidInput, "OdDbTable::setSize: a table has at least one row and one column");
    std::vector<Cell> cells(static_cast<std::size_t>(rows * columns));
    for (int r = 0; r < std::min(rows, m_rows); ++r)
        for (int c = 0; c < std::min(columns, m_columns); ++c)
            cells[static_cast<std::size_t>(r * columns + c)] = cellAt(r, c);
    m_cells = std::move(cells);
    m_rows = rows;
    m_columns = columns;
    m_merges.clear();
}

void OdDbTable::setWidth(double width)
{
    if (!(width > 0.0) || !std::isfinite(width))
        throw OdError(eInvalidInput, "OdDbTable::setWidth: the width must be positive");
    m_width = width;
}

void OdDbTable::setHeight(double height)
{
    if (!(height >= 0.0) || !std::isfinite(height))
        throw OdError(eInvalidInput, "OdDbTable::setHeight: the height must not be negative");
    m_height = height;
}

double OdDbTable::columnWidth(int column) const
{
    if (column < 0 || column >= m_columns)
        throw OdError_InvalidIndex();
    return m_width / m_columns;
}

double OdDbTable::rowHeight(int row) const
{
    if (row < 0 || row >= m_rows)
        throw OdError_InvalidIndex();
    double least = 0.0;
    for (int c = 0; c < m_columns; ++c)
    {
        const Range* merge = mergeOf(row, c);
        // Only a cell that shows its own content within this row sets the row's least height.
        if (merge && (merge->minRow != merge->maxRow || merge->minColumn != c))
            continue;
        const Cell& cell = cellAt(row, c);
        least = std::max(least, cell.textHeight + cell.margins[0] + cell.margins[2]);
    }
    return std::max(m_height / m_rows, least);
}

double OdDbTable::height() const
{
    double sum = 0.0;
    for (int r = 0; r < m_rows; ++r)
        sum += rowHeight(r);
    return sum;
}

void OdDbTable::setTextString(int row, int column, const OdString& text)
{
    cellAt(row, column).text = text;
}
OdString OdDbTable::textString(int row, int column) const
{
    return cellAt(row, column).text;
}
void OdDbTable::setTextHeight(int row, int column, double height)
{
    Cell& cell = cellAt(row, column);
    if (!(height > 0.0) || !std::isfinite(height))
        throw OdError(eInvalidInput, "OdDbTable::setTextHeight: the height must be positive");
    cell.textHeight = height;
}
double OdDbTable::textHeight(int row, int column) const
{
    return cellAt(row, column).textHeight;
}
void OdDbTable::setCellStyle(int row, int column, const OdString& style)
{
    cellAt(row, column).style = style;
}
OdString OdDbTable::cellStyle(int row, int column) const
{
    return cellAt(row, column).style;
}
void OdDbTable::setAlignment(int row, int column, OdDb::CellAlignment alignment)
{
    cellAt(row, column).alignment = alignment;
}
OdDb::CellAlignment OdDbTable::alignment(int row, int column) const
{
    const Cell& cell = cellAt(row, column);
    if (cell.alignment)
        return *cell.alignment;
    return cell.style == L"_TITLE" || cell.style == L"_HEADER" ? OdDb::kMiddleCenter : OdDb::kTopLeft;
}
void OdDbTable::setMargin(int row, int column, OdDb::CellMargin margin, double value)
{
    Cell& cell = cellAt(row, column);
    if (!(value >= 0.0) || !std::isfinite(value))
        throw OdError(eInvalidInput, "OdDbTable::setMargin: a margin must not be negative");
    cell.margins[marginIndex(margin)] = value;
}
double OdDbTable::margin(int row, int column, OdDb::CellMargin margin) const
{
    return cellAt(row, column).margins[marginIndex(margin)];
}

const OdDbTable::Range* OdDbTable::mergeOf(int row, int column) const
{
    for (const Range& range : m_merges)
        if (row >= range.minRow && row <= range.maxRow && column >= range.minColumn && column <= range.maxColumn)
            return &range;
    return nullptr;
}

void OdDbTable::mergeCells(int minRow, int maxRow, int minColumn, int maxColumn)
{
    cellAt(minRow, minColumn);
    cellAt(maxRow, maxColumn);
    if (minRow > maxRow || minColumn > maxColumn)
        throw OdError(eInvalidInput, "OdDbTable::mergeCells: the range is empty");
    for (const Range& range : m_merges)
        if (range.minRow <= maxRow && minRow <= range.maxRow && range.minColumn <= maxColumn &&
            minColumn <= range.maxColumn)
            throw OdError(eInvalidInput, "OdDbTable::mergeCells: the range overlaps a merged range");
    m_merges.push_back({minRow, maxRow, minColumn, maxColumn});
}

bool OdDbTable::isMergedCell(int row, int column, int* minRow, int* maxRow, int* minColumn, int* maxColumn) const
{
    cellAt(row, column);
    const Range* range = mergeOf(row, column);
    if (!range)
        return false;
    if (minRow)
        *minRow = range->minRow;
    if (maxRow)
        *maxRow = range->maxRow;
    if (minColumn)
        *minColumn = range->minColumn;
    if (maxColumn)
        *maxColumn = range->maxColumn;
    return true;
}

void OdDbTable::recomputeTableBlock(bool)
{
    std::vector<double> xs{m_position.x};
    for (int c = 0; c < m_columns; ++c)
        xs.push_back(xs.back() + columnWidth(c));
    std::vector<double> ys{m_position.y};
    for (int r = 0; r < m_rows; ++r)
        ys.push_back(ys.back() - rowHeight(r));
    const double z = m_position.z;

    m_block.clear();
    const auto addLine = [&](double x0, double y0, double x1, double y1)
    {
        const OdSmartPtr<OdDbLine> line = OdDbLine::createObject();
        line->setStartPoint(OdGePoint3d(x0, y0, z));
        line->setEndPoint(OdGePoint3d(x1, y1, z));
        line->setColor(color());
        line->setLayer(layer());
        m_block.append(line);
    };
    const auto sameRange = [&](int r0, int c0, int r1, int c1)
    {
        const Range* a = mergeOf(r0, c0);
        return a && a == mergeOf(r1, c1);
    };
    // Borders between rows (and the outer top and bottom), cell by cell, none inside a merged range.
    for (int r = 0; r <= m_rows; ++r)
        for (int c = 0; c < m_columns; ++c)
            if (r == 0 || r == m_rows || !sameRange(r - 1, c, r, c))
                addLine(xs[static_cast<std::size_t>(c)], ys[static_cast<std::size_t>(r)],
                        xs[static_cast<std::size_t>(c) + 1], ys[static_cast<std::size_t>(r)]);
    for (int c = 0; c <= m_columns; ++c)
        for (int r = 0; r < m_rows; ++r)
            if (c == 0 || c == m_columns || !sameRange(r, c - 1, r, c))
                addLine(xs[static_cast<std::size_t>(c)], ys[static_cast<std::size_t>(r)],
                        xs[static_cast<std::size_t>(c)], ys[static_cast<std::size_t>(r) + 1]);

    for (int r = 0; r < m_rows; ++r)
    {
        for (int c = 0; c < m_columns; ++c)
        {
            const Range* range = mergeOf(r, c);
            if (range && (range->minRow != r || range->minColumn != c))
                continue;
            const Cell& cell = cellAt(r, c);
            if (cell.text.isEmpty())
                continue;
            const int lastRow = range ? range->maxRow : r;
            const int lastColumn = range ? range->maxColumn : c;
            const double left = xs[static_cast<std::size_t>(c)] + cell.margins[1];
            const double right = xs[static_cast<std::size_t>(lastColumn) + 1] - cell.margins[3];
            const double top = ys[static_cast<std::size_t>(r)] - cell.margins[0];
            const double bottom = ys[static_cast<std::size_t>(lastRow) + 1] + cell.margins[2];
            const int a = alignment(r, c) - 1;
            const int column = a % 3;
            const int row = a / 3;
            const OdSmartPtr<OdDbText> text = OdDbText::createObject();
            text->setTextString(cell.text);
            text->setHeight(cell.textHeight);
            text->setColor(color());
            text->setLayer(layer());
            text->setHorizontalMode(column == 0 ? OdDb::kTextLeft : column == 1 ? OdDb::kTextCenter : OdDb::kTextRight);
            text->setVerticalMode(row == 0 ? OdDb::kTextTop : row == 1 ? OdDb::kTextVertMid : OdDb::kTextBottom);
            text->setAlignmentPoint(OdGePoint3d(column == 0 ? left : column == 1 ? 0.5 * (left + right) : right,
                                                row == 0 ? top : row == 1 ? 0.5 * (top + bottom) : bottom, z));
            m_block.append(text);
        }
    }
}

OdResult OdDbTable::getGeomExtents(OdGeExtents3d& extents) const
{
    if (!(m_width > 0.0))
        return eInvalidExtents;
    extents = OdGeExtents3d(OdGePoint3d(m_position.x, m_position.y - height(), m_position.z),
                            OdGePoint3d(m_position.x + m_width, m_position.y, m_position.z));
    return eOk;
}

OdResult OdDbTable::transformBy(const OdGeMatrix3d& xform)
{
    OdGeMatrix3d linear = xform;
    linear[0][3] = linear[1][3] = linear[2][3] = 0.0;
    if (!linear.isEqualTo(OdGeMatrix3d::kIdentity))
        return eNotApplicable;
    m_position = xform * m_position;
    if (!m_block.isEmpty())
        recomputeTableBlock();
    return eOk;
}

OdSmartPtr<OdDbEntity> OdDbTable::clone() const
{
    const OdSmartPtr<OdDbTable> copy(new OdDbTable(*this));
    if (!copy->m_block.isEmpty())
        copy->recomputeTableBlock();
    return copy;
}

bool OdDbTable::subWorldDraw(OdGiWorldDraw* worldDraw) const
{
    if (!worldDraw)
        return false;
    for (const OdDbEntityPtr& entity : m_block)
        worldDraw->geometry().draw(entity.get());
    return true;
}
