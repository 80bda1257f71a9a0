#pragma once

// The analysis model read from a deck: case control and the bulk data this program understands.
// Ids are the deck's own (positive integers below 10^8); records keep the deck line they came from so
// that later checks can name it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace nastran
{

using Id = std::int64_t;
using Vec3 = std::array<double, 3>;

/// Case control of a linear static run (one subcase).
struct CaseControl
{
    int sol = 0;           ///< solution sequence; only 101 is accepted
    std::string title;     ///< TITLE, printed on every page
    std::string subtitle;  ///< SUBTITLE
    std::string label;     ///< LABEL
    int linesPerPage = 50; ///< LINES: lines per page after the three page-header lines
    bool printDisplacements = false;
    bool printStresses = false;
    bool printSpcForces = false; ///< SPCFORCES: forces of single-point constraints
    bool printMpcForces = false; ///< MPCFORCES: forces of multipoint constraints
    std::optional<Id> spcSet;
    std::optional<Id> mpcSet;
    std::optional<Id> loadSet;
    std::string echo = "NONE";      ///< ECHO option: NONE, PUNCH, UNSORT, SORT or BOTH
    std::vector<std::string> lines; ///< the case control lines as written, for the echo page
};

struct Grid
{
    Id id = 0;
    Vec3 x{};
    std::string permanentSpc; ///< PS field: components always held
    int line = 0;
};

struct Material
{
    Id id = 0;
    double youngsModulus = 0.0;
    double shearModulus = 0.0;
    double poissonRatio = 0.0;
    int line = 0;
};

struct SolidProperty
{
    Id id = 0;
    Id material = 0;
    int line = 0;
};

/// PSHELL used as a membrane: MID2 blank or 0 gives plane stress, -1 plane strain.
struct ShellProperty
{
    Id id = 0;
    Id material = 0;
    double thickness = 0.0;
    bool planeStrain = false;
    int line = 0;
};

enum class EElementType
{
    eTetra4,
    eTetra10,
    eTria3,
    eTria6
};

/// The grid ids of one element, held in place: a model of a million elements keeps its connectivity in
/// one block instead of a million small ones. Ids are below 10^8, so 32 bits hold them.
class ElementGrids
{
public:
    static constexpr std::size_t kCapacity = 10; ///< the most grids of an element (CTETRA of 10 nodes)

    void push_back(Id id)
    {
        if (m_size == kCapacity)
            throw std::length_error("an element has at most 10 grids");
        m_ids[m_size++] = static_cast<std::int32_t>(id);
    }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    Id operator[](std::size_t i) const { return m_ids[i]; }
    const std::int32_t* begin() const { return m_ids.data(); }
    const std::int32_t* end() const { return m_ids.data() + m_size; }

private:
    std::array<std::int32_t, kCapacity> m_ids{};
    std::uint8_t m_size = 0;
};

/// A solid or membrane element; grids in the deck's connectivity order (corners first).
struct Element
{
    Id id = 0;
    Id property = 0;
    EElementType type = EElementType::eTetra4;
    ElementGrids grids;
    int line = 0;
};

/// Uniform pressure on one tetrahedron face: the face holds G1 and is opposite G34.
struct FacePressure
{
    Id set = 0;
    Id element = 0;
    double pressure = 0.0;
    Id cornerOnFace = 0;
    Id oppositeCorner = 0;
    std::optional<Vec3> direction; ///< N1 N2 N3 when given; else the load is normal to the face, inward
    int line = 0;
};

struct NodalForce
{
    Id set = 0;
    Id grid = 0;
    double scale = 0.0;
    Vec3 direction{};
    int line = 0;
};

/// LOAD: overall scale times the sum of scale_i times load set_i.
struct LoadCombination
{
    Id set = 0;
    double scale = 1.0;
    std::vector<std::pair<double, Id>> terms;
    int line = 0;
};

/// Grid ids of an SPC1 card: single ids and inclusive THRU ranges (grids missing in a range are skipped).
struct GridRange
{
    Id first = 0;
    Id last = 0;
};

/// SPC (one grid, enforced value) and SPC1 (many grids, value 0) in one form.
struct SinglePointConstraint
{
    Id set = 0;
    std::string components;
    double value = 0.0;
    std::vector<GridRange> grids;
    bool rangesMayHaveGaps = false; ///< SPC1 THRU ranges tolerate missing grids
    int line = 0;
};

struct MpcTerm
{
    Id grid = 0;
    int component = 0; ///< 1..6
    double coefficient = 0.0;
};

/// sum coefficient_i * u(grid_i, component_i) = 0
struct MultiPointConstraint
{
    Id set = 0;
    std::vector<MpcTerm> terms;
    int line = 0;
};

struct Model
{
    CaseControl caseControl;
    std::vector<Grid> grids;
    std::vector<Material> materials;
    std::vector<SolidProperty> solidProperties;
    std::vector<ShellProperty> shellProperties;
    std::vector<Element> elements;
    std::vector<FacePressure> pressures;
    std::vector<NodalForce> forces;
    std::vector<LoadCombination> loadCombinations;
    std::vector<SinglePointConstraint> spcs;
    std::vector<MultiPointConstraint> mpcs;
    std::vector<std::string> bulkLines; ///< bulk data lines as written, kept only when ECHO prints them
};

} // namespace nastran
