#pragma once

#include "platform/ge/GeExtents3d.h"
#include "platform/ge/GePoint3d.h"
#include "platform/ge/GeVector3d.h"

#include <vector>

/// Placement of the text labels of a 2D picture so that no two of them overlap: each label keeps
/// the place its glyph gave it when that is free, else takes the nearest free candidate around it.
namespace cae_app
{
/// A straight piece of what the picture draws, in world coordinates (z ignored).
struct LabelObstacle
{
    OdGePoint3d start;
    OdGePoint3d end;
};

/// A label where its glyph put it, and the point of the glyph it names.
struct LabelRequest
{
    /// Invalid for a label that shows nothing: it stays and takes no room.
    OdGeExtents3d box;
    OdGePoint3d anchor;
};

/// Where a label goes.
struct LabelPlacement
{
    OdGeVector3d offset;
    /// Moved further than its own height: a leader line runs from its box to its anchor.
    bool leader = false;
};

class LabelPlacer
{
public:
    /// Lines a moved label should not cover where a free place without them is near.
    void addLines(const std::vector<LabelObstacle>& lines);
    /// Closed loops (the region's boundary as line pieces, holes included) whose inside a moved
    /// label should not cover either; inside is decided by the even-odd rule.
    void addArea(const std::vector<LabelObstacle>& boundary);

    /// Places `labels` in turn, in order of precedence. A label that overlaps none placed before it
    /// stays (offset zero). One that does moves to the nearest of the candidates in the first rings
    /// of eight around it (half its width or height further per ring) that keeps a gap to the placed
    /// labels, stays clear of the lines, the area and the earlier labels' leaders, and whose own
    /// leader crosses no label; failing that, to the nearest clear of those shapes, then to the
    /// nearest clear of the labels alone; failing that too, to the first place clear of the labels
    /// in further rings, or above them all. Deterministic: the same labels and obstacles give the
    /// same placements.
    std::vector<LabelPlacement> place(const std::vector<LabelRequest>& labels) const;

private:
    std::vector<LabelObstacle> m_lines;
    std::vector<LabelObstacle> m_area;
};

/// The point of `box` nearest to `p` (p itself when inside), for a leader line from a label to
/// what it names.
OdGePoint3d nearestPointOf(const OdGeExtents3d& box, const OdGePoint3d& p);
} // namespace cae_app
