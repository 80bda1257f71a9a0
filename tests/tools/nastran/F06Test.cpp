#include "TestModels.h"

#include "tools/nastran/F06.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace nastran;
using nastran::test::linesOf;

namespace
{

/// Column pattern of a line: digits become 9 and signs blanks, so that lines printed from the same
/// values by different programs compare equal when their columns agree.
std::string mask(std::string s)
{
    for (char& c : s)
        c = std::isdigit(static_cast<unsigned char>(c)) ? '9' : (c == '-' || c == '+') ? ' ' : c;
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

/// Lines after the first line holding `title`.
std::vector<std::string> tableRows(const std::string& text, const std::string& title, std::size_t skip)
{
    const auto lines = linesOf(text);
    for (std::size_t k = 0; k < lines.size(); ++k)
        if (lines[k].find(title) != std::string::npos)
            return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(k + 1 + skip),
                                            lines.end());
    return {};
}

std::string write(const Results& r, int linesPerPage = 1000000)
{
    CaseControl cc;
    cc.title = "TITLE";
    cc.linesPerPage = linesPerPage;
    std::ostringstream out;
    F06Writer w(out, cc, "DECEMBER   6, 2026  CAE NASTRAN  1.0");
    w.displacements(r);
    w.tetraStresses(r);
    w.triaStresses(r);
    return out.str();
}

} // namespace

// Rows printed from the values of real result files keep the columns of those files.
TEST(F06Layout, TablesKeepTheColumnsOfRealResultFiles)
{
    Results r;
    r.gridIds = {1};
    r.displacement = {
        {-1.116251E-03, 1.035899E-04, 7.851645E-04, -9.060274E-05, -4.439605E-04, 6.172495E-06}};
    SolidResult tet;
    tet.id = 4;
    tet.corners = {10, 11, 12, 13};
    tet.stress.fill({4.363144E+03, 4.330592E+03, 2.999760E+04, 1.354255E+03, -2.599933E+03, -2.599933E+03});
    r.tetras = {tet};
    MembraneResult t3;
    t3.id = 21;
    t3.thickness = 1.0;
    t3.stress[0] = {6.386951E+01, 5.048630E+01, -5.062656E+01};
    r.trias3 = {t3};
    MembraneResult t6;
    t6.id = 19;
    t6.type = EElementType::eTria6;
    t6.corners = {34, 19, 18};
    t6.thickness = 1.0;
    t6.stress = {{{8.269518E+01, 1.738405E+01, -5.368594E+01},
                  {2.735724E+01, -1.581968E+02, 1.130911E+02},
                  {0.0, 0.0, 0.0},
                  {0.0, 0.0, 0.0}}};
    r.trias6 = {t6};
    const std::string f06 = write(r);

    const auto disp = tableRows(f06, "D I S P L A C E M E N T   V E C T O R", 2);
    ASSERT_FALSE(disp.empty());
    EXPECT_EQ(disp[0],
              "             1      G     -1.116251E-03   1.035899E-04   7.851645E-04  -9.060274E-05  "
              "-4.439605E-04   6.172495E-06");

    const auto tetra = tableRows(f06, "S T R E S S E S   I N    T E T R A H E D R O N", 2);
    ASSERT_GE(tetra.size(), 7u);
    EXPECT_EQ(tetra[0], "0         4           0GRID CS  4 GP");
    // The module reads the mean pressure and von Mises as the tokens from character 100 on.
    std::istringstream tail(tetra[1].substr(100));
    double pressure = 0.0, mises = 0.0;
    tail >> pressure >> mises;
    EXPECT_NEAR(pressure, -(4.363144E+03 + 4.330592E+03 + 2.999760E+04) / 3.0, 1.0);
    EXPECT_NEAR(mises, 2.653339E+04, 1.0);

    const auto tria3 = tableRows(f06, "( T R I A 3 )", 2);
    ASSERT_GE(tria3.size(), 2u);
    const auto tria6 = tableRows(f06, "( T R I A 6 )", 3);
    ASSERT_GE(tria6.size(), 6u);
    EXPECT_EQ(tria6[2], "");

    // The real files' rows, compared column for column.
    struct RecordedRow
    {
        const std::vector<std::string>& table;
        std::size_t row;
        const char* line;
    };
    const RecordedRow recorded[] = {
        {tetra, 1,
         "0                CENTER  X   4.363144E+03  XY   1.354255E+03   A   3.054184E+04  "
         "LX-0.10-0.70-0.70  -1.289711E+04    2.653339E+04"},
        {tetra, 2,
         "                         Y   4.330592E+03  YZ  -2.599933E+03   B   2.992493E+03  "
         "LY-0.10 0.71-0.69"},
        {tetra, 4,
         "0                    10  X   4.363144E+03  XY   1.354255E+03   A   3.054184E+04  "
         "LX-0.10-0.70-0.70  -1.289711E+04    2.653339E+04"},
        {tria3, 0,
         "0      21   -5.000000E-01      6.386951E+01   5.048630E+01  -5.062656E+01   "
         "-41.2353    1.082448E+02    6.111030E+00   1.053223E+02"},
        {tria3, 1,
         "             5.000000E-01      6.386951E+01   5.048630E+01  -5.062656E+01   "
         "-41.2353    1.082448E+02    6.111030E+00   1.053223E+02"},
        {tria6, 0,
         "0        19    CEN/6  -5.000000E-01   8.269518E+01  1.738405E+01 -5.368594E+01   "
         "-29.3445   1.128772E+02 -1.279800E+01  1.197901E+02"},
        {tria6, 1,
         "                       5.000000E-01   8.269518E+01  1.738405E+01 -5.368594E+01   "
         "-29.3445   1.128772E+02 -1.279800E+01  1.197901E+02"},
        {tria6, 3,
         "                  34  -5.000000E-01   2.735724E+01 -1.581968E+02  1.130911E+02    "
         "25.3177   8.085796E+01 -2.116975E+02  2.616702E+02"},
    };
    for (const RecordedRow& row : recorded)
        EXPECT_EQ(mask(row.table[row.row]), mask(row.line));
    EXPECT_EQ(tria6[6].substr(0, 20), "                  19");
}

// The forces of single-point constraint of the recorded sample (grids 22-25), printed from its values,
// give its lines character for character, zeros included; the multipoint table shares the layout and
// pages like every table.
TEST(F06Layout, ConstraintForcesArePrintedAsTheRecordedSamplePrintsThem)
{
    Results r;
    r.spcForces = {
        {22, {-1.804034E-04, -3.090290E+00, -2.558886E+03, 4.810475E+00, 6.467418E+01, -2.513217E-01}},
        {23, {1.804034E-04, 3.090290E+00, -2.570716E+03, -1.908931E+00, 6.492795E+01, -8.099466E-02}},
        {24, {0.0, 0.0, -2.432185E+03, 0.0, 0.0, 1.337860E-01}},
        {25, {0.0, 0.0, -2.438213E+03, 0.0, 0.0, 1.987108E-01}}};
    for (Id g = 1; g <= 40; ++g)
        r.mpcForces.push_back({g, {1.0, -1.0, 0.0, 0.0, 0.0, 0.0}});
    CaseControl cc;
    cc.title = "TITLE";
    cc.linesPerPage = 20;
    std::ostringstream out;
    F06Writer w(out, cc, "DECEMBER   6, 2026  CAE NASTRAN  1.0");
    w.constraintForces(r, false);
    w.constraintForces(r, true);
    const auto lines = linesOf(out.str());

    const std::vector<std::string> sample = {
        "                               F O R C E S   O F   S I N G L E - P O I N T   C O N S T R A I N T",
        " ",
        "      POINT ID.   TYPE          T1             T2             T3             R1             R2      "
        "       R3",
        "            22      G     -1.804034E-04  -3.090290E+00  -2.558886E+03   4.810475E+00   6.467418E+01 "
        " -2.513217E-01",
        "            23      G      1.804034E-04   3.090290E+00  -2.570716E+03  -1.908931E+00   6.492795E+01 "
        " -8.099466E-02",
        "            24      G      0.0            0.0           -2.432185E+03   0.0            0.0          "
        "  1.337860E-01",
        "            25      G      0.0            0.0           -2.438213E+03   0.0            0.0          "
        "  1.987108E-01"};
    ASSERT_GE(lines.size(), 11u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.begin() + 11), sample);

    int titles = 0, rows = 0;
    for (const auto& l : lines)
    {
        titles +=
            l.find("F O R C E S   O F   M U L T I P O I N T   C O N S T R A I N T") != std::string::npos;
        rows += l.find("      G      1.000000E+00  -1.000000E+00   0.0") == 14;
    }
    EXPECT_EQ(rows, 40);
    EXPECT_EQ(titles, 3); // 16 rows a page
}

TEST(F06Layout, ExactZeroIsPrintedAsZeroPointZeroInTheDigitColumn)
{
    std::string line;
    detail::putReal(line, 27, 0.0);
    detail::putReal(line, 42, -0.0);
    EXPECT_EQ(line, std::string(27, ' ') + "0.0" + std::string(12, ' ') + "0.0");
}

// Tables longer than a page go on after a page header with their title and column headers again.
TEST(F06Layout, PagesHoldLinesLinesAfterTheirHeader)
{
    Results r;
    for (Id g = 1; g <= 120; ++g)
    {
        r.gridIds.push_back(g);
        r.displacement.push_back({1.0, 0, 0, 0, 0, 0});
    }
    const auto lines = linesOf(write(r, 20));
    int pages = 0, titles = 0, rows = 0;
    std::size_t lastHeader = 0;
    for (std::size_t k = 0; k < lines.size(); ++k)
    {
        if (lines[k].rfind("1    TITLE", 0) == 0)
        {
            EXPECT_NE(lines[k].find("PAGE     " + std::to_string(pages + 1)), std::string::npos) << lines[k];
            if (pages > 0)
            {
                EXPECT_LE(k - lastHeader, 23u);
            }
            lastHeader = k;
            ++pages;
        }
        titles += lines[k].find("D I S P L A C E M E N T") != std::string::npos;
        rows += lines[k].find("      G      1.000000E+00") != std::string::npos;
    }
    EXPECT_EQ(rows, 120);
    EXPECT_EQ(pages, 8); // 16 rows per page after the blank line, title, blank line and column header
    EXPECT_EQ(titles, pages);
}
