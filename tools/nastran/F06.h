#pragma once

// The printed results file (.f06): pages of LINES lines after a three-line page header (title with date
// and page number, subtitle, label with the subcase), tables in fixed columns:
//  - displacement vector: point id ending in column 14, type G in column 21, T1..R3 with their sign
//    columns at 27, 42, 57, 72, 87, 102;
//  - CTETRA stresses: an element line, then centre and corners with three lines each (normal, shear,
//    principal, direction cosines; mean pressure and von Mises on the first line, von Mises ending in
//    column 129);
//  - forces of single-point and of multipoint constraint: as the displacement vector;
//  - TRIA3 stresses: two fibre rows per element; TRIA6 stresses: centre and three corners, two fibre
//    rows and an empty line each. Membrane stresses are in the element system (x along corners 1 to 2).
// Numbers are d.ddddddE+dd with the sign in the column before the first digit; an exact zero is 0.0.
// A table continues over page breaks with its title and column headers printed again.

#include "tools/nastran/Analysis.h"
#include "tools/nastran/Model.h"

#include <ostream>
#include <string>
#include <vector>

namespace nastran
{

class F06Writer
{
public:
    /// `stamp` is printed on every page header before the page number (date and program).
    F06Writer(std::ostream& out, const CaseControl& caseControl, std::string stamp);

    void caseControlEcho();
    void bulkDataEcho(const std::vector<std::string>& lines);
    void modelSummary(const Model& model);
    void messages(const std::vector<Note>& notes);
    void fatal(const std::string& text);
    void displacements(const Results& r);
    void tetraStresses(const Results& r);
    void triaStresses(const Results& r);
    /// Forces of single-point (r.spcForces) or multipoint (r.mpcForces) constraint, in the displacement
    /// table's columns; nothing when there are none.
    void constraintForces(const Results& r, bool multipoint);
    void summaryTable(bool success);
    void endOfJob();

    int pages() const { return m_page; }

private:
    void pageHeader(bool subcase);
    void startTable(std::vector<std::string> header, bool subcase = true);
    void line(std::string_view s);

    std::ostream& m_out;
    const CaseControl& m_cc;
    std::string m_stamp;
    int m_page = 0;
    int m_linesOnPage = 0;
    bool m_subcase = true;
    std::vector<std::string> m_header;
};

/// Date text of page headers, such as "DECEMBER   6, 2026", for the current day.
std::string todayStamp();

namespace detail
{
/// Writes v as d.ddddddE+dd into line so that its sign goes at the 1-based column `signColumn`
/// (blank for a non-negative value) and its first digit at the next column; 0 is written as 0.0.
/// The line is widened with blanks as needed.
void putReal(std::string& line, std::size_t signColumn, double v);
/// Writes s right-justified so that it ends at the 1-based column `lastColumn`.
void putRight(std::string& line, std::size_t lastColumn, std::string_view s);
/// Principal values (descending) and directions (columns) of a symmetric 3x3 stress state.
void principal(const Stress6& s, double values[3], double vectors[3][3]);
} // namespace detail

} // namespace nastran
