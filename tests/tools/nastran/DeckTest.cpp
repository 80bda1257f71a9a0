#include "tools/nastran/Deck.h"
#include "tests/support/Seed.h"
#include "tools/nastran/Analysis.h"

#include <gtest/gtest.h>

#include <random>

using namespace nastran;

namespace
{

const char* const kHeader =
    "$ a comment\nSOL 101\nCEND\nTITLE=T\nSPC=100\nMPC=7\nLOAD=10\nDISP=ALL\nBEGIN BULK\n";

std::string deck(const std::string& bulk)
{
    return std::string(kHeader) + bulk + "ENDDATA";
}

/// Every record of the model in one comparable text.
std::string summary(const Model& m)
{
    std::string s;
    for (const auto& g : m.grids)
        s += "G" + std::to_string(g.id) + ":" + std::to_string(g.x[0]) + "," + std::to_string(g.x[1]) + "," +
             std::to_string(g.x[2]) + g.permanentSpc + ";";
    for (const auto& e : m.elements)
    {
        s += "E" + std::to_string(e.id) + "/" + std::to_string(e.property) + ":";
        for (Id g : e.grids)
            s += std::to_string(g) + ",";
    }
    for (const auto& p : m.pressures)
        s += "P" + std::to_string(p.element) + ":" + std::to_string(p.pressure) + "," +
             std::to_string(p.cornerOnFace) + "," + std::to_string(p.oppositeCorner) +
             (p.direction ? "," + std::to_string((*p.direction)[2]) : std::string()) + ";";
    for (const auto& l : m.loadCombinations)
    {
        s += "L" + std::to_string(l.set) + ":";
        for (const auto& [f, id] : l.terms)
            s += std::to_string(f) + "*" + std::to_string(id) + ",";
    }
    for (const auto& c : m.spcs)
    {
        s += "S" + c.components + ":";
        for (const auto& r : c.grids)
            s += std::to_string(r.first) + "-" + std::to_string(r.last) + ",";
    }
    for (const auto& c : m.mpcs)
    {
        s += "M:";
        for (const auto& t : c.terms)
            s += std::to_string(t.grid) + "." + std::to_string(t.component) + "*" +
                 std::to_string(t.coefficient) + ",";
    }
    return s;
}

} // namespace

TEST(DeckReader, FreeFieldAndSmallFieldGiveTheSameModel)
{
    const std::string freeField = "GRID,1,,0.,0.,0.\n"
                                  "GRID,2,,1.0+0,0.,0.,,456\n"
                                  "CTETRA,5,1,1,2,3,4,11,12\n"
                                  "+,13,14,15,16\n"
                                  "PLOAD4,3,5,2.5,,,,1,4,,0.,0.,-1.\n"
                                  "LOAD,10,1.0,1.0,1,1.0,2,1.0,3,1.0,4,1.0,5,\n"
                                  "1.0,6,1.0,7\n"
                                  "SPC1,100,123,1,THRU,7,9,10,20,THRU,30\n"
                                  "MPC,7,2,1,0.0,2,2,1.0\n"
                                  ",,3,3,-2.\n";
    const std::string smallField =
        "GRID           1              0.      0.      0.\n"
        "GRID           2            1.E0      0.      0.             456\n"
        "CTETRA         5       1       1       2       3       4      11      12+C1\n"
        "+C1           13      14      15      16\n"
        "PLOAD4  3\t5\t2.5\t\t\t\t1\t4\n"
        "        \t0.\t0.\t-1.\n"
        "LOAD          10     1.0     1.0       1     1.0       2     1.0       3\n"
        "             1.0       4     1.0       5     1.0       6     1.0       7\n"
        "SPC1         100     123       1    THRU       7       9      10      20\n"
        "            THRU      30\n"
        "MPC            7       2       1      0.       2       2      1.\n"
        "                       3       3     -2.\n";
    const DeckReadResult a = readDeck(deck(freeField));
    const DeckReadResult b = readDeck(deck(smallField));
    ASSERT_TRUE(a.errors.empty()) << a.errors.front().text;
    ASSERT_TRUE(b.errors.empty()) << b.errors.front().text;
    EXPECT_EQ(summary(a.model), summary(b.model));
    EXPECT_EQ(a.model.elements.at(0).type, EElementType::eTetra10);
    EXPECT_EQ(a.model.loadCombinations.at(0).terms.size(), 7u);
    EXPECT_EQ(a.model.mpcs.at(0).terms.size(), 3u);
    EXPECT_EQ(a.model.caseControl.mpcSet, 7);
}

TEST(DeckReader, ReadsNastranRealForms)
{
    const std::pair<const char*, double> cases[] = {
        {"1.5", 1.5},      {"1.", 1.0},      {".5", 0.5}, {"-2.E3", -2000.0},    {"1.5D-3", 1.5e-3},
        {"1.5-3", 1.5e-3}, {"+7.+2", 700.0}, {"3", 3.0},  {"1.250000E+01", 12.5}};
    for (const auto& [text, value] : cases)
    {
        auto v = parseReal(text);
        ASSERT_TRUE(v.has_value()) << text;
        EXPECT_DOUBLE_EQ(*v, value) << text;
    }
    for (const char* bad : {"", "E5", "1.2.3", "1.5E", "abc", "1.0x", "."})
        EXPECT_FALSE(parseReal(bad).has_value()) << bad;
}

TEST(DeckReader, NamesTheCardAndLineOfEveryProblem)
{
    const std::pair<std::string, std::string> cases[] = {
        {deck("CQUAD4,1,1,1,2,3,4\n"), "bulk data card \"CQUAD4\" on line 10 is not supported"},
        {deck("GRID,1,,abc,0.,0.\n"), "GRID on line 10: field 3 (X1) \"ABC\" is not a real number"},
        {deck("GRID,1,5,0.,0.,0.\n"), "GRID on line 10: field 2 (CP)"},
        {deck("CTETRA,1,1,1,2,3,4,5\n"), "CTETRA on line 10: a tetrahedron has 4 grids or 10"},
        {deck("PLOAD4,1,1,1.,2.,,,1,4\n"), "differs from P1; only uniform pressure is supported"},
        {deck("PSHELL,1,1,0.1,1\n"), "bending is not supported"},
        {deck("SPC1,1,127,1\n"), "must list components 1 to 6"},
        {deck("MAT1,1,-2.E5,,0.3\n"), "MAT1 on line 10: field 2 (E) \"-2.E5\" must be positive and finite"},
        {deck("MAT1,1,2.E5,-7.E4\n"), "field 3 (G) \"-7.E4\" must be positive and finite, of the sign of E"},
        {deck("MAT1,1,2.E5,,0.5\n"), "field 4 (NU) \"0.5\" must lie between -1 and 0.5"},
        {deck("MAT1,1,,8.E4,-1.5\n"),
         "field 3 (G) \"8.E4\" gives with NU a Young's modulus that is not positive"},
        {deck("MAT1,1,2.E5,6.E4\n"), "field 3 (G) \"6.E4\" gives with E a Poisson's ratio outside (-1, 0.5)"},
        {std::string("SOL 101\nCEND\nSUBCASE 1\nBEGIN BULK\nENDDATA"),
         "\"SUBCASE\" on line 3 is not supported"},
        {std::string("SOL 103\nCEND\nBEGIN BULK\nENDDATA"), "only SOL 101"},
        {std::string(kHeader) + "GRID,1,,0.,0.,0.\n", "the deck ends without ENDDATA"},
    };
    for (const auto& [text, expected] : cases)
    {
        const DeckReadResult r = readDeck(text);
        ASSERT_FALSE(r.errors.empty()) << expected;
        EXPECT_NE(r.errors.front().text.find(expected), std::string::npos) << r.errors.front().text;
    }
}

TEST(DeckReader, ChecksReferencesBetweenCards)
{
    const auto messages = checkDeck(deck("GRID,1,,0.,0.,0.\nCTETRA,1,1,1,2,3,4\nPSOLID,1,9\n"
                                         "PLOAD4,1,1,1.,,,,1,1\nFORCE,1,77,,1.,1.,0.,0.\n"));
    const std::string all = [&]
    {
        std::string s;
        for (const auto& m : messages)
            s += m + "\n";
        return s;
    }();
    for (const char* expected :
         {"CTETRA 1 on line 11 refers to GRID 2, which is not defined",
          "uses material 9, which is not defined",
          "PLOAD4 1 on line 13: G1 1 and G4 1 must be two different corners",
          "FORCE 1 on line 14 refers to GRID 77",
          "LOAD = 10 in the case control selects a load set that no LOAD",
          "SPC = 100 in the case control selects a set that no SPC or SPC1 card defines"})
        EXPECT_NE(all.find(expected), std::string::npos) << expected << "\n" << all;
}

TEST(DeckReader, SurvivesTruncatedBinaryAndHugeInput)
{
    const std::string valid = deck("GRID,1,,0.,0.,0.\nGRID,2,,1.,0.,0.\nGRID,3,,0.,1.,0.\nGRID,4,,0.,0.,1.\n"
                                   "CTETRA,1,1,1,2,3,4\nPSOLID,1,1\nMAT1,1,1.,,0.3\nPLOAD4,10,1,1.,,,,1,4\n"
                                   "SPC1,100,123456,1,THRU,99999999\nMPC,7,2,1,1.,3,1,-1.\n");
    EXPECT_TRUE(readDeck(valid).errors.empty());
    for (std::size_t n = 0; n < valid.size(); ++n)
        EXPECT_NO_THROW(checkDeck(valid.substr(0, n)));

    std::mt19937 random(static_cast<unsigned>(test_support::testSeed()));
    for (int round = 0; round < 200; ++round)
    {
        std::string garbage = valid;
        for (int k = 0; k < 20; ++k)
            garbage[random() % garbage.size()] = static_cast<char>(random() % 256);
        EXPECT_NO_THROW(checkDeck(garbage));
    }
    std::string binary(4096, '\0');
    for (auto& c : binary)
        c = static_cast<char>(random() % 256);
    EXPECT_FALSE(checkDeck(binary).empty());

    const std::string hugeLine = deck("SPC1,100,123," + std::string(1 << 20, '9') + "\n");
    EXPECT_FALSE(checkDeck(hugeLine).empty());
    const std::string hugeIds = deck("GRID,99999999999999999999,,0.,0.,0.\n");
    EXPECT_FALSE(checkDeck(hugeIds).empty());
}
