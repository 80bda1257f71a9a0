#include "tools/nastran/ModelIndex.h"

#include "tools/nastran/Analysis.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

namespace nastran
{
namespace
{

/// Messages of one kind listed before "and N more".
constexpr std::size_t kListedMessages = 20;

template <class T> std::vector<std::size_t> orderById(const std::vector<T>& v)
{
    std::vector<std::size_t> order(v.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return v[a].id < v[b].id; });
    return order;
}

void indexIds(const Model& model, ModelIndex& index, Problems& problems)
{
    index.gridOrder = orderById(model.grids);
    index.elementOrder = orderById(model.elements);
    for (std::size_t k = 0; k < index.gridOrder.size(); ++k)
    {
        const Grid& g = model.grids[index.gridOrder[k]];
        if (k > 0 && index.sortedGridIds.back() == g.id)
            problems.add("GRID " + std::to_string(g.id) + lineText(g.line) + " repeats a grid id");
        else
            index.sortedGridIds.push_back(g.id);
    }
    // Meshers number grids densely: a table then finds a grid's position without a search, which
    // assembly, recovery and printing do for every corner of every element.
    const auto& ids = index.sortedGridIds;
    const auto span = [&](Id id)
    { return static_cast<std::uint64_t>(id) - static_cast<std::uint64_t>(ids.front()); };
    if (!ids.empty() && span(ids.back()) < 4 * ids.size() + 1024)
    {
        index.positionOfId.assign(static_cast<std::size_t>(span(ids.back())) + 1, npos);
        for (std::size_t k = 0; k < ids.size(); ++k)
            index.positionOfId[static_cast<std::size_t>(span(ids[k]))] = k;
    }
    for (std::size_t k = 0; k < index.elementOrder.size(); ++k)
    {
        const Element& e = model.elements[index.elementOrder[k]];
        if (k > 0 && index.sortedElementIds.back() == e.id)
            problems.add(elementName(e.type) + " " + std::to_string(e.id) + lineText(e.line) +
                         " repeats an element id");
        else
            index.sortedElementIds.push_back(e.id);
    }
}

/// Materials and properties by id.
struct PropertyIds
{
    std::map<Id, int> materials, solids, shells;
};

PropertyIds propertyIds(const Model& model, Problems& problems)
{
    PropertyIds ids;
    for (std::size_t i = 0; i < model.materials.size(); ++i)
        if (!ids.materials.emplace(model.materials[i].id, static_cast<int>(i)).second)
            problems.add("MAT1 " + std::to_string(model.materials[i].id) + lineText(model.materials[i].line) +
                         " repeats a material id");
    for (std::size_t i = 0; i < model.solidProperties.size(); ++i)
        if (!ids.solids.emplace(model.solidProperties[i].id, static_cast<int>(i)).second ||
            ids.shells.count(model.solidProperties[i].id))
            problems.add("PSOLID " + std::to_string(model.solidProperties[i].id) +
                         lineText(model.solidProperties[i].line) + " repeats a property id");
    for (std::size_t i = 0; i < model.shellProperties.size(); ++i)
        if (!ids.shells.emplace(model.shellProperties[i].id, static_cast<int>(i)).second ||
            ids.solids.count(model.shellProperties[i].id))
            problems.add("PSHELL " + std::to_string(model.shellProperties[i].id) +
                         lineText(model.shellProperties[i].line) + " repeats a property id");
    return ids;
}

void indexElements(const Model& model, const PropertyIds& ids, ModelIndex& index, Problems& problems)
{
    index.elementMaterial.assign(model.elements.size(), -1);
    index.elementShell.assign(model.elements.size(), -1);
    for (std::size_t i = 0; i < model.elements.size(); ++i)
    {
        const Element& e = model.elements[i];
        const std::string what = elementName(e.type) + " " + std::to_string(e.id) + lineText(e.line);
        Id mid = 0;
        if (isSolid(e.type))
        {
            auto p = ids.solids.find(e.property);
            if (p == ids.solids.end())
            {
                problems.add(what + " refers to PSOLID " + std::to_string(e.property) +
                             ", which is not defined");
                continue;
            }
            mid = model.solidProperties[static_cast<std::size_t>(p->second)].material;
        }
        else
        {
            auto p = ids.shells.find(e.property);
            if (p == ids.shells.end())
            {
                problems.add(what + " refers to PSHELL " + std::to_string(e.property) +
                             ", which is not defined");
                continue;
            }
            index.elementShell[i] = p->second;
            mid = model.shellProperties[static_cast<std::size_t>(p->second)].material;
        }
        auto m = ids.materials.find(mid);
        if (m == ids.materials.end())
            problems.add(what + " uses material " + std::to_string(mid) + ", which is not defined");
        else
            index.elementMaterial[i] = m->second;
        std::vector<Id> seen;
        for (Id g : e.grids)
        {
            if (index.gridIndex(g) == npos)
                problems.add(what + " refers to GRID " + std::to_string(g) + ", which is not defined");
            if (std::find(seen.begin(), seen.end(), g) != seen.end())
                problems.add(what + " lists GRID " + std::to_string(g) + " twice");
            seen.push_back(g);
        }
    }
}

void checkPressures(const Model& model, const ModelIndex& index, Problems& problems)
{
    for (const FacePressure& p : model.pressures)
    {
        const std::string what = "PLOAD4 " + std::to_string(p.set) + lineText(p.line);
        auto it = std::lower_bound(index.sortedElementIds.begin(), index.sortedElementIds.end(), p.element);
        if (it == index.sortedElementIds.end() || *it != p.element)
        {
            problems.add(what + " refers to element " + std::to_string(p.element) + ", which is not defined");
            continue;
        }
        const Element& e = index.element(model, p.element);
        if (!isSolid(e.type))
        {
            problems.add(what + " loads element " + std::to_string(p.element) +
                         ", which is not a CTETRA; only tetrahedron faces are supported");
            continue;
        }
        auto corner = [&](Id g)
        { return std::find(e.grids.begin(), e.grids.begin() + 4, g) - e.grids.begin(); };
        if (corner(p.cornerOnFace) == 4 || corner(p.oppositeCorner) == 4 ||
            p.cornerOnFace == p.oppositeCorner)
            problems.add(what + ": G1 " + std::to_string(p.cornerOnFace) + " and G4 " +
                         std::to_string(p.oppositeCorner) + " must be two different corners of CTETRA " +
                         std::to_string(e.id));
    }
}

void checkGridReferences(const Model& model, const ModelIndex& index, Problems& problems)
{
    for (const NodalForce& f : model.forces)
        if (index.gridIndex(f.grid) == npos)
            problems.add("FORCE " + std::to_string(f.set) + lineText(f.line) + " refers to GRID " +
                         std::to_string(f.grid) + ", which is not defined");
    for (const SinglePointConstraint& s : model.spcs)
        for (const GridRange& r : s.grids)
            if (r.first == r.last && index.gridIndex(r.first) == npos)
                problems.add((s.rangesMayHaveGaps || s.grids.size() > 1 ? "SPC1 " : "SPC ") +
                             std::to_string(s.set) + lineText(s.line) + " refers to GRID " +
                             std::to_string(r.first) + ", which is not defined");
    for (const MultiPointConstraint& m : model.mpcs)
        for (const MpcTerm& t : m.terms)
            if (index.gridIndex(t.grid) == npos)
                problems.add("MPC " + std::to_string(m.set) + lineText(m.line) + " refers to GRID " +
                             std::to_string(t.grid) + ", which is not defined");
}

void checkSets(const Model& model, std::vector<Note>& notes, Problems& problems)
{
    std::map<Id, int> loadSets;
    for (const auto& f : model.forces)
        loadSets[f.set] |= 1;
    for (const auto& p : model.pressures)
        loadSets[p.set] |= 1;
    for (const auto& l : model.loadCombinations)
    {
        if (loadSets[l.set] & 2)
            problems.add("LOAD " + std::to_string(l.set) + lineText(l.line) + " repeats a LOAD set id");
        loadSets[l.set] |= 2;
    }
    for (const auto& l : model.loadCombinations)
        for (const auto& [scale, set] : l.terms)
        {
            auto it = loadSets.find(set);
            if (it == loadSets.end() || !(it->second & 1))
                problems.add("LOAD " + std::to_string(l.set) + lineText(l.line) + " refers to load set " +
                             std::to_string(set) + ", which has no FORCE or PLOAD4 card");
        }
    const CaseControl& cc = model.caseControl;
    if (cc.loadSet && !loadSets.count(*cc.loadSet))
        problems.add("LOAD = " + std::to_string(*cc.loadSet) +
                     " in the case control selects a load set that no LOAD, FORCE or PLOAD4 card defines");
    if (cc.spcSet && std::none_of(model.spcs.begin(), model.spcs.end(),
                                  [&](const SinglePointConstraint& c) { return c.set == *cc.spcSet; }))
        problems.add("SPC = " + std::to_string(*cc.spcSet) +
                     " in the case control selects a set that no SPC or SPC1 card defines");
    // The module's 2D deck selects its MPC set whether or not it writes MPC cards; only a deck that has
    // MPCs in other sets has mistaken the set.
    if (cc.mpcSet && std::none_of(model.mpcs.begin(), model.mpcs.end(),
                                  [&](const MultiPointConstraint& c) { return c.set == *cc.mpcSet; }))
    {
        const std::string text = "MPC = " + std::to_string(*cc.mpcSet) +
                                 " in the case control selects a set that no MPC card defines";
        if (model.mpcs.empty())
            notes.push_back({true, text});
        else
            problems.add(text);
    }
}

} // namespace

std::string elementName(EElementType t)
{
    switch (t)
    {
    case EElementType::eTetra4:
    case EElementType::eTetra10:
        return "CTETRA";
    case EElementType::eTria3:
        return "CTRIA3";
    case EElementType::eTria6:
        return "CTRIA6";
    }
    return "?";
}

bool isSolid(EElementType t)
{
    return t == EElementType::eTetra4 || t == EElementType::eTetra10;
}

std::string lineText(int line)
{
    return " on line " + std::to_string(line);
}

std::size_t dependentTerm(const MultiPointConstraint& m)
{
    std::size_t dep = 0;
    if (m.terms.front().coefficient == 0.0)
        for (std::size_t t = 1; t < m.terms.size(); ++t)
            if (std::abs(m.terms[t].coefficient) > std::abs(m.terms[dep].coefficient))
                dep = t;
    return dep;
}

void Problems::throwIfAny(int code) const
{
    if (m_list.empty())
        return;
    std::string text;
    for (std::size_t i = 0; i < m_list.size() && i < kListedMessages; ++i)
        text += (i ? "\n" : "") + m_list[i];
    if (m_list.size() > kListedMessages)
        text += "\nand " + std::to_string(m_list.size() - kListedMessages) + " more";
    throw FatalError(code, text);
}

std::size_t ModelIndex::gridIndex(Id id) const
{
    if (!positionOfId.empty())
    {
        // Ids below the first one wrap around to offsets beyond the table.
        const std::uint64_t offset =
            static_cast<std::uint64_t>(id) - static_cast<std::uint64_t>(sortedGridIds.front());
        return offset < positionOfId.size() ? positionOfId[static_cast<std::size_t>(offset)] : npos;
    }
    auto it = std::lower_bound(sortedGridIds.begin(), sortedGridIds.end(), id);
    return it != sortedGridIds.end() && *it == id ? static_cast<std::size_t>(it - sortedGridIds.begin())
                                                  : npos;
}

const Element& ModelIndex::element(const Model& model, Id id) const
{
    auto it = std::lower_bound(sortedElementIds.begin(), sortedElementIds.end(), id);
    return model.elements[elementOrder[static_cast<std::size_t>(it - sortedElementIds.begin())]];
}

std::vector<std::size_t> ModelIndex::gridPositions(const Element& e) const
{
    std::vector<std::size_t> g(e.grids.size());
    for (std::size_t a = 0; a < g.size(); ++a)
        g[a] = gridIndex(e.grids[a]);
    return g;
}

std::vector<Vec3> ModelIndex::coordinates(const Model& model, const std::vector<std::size_t>& positions) const
{
    std::vector<Vec3> x(positions.size());
    for (std::size_t a = 0; a < positions.size(); ++a)
        x[a] = model.grids[gridOrder[positions[a]]].x;
    return x;
}

std::size_t ModelIndex::dofOf(const MpcTerm& t) const
{
    return gridIndex(t.grid) * kDofsPerGrid + static_cast<std::size_t>(t.component - 1);
}

std::string ModelIndex::dofName(std::size_t dof) const
{
    return "GRID " + std::to_string(sortedGridIds[dof / kDofsPerGrid]) + " component " +
           std::to_string(dof % kDofsPerGrid + 1);
}

ModelIndex indexModel(const Model& model, std::vector<Note>& notes)
{
    Problems problems;
    ModelIndex index;
    indexIds(model, index, problems);
    const PropertyIds ids = propertyIds(model, problems);
    indexElements(model, ids, index, problems);
    checkPressures(model, index, problems);
    checkGridReferences(model, index, problems);
    checkSets(model, notes, problems);
    if (model.elements.empty())
        problems.add("the bulk data defines no element");
    problems.throwIfAny(eFatalInput);
    return index;
}

} // namespace nastran
