#include "cae_core/nastran/TaskDeck.h"

#include "cae_core/core/ReporterMessages.h"
#include "cae_core/nastran/NastranProcess.h"
#include "cae_core/nastran/detail/DeckFormat.h"
#include "cae_core/task/Mesh.h"
#include "cae_core/task/MeshFaces.h"
#include "cae_core/task/TaskObjects.h"
#include "host/ut/Assert.h"
#include "host/ut/File.h"
#include "platform/db/DbHandle.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <tuple>
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
/// The constraint set of the supports and, for slides on planes that are not axis-aligned, of the
/// multipoint constraints.
constexpr const char* kConstraintSet = "100";
/// A grid may move by this share of the model's size when its coordinates are rounded to the deck's
/// six decimals before the model is worth moving.
constexpr double kCoordinateRounding = 1e-6;
/// Below this share of the largest coefficient, a term of a slide's constraint counts as zero, so that a
/// normal a rounding off an axis holds that axis only.
constexpr double kNegligibleTerm = 1e-9;

/// What building the deck reads besides the task.
struct DeckContext
{
    const Task& task;
    const TaskDeckOptions& options;
    ut::IReporter* reporter = nullptr;

    /// Tells the caller why the deck is refused or may be poor; the result is passed through.
    EResult tell(const std::string& text, EResult result = eOk) const
    {
        if (reporter)
            reporter->report(eRpt_NastranNotFoundCustom, OdString(text.c_str()));
        return result;
    }
};

std::string numberText(double value)
{
    std::string text;
    appendReal(text, value);
    return text;
}

/// The one entity, or the failure: eUnsupported (with an assertion at `line`) for another number of
/// entities, eInvalidArgument for a missing entity or mesh.
EResult theEntity(const Task& task, int line, const Entity*& entity)
{
    if (task.m_entities.size() != 1)
    {
        ut::callAssert("task.m_entities.size() == 1", "The task must hold exactly one entity", kSource, line);
        return eUnsupported;
    }
    entity = task.m_entities[0].get();
    if (!entity || !entity->mesh)
        return eInvalidArgument;
    return eOk;
}

EResult entityMesh(const Task& task, int line, const Mesh*& mesh)
{
    const Entity* entity = nullptr;
    if (const EResult result = theEntity(task, line, entity))
        return result;
    mesh = entity->mesh.get();
    return eOk;
}

/// The vertex at a position of the mesh's vertex list; null when there is none.
const MeshVertex* vertexAt(const Mesh& mesh, std::uint64_t index)
{
    return index < mesh.nbVertices() ? mesh.vertex(index).get() : nullptr;
}

bool writesQuadratic(const DeckContext& context, const Mesh& mesh)
{
    return context.options.quadratic && mesh.order() == 2;
}

/// Warns when the six decimals of the deck's coordinates move a grid by more than a millionth of the
/// model's size: far from the origin the digits go to the position instead of the shape.
void checkCoordinateRounding(const DeckContext& context, const Mesh& mesh)
{
    if (!context.reporter || mesh.nbVertices() == 0)
        return;
    OdGeExtents3d box;
    for (std::uint64_t i = 0; i < mesh.nbVertices(); ++i)
        box.addPoint(mesh.vertex(i)->point);
    const double size = box.diagonal().length();
    double worst = 0.0;
    const MeshVertex* worstVertex = nullptr;
    for (std::uint64_t i = 0; i < mesh.nbVertices(); ++i)
    {
        const MeshVertex* vertex = mesh.vertex(i).get();
        const OdGePoint3d& p = vertex->point;
        const OdGePoint3d written(std::strtod(numberText(p.x).c_str(), nullptr),
                                  std::strtod(numberText(p.y).c_str(), nullptr),
                                  std::strtod(numberText(p.z).c_str(), nullptr));
        const double moved = written.distanceTo(p);
        if (moved > worst)
        {
            worst = moved;
            worstVertex = vertex;
        }
    }
    if (worstVertex && worst > kCoordinateRounding * size)
    {
        std::string text = "The deck's coordinates move grid ";
        appendInteger(text, worstVertex->id());
        text += " by " + numberText(worst) + ", more than a millionth of the model's size " +
                numberText(size) + ": move the model nearer the origin for accurate results";
        context.tell(text);
    }
}

EResult appendGrids(const DeckContext& context, std::string& deck)
{
    const Mesh* mesh = nullptr;
    if (const EResult result = entityMesh(context.task, 280, mesh))
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
    checkCoordinateRounding(context, *mesh);
    return eOk;
}

EResult appendTetrahedra(const DeckContext& context, std::string& deck)
{
    const Mesh* mesh = nullptr;
    if (const EResult result = entityMesh(context.task, 311, mesh))
        return result;
    const bool quadratic = writesQuadratic(context, *mesh);
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
        std::array<std::uint64_t, 10> grids{};
        std::copy(tetra->vertices.begin(), tetra->vertices.end(), grids.begin());
        std::copy(tetra->midVertices.begin(), tetra->midVertices.end(), grids.begin() + 4);
        const std::size_t count = quadratic ? 10 : 4;
        for (std::size_t k = 0; k < count; ++k)
        {
            const MeshVertex* vertex = vertexAt(*mesh, grids[k]);
            if (!vertex)
                return eInvalidArgument;
            // Eight fields fill the first line; the last four grids go on a continuation.
            deck += k == 6 ? "\n," : ",";
            appendInteger(deck, vertex->id());
        }
        deck += '\n';
    }
    deck += "$\n";
    return eOk;
}

/// The fixed property and material, or those of the task's material.
EResult appendMaterial(const DeckContext& context, std::string& deck)
{
    deck += "$     DEFINE PROPERTIES OF ELEMENTS\n";
    if (!context.options.taskMaterial)
    {
        // A fixed steel-like material, whatever the task's units and materials.
        deck += "PSOLID,1,105,0\nMAT1,105,200000.,76923.,0.3\n";
        return eOk;
    }
    const Entity* entity = nullptr;
    if (const EResult result = theEntity(context.task, 311, entity))
        return result;
    std::shared_ptr<Material> material = std::dynamic_pointer_cast<Material>(entity->reference.lock());
    if (!material && context.task.m_materials.size() == 1)
        material = context.task.m_materials[0];
    if (!material)
        return context.tell("The task's entity has no material: it refers to none and the task holds " +
                                std::to_string(context.task.m_materials.size()) + " materials instead of one",
                            eMissingData);
    const double youngsModulus = material->m_value0;
    const double poissonRatio = material->m_value1;
    if (!(youngsModulus > 0.0) || !std::isfinite(youngsModulus))
        return context.tell("Material " + std::to_string(material->id()) + ": Young's modulus " +
                                numberText(youngsModulus) + " is not positive",
                            eInvalidArgument);
    if (!(poissonRatio > -1.0 && poissonRatio < 0.5))
        return context.tell("Material " + std::to_string(material->id()) + ": Poisson's ratio " +
                                numberText(poissonRatio) + " lies outside (-1, 0.5)",
                            eInvalidArgument);
    deck += "PSOLID,";
    appendInteger(deck, entity->mesh->id());
    deck += ',';
    appendInteger(deck, material->id());
    deck += ",0\nMAT1,";
    appendInteger(deck, material->id());
    deck += ',';
    appendReal(deck, youngsModulus);
    deck += ",,";
    appendReal(deck, poissonRatio);
    deck += '\n';
    return eOk;
}

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

/// One loaded face as its card names it.
struct LoadedFace
{
    const MeshTetra* tetra = nullptr;
    const MeshVertex* g1 = nullptr;
    const MeshVertex* g34 = nullptr;
    const OdArray<std::uint64_t>* face = nullptr;
};

/// The faces of `load` that get a card; the others are reported as assertions and skipped.
std::vector<LoadedFace> loadedFaces(const Load& load, const Mesh& mesh, const FaceOwners& owners)
{
    std::vector<LoadedFace> faces;
    for (const OdArray<std::uint64_t>& face : load.faces)
    {
        const OdArray<Mesh::FindResult> found = owners.find(face);
        if (found.size() != 1)
        {
            ut::callAssert("found.size() == 1", "A loaded face must belong to exactly one tetrahedron",
                           kSource, __LINE__);
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
        faces.push_back({tetra, g1, g34, &face});
    }
    return faces;
}

/// The area of the faces as the deck's elements see them: curved when written with their mid grids.
double deckArea(const std::vector<LoadedFace>& faces, const Mesh& mesh, bool quadratic)
{
    double area = 0.0;
    for (const LoadedFace& loaded : faces)
    {
        const OdArray<std::uint64_t>& face = *loaded.face;
        const std::size_t count = quadratic && face.size() == 6 ? 6 : 3;
        OdGePoint3d points[6];
        for (std::size_t k = 0; k < count; ++k)
        {
            const MeshVertex* vertex = vertexAt(mesh, face[static_cast<unsigned>(k)]);
            if (!vertex)
                return 0.0;
            points[k] = vertex->point;
        }
        area += integrateFace(points, count).area;
    }
    return area;
}

void appendFaceCard(std::string& deck, const Load& load, const LoadedFace& face, double pressure,
                    const OdGeVector3d* direction)
{
    deck += "PLOAD4,";
    appendInteger(deck, load.id());
    deck += ',';
    appendInteger(deck, face.tetra->id());
    deck += ',';
    appendReal(deck, pressure);
    deck += ",,,,";
    appendInteger(deck, face.g1->id());
    deck += ',';
    appendInteger(deck, face.g34->id());
    if (direction)
    {
        // Directional: the pressure acts along the given vector instead of the face normal.
        deck += ",,";
        appendReal(deck, direction->x);
        deck += ',';
        appendReal(deck, direction->y);
        deck += ',';
        appendReal(deck, direction->z);
    }
    else
        deck += ",,,,";
    deck += '\n';
}

EResult appendLoads(const DeckContext& context, std::string& deck)
{
    const Task& task = context.task;
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
                    for (const FaceOwners::Key& key : FaceOwners::cornersOf(other->faces))
                        wanted.push_back(key);
            }
            owners = std::make_unique<FaceOwners>(mesh, std::move(wanted));
            indexed = &mesh;
        }
        deck += "$     LOAD ";
        appendInteger(deck, load->id());
        deck += " feature id ";
        deck += OdAnsiString(OdDbHandle(load->originalId().getHandle()).ascii()).str();
        deck += '\n';

        const std::vector<LoadedFace> faces = loadedFaces(*load, mesh, *owners);
        if (const auto* pressure = dynamic_cast<const Pressure*>(load.get()))
        {
            for (const LoadedFace& face : faces)
                appendFaceCard(deck, *load, face, pressure->magnitude,
                               pressure->type == 1 ? &pressure->direction : nullptr);
        }
        else if (dynamic_cast<const Force*>(load.get()))
        {
            if (faces.empty())
                continue;
            // Spread evenly: the pressure that makes the cards add up to the force.
            const double area = deckArea(faces, mesh, writesQuadratic(context, mesh));
            if (!(area > 0.0))
                return context.tell("Force " + std::to_string(load->id()) + " lies on faces of no area",
                                    eInvalidArgument);
            const OdGeVector3d direction =
                load->direction.isZeroLength() ? load->direction : load->direction.normal();
            for (const LoadedFace& face : faces)
                appendFaceCard(deck, *load, face, load->magnitude / area, &direction);
        }
        else
        {
            for (std::size_t i = 0; i < faces.size(); ++i)
                ut::callAssert("0", "Type of load is not supported yet!", kSource, __LINE__);
        }
    }
    return eOk;
}

/// The supports of the deck, grid by grid: the held translations and the slide normals, reduced to
/// single-point constraints by component and multipoint constraints among a grid's own translations.
struct ConstraintPlan
{
    struct Slide
    {
        std::uint64_t grid = 0;
        /// (component, coefficient), the dependent component first.
        std::vector<std::pair<int, double>> terms;
    };

    /// Grid ids by component string.
    std::map<std::string, std::set<std::uint64_t>> held;
    std::vector<Slide> slides;
    std::set<std::uint64_t> all;
};

bool validComponents(const std::string& components)
{
    for (std::size_t i = 0; i < components.size(); ++i)
        if (components[i] < '1' || components[i] > '3' || (i > 0 && components[i] <= components[i - 1]))
            return false;
    return true;
}

/// Turns a grid's slide normals into independent constraints on its free translations: held
/// translations drop out of them, and Gauss-Jordan elimination leaves each constraint one dependent
/// translation (its largest coefficient) that no other constraint of the grid uses, so the solver can
/// solve for the dependents one by one. A constraint left with one term holds that translation.
void reduceSlides(std::uint64_t grid, std::array<bool, 3>& held, std::vector<OdGeVector3d> normals,
                  std::vector<ConstraintPlan::Slide>& slides)
{
    std::vector<std::array<double, 3>> rows;
    for (const OdGeVector3d& n : normals)
    {
        std::array<double, 3> row{n.x, n.y, n.z};
        for (int c = 0; c < 3; ++c)
            if (held[static_cast<std::size_t>(c)])
                row[static_cast<std::size_t>(c)] = 0.0;
        rows.push_back(row);
    }
    std::vector<int> pivots;
    std::vector<std::array<double, 3>> reduced;
    for (auto row : rows)
    {
        for (std::size_t k = 0; k < reduced.size(); ++k)
        {
            const double factor = row[static_cast<std::size_t>(pivots[k])];
            for (std::size_t c = 0; c < 3; ++c)
                row[c] -= factor * reduced[k][c];
        }
        int pivot = 0;
        for (int c = 1; c < 3; ++c)
            if (std::abs(row[static_cast<std::size_t>(c)]) > std::abs(row[static_cast<std::size_t>(pivot)]))
                pivot = c;
        const double largest = row[static_cast<std::size_t>(pivot)];
        if (std::abs(largest) <= kNegligibleTerm)
            continue; // a normal the grid's other constraints already hold
        for (double& a : row)
            a /= largest;
        for (std::size_t k = 0; k < reduced.size(); ++k)
        {
            const double factor = reduced[k][static_cast<std::size_t>(pivot)];
            for (std::size_t c = 0; c < 3; ++c)
                reduced[k][c] -= factor * row[c];
        }
        reduced.push_back(row);
        pivots.push_back(pivot);
    }
    for (std::size_t k = 0; k < reduced.size(); ++k)
    {
        ConstraintPlan::Slide slide;
        slide.grid = grid;
        slide.terms.emplace_back(pivots[k] + 1, 1.0);
        for (int c = 0; c < 3; ++c)
            if (c != pivots[k] && std::abs(reduced[k][static_cast<std::size_t>(c)]) > kNegligibleTerm)
                slide.terms.emplace_back(c + 1, reduced[k][static_cast<std::size_t>(c)]);
        if (slide.terms.size() == 1)
            held[static_cast<std::size_t>(pivots[k])] = true;
        else
            slides.push_back(std::move(slide));
    }
}

EResult planConstraints(const DeckContext& context, ConstraintPlan& plan)
{
    const Task& task = context.task;
    struct GridSupport
    {
        std::array<bool, 3> held{};
        std::vector<OdGeVector3d> normals;
    };
    std::map<std::uint64_t, GridSupport> grids;
    for (const std::shared_ptr<Constraint>& constraint : task.m_constraints)
    {
        const std::shared_ptr<Entity> entity = constraint ? constraint->entity.lock() : nullptr;
        if (!entity || !entity->mesh)
            return eInvalidArgument;
        if (!validComponents(constraint->components))
            return context.tell("Support " + std::to_string(constraint->id()) + " holds components \"" +
                                    constraint->components + "\": they must be ascending digits 1 to 3",
                                eInvalidArgument);
        const bool slides = !constraint->normal.isZeroLength();
        for (const std::uint64_t index : constraint->vertices)
        {
            const MeshVertex* vertex = vertexAt(*entity->mesh, index);
            if (!vertex)
                return eInvalidArgument;
            GridSupport& support = grids[vertex->id()];
            for (const char c : constraint->components)
                support.held[static_cast<std::size_t>(c - '1')] = true;
            if (slides)
                support.normals.push_back(constraint->normal.normal());
        }
    }
    for (auto& [grid, support] : grids)
    {
        if (!support.normals.empty())
        {
            // Faces of one plane give a grid the same normal many times over.
            auto& normals = support.normals;
            std::sort(normals.begin(), normals.end(),
                      [](const OdGeVector3d& a, const OdGeVector3d& b)
                      { return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z); });
            normals.erase(std::unique(normals.begin(), normals.end(),
                                      [](const OdGeVector3d& a, const OdGeVector3d& b) { return a == b; }),
                          normals.end());
            reduceSlides(grid, support.held, normals, plan.slides);
        }
        std::string components;
        for (int c = 0; c < 3; ++c)
            if (support.held[static_cast<std::size_t>(c)])
                components += static_cast<char>('1' + c);
        if (!components.empty())
            plan.held[components].insert(grid);
    }
    for (const std::shared_ptr<Entity>& entity : task.m_entities)
    {
        if (!entity || !entity->mesh)
            return eInvalidArgument;
        for (std::uint64_t i = 0; i < entity->mesh->nbVertices(); ++i)
        {
            const MeshVertex* vertex = entity->mesh->vertex(i).get();
            if (!vertex)
                return eInvalidArgument;
            plan.all.insert(plan.all.end(), vertex->id());
        }
    }
    return eOk;
}

void appendConstraints(const ConstraintPlan& plan, std::string& deck)
{
    deck += "$     DEFINE CONSTRAINTS\n";
    // The translations of the supported grids; each block starts its card on a line of its own.
    if (plan.held.empty())
    {
        deck += "$     FIX CONSTRAINTS";
        nastran::detail::appendSpc1Block(deck, {}, "123");
    }
    for (const auto& [components, grids] : plan.held)
    {
        deck += "$     FIX CONSTRAINTS";
        nastran::detail::appendSpc1Block(deck, grids, components.c_str());
    }
    if (!plan.slides.empty())
        deck += "$     SLIDE CONSTRAINTS\n";
    for (const ConstraintPlan::Slide& slide : plan.slides)
    {
        deck += "MPC,";
        deck += kConstraintSet;
        for (std::size_t i = 0; i < slide.terms.size(); ++i)
        {
            // Two terms fill a line; the third goes on a continuation, after its empty first field.
            deck += i == 2 ? "\n,," : ",";
            appendInteger(deck, slide.grid);
            deck += ',';
            appendInteger(deck, slide.terms[i].first);
            deck += ',';
            appendReal(deck, slide.terms[i].second);
        }
        deck += '\n';
    }
    // Solid elements carry no rotations, so they are held at every grid.
    deck += "$     ROTATION CONSTRAINTS";
    nastran::detail::appendSpc1Block(deck, plan.all, "456");
}
} // namespace

namespace
{
EResult buildDeck(const DeckContext& context, std::string& deck)
{
    const Task& task = context.task;
    const TaskDeckOptions& options = context.options;
    // The supports decide the case control (multipoint constraints), so they are gathered first; their
    // failures still come after those of the sections written before them.
    ConstraintPlan plan;
    const EResult planned = planConstraints(context, plan);

    std::string text;
    text.reserve(64 * 1024);
    text += "$ VANTORIX RUN\nSOL 101\nCEND\n"
            "DISP=ALL\nSTRESS(VONMISES)=ALL\n";
    if (options.reactions)
    {
        text += "SPCFORCES=ALL\n";
        if (!plan.slides.empty())
            text += "MPCFORCES=ALL\n";
    }
    text += "TITLE=";
    text += OdAnsiString(task.m_name).str();
    text += "\nSUBTITLE=VANTORIX TASK\nLABEL=SUMMARY\nSPC=100\n";
    if (!plan.slides.empty())
        text += "MPC=100\n";
    text += "ECHO=PUNCH\nLOAD=10\n$\nBEGIN BULK\n";
    if (const EResult result = appendGrids(context, text))
        return result;
    if (const EResult result = appendTetrahedra(context, text))
        return result;
    if (const EResult result = appendMaterial(context, text))
        return result;
    if (const EResult result = appendLoads(context, text))
        return result;
    if (planned != eOk)
        return planned;
    appendConstraints(plan, text);
    text += "ENDDATA";
    deck = std::move(text);
    return eOk;
}
} // namespace

EResult buildTaskDeck(const Task& task, std::string& deck, const TaskDeckOptions& options)
{
    return buildDeck(DeckContext{task, options, nullptr}, deck);
}

EResult buildTaskDeck(const Task& task, std::string& deck, const TaskDeckOptions& options,
                      ut::IReporter& reporter)
{
    return buildDeck(DeckContext{task, options, &reporter}, deck);
}

EResult writeTaskDeckAndRun(const OdString& folder, const Task& task, ut::IReporter& reporter,
                            const TaskDeckOptions& options)
{
    std::string deck;
    if (const EResult result = buildTaskDeck(task, deck, options, reporter))
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
    for (const std::string& keyword : options.solverKeywords)
        process.impl().m_extraKeywords.push_back(OdString(keyword.c_str()));
    return process.run(reporter);
}

} // namespace cae_core
