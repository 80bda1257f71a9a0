#include "cae_core/nastran/TaskDeck.h"

#include "cae_core/nastran/NastranProcess.h"
#include "cae_core/nastran/detail/DeckFormat.h"
#include "cae_core/task/Mesh.h"
#include "cae_core/task/TaskObjects.h"
#include "host/ut/Assert.h"
#include "host/ut/File.h"
#include "platform/db/DbHandle.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <vector>

namespace cae_core
{
namespace nastran::detail
{

std::set<IndexRange> compressIds(const std::set<std::uint64_t>& ids)
{
    // Shorter runs are listed id by id: the card's THRU form only pays from five ids on.
    constexpr std::uint64_t kShortestThru = 5;
    std::set<IndexRange> ranges;
    auto it = ids.begin();
    while (it != ids.end())
    {
        const std::uint64_t first = *it;
        std::uint64_t last = first;
        for (++it; it != ids.end() && last != UINT64_MAX && *it == last + 1; ++it)
            ++last;
        if (last - first + 1 >= kShortestThru)
            ranges.insert({first, last});
        else
        {
            for (std::uint64_t id = first;; ++id)
            {
                ranges.insert({id, id});
                if (id == last)
                    break;
            }
        }
    }
    return ranges;
}

void appendSpc1Block(std::string& deck, const std::set<std::uint64_t>& ids, const char* components)
{
    constexpr std::size_t kRangesPerCard = 10;
    std::size_t count = 0;
    for (const IndexRange& range : compressIds(ids))
    {
        if (count++ % kRangesPerCard == 0)
        {
            deck += "\nSPC1,100,";
            deck += components;
        }
        deck += ',';
        appendInteger(deck, range.m_startIndex);
        if (range.m_endIndex != range.m_startIndex)
        {
            deck += ",THRU,";
            appendInteger(deck, range.m_endIndex);
        }
    }
    deck += '\n';
}

} // namespace nastran::detail

namespace
{
using nastran::detail::appendInteger;
using nastran::detail::appendReal;

constexpr const char* kSource = "cae_core/cae_core_nastran_task";

/// The one entity's mesh, or the failure: eUnsupported (with an assertion at `line`) for another number
/// of entities, eInvalidArgument for a missing entity or mesh.
EResult entityMesh(const Task& task, int line, const Mesh*& mesh)
{
    if (task.m_entities.size() != 1)
    {
        ut::callAssert("task.m_entities.size() == 1", "The task must hold exactly one entity", kSource, line);
        return eUnsupported;
    }
    const std::shared_ptr<Entity>& entity = task.m_entities[0];
    if (!entity || !entity->mesh)
        return eInvalidArgument;
    mesh = entity->mesh.get();
    return eOk;
}

/// The vertex at a position of the mesh's vertex list; null when there is none.
const MeshVertex* vertexAt(const Mesh& mesh, std::uint64_t index)
{
    return index < mesh.nbVertices() ? mesh.vertex(index).get() : nullptr;
}

EResult appendGrids(const Task& task, std::string& deck)
{
    const Mesh* mesh = nullptr;
    if (const EResult result = entityMesh(task, 280, mesh))
        return result;
    deck += "$     DEFINE GRID POINTS\n";
    for (std::uint64_t i = 0; i < mesh->nbVertices(); ++i)
    {
        const MeshVertex* vertex = mesh->vertex(i).get();
        if (!vertex)
            return eInvalidArgument;
        deck += "GRID,";
        appendInteger(deck, vertex->id());
        deck += ",,";
        appendReal(deck, vertex->point.x);
        deck += ',';
        appendReal(deck, vertex->point.y);
        deck += ',';
        appendReal(deck, vertex->point.z);
        deck += '\n';
    }
    deck += "$\n";
    return eOk;
}

EResult appendTetrahedra(const Task& task, std::string& deck)
{
    const Mesh* mesh = nullptr;
    if (const EResult result = entityMesh(task, 311, mesh))
        return result;
    deck += "$     DEFINE TETRA ELEMENTS\n";
    for (std::uint64_t i = 0; i < mesh->nbTetra(); ++i)
    {
        const MeshTetra* tetra = mesh->tetra(i).get();
        if (!tetra)
            return eInvalidArgument;
        deck += "CTETRA,";
        appendInteger(deck, tetra->id());
        deck += ',';
        appendInteger(deck, mesh->id());
        for (const std::uint64_t index : tetra->vertices)
        {
            const MeshVertex* vertex = vertexAt(*mesh, index);
            if (!vertex)
                return eInvalidArgument;
            deck += ',';
            appendInteger(deck, vertex->id());
        }
        deck += '\n';
    }
    deck += "$\n";
    return eOk;
}

/// The tetrahedra owning each loaded face, with the vertex off the face: the answer of Mesh::findTetras
/// for a face of three distinct vertices, from an index of the loaded faces built in one pass over the
/// tetrahedra. Searching every tetrahedron for every loaded face would make a large deck quadratic in
/// the mesh size, and indexing every face of the mesh costs more than the rest of the deck.
class FaceOwners
{
public:
    using Key = std::array<std::uint64_t, 3>;

    FaceOwners(const Mesh& mesh, std::vector<Key> wanted) : m_mesh(mesh)
    {
        for (Key& key : wanted)
            std::sort(key.begin(), key.end());
        std::sort(wanted.begin(), wanted.end());
        wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
        // Most tetrahedra touch no loaded face: a face is looked up only when all its vertices are on one.
        // A vertex index past the mesh's is on no tetrahedron, and is not marked.
        std::vector<bool> onLoadedFace(static_cast<std::size_t>(mesh.nbVertices()), false);
        for (const Key& key : wanted)
            for (const std::uint64_t v : key)
                if (v < onLoadedFace.size())
                    onLoadedFace[static_cast<std::size_t>(v)] = true;
        const auto loaded = [&](std::uint64_t v)
        { return v < onLoadedFace.size() && onLoadedFace[static_cast<std::size_t>(v)]; };
        for (std::uint64_t t = 0; t < mesh.nbTetra(); ++t)
        {
            const MeshTetra* tetra = mesh.tetra(t).get();
            if (!tetra)
                continue;
            const auto& v = tetra->vertices;
            for (std::size_t off = 0; off < 4; ++off)
            {
                Key key{};
                std::size_t k = 0;
                for (std::size_t j = 0; j < 4; ++j)
                {
                    if (j != off)
                        key[k++] = v[j];
                }
                if (!loaded(key[0]) || !loaded(key[1]) || !loaded(key[2]))
                    continue;
                std::sort(key.begin(), key.end());
                if (key[0] != key[1] && key[1] != key[2] && v[off] != key[0] && v[off] != key[1] &&
                    v[off] != key[2] && std::binary_search(wanted.begin(), wanted.end(), key))
                    m_faces.push_back({key, {t, v[off]}});
            }
        }
        std::sort(m_faces.begin(), m_faces.end(), [](const Entry& a, const Entry& b) {
            return a.key != b.key ? a.key < b.key : a.owner.tetra < b.owner.tetra;
        });
    }

    OdArray<Mesh::FindResult> find(const OdArray<std::uint64_t>& face) const
    {
        if (face.size() != 3)
            return m_mesh.findTetras(face);
        Key key{face[0], face[1], face[2]};
        std::sort(key.begin(), key.end());
        // Repeated vertices, or tetrahedra with repeated vertices, are left to the mesh's own search.
        if (key[0] == key[1] || key[1] == key[2])
            return m_mesh.findTetras(face);
        OdArray<Mesh::FindResult> found;
        auto it = std::lower_bound(m_faces.begin(), m_faces.end(), key,
                                   [](const Entry& e, const Key& k) { return e.key < k; });
        for (; it != m_faces.end() && it->key == key; ++it)
            found.append(it->owner);
        return found;
    }

private:
    struct Entry
    {
        Key key;
        Mesh::FindResult owner;
    };

    const Mesh& m_mesh;
    std::vector<Entry> m_faces;
};

void appendLoadCard(const Task& task, std::string& deck)
{
    // A new line after every fifth load that another one follows.
    constexpr std::size_t kLoadsPerLine = 5;
    deck += "LOAD,10,1.0,";
    const std::size_t count = task.m_loads.size();
    for (std::size_t i = 0; i < count; ++i)
    {
        deck += "1.0,";
        appendInteger(deck, task.m_loads[static_cast<unsigned>(i)]->id());
        if (i + 1 < count)
        {
            deck += ',';
            if ((i + 1) % kLoadsPerLine == 0)
                deck += '\n';
        }
    }
    deck += '\n';
}

EResult appendLoads(const Task& task, std::string& deck)
{
    if (task.m_loads.isEmpty())
        return eOk;
    for (const std::shared_ptr<Load>& load : task.m_loads)
    {
        if (!load)
            return eInvalidArgument;
    }
    deck += "$     DEFINE LOADS\n";
    appendLoadCard(task, deck);
    deck += "$     PRESSURE lOADS\n";

    const Mesh* indexed = nullptr;
    std::unique_ptr<FaceOwners> owners;
    for (const std::shared_ptr<Load>& load : task.m_loads)
    {
        const std::shared_ptr<Entity> entity = load->entity.lock();
        if (!entity || !entity->mesh)
            return eInvalidArgument;
        const Mesh& mesh = *entity->mesh;
        if (indexed != &mesh)
        {
            std::vector<FaceOwners::Key> wanted;
            for (const std::shared_ptr<Load>& other : task.m_loads)
            {
                const std::shared_ptr<Entity> on = other->entity.lock();
                if (on && on->mesh.get() == &mesh)
                    for (const OdArray<std::uint64_t>& face : other->faces)
                        if (face.size() == 3)
                            wanted.push_back({face[0], face[1], face[2]});
            }
            owners = std::make_unique<FaceOwners>(mesh, std::move(wanted));
            indexed = &mesh;
        }
        deck += "$     LOAD ";
        appendInteger(deck, load->id());
        deck += " feature id ";
        deck += OdAnsiString(OdDbHandle(load->originalId().getHandle()).ascii()).str();
        deck += '\n';

        const auto* pressure = dynamic_cast<const Pressure*>(load.get());
        for (const OdArray<std::uint64_t>& face : load->faces)
        {
            const OdArray<Mesh::FindResult> found = owners->find(face);
            if (found.size() != 1)
            {
                ut::callAssert("found.size() == 1", "A loaded face must belong to exactly one tetrahedron", kSource,
                               __LINE__);
                continue;
            }
            const MeshTetra* tetra = found[0].tetra < mesh.nbTetra() ? mesh.tetra(found[0].tetra).get() : nullptr;
            const std::uint64_t opposite = found[0].oppositeVertex;
            const MeshVertex* g34 = vertexAt(mesh, opposite);
            const MeshVertex* g1 =
                tetra ? vertexAt(mesh, tetra->vertices[0] == opposite ? tetra->vertices[1] : tetra->vertices[0])
                      : nullptr;
            if (!tetra || !g1 || !g34)
            {
                ut::callAssert("g1 && g34", "The loaded tetrahedron's vertices must exist", kSource, __LINE__);
                continue;
            }
            if (!pressure)
            {
                ut::callAssert("0", "Type of load is not supported yet!", kSource, __LINE__);
                continue;
            }
            deck += "PLOAD4,";
            appendInteger(deck, load->id());
            deck += ',';
            appendInteger(deck, tetra->id());
            deck += ',';
            appendReal(deck, pressure->magnitude);
            deck += ",,,,";
            appendInteger(deck, g1->id());
            deck += ',';
            appendInteger(deck, g34->id());
            if (pressure->type == 1)
            {
                // Directional: the pressure acts along the given vector instead of the face normal.
                deck += ",,";
                appendReal(deck, pressure->direction.x);
                deck += ',';
                appendReal(deck, pressure->direction.y);
                deck += ',';
                appendReal(deck, pressure->direction.z);
            }
            else
                deck += ",,,,";
            deck += '\n';
        }
    }
    return eOk;
}

EResult appendConstraints(const Task& task, std::string& deck)
{
    std::set<std::uint64_t> constrained;
    for (const std::shared_ptr<Constraint>& constraint : task.m_constraints)
    {
        const std::shared_ptr<Entity> entity = constraint ? constraint->entity.lock() : nullptr;
        if (!entity || !entity->mesh)
            return eInvalidArgument;
        for (const std::uint64_t index : constraint->vertices)
        {
            const MeshVertex* vertex = vertexAt(*entity->mesh, index);
            if (!vertex)
                return eInvalidArgument;
            constrained.insert(vertex->id());
        }
    }
    std::set<std::uint64_t> all;
    for (const std::shared_ptr<Entity>& entity : task.m_entities)
    {
        if (!entity || !entity->mesh)
            return eInvalidArgument;
        for (std::uint64_t i = 0; i < entity->mesh->nbVertices(); ++i)
        {
            const MeshVertex* vertex = entity->mesh->vertex(i).get();
            if (!vertex)
                return eInvalidArgument;
            all.insert(all.end(), vertex->id());
        }
    }
    deck += "$     DEFINE CONSTRAINTS\n";
    // The translations of the fixed grids; each block starts its card on a line of its own.
    deck += "$     FIX CONSTRAINTS";
    nastran::detail::appendSpc1Block(deck, constrained, "123");
    // Solid elements carry no rotations, so they are held at every grid.
    deck += "$     ROTATION CONSTRAINTS";
    nastran::detail::appendSpc1Block(deck, all, "456");
    return eOk;
}
} // namespace

EResult buildTaskDeck(const Task& task, std::string& deck)
{
    std::string text;
    text.reserve(64 * 1024);
    text += "$ VANTORIX RUN\nSOL 101\nCEND\n"
            "DISP=ALL\nSTRESS(VONMISES)=ALL\nTITLE=";
    text += OdAnsiString(task.m_name).str();
    text += "\nSUBTITLE=VANTORIX TASK\nLABEL=SUMMARY\nSPC=100\nECHO=PUNCH\nLOAD=10\n$\n"
            "BEGIN BULK\n";
    if (const EResult result = appendGrids(task, text))
        return result;
    if (const EResult result = appendTetrahedra(task, text))
        return result;
    text += "$     DEFINE PROPERTIES OF ELEMENTS\nPSOLID,1,105,0\n"
            // A fixed steel-like material, whatever the task's units and materials.
            "MAT1,105,200000.,76923.,0.3\n";
    if (const EResult result = appendLoads(task, text))
        return result;
    if (const EResult result = appendConstraints(task, text))
        return result;
    text += "ENDDATA";
    deck = std::move(text);
    return eOk;
}

EResult writeTaskDeckAndRun(const OdString& folder, const Task& task, ut::IReporter& reporter)
{
    std::string deck;
    if (const EResult result = buildTaskDeck(task, deck))
        return result;
    // The host's separator joins folder and file name (a backslash on the solver's home platform).
    const ut::FileName path = ut::FileName(folder) / L"task.dat";
    {
        // A deck that cannot be written is not reported here: the solver then finds no input and fails.
        std::ofstream file(ut::convFileNameToMB(path.path()), std::ios::out | std::ios::trunc);
        file << deck;
    }
    NastranProcess process;
    process.impl().m_inputFile = path.path();
    process.impl().m_workingDirectory = folder;
    process.impl().m_options[NastranProcess::eMemorymaximum] = OdString().format(L"%dGB", 16);
    return process.run(reporter);
}

} // namespace cae_core
