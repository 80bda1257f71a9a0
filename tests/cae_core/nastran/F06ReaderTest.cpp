#include "cae_core/nastran/F06Reader.h"

#include "tests/cae_core/nastran/NastranTestSupport.h"
#include "tests/support/Seed.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

namespace
{
using cae_core::GridResults;

/// Both entry points, which must agree.
GridResults readBoth(const std::string& text)
{
    std::istringstream stream(text);
    const GridResults fromStream = cae_core::readGridResults(stream);
    const GridResults fromBytes = cae_core::readGridResults(std::string_view(text));
    EXPECT_EQ(fromStream.size(), fromBytes.size());
    for (const auto& [grid, result] : fromBytes)
    {
        const auto it = fromStream.find(grid);
        EXPECT_TRUE(it != fromStream.end() && it->second.displacement == result.displacement &&
                    it->second.vonMisesStress == result.vonMisesStress)
            << "grid " << grid;
    }
    return fromBytes;
}

/// A number in its printed field: 13 characters, a blank where a positive value has no sign.
std::string printed(double value)
{
    char field[32];
    std::snprintf(field, sizeof field, "% .6E", value);
    return field;
}

const std::string kDisplacementTitle =
    "                                             D I S P L A C E M E N T   V E C T O R\n"
    " \n"
    "      POINT ID.   TYPE          T1             T2             T3             "
    "R1             R2             R3\n";
const std::string kStressTitle =
    "                   S T R E S S E S   I N    T E T R A H E D R O N   S O L I D   "
    "E L E M E N T S   ( C T E T R A )\n";

/// A displacement row, the point id ending in column 14, the type in column 21, six values 15 apart.
std::string displacementRow(unsigned long long grid, double t1, double t2, double t3, char type = 'G')
{
    char row[200];
    std::snprintf(row, sizeof row, "%14llu      %c     %s  %s  %s  %s  %s  %s\n", grid, type,
                  printed(t1).c_str(), printed(t2).c_str(), printed(t3).c_str(), printed(1e-5).c_str(),
                  printed(-2e-5).c_str(), printed(3e-6).c_str());
    return row;
}

/// The three lines of a tetrahedron point: the X line (129 characters, mean pressure from character 100
/// on, von Mises after it) and the Y and Z lines; `point` is a grid id or "CENTER".
std::string stressPoint(const std::string& point, double vonMises, double pressure = -1.289711e4)
{
    char lines[600];
    std::snprintf(lines, sizeof lines,
                  "0%22s  X  %s  XY  %s   A  %s  LX-0.10-0.70-0.70  %s   %s\n"
                  "                         Y  %s  YZ  %s   B  %s  LY-0.10 0.71-0.69\n"
                  "                         Z  %s  ZX  %s   C  %s  LZ 0.99 0.00-0.15\n",
                  point.c_str(), printed(4.363144e3).c_str(), printed(1.354255e3).c_str(),
                  printed(3.054184e4).c_str(), printed(pressure).c_str(), printed(vonMises).c_str(),
                  printed(4.3e3).c_str(), printed(-2.6e3).c_str(), printed(2.9e3).c_str(),
                  printed(3.0e4).c_str(), printed(-2.6e3).c_str(), printed(5.2e3).c_str());
    return lines;
}

std::string element(int id, const std::vector<std::pair<int, double>>& corners)
{
    char line[64];
    std::snprintf(line, sizeof line, "0%10d           0GRID CS  4 GP\n", id);
    std::string text = line + stressPoint("CENTER", 1.0e9);
    for (const auto& [grid, vonMises] : corners)
        text += stressPoint(std::to_string(grid), vonMises);
    return text;
}

TEST(F06Reader, ReadsTranslationsOfGridPointsAndTheLargestCornerVonMisesPerGrid)
{
    const std::string text = kDisplacementTitle + displacementRow(15, 1.0e-3, -2.0e-3, 0.0) +
                             displacementRow(16, 5.0, 5.0, 5.0) + displacementRow(16, 1.0, 2.0, 3.0) +
                             displacementRow(17, 9.0, 9.0, 9.0, 'S') + kStressTitle +
                             element(1, {{7, 120.0}, {15, 3.0}}) + element(2, {{7, 95.0}, {8, 2.5}});
    const GridResults results = readBoth(text);
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results.at(15).displacement, OdGeVector3d(0.001, -0.002, 0.0));
    EXPECT_EQ(results.at(15).vonMisesStress, 3.0);
    EXPECT_EQ(results.at(16).displacement, OdGeVector3d(1.0, 2.0, 3.0)) << "the last row of a grid wins";
    EXPECT_EQ(results.count(17), 0u) << "a scalar point is no grid";
    EXPECT_EQ(results.at(7).vonMisesStress, 120.0);
    EXPECT_EQ(results.at(7).displacement, OdGeVector3d()) << "a grid known from the stress table alone";
    EXPECT_EQ(results.at(8).vonMisesStress, 2.5);
}

TEST(F06Reader, OnlyLinesOfAHundredCharactersAreRowsAndTheValueIsTakenFromCharacter100On)
{
    std::string shortRow = stressPoint("5", 50.0);
    shortRow = shortRow.substr(0, 99) + "\n" + shortRow.substr(shortRow.find('\n') + 1);
    // The von Mises stress is the second number from character 100 on, whatever the text before it holds.
    std::string shifted = stressPoint("6", 60.0);
    shifted.replace(84, 15, "1.0 2.0 3.0 4.0");
    std::string badLabel = stressPoint("9", 90.0);
    badLabel[43] = 'Q';
    const GridResults results =
        readBoth(kStressTitle + shortRow + shifted + badLabel + stressPoint("10", 10.0, 7.0));
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results.at(6).vonMisesStress, 60.0);
    EXPECT_EQ(results.at(10).vonMisesStress, 10.0) << "a positive mean pressure";
}

TEST(F06Reader, TheSummaryTitleStopsReadingOnlyOnALineLongEnoughToBeARow)
{
    // The solver prints the summary title on a line of 95 characters, so under the row-length rule it
    // never stops the reading: rows after it are still read. Only a line of 100 or more would stop it.
    const std::string printedSummary =
        "0                                   * * * *  A N A L Y S I S  S U M M A R Y  T A B L E  * * * *\n";
    ASSERT_EQ(printedSummary.size(), 96u);
    const std::string longSummary = printedSummary.substr(0, 95) + std::string(10, ' ') + "\n";
    EXPECT_EQ(readBoth(kStressTitle + printedSummary + stressPoint("3", 30.0)).size(), 1u);
    EXPECT_EQ(readBoth(kStressTitle + longSummary + stressPoint("3", 30.0)).size(), 0u);
    EXPECT_EQ(readBoth(kDisplacementTitle + longSummary + displacementRow(3, 1.0, 1.0, 1.0)).size(), 0u);
}

TEST(F06Reader, DamagedInputYieldsWhatItsReadableRowsSay)
{
    const std::string whole = kDisplacementTitle + displacementRow(1, 1.0, 2.0, 3.0) + kStressTitle +
                              element(1, {{1, 11.0}, {2, 22.0}, {3, 33.0}, {4, 44.0}});
    EXPECT_TRUE(readBoth("").empty());
    EXPECT_EQ(readBoth(whole).size(), 4u);
    // Cut anywhere, even inside a number or between a point's lines, the file gives a subset.
    for (std::size_t cut = 0; cut < whole.size(); cut += 7)
        EXPECT_LE(readBoth(whole.substr(0, cut)).size(), 4u) << cut;
    // Windows line ends read like plain ones.
    std::string crlf;
    for (const char c : whole)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(readBoth(crlf).size(), 4u);

    // The checked columns take what stod takes: a leading number, never one out of range.
    const std::pair<const char*, std::size_t> checked[] = {{"1.5E+3junk   ", 1}, {"0x1p3        ", 1},
                                                           {"-.E+05       ", 0}, {"1.0E+999     ", 0},
                                                           {"1.0E-400     ", 0}, {"-1.00000E+12 ", 1}};
    for (const auto& [value, rows] : checked)
    {
        std::string point = stressPoint("5", 5.0);
        point.replace(point.find(" X  ") + 4, 13, value);
        EXPECT_EQ(readBoth(kStressTitle + point).size(), rows) << value;
    }

    const std::string huge = kStressTitle + std::string(3'000'000, '7') + "\n" + std::string(2'500'000, ' ') +
                             "\n" + stressPoint("5", 5.0);
    EXPECT_EQ(readBoth(huge).size(), 1u);

    std::mt19937 random(static_cast<unsigned>(test_support::testSeed()));
    std::string binary = whole;
    for (int i = 0; i < 200'000; ++i)
        binary += static_cast<char>(random() % 256);
    binary += whole;
    const GridResults results = readBoth(binary);
    EXPECT_LE(results.size(), 4u + 1000u);
}

TEST(F06Reader, RecordedSolidResultsGiveEveryGridsTranslationsAndTetrahedronCornerStresses)
{
    NASTRAN_REQUIRE_SAMPLES(samples);
    std::ifstream file(samples / "static_solid_shell_bar.f06", std::ios::binary);
    const GridResults results = cae_core::readGridResults(file);
    ASSERT_EQ(results.size(), 25u) << "grids 1 to 25 of the displacement table";
    EXPECT_EQ(results.at(1).displacement, OdGeVector3d(-1.116251E-03, 1.035899E-04, 7.851645E-04));
    EXPECT_EQ(results.at(21).displacement, OdGeVector3d(-2.350846E-04, 1.212530E-05, 8.407630E-04));
    // The two tetrahedra 4 (grids 10 11 9 13) and 5 (10 12 11 13); the hexahedron and pentahedron tables
    // and the strain tables, laid out alike, come before the tetrahedron stresses and are not read.
    const std::map<std::uint64_t, double> vonMises = {
        {9, 2.653339E+04}, {10, 2.653339E+04}, {11, 2.653339E+04}, {12, 2.653120E+04}, {13, 2.653339E+04}};
    for (const auto& [grid, result] : results)
    {
        const auto it = vonMises.find(grid);
        EXPECT_EQ(result.vonMisesStress, it == vonMises.end() ? 0.0 : it->second) << "grid " << grid;
    }
    // This file also prints the load vector and the single-point constraint forces, tables that the
    // module's deck never asks for. They lie inside the displacement section and have grid-point rows of
    // the same layout, so under the section rule their rows replace the translations of the grids they
    // list: 13 (the loaded grid) and 22 to 25 (the constrained ones).
    EXPECT_EQ(results.at(13).displacement, OdGeVector3d(0.0, 0.0, 1.0E+04));
    EXPECT_EQ(results.at(22).displacement, OdGeVector3d(-1.804034E-04, -3.090290E+00, -2.558886E+03));
    EXPECT_EQ(results.at(25).displacement, OdGeVector3d(0.0, 0.0, -2.438213E+03));

    std::ifstream plate(samples / "flat_plate_metallic.f06", std::ios::binary);
    EXPECT_TRUE(cae_core::readGridResults(plate).empty()) << "no displacement table and no solid elements";
}

/// The recorded solid printout as its lines, for edits that a real printout may hold.
std::vector<std::string> recordedLines(const std::filesystem::path& samples)
{
    std::ifstream file(samples / "static_solid_shell_bar.f06", std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

/// Lines `first` to `last` (1-based, inclusive) of the recorded printout.
std::vector<std::string> slice(const std::vector<std::string>& lines, std::size_t first, std::size_t last)
{
    return {lines.begin() + static_cast<std::ptrdiff_t>(first - 1),
            lines.begin() + static_cast<std::ptrdiff_t>(last)};
}

void insertAfter(std::vector<std::string>& lines, std::size_t after, const std::vector<std::string>& inserted)
{
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(after), inserted.begin(), inserted.end());
}

cae_core::TaskResultTables readPrintout(const std::string& text, std::uint64_t subcase = 0)
{
    cae_core::F06ReadOptions options;
    options.printout = true;
    options.subcase = subcase;
    std::istringstream stream(text);
    const cae_core::TaskResultTables fromStream = cae_core::readTaskResultTables(stream, options);
    cae_core::TaskResultTables tables = cae_core::readTaskResultTables(std::string_view(text), options);
    EXPECT_EQ(fromStream.grids.size(), tables.grids.size());
    EXPECT_EQ(fromStream.reactions.size(), tables.reactions.size());
    return tables;
}

void expectSameGrids(const GridResults& got, const GridResults& want, const std::string& what)
{
    ASSERT_EQ(got.size(), want.size()) << what;
    for (const auto& [grid, result] : want)
    {
        EXPECT_EQ(got.at(grid).displacement, result.displacement) << what << ", grid " << grid;
        EXPECT_EQ(got.at(grid).vonMisesStress, result.vonMisesStress) << what << ", grid " << grid;
    }
}

TEST(F06PrintoutReader, RecordedSolidResultsTakeTranslationsFromTheDisplacementTableOnly)
{
    NASTRAN_REQUIRE_SAMPLES(samples);
    const std::vector<std::string> lines = recordedLines(samples);
    const cae_core::TaskResultTables tables = readPrintout(joined(lines));
    ASSERT_EQ(tables.grids.size(), 25u);
    // The grids that the load vector and the constraint forces list, which the section rule misreads.
    EXPECT_EQ(tables.grids.at(13).displacement, OdGeVector3d(-2.632421E-03, 1.026346E-04, 2.766774E-03));
    EXPECT_EQ(tables.grids.at(22).displacement, OdGeVector3d());
    EXPECT_EQ(tables.grids.at(21).displacement, OdGeVector3d(-2.350846E-04, 1.212530E-05, 8.407630E-04));
    // Stresses as the section rule reads them: the hexahedron and pentahedron tables come first.
    const GridResults specified = cae_core::readGridResults(std::string_view(joined(lines)));
    for (const auto& [grid, result] : specified)
        EXPECT_EQ(tables.grids.at(grid).vonMisesStress, result.vonMisesStress) << "grid " << grid;
    ASSERT_EQ(tables.reactions.size(), 4u);
    EXPECT_EQ(tables.reactions.at(22), OdGeVector3d(-1.804034E-04, -3.090290E+00, -2.558886E+03));

    std::ifstream plate(samples / "flat_plate_metallic.f06", std::ios::binary);
    const std::string plateText{std::istreambuf_iterator<char>(plate), std::istreambuf_iterator<char>()};
    EXPECT_TRUE(readPrintout(plateText).grids.empty());
}

TEST(F06PrintoutReader, PageBreaksOtherElementTablesAndLaterSubcasesLeaveTheResultsAsRead)
{
    NASTRAN_REQUIRE_SAMPLES(samples);
    const std::vector<std::string> lines = recordedLines(samples);
    ASSERT_GT(lines.size(), 900u);
    const GridResults want = readPrintout(joined(lines)).grids;
    const std::vector<std::string> displacementPageTop = slice(lines, 337, 343);
    const std::vector<std::string> tetraPageTop = slice(lines, 861, 867);
    std::vector<std::string> laterSubcase = slice(lines, 337, 370);
    for (std::string& line : laterSubcase)
    {
        if (const std::size_t at = line.find("SUBCASE 1"); at != std::string::npos)
            line[at + 8] = '2';
        if (const std::size_t at = line.find("E-0");
            at != std::string::npos && line.find(" G ") != std::string::npos)
            line[at + 3] = '1';
    }
    const std::pair<const char*, std::function<void(std::vector<std::string>&)>> edits[] = {
        {"a page break inside the displacement table",
         [&](auto& l) { insertAfter(l, 346, displacementPageTop); }},
        {"a page break between a point's X and Y lines", [&](auto& l) { insertAfter(l, 869, tetraPageTop); }},
        {"a hexahedron table after the tetrahedron one",
         [&](auto& l) { insertAfter(l, 899, slice(l, 722, 760)); }},
        {"a second subcase", [&](auto& l) { insertAfter(l, 899, laterSubcase); }},
        {"a page number and header alone", [&](auto& l) { insertAfter(l, 347, slice(l, 337, 339)); }},
    };
    for (const auto& [what, edit] : edits)
    {
        std::vector<std::string> edited = lines;
        edit(edited);
        expectSameGrids(readPrintout(joined(edited)).grids, want, what);
    }

    std::vector<std::string> twoSubcases = lines;
    insertAfter(twoSubcases, 899, laterSubcase);
    EXPECT_EQ(readPrintout(joined(twoSubcases), 2).grids.at(1).displacement,
              OdGeVector3d(-1.116251E-01, 1.035899E-04, 7.851645E-04))
        << "the subcase asked for";
}

TEST(F06PrintoutReader, ADamagedRowInATableNamesItsLine)
{
    NASTRAN_REQUIRE_SAMPLES(samples);
    const std::vector<std::string> lines = recordedLines(samples);
    const std::pair<std::size_t, std::function<void(std::string&)>> damages[] = {
        {345, [](std::string& l) { l.resize(60); }},
        {346, [](std::string& l) { l.replace(l.find("E-05"), 1, "X"); }},
        {388, [](std::string& l) { l.replace(l.find("E+03"), 1, "*"); }},
        {872, [](std::string& l) { l.resize(110); }},
        {881, [](std::string& l) { l.replace(l.find("XY"), 2, "QQ"); }},
        {885, [](std::string& l) { l.replace(l.find("E+03"), 1, "?"); }},
    };
    for (const auto& [line, damage] : damages)
    {
        std::vector<std::string> edited = lines;
        damage(edited[line - 1]);
        try
        {
            readPrintout(joined(edited));
            ADD_FAILURE() << "line " << line << " read as complete";
        }
        catch (const cae_core::F06Error& error)
        {
            EXPECT_EQ(error.line(), line) << error.what();
        }
    }
}

TEST(F06PrintoutReader, ReadsTheModulesOwnLayoutAsTheSectionRuleDoes)
{
    const std::string text = kDisplacementTitle + displacementRow(15, 1.0e-3, -2.0e-3, 0.0) +
                             displacementRow(16, 5.0, 5.0, 5.0) + displacementRow(16, 1.0, 2.0, 3.0) +
                             displacementRow(17, 9.0, 9.0, 9.0, 'S') + kStressTitle +
                             element(1, {{7, 120.0}, {15, 3.0}}) + element(2, {{7, 95.0}, {8, 2.5}});
    expectSameGrids(readPrintout(text).grids, readBoth(text), "the module's layout");
}

/// A tetrahedron corner with a given tensor, the principal and cosine columns as printed for any point.
std::string cornerPoint(int grid, const cae_core::SolidStress& s)
{
    char lines[600];
    std::snprintf(lines, sizeof lines,
                  "0%22d  X  %s  XY  %s   A  %s  LX-0.10-0.70-0.70  %s   %s\n"
                  "                         Y  %s  YZ  %s   B  %s  LY-0.10 0.71-0.69\n"
                  "                         Z  %s  ZX  %s   C  %s  LZ 0.99 0.00-0.15\n",
                  grid, printed(s.xx).c_str(), printed(s.xy).c_str(), printed(1.0).c_str(),
                  printed(-1.0).c_str(), printed(s.vonMises()).c_str(), printed(s.yy).c_str(),
                  printed(s.yz).c_str(), printed(2.0).c_str(), printed(s.zz).c_str(), printed(s.zx).c_str(),
                  printed(3.0).c_str());
    return lines;
}

TEST(F06StressComponents, EachGridGetsTheMeanTensorOfTheCornersAtItInBothReadingModes)
{
    const cae_core::SolidStress a{100.0, -20.0, 30.0, 4.0, -5.0, 6.0}, b{50.0, 20.0, -10.0, 8.0, 5.0, -2.0};
    char line[64];
    std::snprintf(line, sizeof line, "0%10d           0GRID CS  4 GP\n", 1);
    const std::string text = kDisplacementTitle + displacementRow(7, 1.0, 2.0, 3.0) + kStressTitle + line +
                             stressPoint("CENTER", 1.0e9) + cornerPoint(7, a) + cornerPoint(8, b) +
                             element(2, {}) + cornerPoint(7, b);
    for (const bool printout : {false, true})
    {
        cae_core::F06ReadOptions options;
        options.printout = printout;
        options.stressComponents = true;
        const GridResults results = cae_core::readGridResults(std::string_view(text), options);
        ASSERT_EQ(results.size(), 2u) << "printout " << printout;
        EXPECT_EQ(results.at(7).stressCorners, 2u);
        EXPECT_EQ(results.at(7).stress, (cae_core::SolidStress{75.0, 0.0, 10.0, 6.0, 0.0, 2.0}));
        EXPECT_EQ(results.at(8).stress, b);
        EXPECT_EQ(results.at(7).displacement, OdGeVector3d(1.0, 2.0, 3.0)) << "the rest read as before";
        EXPECT_EQ(results.at(7).vonMisesStress, std::stod(printed(std::max(a.vonMises(), b.vonMises()))));
    }
    EXPECT_EQ(readBoth(text).at(7).stressCorners, 0u) << "kept only when asked";
}

TEST(F06StressComponents, RecordedSolidResultsAverageTheTwoTetrahedraAtASharedGrid)
{
    NASTRAN_REQUIRE_SAMPLES(samples);
    cae_core::F06ReadOptions options;
    options.printout = true;
    options.stressComponents = true;
    const std::string text = joined(recordedLines(samples));
    const GridResults results = cae_core::readGridResults(std::string_view(text), options);
    // Grid 10 is a corner of tetrahedra 4 and 5, whose yz and zx shears are of opposite sign.
    const cae_core::SolidStress& s = results.at(10).stress;
    EXPECT_EQ(results.at(10).stressCorners, 2u);
    EXPECT_DOUBLE_EQ(s.xx, 0.5 * (4.363144E+03 + 4.370317E+03));
    EXPECT_DOUBLE_EQ(s.zz, 0.5 * (2.999760E+04 + 3.000240E+04));
    EXPECT_DOUBLE_EQ(s.xy, 0.5 * (1.354255E+03 + 1.356953E+03));
    EXPECT_EQ(s.yz, 0.0);
    EXPECT_EQ(results.at(12).stress, (cae_core::SolidStress{4.370317E+03, 4.338405E+03, 3.000240E+04,
                                                            1.356953E+03, 2.599933E+03, 2.599933E+03}))
        << "a corner of tetrahedron 5 only";
    options.printout = false;
    const GridResults section = cae_core::readGridResults(std::string_view(text), options);
    for (const auto& [grid, result] : results)
        EXPECT_EQ(section.at(grid).stress, result.stress) << "grid " << grid;
}

TEST(F06StressComponents, ADamagedOrMissingYOrZLineNamesItsLineInPrintoutMode)
{
    NASTRAN_REQUIRE_SAMPLES(samples);
    const std::vector<std::string> lines = recordedLines(samples);
    cae_core::F06ReadOptions options;
    options.printout = true;
    options.stressComponents = true;
    const std::pair<std::size_t, std::function<void(std::vector<std::string>&)>> damages[] = {
        {873, [](auto& l) { l[872].replace(l[872].find("YZ"), 2, "QQ"); }},
        {874, [](auto& l) { l[873].replace(l[873].find("E+04"), 1, "#"); }},
        {873, [](auto& l) { l.erase(l.begin() + 872); }},
        {874, [](auto& l) { l.erase(l.begin() + 873); }},
        {868, [](auto& l) { l[867].replace(l[867].find("0GRID"), 1, "7"); }},
    };
    for (const auto& [line, damage] : damages)
    {
        std::vector<std::string> edited = lines;
        damage(edited);
        try
        {
            cae_core::readGridResults(std::string_view(joined(edited)), options);
            ADD_FAILURE() << "line " << line << " read as complete";
        }
        catch (const cae_core::F06Error& error)
        {
            EXPECT_EQ(error.line(), line) << error.what();
        }
    }
    std::vector<std::string> paged = lines;
    insertAfter(paged, 872, slice(lines, 861, 867));
    EXPECT_NO_THROW(cae_core::readGridResults(std::string_view(joined(paged)), options))
        << "a page break between a corner's X and Y lines";
}

} // namespace
