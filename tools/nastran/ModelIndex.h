#pragma once

// The model's grids and elements by ascending id, each element's material and shell property, and the
// checks of every reference between cards that the analysis relies on.

#include "tools/nastran/Model.h"

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

namespace nastran
{

struct Note;

constexpr std::size_t npos = std::numeric_limits<std::size_t>::max();
constexpr std::size_t kDofsPerGrid = 6;

std::string elementName(EElementType t);
bool isSolid(EElementType t);
std::string lineText(int line);

/// The term of an MPC whose degree of freedom it eliminates: the first, or when that one's coefficient
/// is zero, the one of largest coefficient (which may be zero too).
std::size_t dependentTerm(const MultiPointConstraint& m);

/// Collects problems and throws them together, the first few listed.
class Problems
{
public:
    void add(std::string s) { m_list.push_back(std::move(s)); }
    bool empty() const { return m_list.empty(); }
    const std::vector<std::string>& list() const { return m_list; }
    void throwIfAny(int code) const;

private:
    std::vector<std::string> m_list;
};

struct ModelIndex
{
    std::vector<std::size_t> gridOrder;    ///< model grid indices by ascending id
    std::vector<std::size_t> elementOrder; ///< model element indices by ascending id
    std::vector<Id> sortedGridIds;
    /// Position of each id from the first one when the ids are dense enough (npos for gaps); else empty.
    std::vector<std::size_t> positionOfId;
    std::vector<Id> sortedElementIds;
    std::vector<int> elementMaterial; ///< material index per element (model order)
    std::vector<int> elementShell;    ///< shell property index per membrane element, else -1

    std::size_t gridIndex(Id id) const; ///< position in ascending order; npos when missing
    /// The element with this id, which must exist.
    const Element& element(const Model& model, Id id) const;
    /// Positions of the element's grids in ascending order.
    std::vector<std::size_t> gridPositions(const Element& e) const;
    std::vector<Vec3> coordinates(const Model& model, const std::vector<std::size_t>& positions) const;
    /// Degree of freedom of an MPC term, six per grid in ascending grid order.
    std::size_t dofOf(const MpcTerm& t) const;
    /// "GRID <id> component <c>" of a degree of freedom.
    std::string dofName(std::size_t dof) const;
};

/// Indexes the model and checks every reference (grids, properties, materials, faces, sets); throws
/// FatalError listing all problems found. Warnings go to `notes`.
ModelIndex indexModel(const Model& model, std::vector<Note>& notes);

} // namespace nastran
