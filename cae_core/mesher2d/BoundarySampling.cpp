#include "cae_core/mesher2d/BoundarySampling.h"
#include "cae_core/mesher2d/MesherTolerances.h"

#include "platform/br/BrBrep.h"
#include "platform/ge/GeExternalCurve3d.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <unordered_set>

namespace cae_core
{

namespace
{
/// Largest number of samples taken on one curve. A size that small against the curve's length
/// (a 100 m edge at a 6 nm size) cannot be meshed within any triangle budget, and sampling it
/// would exhaust memory first; such a curve is treated as one that cannot be sampled.
constexpr double kMaxSamplesPerCurve = 1 << 24;

/// Points coincide when their distance is zero within the global equal-point tolerance.
bool coincide(const OdGePoint3d& a, const OdGePoint3d& b)
{
    const double t = OdGeContext::gTol.equalPoint();
    return (a - b).isZeroLength(OdGeTol(t, t));
}

/// The loop's edge curves in traversal order, each a copy of its own; external curves that have a
/// native form are replaced by it.
std::vector<OdSharedPtr<OdGeCurve3d>> collectCurves(const OdBrLoop& loop)
{
    std::vector<OdSharedPtr<OdGeCurve3d>> curves;
    OdBrLoopEdgeTraverser edges;
    if (edges.setLoop(loop) != odbrOK)
        return curves;
    for (; !edges.done(); edges.next())
    {
        OdSharedPtr<OdGeCurve3d> curve(edges.getEdge().getCurve());
        if (!curve)
            continue;
        if (curve->isKindOf(OdGe::kExternalCurve3d))
        {
            OdGeCurve3d* native = nullptr;
            if (static_cast<const OdGeExternalCurve3d&>(*curve).isNativeCurve(native) && native)
                curve = OdSharedPtr<OdGeCurve3d>(native);
        }
        curves.push_back(curve);
    }
    return curves;
}

/// Turns the curves so that each ends where the next starts (the last where the first starts).
/// False when a curve is unbounded or a link does not close.
bool chainCurves(std::vector<OdSharedPtr<OdGeCurve3d>>& curves)
{
    if (curves.size() < 2)
        return true;
    const std::size_t n = curves.size();
    for (std::size_t i = 0; i < n; ++i)
    {
        const OdGeCurve3d& next = *curves[(i + 1) % n];
        OdGePoint3d start, nextStart, nextEnd;
        if (!curves[i]->hasStartPoint(start) || !next.hasStartPoint(nextStart) || !next.hasEndPoint(nextEnd))
            return false;
        if (coincide(start, nextStart) || coincide(start, nextEnd))
            curves[i]->reverseParam();
    }
    for (std::size_t i = 0; i < n; ++i)
    {
        OdGePoint3d end, nextStart;
        if (!curves[i]->hasEndPoint(end) || !curves[(i + 1) % n]->hasStartPoint(nextStart) ||
            !coincide(end, nextStart))
            return false;
    }
    return true;
}

SampledLoop sampleLoop(const OdBrLoop& loop, double size, int pointsPerSegment)
{
    std::vector<OdSharedPtr<OdGeCurve3d>> curves = collectCurves(loop);
    SampledLoop vertices;
    if (!chainCurves(curves))
        return vertices;
    for (const OdSharedPtr<OdGeCurve3d>& curve : curves)
        mesher2d::detail::sampleCurve(curve, size, pointsPerSegment, vertices);
    return vertices;
}

bool sameVertex(const BoundaryVertex& a, const BoundaryVertex& b)
{
    return a.curve == b.curve && std::abs(a.param - b.param) <= kParamMatchTolerance;
}

/// A maximal stretch [begin, end) of consecutive loop vertices on one curve object.
struct Run
{
    std::size_t begin;
    std::size_t end;
};

std::vector<Run> splitIntoRuns(const SampledLoop& loop)
{
    std::vector<Run> runs;
    for (std::size_t i = 0; i < loop.size();)
    {
        std::size_t j = i + 1;
        while (j < loop.size() && loop[j].curve == loop[i].curve)
            ++j;
        runs.push_back({i, j});
        i = j;
    }
    return runs;
}

/// The run's vertices outside, plus the new samples at `size` inside, ordered along the curve.
SampledLoop replacementRun(const SampledLoop& loop, const Run& run, const std::vector<char>& inside,
                           const std::function<bool(BoundaryVertex)>& isInside, double size)
{
    SampledLoop replacement;
    for (std::size_t i = run.begin; i < run.end; ++i)
        if (!inside[i])
            replacement.push_back(loop[i]);
    SampledLoop samples;
    mesher2d::detail::sampleCurve(loop[run.begin].curve, size, 1, samples);
    for (BoundaryVertex& sample : samples)
        if (isInside(sample))
            replacement.push_back(std::move(sample));
    std::stable_sort(replacement.begin(), replacement.end(),
                     [](const BoundaryVertex& a, const BoundaryVertex& b) { return a.param < b.param; });
    return replacement;
}

} // namespace

OdGePoint2d BoundaryVertex::position() const
{
    const OdGePoint3d p = curve->evalPoint(param);
    return OdGePoint2d(p.x, p.y);
}

namespace mesher2d::detail
{

void sampleCurve(const OdSharedPtr<OdGeCurve3d>& curve, double size, int pointsPerSegment,
                 std::vector<BoundaryVertex>& out)
{
    const OdGeTol& tol = OdGeContext::gTol;
    OdGeInterval interval;
    curve->getInterval(interval);
    if (!interval.isBounded())
        return;
    const double length = curve->length(interval.lowerBound(), interval.upperBound(), tol.equalPoint());
    // Counted in doubles: the sample count of lines and arcs must not overflow an int on the way.
    const double pieces = std::ceil(length / size);
    const double sampleCount = pieces * pointsPerSegment + 1.0;
    if (!(std::abs(pieces) < kMaxSamplesPerCurve && std::abs(sampleCount) < kMaxSamplesPerCurve))
        return;
    // A negative size gives a negative count, and with it no samples on lines and arcs.
    const int n = static_cast<int>(pieces);

    if (curve->isLinear(tol) || curve->isCircular(tol))
    {
        OdGePoint3dArray points;
        OdGeDoubleArray params;
        curve->getSamplePoints(static_cast<int>(sampleCount), points, params);
        std::size_t count = points.size();
        if (count > 0 && !coincide(points.first(), points.last()) && !curve->isClosed(tol))
            --count;
        for (std::size_t i = 0; i < count; ++i)
            out.push_back({curve, params[static_cast<unsigned>(i)]});
        return;
    }

    const double step = length / n;
    double param = interval.lowerBound();
    out.push_back({curve, param});
    for (int i = 1; i < n; ++i)
    {
        param = curve->paramAtLength(param, step, true, tol.equalPoint());
        out.push_back({curve, param});
    }
}

} // namespace mesher2d::detail

std::vector<SampledLoop> sampleBoundaries(OdSmartPtr<OdDbRegion> region, double size, int pointsPerSegment)
{
    std::vector<SampledLoop> loops;
    if (region.isNull())
        return loops;
    OdBrBrep brep;
    if (region->brep(brep) != eOk)
        return loops;

    OdBrBrepFaceTraverser faces;
    if (faces.setBrep(brep) != odbrOK)
        return loops;
    for (; !faces.done(); faces.next())
    {
        OdBrFaceLoopTraverser faceLoops;
        if (faceLoops.setFace(faces.getFace()) != odbrOK)
            continue;
        for (; !faceLoops.done(); faceLoops.next())
        {
            const OdBrLoop loop = faceLoops.getLoop();
            const OdBr::LoopType type = loop.getType();
            if (type != OdBr::odbrLoopExterior && type != OdBr::odbrLoopInterior)
                continue;
            SampledLoop vertices = sampleLoop(loop, size, pointsPerSegment);
            if (vertices.empty())
                continue;
            if (type == OdBr::odbrLoopExterior)
                loops.insert(loops.begin(), std::move(vertices));
            else
                loops.push_back(std::move(vertices));
        }
    }
    return loops;
}

namespace
{

bool allOnTheirCurves(const std::vector<SampledLoop>& loops)
{
    for (const SampledLoop& loop : loops)
        for (const BoundaryVertex& v : loop)
            if (!v.curve || !v.curve->isOn(v.param, OdGeContext::gTol))
                return false;
    return true;
}

/// Whether every curve of the loop forms a single run (always so for sampled loops).
bool curvesFormSingleRuns(const SampledLoop& loop, const std::vector<Run>& runs)
{
    std::unordered_set<const OdGeCurve3d*> curvesSeen;
    for (const Run& run : runs)
        if (!curvesSeen.insert(loop[run.begin].curve.get()).second)
            return false;
    return true;
}

bool touchesTheRegion(const std::vector<char>& inside, const Run& run)
{
    return std::any_of(inside.begin() + static_cast<std::ptrdiff_t>(run.begin),
                       inside.begin() + static_cast<std::ptrdiff_t>(run.end), [](char c) { return c != 0; });
}

/// Rebuilds the loop in one pass, run by run: each run is found again exactly where it started, shifted by
/// the earlier replacements. Only valid when every curve forms a single run. On an empty replacement the
/// loop keeps the runs replaced so far and the original from there on.
bool refineRunsInOnePass(SampledLoop& loop, const SampledLoop& original, const std::vector<Run>& runs,
                         const std::vector<char>& inside, const std::function<bool(BoundaryVertex)>& isInside,
                         double size)
{
    SampledLoop rebuilt;
    rebuilt.reserve(original.size());
    for (const Run& run : runs)
    {
        if (!touchesTheRegion(inside, run))
        {
            rebuilt.insert(rebuilt.end(), original.begin() + static_cast<std::ptrdiff_t>(run.begin),
                           original.begin() + static_cast<std::ptrdiff_t>(run.end));
            continue;
        }
        const SampledLoop replacement = replacementRun(original, run, inside, isInside, size);
        if (replacement.empty())
        {
            rebuilt.insert(rebuilt.end(), original.begin() + static_cast<std::ptrdiff_t>(run.begin),
                           original.end());
            loop = std::move(rebuilt);
            return false;
        }
        rebuilt.insert(rebuilt.end(), replacement.begin(), replacement.end());
    }
    loop = std::move(rebuilt);
    return true;
}

/// Replaces each touched run where it is found again, searching from the loop's start: needed when a curve
/// recurs in several runs.
bool refineRunsBySearch(SampledLoop& loop, const SampledLoop& original, const std::vector<Run>& runs,
                        const std::vector<char>& inside, const std::function<bool(BoundaryVertex)>& isInside,
                        double size)
{
    for (const Run& run : runs)
    {
        if (!touchesTheRegion(inside, run))
            continue;
        const SampledLoop replacement = replacementRun(original, run, inside, isInside, size);
        if (replacement.empty())
            return false;
        const std::size_t length = run.end - run.begin;
        const auto first =
            std::find_if(loop.begin(), loop.end(),
                         [&](const BoundaryVertex& v) { return sameVertex(v, original[run.begin]); });
        const std::size_t at = static_cast<std::size_t>(first - loop.begin());
        if (first == loop.end() || loop.size() - at < length)
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if (!sameVertex(loop[at + k], original[run.begin + k]))
                return false;
        loop.erase(first, first + static_cast<std::ptrdiff_t>(length));
        loop.insert(loop.begin() + static_cast<std::ptrdiff_t>(at), replacement.begin(), replacement.end());
    }
    return true;
}

bool refineLoop(SampledLoop& loop, const std::function<bool(BoundaryVertex)>& isInside, double size)
{
    if (loop.empty())
        return true;
    const SampledLoop original = loop;
    const std::vector<Run> runs = splitIntoRuns(original);
    std::vector<char> inside(original.size());
    for (std::size_t i = 0; i < original.size(); ++i)
        inside[i] = isInside(original[i]) ? 1 : 0;
    return curvesFormSingleRuns(original, runs)
               ? refineRunsInOnePass(loop, original, runs, inside, isInside, size)
               : refineRunsBySearch(loop, original, runs, inside, isInside, size);
}

} // namespace

bool refineBoundaries(std::vector<SampledLoop>& loops, const std::function<bool(BoundaryVertex)>& isInside,
                      double size)
{
    if (!allOnTheirCurves(loops))
        return false;
    for (SampledLoop& loop : loops)
        if (!refineLoop(loop, isInside, size))
            return false;
    return true;
}

} // namespace cae_core
