#include "cdt/Triangulation.h"

#include "cdt/detail/FilteredPredicates.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <sstream>
#include <stdexcept>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace CDT
{
namespace
{

/// The helper triangle is equilateral around the centre of the first points' bounding box; its inscribed
/// circle has this many times the half-size of that box as radius. Far enough that points inserted later a
/// little outside the first box (circumcentres near the border) rarely force a rebuild; the exact predicates
/// make the size itself harmless.
constexpr double helperTriangleScale = 20.0;

/// The locator grid is rebuilt with about this many vertices per cell ...
constexpr std::size_t gridVerticesPerCellAtBuild = 1;
/// ... once single insertions have raised the average to this many vertices per cell.
constexpr std::size_t gridVerticesPerCellMax = 4;

/// Batches are inserted in rounds of growing size (each round twice the previous one), each round sorted
/// along a Hilbert curve: nearby points follow each other, so each walk is short, while the random split into
/// rounds keeps the structural change per insertion small on average. The first round holds at most this many
/// points.
constexpr std::size_t smallestInsertionRound = 64;

/// Resolution of the Hilbert curve: 2^16 cells along each axis of the batch's bounding box.
constexpr unsigned hilbertOrder = 16;

/// Spreads the 16 low bits of x to the even bit positions of the result.
std::uint32_t spreadBits(std::uint32_t x)
{
    x = (x | (x << 8)) & 0x00ff00ffu;
    x = (x | (x << 4)) & 0x0f0f0f0fu;
    x = (x | (x << 2)) & 0x33333333u;
    x = (x | (x << 1)) & 0x55555555u;
    return x;
}

/// Index of the cell (x, y) along a Hilbert curve of 2^hilbertOrder x 2^hilbertOrder cells.
///
/// The curve descends from the top bit: each level's quadrant gives two digits and turns the lower levels
/// by one of four orientations (as is, transposed, reflected, both). Tracking that orientation level by
/// level was a tenth of a bulk insertion; here every level's orientation comes from a prefix scan over the
/// bit planes (4 rounds of doubling span for 16 levels), with no branch, and the digits are read off at
/// the end. The curve is the one a level-by-level descent draws, with the first step along y.
std::uint32_t hilbertIndex(std::uint32_t x, std::uint32_t y)
{
    static_assert(hilbertOrder == 16, "the prefix scan below is written for 16 levels");
    constexpr std::uint32_t ones = 0xffffu;
    // Each round doubles the span of levels whose turns are composed (1, 2, 4, 8): a and b hold the turn over
    // a span, c and d the orientation accumulated so far at each level, complete after the last round.
    std::uint32_t a0 = x ^ y;
    std::uint32_t b0 = ones ^ a0;
    std::uint32_t c0 = ones ^ (x | y);
    std::uint32_t d0 = x & (y ^ ones);
    std::uint32_t a = a0 | (b0 >> 1);
    std::uint32_t b = (a0 >> 1) ^ a0;
    std::uint32_t c = ((c0 >> 1) ^ (b0 & (d0 >> 1))) ^ c0;
    std::uint32_t d = ((a0 & (c0 >> 1)) ^ (d0 >> 1)) ^ d0;
    for (unsigned span = 2; span <= 8; span *= 2)
    {
        const std::uint32_t pa = a, pb = b, pc = c, pd = d;
        c ^= (pa & (pc >> span)) ^ (pb & (pd >> span));
        d ^= (pb & (pc >> span)) ^ ((pa ^ pb) & (pd >> span));
        a = (pa & (pa >> span)) ^ (pb & (pb >> span));
        b = (pa & (pb >> span)) ^ (pb & ((pa ^ pb) >> span));
    }
    const std::uint32_t transposed = c ^ (c >> 1);
    const std::uint32_t reflected = d ^ (d >> 1);
    const std::uint32_t low = x ^ y;
    const std::uint32_t high = reflected | (ones ^ (low | transposed));
    return (spreadBits(high) << 1) | spreadBits(low);
}

/// Sorts the insertion keys of [first, last) ascending: a point's Hilbert index in the upper 32 bits, its
/// vertex index in the lower ones. Least significant digit first, eleven bits at a time, over the Hilbert
/// index only: a few linear passes instead of a comparison sort, which took a tenth of a bulk insertion of a
/// million points. The passes are stable, so keys with equal Hilbert indices (points sharing a curve cell,
/// rare) end up adjacent in their earlier order and are then put in full-key order among themselves: the
/// same order as std::sort (the keys are distinct).
void sortKeys(std::uint64_t* first, std::uint64_t* last, std::vector<std::uint64_t>& scratch)
{
    constexpr unsigned digitBits = 11;
    constexpr std::size_t buckets = std::size_t{1} << digitBits;
    const auto n = static_cast<std::size_t>(last - first);
    if (n < buckets)
    {
        std::sort(first, last);
        return;
    }
    scratch.resize(n);
    std::uint64_t* from = first;
    std::uint64_t* to = scratch.data();
    std::vector<std::size_t> start(buckets);
    const auto pass = [&](unsigned shift)
    {
        std::fill(start.begin(), start.end(), 0);
        for (std::size_t i = 0; i < n; ++i)
            ++start[(from[i] >> shift) & (buckets - 1)];
        std::size_t sum = 0;
        for (std::size_t& s : start)
        {
            const std::size_t here = s;
            s = sum;
            sum += here;
        }
        for (std::size_t i = 0; i < n; ++i)
            to[start[(from[i] >> shift) & (buckets - 1)]++] = from[i];
        std::swap(from, to);
    };
    for (unsigned shift = 32; shift < 64; shift += digitBits)
        pass(shift);
    if (from != first)
        std::copy(from, from + n, first);
    for (std::uint64_t* run = first; run != last;)
    {
        std::uint64_t* runEnd = run + 1;
        while (runEnd != last && (*runEnd >> 32) == (*run >> 32))
            ++runEnd;
        if (runEnd - run > 1)
            std::sort(run, runEnd);
        run = runEnd;
    }
}

/// Arrays at least this large are backed by huge pages where the system offers them on request.
constexpr std::size_t hugePageAdviceBytes = std::size_t{8} << 20;

/// Asks the system to back the not yet touched storage of v's capacity with huge pages. The insertion loop
/// reads triangles and coordinates at scattered places of arrays of tens of megabytes: with small pages
/// nearly every such read also misses the address translation cache. A hint only; ignored where unsupported.
template <typename T> void adviseHugePages(const std::vector<T>& v)
{
#if defined(MADV_HUGEPAGE)
    const std::size_t bytes = v.capacity() * sizeof(T);
    if (bytes < hugePageAdviceBytes)
        return;
    constexpr std::uintptr_t hugePage = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(v.data());
    const std::uintptr_t first = (begin + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(hugePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)v;
#endif
}

std::string formatPoint(double x, double y)
{
    std::ostringstream out;
    out.precision(17);
    out << '(' << x << ", " << y << ')';
    return out.str();
}

int compareCoordinates(double a, double b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

/// Key of the directed edge from -> to, for sorting and matching the two sides of an edge.
std::uint64_t directedKey(VertInd from, VertInd to)
{
    return (static_cast<std::uint64_t>(from) << 32) | to;
}

struct Bounds
{
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();

    template <typename P> void add(const P& p)
    {
        minX = std::min(minX, static_cast<double>(p.x));
        minY = std::min(minY, static_cast<double>(p.y));
        maxX = std::max(maxX, static_cast<double>(p.x));
        maxY = std::max(maxY, static_cast<double>(p.y));
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// Predicates on vertices

CDT_HOT_INLINE int Triangulation::orient(VertInd a, VertInd b, const V2d<double>& p) const
{
    const V2d<double>& pa = m_vertices[a];
    const V2d<double>& pb = m_vertices[b];
    return detail::orientSign(pa.x, pa.y, pb.x, pb.y, p.x, p.y);
}

CDT_HOT_INLINE int Triangulation::orient(VertInd a, VertInd b, VertInd c) const
{
    return orient(a, b, m_vertices[c]);
}

CDT_HOT_INLINE int Triangulation::inCircle(VertInd a, VertInd b, VertInd c, VertInd d) const
{
    const V2d<double>& pa = m_vertices[a];
    const V2d<double>& pb = m_vertices[b];
    const V2d<double>& pc = m_vertices[c];
    const V2d<double>& pd = m_vertices[d];
    return detail::inCircleSign(pa.x, pa.y, pb.x, pb.y, pc.x, pc.y, pd.x, pd.y);
}

std::uint32_t Triangulation::nextRandom() const noexcept
{
    std::uint32_t x = m_randomState;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    m_randomState = x;
    return x;
}

// ---------------------------------------------------------------------------------------------------------------
// Vertex insertion

void Triangulation::insertVertices(const std::vector<V2d<double>>& newVertices)
{
    if (m_state == State::Erased)
        throw Error("Cannot insert points: the outer triangles of this triangulation have been erased");
    if (newVertices.empty())
        return;
    checkCoordinates(newVertices);
    if (m_state == State::Empty)
        insertFirstBatch(newVertices);
    else if (newVertices.size() == 1)
        insertSingle(newVertices.front());
    else
        insertLaterBatch(newVertices);
}

void Triangulation::checkCoordinates(const std::vector<V2d<double>>& points) const
{
    const std::size_t firstUserIndex = m_vertices.size() - helperVertexCount();
    for (std::size_t i = 0; i < points.size(); ++i)
    {
        const double x = points[i].x;
        const double y = points[i].y;
        if (!std::isfinite(x) || !std::isfinite(y))
            throw Error("Point " + std::to_string(firstUserIndex + i) + " has a non-finite coordinate " +
                        formatPoint(x, y));
        if (std::fabs(x) > maxCoordinateMagnitude || std::fabs(y) > maxCoordinateMagnitude)
            throw Error("Point " + std::to_string(firstUserIndex + i) + " " + formatPoint(x, y) +
                        " has a coordinate beyond the supported magnitude 1e60");
    }
}

void Triangulation::setUpHelperTriangle(double minX, double minY, double maxX, double maxY)
{
    const double cx = 0.5 * (minX + maxX);
    const double cy = 0.5 * (minY + maxY);
    double halfSize = 0.5 * std::max(maxX - minX, maxY - minY);
    if (halfSize == 0.0)
    {
        // A single point (or copies of one): no extent to scale by, so take the distance from the origin,
        // which keeps the helper triangle in proportion with the coordinates.
        halfSize = std::max(std::fabs(cx), std::fabs(cy));
        if (halfSize == 0.0)
            halfSize = 1.0;
    }
    const double inRadius = helperTriangleScale * halfSize;
    const double halfSide = std::sqrt(3.0) * inRadius;
    // Counter-clockwise: top, bottom left, bottom right.
    const V2d<double> corners[3] = {{static_cast<double>(cx), static_cast<double>(cy + 2.0 * inRadius)},
                                    {static_cast<double>(cx - halfSide), static_cast<double>(cy - inRadius)},
                                    {static_cast<double>(cx + halfSide), static_cast<double>(cy - inRadius)}};
    if (m_vertices.size() < helperTriangleVertexCount)
        m_vertices.assign(corners, corners + helperTriangleVertexCount);
    else
        std::copy(corners, corners + helperTriangleVertexCount, m_vertices.begin());

    m_triangles.clear();
    m_triangles.push_back(Triangle{{0, 1, 2}, {noNeighbor, noNeighbor, noNeighbor}});
    m_vertexTriangle.assign(m_vertices.size(), noNeighbor);
    for (VertInd v = 0; v < helperTriangleVertexCount; ++v)
        m_vertexTriangle[v] = 0;
    m_lastTriangle = 0;
    m_grid.cells.clear();
    m_state = State::Open;
}

bool Triangulation::strictlyInsideHelperTriangle(const V2d<double>& p) const
{
    return orient(0, 1, p) > 0 && orient(1, 2, p) > 0 && orient(2, 0, p) > 0;
}

void Triangulation::rebuildAround(double minX, double minY, double maxX, double maxY)
{
    Bounds box{minX, minY, maxX, maxY};
    for (std::size_t v = helperTriangleVertexCount; v < m_vertices.size(); ++v)
        box.add(m_vertices[v]);
    EdgeUSet constraints;
    constraints.swap(m_fixedEdges);
    setUpHelperTriangle(box.minX, box.minY, box.maxX, box.maxY);
    insertInSpatialOrder(helperTriangleVertexCount, static_cast<VertInd>(m_vertices.size()));
    for (const Edge& e : constraints)
        insertConstraint(e.v1(), e.v2(), toUser(e));
}

void Triangulation::insertFirstBatch(const std::vector<V2d<double>>& points)
{
    Bounds box;
    for (const V2d<double>& p : points)
        box.add(p);
    try
    {
        setUpHelperTriangle(box.minX, box.minY, box.maxX, box.maxY);
        m_vertices.reserve(m_vertices.size() + points.size());
        adviseHugePages(m_vertices);
        m_vertices.insert(m_vertices.end(), points.begin(), points.end());
        m_vertexTriangle.reserve(m_vertices.size());
        adviseHugePages(m_vertexTriangle);
        m_vertexTriangle.resize(m_vertices.size(), noNeighbor);
        insertInSpatialOrder(helperTriangleVertexCount, static_cast<VertInd>(m_vertices.size()),
                             points.data());
    }
    catch (...)
    {
        *this = Triangulation();
        throw;
    }
}

void Triangulation::insertLaterBatch(const std::vector<V2d<double>>& points)
{
    const VertInd firstUserIndex = static_cast<VertInd>(m_vertices.size() - helperVertexCount());

    // Everything that can fail is checked before anything changes: duplicates inside the batch (neighbours in
    // coordinate order), then duplicates of inserted points (read-only point location).
    std::vector<VertInd> order(points.size());
    std::iota(order.begin(), order.end(), VertInd{0});
    std::sort(order.begin(), order.end(),
              [&](VertInd i, VertInd j)
              {
                  return points[i].x < points[j].x ||
                         (points[i].x == points[j].x &&
                          (points[i].y < points[j].y || (points[i].y == points[j].y && i < j)));
              });
    for (std::size_t k = 1; k < order.size(); ++k)
        if (points[order[k - 1]] == points[order[k]])
            throw DuplicateVertexError(firstUserIndex + order[k - 1], firstUserIndex + order[k]);

    Bounds box;
    bool growHelperTriangle = false;
    for (std::size_t i = 0; i < points.size(); ++i)
    {
        box.add(points[i]);
        if (!strictlyInsideHelperTriangle(points[i]))
        {
            growHelperTriangle = true;
            continue;
        }
        const Location loc = locate(points[i], startTriangleNear(points[i]));
        if (loc.kind == Location::Kind::OnVertex)
            throw DuplicateVertexError(toUser(m_triangles[loc.triangle].vertices[loc.index]),
                                       firstUserIndex + static_cast<VertInd>(i));
    }

    if (growHelperTriangle)
        rebuildAround(box.minX, box.minY, box.maxX, box.maxY);
    const VertInd first = static_cast<VertInd>(m_vertices.size());
    m_vertices.insert(m_vertices.end(), points.begin(), points.end());
    m_vertexTriangle.resize(m_vertices.size(), noNeighbor);
    insertInSpatialOrder(first, static_cast<VertInd>(m_vertices.size()));
    m_grid.cells.clear();
}

void Triangulation::insertSingle(const V2d<double>& p)
{
    if (!strictlyInsideHelperTriangle(p))
        rebuildAround(p.x, p.y, p.x, p.y);
    const Location loc = locate(p, startTriangleNear(p));
    const VertInd v = static_cast<VertInd>(m_vertices.size());
    if (loc.kind == Location::Kind::OnVertex)
        throw DuplicateVertexError(toUser(m_triangles[loc.triangle].vertices[loc.index]), toUser(v));
    m_vertices.push_back(p);
    m_vertexTriangle.push_back(noNeighbor);
    insertVertexAt(v, loc);
    if (!m_grid.cells.empty())
        m_grid.cells[gridCell(p)] = v;
}

void Triangulation::insertInSpatialOrder(VertInd first, VertInd last, const V2d<double>* callerOrder)
{
    const std::size_t count = last - first;
    if (count == 0)
        return;
    Bounds box;
    for (VertInd v = first; v < last; ++v)
        box.add(m_vertices[v]);
    const double extent = std::max(box.maxX - box.minX, box.maxY - box.minY);
    const double maxCell = static_cast<double>((1u << hilbertOrder) - 1);
    const double scale = extent > 0.0 ? maxCell / extent : 0.0;

    // Each entry: Hilbert index in the upper 32 bits, vertex index in the lower ones.
    std::vector<std::uint64_t> order(count);
    for (std::size_t i = 0; i < count; ++i)
    {
        const VertInd v = first + static_cast<VertInd>(i);
        const auto qx = static_cast<std::uint32_t>(std::min(maxCell, (m_vertices[v].x - box.minX) * scale));
        const auto qy = static_cast<std::uint32_t>(std::min(maxCell, (m_vertices[v].y - box.minY) * scale));
        order[i] = (static_cast<std::uint64_t>(hilbertIndex(qx, qy)) << 32) | v;
    }
    // The swaps land at random places of an array of megabytes: draw the random numbers a few swaps ahead
    // and start loading their places early, so that the misses overlap. The swaps themselves stay in order.
    constexpr std::size_t drawAhead = 16;
    std::uint32_t drawn[drawAhead];
    const auto draw = [&](std::size_t i)
    {
        const auto j = static_cast<std::uint32_t>(nextRandom() % i);
        CDT_PREFETCH(order.data() + j);
        drawn[i % drawAhead] = j;
    };
    for (std::size_t i = count; i > 1 && i + drawAhead > count; --i)
        draw(i);
    for (std::size_t i = count; i > 1; --i)
    {
        const std::uint32_t j = drawn[i % drawAhead];
        if (i > drawAhead + 1)
            draw(i - drawAhead);
        std::swap(order[i - 1], order[j]);
    }
    std::vector<std::uint64_t> scratch;
    std::size_t end = count;
    while (end > smallestInsertionRound)
    {
        const std::size_t begin = end / 2;
        sortKeys(order.data() + begin, order.data() + end, scratch);
        end = begin;
    }
    sortKeys(order.data(), order.data() + end, scratch);

    std::vector<VertInd> sequence(count);
    // Each point adds two triangles: growing the vector while inserting would copy it about twenty times
    // for a million points.
    if (m_triangles.capacity() < m_triangles.size() + 2 * count)
    {
        m_triangles.reserve(m_triangles.size() + 2 * count);
        adviseHugePages(m_triangles);
    }
    for (std::size_t i = 0; i < count; ++i)
        sequence[i] = static_cast<VertInd>(order[i] & 0xffffffffu);
    order = {};

    if (first != helperTriangleVertexCount)
    {
        for (const VertInd v : sequence)
        {
            const Location loc = locate(m_vertices[v], m_lastTriangle);
            if (loc.kind == Location::Kind::OnVertex)
            {
                const VertInd existing = toUser(m_triangles[loc.triangle].vertices[loc.index]);
                throw DuplicateVertexError(std::min(existing, toUser(v)), std::max(existing, toUser(v)));
            }
            insertVertexAt(v, loc);
        }
        return;
    }

    // A fresh triangulation (only the helper triangle so far): lay the points out in insertion order while
    // building, so that the predicates read coordinates from neighbouring memory, then renumber back to the
    // caller's order. Vertex k of the build is the caller's vertex sequence[k - first].
    std::vector<V2d<double>> ownCopy;
    if (callerOrder == nullptr)
    {
        ownCopy.assign(m_vertices.begin() + first, m_vertices.begin() + last);
        callerOrder = ownCopy.data();
    }
    constexpr std::size_t gatherAhead = 16;
    for (std::size_t i = 0; i < count; ++i)
    {
        if (i + gatherAhead < count)
            CDT_PREFETCH(callerOrder + (sequence[i + gatherAhead] - first));
        m_vertices[first + i] = callerOrder[sequence[i] - first];
    }
    const auto original = [&](VertInd v) { return v < first ? v : sequence[v - first]; };
    for (VertInd v = first; v < last; ++v)
    {
        const Location loc = locate(m_vertices[v], m_lastTriangle);
        if (loc.kind == Location::Kind::OnVertex)
        {
            const VertInd existing = toUser(original(m_triangles[loc.triangle].vertices[loc.index]));
            const VertInd duplicate = toUser(original(v));
            throw DuplicateVertexError(std::min(existing, duplicate), std::max(existing, duplicate));
        }
        insertVertexAt(v, loc);
    }
    for (Triangle& tri : m_triangles)
        for (VertInd& v : tri.vertices)
            v = original(v);
    std::vector<TriInd> vertexTriangle(m_vertexTriangle.begin() + first, m_vertexTriangle.begin() + last);
    std::copy(callerOrder, callerOrder + count, m_vertices.begin() + first);
    for (std::size_t i = 0; i < count; ++i)
        m_vertexTriangle[sequence[i]] = vertexTriangle[i];
}

void Triangulation::insertVertexAt(VertInd v, const Location& loc)
{
    if (loc.kind == Location::Kind::InTriangle)
        splitTriangle(loc.triangle, v);
    else
        splitEdge(loc.triangle, loc.index, v);
    restoreDelaunay(v);
    m_lastTriangle = m_vertexTriangle[v];
}

// ---------------------------------------------------------------------------------------------------------------
// Point location

Triangulation::Location Triangulation::locate(const V2d<double>& p, TriInd start) const
{
    // Stochastic visibility walk: step into a neighbour whose shared edge has p strictly on its far side,
    // testing the edges from a random first one. It terminates on any triangulation (a deterministic order
    // could cycle on a constrained one). The edge just crossed is not tested again: p is known to lie on this
    // side of it.
    // On a valid triangulation the walk visits far fewer triangles than there are; the bound only turns
    // broken neighbour links into an error instead of an endless loop.
    const std::size_t maxSteps = 4 * m_triangles.size() + 64;
    // Locals the compiler can keep in registers: the random state is a member, and writing it through `this`
    // would otherwise make every step reload the vectors' data pointers.
    const Triangle* const triangles = m_triangles.data();
    const V2d<double>* const points = m_vertices.data();
    std::uint32_t random = m_randomState;
    TriInd t = start;
    TriInd previous = noNeighbor;
    int side[3] = {1, 1, 1};
    for (std::size_t step = 0;; ++step)
    {
        if (step > maxSteps)
        {
            m_randomState = random;
            throw std::logic_error("CDT: point location does not terminate; the neighbour links are broken");
        }
        const Triangle& tri = triangles[t];
        random ^= random << 13;
        random ^= random >> 17;
        random ^= random << 5;
        const auto first = static_cast<Index>(random % 3);
        side[0] = side[1] = side[2] = 1;
        bool moved = false;
        for (Index k = 0; k < 3; ++k)
        {
            const auto i = static_cast<Index>(first + k < 3 ? first + k : first + k - 3);
            const TriInd n = tri.neighbors[i];
            if (previous != noNeighbor && n == previous)
                continue;
            const V2d<double>& a = points[tri.vertices[i]];
            const V2d<double>& b = points[tri.vertices[ccw(i)]];
            side[i] = detail::orientSign(a.x, a.y, b.x, b.y, p.x, p.y);
            if (side[i] < 0 && n != noNeighbor)
            {
                previous = t;
                t = n;
                moved = true;
                break;
            }
        }
        if (!moved)
            break;
    }
    m_randomState = random;

    if (side[0] < 0 || side[1] < 0 || side[2] < 0)
        throw std::logic_error("CDT: point location left the triangulation");
    Location loc;
    loc.triangle = t;
    int zeros = 0;
    Index zeroEdges[3] = {0, 0, 0};
    for (Index i = 0; i < 3; ++i)
        if (side[i] == 0)
            zeroEdges[zeros++] = i;
    if (zeros == 0)
    {
        loc.kind = Location::Kind::InTriangle;
    }
    else if (zeros == 1)
    {
        loc.kind = Location::Kind::OnEdge;
        loc.index = zeroEdges[0];
    }
    else
    {
        // On two edges: p is their common vertex.
        const Index i = zeroEdges[0];
        const Index j = zeroEdges[1];
        loc.kind = Location::Kind::OnVertex;
        loc.index = (j == ccw(i)) ? j : i;
    }
    return loc;
}

std::uint32_t Triangulation::gridCell(const V2d<double>& p) const
{
    const double fx =
        std::clamp((p.x - m_grid.x0) * m_grid.inverseCellSize, 0.0, static_cast<double>(m_grid.nx - 1));
    const double fy =
        std::clamp((p.y - m_grid.y0) * m_grid.inverseCellSize, 0.0, static_cast<double>(m_grid.ny - 1));
    return static_cast<std::uint32_t>(fy) * m_grid.nx + static_cast<std::uint32_t>(fx);
}

void Triangulation::rebuildGrid()
{
    Bounds box;
    for (std::size_t v = helperTriangleVertexCount; v < m_vertices.size(); ++v)
        box.add(m_vertices[v]);
    const std::size_t userCount = m_vertices.size() - helperTriangleVertexCount;
    const std::size_t targetCells = std::max<std::size_t>(1, userCount / gridVerticesPerCellAtBuild);
    const double w = box.maxX - box.minX;
    const double h = box.maxY - box.minY;
    // Square cells of about the target count, but never more than targetCells along one axis (thin boxes).
    double cellSize = std::max(std::sqrt(w * h / static_cast<double>(targetCells)),
                               std::max(w, h) / static_cast<double>(targetCells));
    if (!(cellSize > 0.0))
        cellSize = 1.0;
    m_grid.x0 = box.minX;
    m_grid.y0 = box.minY;
    m_grid.inverseCellSize = 1.0 / cellSize;
    m_grid.nx = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::ceil(w / cellSize)));
    m_grid.ny = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::ceil(h / cellSize)));
    m_grid.cells.assign(static_cast<std::size_t>(m_grid.nx) * m_grid.ny, noVertex);
    for (std::size_t v = helperTriangleVertexCount; v < m_vertices.size(); ++v)
        m_grid.cells[gridCell(m_vertices[v])] = static_cast<VertInd>(v);

    // Give each empty cell the vertex of the nearest filled cell (breadth first over the grid), so that every
    // cell offers a start close to the points that fall into it; a walk from the last triangle could be long.
    const std::uint32_t nx = m_grid.nx;
    const std::uint32_t ny = m_grid.ny;
    std::vector<VertInd>& cells = m_grid.cells;
    std::vector<std::uint32_t> queue;
    queue.reserve(cells.size());
    for (std::uint32_t c = 0; c < cells.size(); ++c)
        if (cells[c] != noVertex)
            queue.push_back(c);
    for (std::size_t head = 0; head < queue.size(); ++head)
    {
        const std::uint32_t c = queue[head];
        const std::uint32_t x = c % nx;
        const std::uint32_t y = c / nx;
        const auto spread = [&](std::uint32_t n)
        {
            if (cells[n] == noVertex)
            {
                cells[n] = cells[c];
                queue.push_back(n);
            }
        };
        if (x > 0)
            spread(c - 1);
        if (x + 1 < nx)
            spread(c + 1);
        if (y > 0)
            spread(c - nx);
        if (y + 1 < ny)
            spread(c + nx);
    }
}

TriInd Triangulation::startTriangleNear(const V2d<double>& p)
{
    const std::size_t userCount = m_vertices.size() - helperTriangleVertexCount;
    if (m_grid.cells.empty() || userCount > m_grid.cells.size() * gridVerticesPerCellMax)
        rebuildGrid();
    const VertInd v = m_grid.cells[gridCell(p)];
    return v != noVertex ? m_vertexTriangle[v] : m_lastTriangle;
}

// ---------------------------------------------------------------------------------------------------------------
// Splits and flips. Every triangle they create or rewrite has the new vertex at local index 0, so the edge to
// test for the Delaunay property is always edge 1 (opposite the new vertex).

CDT_HOT_INLINE void Triangulation::prefetchTriangle(TriInd t) const
{
    if (t != noNeighbor)
        CDT_PREFETCH(m_triangles.data() + t);
}

CDT_HOT_INLINE void Triangulation::replaceNeighbor(TriInd t, TriInd oldNeighbor, TriInd newNeighbor)
{
    if (t == noNeighbor)
        return;
    Triangle& tri = m_triangles[t];
    tri.neighbors[tri.neighborIndex(oldNeighbor)] = newNeighbor;
}

void Triangulation::splitTriangle(TriInd t, VertInd v)
{
    // The new vertex v inside (v0, v1, v2) is joined to the three corners; the triangle facing neighbour n0
    // keeps index t, the other two are appended:
    //   t  = (v, v0, v1)   edge 1 faces n0
    //   t1 = (v, v1, v2)   edge 1 faces n1
    //   t2 = (v, v2, v0)   edge 1 faces n2
    const Triangle old = m_triangles[t];
    const VertInd v0 = old.vertices[0], v1 = old.vertices[1], v2 = old.vertices[2];
    const TriInd n0 = old.neighbors[0], n1 = old.neighbors[1], n2 = old.neighbors[2];
    // The neighbours are rewritten below and tested for flips right after; loading them together hides
    // most of their cache misses behind one another.
    prefetchTriangle(n0);
    prefetchTriangle(n1);
    prefetchTriangle(n2);
    const auto t1 = static_cast<TriInd>(m_triangles.size());
    const auto t2 = static_cast<TriInd>(t1 + 1);
    m_triangles[t] = Triangle{{v, v0, v1}, {t2, n0, t1}};
    m_triangles.push_back(Triangle{{v, v1, v2}, {t, n1, t2}});
    m_triangles.push_back(Triangle{{v, v2, v0}, {t1, n2, t}});
    replaceNeighbor(n1, t, t1);
    replaceNeighbor(n2, t, t2);
    m_vertexTriangle[v] = t;
    m_vertexTriangle[v0] = t;
    m_vertexTriangle[v1] = t;
    m_vertexTriangle[v2] = t1;
    m_flipStack.push_back(t);
    m_flipStack.push_back(t1);
    m_flipStack.push_back(t2);
}

void Triangulation::splitEdge(TriInd t, Index edge, VertInd v)
{
    // v lies on edge (a, b) shared by t = (a, b, c) and o = (b, a, d); four triangles around v replace them:
    //
    //              c                         t  = (v, b, c)
    //            /   \                       t3 = (v, c, a)
    //          / t3 | t \                    o  = (v, a, d)
    //        a ---- v ---- b                 t4 = (v, d, b)
    //          \ o  | t4 /
    //            \   /
    //              d
    const Triangle tOld = m_triangles[t];
    const VertInd a = tOld.vertices[edge];
    const VertInd b = tOld.vertices[ccw(edge)];
    const VertInd c = tOld.vertices[cw(edge)];
    const TriInd nBC = tOld.neighbors[ccw(edge)];
    const TriInd nCA = tOld.neighbors[cw(edge)];
    const TriInd o = tOld.neighbors[edge];
    // Points strictly inside the helper triangle never lie on its border edges, so o exists.
    const Triangle oOld = m_triangles[o];
    const Index eo = oOld.neighborIndex(t);
    const VertInd d = oOld.vertices[cw(eo)];
    const TriInd nAD = oOld.neighbors[ccw(eo)];
    const TriInd nDB = oOld.neighbors[cw(eo)];

    const auto t3 = static_cast<TriInd>(m_triangles.size());
    const auto t4 = static_cast<TriInd>(t3 + 1);
    m_triangles[t] = Triangle{{v, b, c}, {t4, nBC, t3}};
    m_triangles[o] = Triangle{{v, a, d}, {t3, nAD, t4}};
    m_triangles.push_back(Triangle{{v, c, a}, {t, nCA, o}});
    m_triangles.push_back(Triangle{{v, d, b}, {o, nDB, t}});
    replaceNeighbor(nCA, t, t3);
    replaceNeighbor(nDB, o, t4);
    m_vertexTriangle[v] = t;
    m_vertexTriangle[b] = t;
    m_vertexTriangle[c] = t;
    m_vertexTriangle[a] = o;
    m_vertexTriangle[d] = o;

    if (!m_fixedEdges.empty() && m_fixedEdges.erase(Edge(a, b)) != 0)
    {
        m_fixedEdges.insert(Edge(a, v));
        m_fixedEdges.insert(Edge(v, b));
    }
    m_flipStack.push_back(t);
    m_flipStack.push_back(t3);
    m_flipStack.push_back(o);
    m_flipStack.push_back(t4);
}

CDT_HOT_INLINE void Triangulation::flip(TriInd t, TriInd o, Index eo)
{
    // t = (v, a, b) and o on the other side of (a, b) with far vertex q become (v, a, q) and (v, q, b): the
    // diagonal a-b of the quadrilateral v, a, q, b is replaced by v-q.
    Triangle& tt = m_triangles[t];
    Triangle& ot = m_triangles[o];
    const VertInd v = tt.vertices[0], a = tt.vertices[1], b = tt.vertices[2];
    const TriInd nVA = tt.neighbors[0];
    const TriInd nBV = tt.neighbors[2];
    const VertInd q = ot.vertices[cw(eo)];
    const TriInd nAQ = ot.neighbors[ccw(eo)];
    const TriInd nQB = ot.neighbors[cw(eo)];
    prefetchTriangle(nAQ);
    prefetchTriangle(nQB);
    prefetchTriangle(nBV);
    tt = Triangle{{v, a, q}, {nVA, nAQ, o}};
    ot = Triangle{{v, q, b}, {t, nQB, nBV}};
    replaceNeighbor(nAQ, o, t);
    replaceNeighbor(nBV, t, o);
    m_vertexTriangle[v] = t;
    m_vertexTriangle[a] = t;
    m_vertexTriangle[q] = t;
    m_vertexTriangle[b] = o;
}

void Triangulation::restoreDelaunay(VertInd v)
{
    // Lawson's flips around the new vertex. Each stacked triangle has v at local index 0; its edge 1 is
    // tested against the far vertex of the neighbour. Constraint edges are never flipped, which makes the
    // result the constrained Delaunay triangulation.
    while (!m_flipStack.empty())
    {
        const TriInd t = m_flipStack.back();
        m_flipStack.pop_back();
        const Triangle& tri = m_triangles[t];
        const TriInd o = tri.neighbors[1];
        if (o == noNeighbor)
            continue;
        const VertInd a = tri.vertices[1];
        const VertInd b = tri.vertices[2];
        if (isFixed(a, b))
            continue;
        const Triangle& other = m_triangles[o];
        const Index eo = other.neighborIndex(t); // o's edge b -> a
        const VertInd q = other.vertices[cw(eo)];
        if (inCircle(v, a, b, q) > 0)
        {
            flip(t, o, eo);
            m_flipStack.push_back(t);
            m_flipStack.push_back(o);
        }
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Constraint edges

void Triangulation::insertEdges(const std::vector<Edge>& edges)
{
    if (m_state == State::Erased)
        throw Error(
            "Cannot insert constraint edges: the outer triangles of this triangulation have been erased");
    const std::size_t userCount = m_vertices.size() - helperVertexCount();
    for (std::size_t i = 0; i < edges.size(); ++i)
    {
        const Edge& e = edges[i];
        const std::string name = "Constraint edge " + std::to_string(i) + " (" + std::to_string(e.v1()) +
                                 ", " + std::to_string(e.v2()) + ")";
        if (e.v2() >= userCount)
            throw Error(name + " names point " + std::to_string(e.v2()) + ", but only " +
                        std::to_string(userCount) + " points are inserted");
        if (e.v1() == e.v2())
            throw Error(name + " joins a point to itself");
    }
    const VertInd offset = helperVertexCount();
    for (const Edge& e : edges)
        insertConstraint(e.v1() + offset, e.v2() + offset, e);
}

void Triangulation::insertConstraint(VertInd a, VertInd b, Edge userEdge)
{
    // First trace the whole segment without changing anything, so that a crossing leaves no half-inserted
    // edge.
    for (VertInd s = a; s != b;)
    {
        const ConstraintPiece piece = traceConstraintPiece(s, b);
        for (const auto& [r, l] : piece.crossed)
            if (isFixed(r, l))
                throw IntersectingConstraintsError(toUser(Edge(r, l)), userEdge);
        s = piece.end;
    }
    for (VertInd s = a; s != b;)
    {
        const ConstraintPiece piece = traceConstraintPiece(s, b);
        if (piece.crossedTriangles.empty())
            m_fixedEdges.insert(Edge(s, piece.end));
        else
            retriangulateCavity(s, piece);
        s = piece.end;
    }
}

Triangulation::ConstraintPiece Triangulation::traceConstraintPiece(VertInd a, VertInd b) const
{
    ConstraintPiece piece;
    const V2d<double>& pa = m_vertices[a];
    const V2d<double>& pb = m_vertices[b];
    // A vertex u collinear with a and b lies on the segment when it is on b's side of a along both axes; no
    // vertex lies beyond b on an edge from a, since no vertex lies inside an edge.
    const auto towardsB = [&](VertInd u)
    {
        return compareCoordinates(m_vertices[u].x, pa.x) == compareCoordinates(pb.x, pa.x) &&
               compareCoordinates(m_vertices[u].y, pa.y) == compareCoordinates(pb.y, pa.y);
    };

    // Turn around a until the triangle (a, u, w) whose wedge holds the direction a -> b, or an edge along it.
    const TriInd start = m_vertexTriangle[a];
    TriInd t = start;
    VertInd right = noVertex;
    VertInd left = noVertex;
    for (std::size_t guard = 0;; ++guard)
    {
        if (t == noNeighbor || guard > m_triangles.size())
            throw std::logic_error("CDT: the triangles around a vertex do not close");
        const Triangle& tri = m_triangles[t];
        const Index i = tri.vertexIndex(a);
        const VertInd u = tri.vertices[ccw(i)];
        const VertInd w = tri.vertices[cw(i)];
        const int su = orient(a, b, u);
        const int sw = orient(a, b, w);
        if (u == b || (su == 0 && towardsB(u)))
        {
            piece.end = u;
            return piece;
        }
        if (w == b || (sw == 0 && towardsB(w)))
        {
            piece.end = w;
            return piece;
        }
        if (su < 0 && sw > 0)
        {
            right = u;
            left = w;
            break;
        }
        t = tri.neighbors[cw(i)];
        if (t == start)
            throw std::logic_error("CDT: no triangle around a vertex faces the constraint direction");
    }

    // Walk across the edges the open segment crosses; `right` and `left` are the ends of the current one.
    piece.crossedTriangles.push_back(t);
    piece.rightChain.push_back(right);
    piece.leftChain.push_back(left);
    for (;;)
    {
        piece.crossed.emplace_back(right, left);
        const Triangle& tri = m_triangles[t];
        const Index e = tri.vertexIndex(right); // edge right -> left of t
        const TriInd o = tri.neighbors[e];
        if (o == noNeighbor)
            throw std::logic_error("CDT: a constraint segment leaves the triangulation");
        const Triangle& other = m_triangles[o];
        const Index eo = other.vertexIndex(left); // edge left -> right of o
        const VertInd x = other.vertices[cw(eo)];
        piece.crossedTriangles.push_back(o);
        if (x == b)
        {
            piece.end = b;
            return piece;
        }
        const int sx = orient(a, b, x);
        if (sx == 0)
        {
            piece.end = x;
            return piece;
        }
        if (sx < 0)
        {
            piece.rightChain.push_back(x);
            right = x;
        }
        else
        {
            piece.leftChain.push_back(x);
            left = x;
        }
        t = o;
    }
}

void Triangulation::retriangulateCavity(VertInd a, const ConstraintPiece& piece)
{
    const VertInd e = piece.end;
    const std::vector<TriInd>& slots = piece.crossedTriangles;

    // Cavity border: each border edge as its cavity triangle runs it, with the triangle outside.
    std::vector<TriInd> sortedSlots = slots;
    std::sort(sortedSlots.begin(), sortedSlots.end());
    std::vector<std::pair<std::uint64_t, TriInd>> outside;
    for (const TriInd t : slots)
    {
        const Triangle& tri = m_triangles[t];
        for (Index k = 0; k < 3; ++k)
        {
            const TriInd n = tri.neighbors[k];
            if (n == noNeighbor || !std::binary_search(sortedSlots.begin(), sortedSlots.end(), n))
                outside.emplace_back(directedKey(tri.vertices[k], tri.vertices[ccw(k)]), n);
        }
    }
    std::sort(outside.begin(), outside.end());

    // Triangulate the pseudo-polygons on both sides of a -> e (Anglada's recursion): the chain vertex whose
    // circle through the base edge holds no other chain vertex forms a triangle with the base, and both
    // sub-chains recurse.
    std::vector<VerticesArr3> created;
    created.reserve(slots.size());
    struct Task
    {
        VertInd from;
        VertInd to;
        std::size_t begin;
        std::size_t end;
    };
    const auto triangulateSide = [&](VertInd from, VertInd to, const std::vector<VertInd>& chain)
    {
        std::vector<Task> tasks{{from, to, 0, chain.size()}};
        while (!tasks.empty())
        {
            const Task task = tasks.back();
            tasks.pop_back();
            if (task.begin == task.end)
                continue;
            std::size_t best = task.begin;
            for (std::size_t j = task.begin + 1; j < task.end; ++j)
                if (inCircle(task.from, task.to, chain[best], chain[j]) > 0)
                    best = j;
            created.push_back(VerticesArr3{task.from, task.to, chain[best]});
            tasks.push_back(Task{task.from, chain[best], task.begin, best});
            tasks.push_back(Task{chain[best], task.to, best + 1, task.end});
        }
    };
    triangulateSide(a, e, piece.leftChain);
    const std::vector<VertInd> rightReversed(piece.rightChain.rbegin(), piece.rightChain.rend());
    triangulateSide(e, a, rightReversed);
    if (created.size() != slots.size())
        throw std::logic_error("CDT: cavity retriangulation changed the triangle count");

    // Write the new triangles into the old slots, then link them to each other and to the border.
    std::vector<std::pair<std::uint64_t, TriInd>> inside;
    for (std::size_t j = 0; j < slots.size(); ++j)
    {
        m_triangles[slots[j]] = Triangle{created[j], {noNeighbor, noNeighbor, noNeighbor}};
        for (Index k = 0; k < 3; ++k)
            inside.emplace_back(directedKey(created[j][k], created[j][ccw(k)]), slots[j]);
        for (const VertInd v : created[j])
            m_vertexTriangle[v] = slots[j];
    }
    std::sort(inside.begin(), inside.end());
    const auto find = [](const std::vector<std::pair<std::uint64_t, TriInd>>& list, std::uint64_t key)
    {
        const auto it = std::lower_bound(list.begin(), list.end(), std::make_pair(key, TriInd{0}));
        return (it != list.end() && it->first == key) ? it : list.end();
    };
    for (const TriInd t : slots)
    {
        Triangle& tri = m_triangles[t];
        for (Index k = 0; k < 3; ++k)
        {
            const VertInd p = tri.vertices[k];
            const VertInd q = tri.vertices[ccw(k)];
            const auto twin = find(inside, directedKey(q, p));
            if (twin != inside.end())
            {
                tri.neighbors[k] = twin->second;
                continue;
            }
            const auto border = find(outside, directedKey(p, q));
            if (border == outside.end())
                throw std::logic_error("CDT: a new cavity triangle edge matches neither side");
            tri.neighbors[k] = border->second;
            if (border->second != noNeighbor)
            {
                Triangle& n = m_triangles[border->second];
                n.neighbors[n.vertexIndex(q)] = t;
            }
        }
    }
    m_fixedEdges.insert(Edge(a, e));
}

// ---------------------------------------------------------------------------------------------------------------
// Erasing outer triangles and holes

void Triangulation::moveVertex(VertInd v, const V2d<double>& p)
{
    if (m_state != State::Erased)
        throw Error("Cannot move vertex " + std::to_string(v) +
                    ": only the vertices of a final triangulation may be moved");
    if (v >= m_vertices.size())
        throw Error("Cannot move vertex " + std::to_string(v) + ": the triangulation has " +
                    std::to_string(m_vertices.size()) + " vertices");
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
        throw Error("Cannot move vertex " + std::to_string(v) + " to " + formatPoint(p.x, p.y));
    m_vertices[v] = p;
}

void Triangulation::eraseOuterTrianglesAndHoles()
{
    if (m_state != State::Open)
        return;

    constexpr std::uint32_t unset = std::numeric_limits<std::uint32_t>::max();
    std::vector<std::uint32_t> depth(m_triangles.size(), unset);
    std::vector<TriInd> seeds;
    for (TriInd t = 0; t < m_triangles.size(); ++t)
        for (const VertInd v : m_triangles[t].vertices)
            if (v < helperTriangleVertexCount)
            {
                seeds.push_back(t);
                break;
            }
    // Flood fill layer by layer: a whole layer is reached before any triangle across its constraint edges.
    for (std::uint32_t d = 0; !seeds.empty(); ++d)
    {
        std::vector<TriInd> stack;
        std::vector<TriInd> nextSeeds;
        for (const TriInd t : seeds)
            if (depth[t] == unset)
            {
                depth[t] = d;
                stack.push_back(t);
            }
        while (!stack.empty())
        {
            const TriInd t = stack.back();
            stack.pop_back();
            const Triangle& tri = m_triangles[t];
            for (Index k = 0; k < 3; ++k)
            {
                const TriInd n = tri.neighbors[k];
                if (n == noNeighbor || depth[n] != unset)
                    continue;
                if (isFixed(tri.vertices[k], tri.vertices[ccw(k)]))
                {
                    nextSeeds.push_back(n);
                }
                else
                {
                    depth[n] = d;
                    stack.push_back(n);
                }
            }
        }
        seeds.swap(nextSeeds);
    }

    std::vector<TriInd> newIndex(m_triangles.size(), noNeighbor);
    TriInd kept = 0;
    for (TriInd t = 0; t < m_triangles.size(); ++t)
        if (depth[t] != unset && depth[t] % 2 == 1)
            newIndex[t] = kept++;
    // Constraint edges that no kept triangle borders (parts of constraints outside the domain) are dropped.
    EdgeUSet keptConstraints;
    keptConstraints.reserve(m_fixedEdges.size());
    for (TriInd t = 0; t < m_triangles.size(); ++t)
    {
        if (newIndex[t] == noNeighbor)
            continue;
        const Triangle& tri = m_triangles[t];
        for (Index k = 0; k < 3; ++k)
            if (isFixed(tri.vertices[k], tri.vertices[ccw(k)]))
                keptConstraints.insert(Edge(tri.vertices[k] - helperTriangleVertexCount,
                                            tri.vertices[ccw(k)] - helperTriangleVertexCount));
    }
    m_fixedEdges.swap(keptConstraints);
    std::vector<Triangle> keptTriangles;
    keptTriangles.reserve(kept);
    for (TriInd t = 0; t < m_triangles.size(); ++t)
    {
        if (newIndex[t] == noNeighbor)
            continue;
        Triangle tri = m_triangles[t];
        for (Index k = 0; k < 3; ++k)
        {
            tri.vertices[k] -= helperTriangleVertexCount;
            if (tri.neighbors[k] != noNeighbor)
                tri.neighbors[k] = newIndex[tri.neighbors[k]];
        }
        keptTriangles.push_back(tri);
    }
    m_triangles.swap(keptTriangles);

    m_vertices.erase(m_vertices.begin(), m_vertices.begin() + helperTriangleVertexCount);
    m_vertices.shrink_to_fit();

    m_vertexTriangle.assign(m_vertices.size(), noNeighbor);
    for (TriInd t = 0; t < m_triangles.size(); ++t)
        for (const VertInd v : m_triangles[t].vertices)
            m_vertexTriangle[v] = t;
    m_grid = LocatorGrid{};
    m_flipStack = {};
    m_lastTriangle = noNeighbor;
    m_state = State::Erased;
}

} // namespace CDT
