#pragma once

#include "platform/base/OdArray.h"
#include "platform/base/SharedPtr.h"
#include "platform/ge/GeCurve3d.h"
#include "platform/ge/GeDoubleArray.h"
#include "platform/ge/GePoint2dArray.h"

#include <array>
#include <optional>
#include <vector>

/// The geometry of load and support glyphs as plain data, computed without a drawing so that
/// the drawables only hand it to a drawer. Every glyph lies in the XY plane; sizes are
/// multiples of the glyph size s. Boundary curves are taken in loop order, counter-clockwise
/// round the outside and clockwise round holes, so that the curve normal t x z points out of
/// the region.
namespace cae_core::fea2d::detail
{
using CurveArray = OdArray<OdSharedPtr<OdGeCurve3d>>;

/// Distances below which a piece of a walk counts as empty: the arc length of a chain end or
/// of a drawn piece, in drawing units.
constexpr double kZeroLength = 1e-10;

/// A filled triangular arrow head: tip, then the base corners on the -n and +n side, n being
/// the direction turned 90 degrees counter-clockwise.
using Triangle = std::array<OdGePoint3d, 3>;

/// The arrow head with tip P along unit direction d, width w and length h.
Triangle arrowHead(const OdGePoint3d& tip, const OdGeVector3d& direction, double width, double length);

/// An arrow: its shaft from tip to tail and its head.
struct Arrow
{
    OdGePoint3d tip;
    OdGePoint3d tail;
    Triangle head;
};
/// The arrow with tip P along unit direction d: shaft L long, head h long and w wide.
Arrow arrow(const OdGePoint3d& tip, const OdGeVector3d& direction, double length, double headLength,
            double headWidth);

/// A point load: the arrow pointing at the loaded point along its force, and where its label
/// sits (0.5 s behind the tail) and how high it is.
struct PointLoadGlyph
{
    Arrow arrow;
    OdGePoint3d labelPosition;
    double labelHeight = 0.0;
};
PointLoadGlyph pointLoadGlyph(const OdGePoint3d& location, const OdGeVector3d& direction, double s);

/// A closed hatch boundary of polyline type: vertices and one bulge per vertex.
struct HatchLoop
{
    OdGePoint2dArray vertices;
    OdGeDoubleArray bulges;
};
/// A hatched band or patch: its loops (one, or two for a ring) and the "ANSI31" pattern's
/// angle and scale.
struct HatchBand
{
    std::vector<HatchLoop> loops;
    double patternAngle = 0.0;
    double patternScale = 1.0;
};

/// A point support: triangle with its apex at the point, ground lines (one, two when rolling)
/// and the hatch behind the outermost line.
struct PointSupportGlyph
{
    Triangle triangle;
    std::vector<std::array<OdGePoint3d, 2>> groundLines;
    HatchBand hatch;
};
PointSupportGlyph pointSupportGlyph(const OdGePoint3d& location, const OdGeVector3d& direction, bool rolling,
                                    double s);

/// The chain of curves walked from a to b round the loop, as the distributed glyphs follow it:
/// a's curve, then (when the loop has several curves and b lies on another curve or before a)
/// the following curves, wrapping, up to b's curve; of two or more, an end curve with no
/// length left on the walk is dropped. Empty when a or b lies on no curve. The curves are
/// shared with `loop`.
CurveArray segmentChain(const CurveArray& loop, const OdGePoint3d& a, const OdGePoint3d& b);

/// The arc length of the walk from a to b along the chain (0 for an empty chain). A single
/// curve with b at or before a is walked round its end.
double chainLength(const CurveArray& chain, const OdGePoint3d& a, const OdGePoint3d& b);

/// One piece of a curve to draw: the curve and its parameter range; `to` below `from` on a
/// closed curve goes round the curve's end. The curves are borrowed from the array the pieces
/// were made from, which must outlive them.
struct Piece
{
    const OdGeCurve3d* curve = nullptr;
    double from = 0.0;
    double to = 0.0;
    const OdGeCurve3d* next = nullptr;
};
/// The pieces to draw: every curve of `curves` whole when `wholeLoop`, otherwise the chain's
/// curves from a to b; pieces whose ends differ by no more than kZeroLength are left out.
std::vector<Piece> pieces(const CurveArray& curves, bool wholeLoop, const OdGePoint3d& a,
                          const OdGePoint3d& b);

/// The parameters of the glyphs along a piece: at `from`, at n inner places evenly spaced in
/// arc length, and at `to`, with n = max(0, floor((len - spacing - first) / (first + spacing)))
/// for a piece of arc length len (the distributed glyphs use first = 18 s, spacing = 7 s).
/// `from` and `to` are clamped to the interval; on a closed curve a `to` below `from` wraps.
OdGeDoubleArray glyphParams(const OdGeCurve3d& curve, double from, double to, double first, double spacing);

/// What a distributed load draws on one piece: the arrows to draw (the last one is left to the
/// next piece when the normals there agree, and left out on a whole closed curve, where it
/// would repeat the first), the tails of all its arrows (for the curve
/// through them), and the anchor of the label on the last piece.
struct DistributedLoadPiece
{
    std::vector<Arrow> arrows;
    OdGePoint3dArray tails;
    /// End point E + 25 s m and the normal m there, for the label of the last piece.
    OdGePoint3d labelAnchor;
    OdGeVector3d labelNormal;
};
/// angle: radians, relative to the walking tangent (counter-clockwise) when
/// angleRelativeToBoundary, else the fixed direction (cos, sin) from which the load comes.
DistributedLoadPiece distributedLoadPiece(const Piece& piece, bool angleRelativeToBoundary, double angle,
                                          double s);

/// Where the label goes: the translation that puts, of its bounding points (taken where the
/// text now stands), the one least far along `normal` on `anchor`.
OdGeVector3d labelShift(const OdGePoint3dArray& boundingPoints, const OdGePoint3d& anchor,
                        const OdGeVector3d& normal);

/// What a distributed support draws on one piece: the two sides from each drawn triangle's apex
/// (apex, Q1, Q2), the ground line, the second line of a rolling support and the hatched band.
/// Empty (no triangles) when fewer than two triangles fit or the ground line cannot be made.
struct DistributedSupportPiece
{
    std::vector<Triangle> triangles;
    OdSharedPtr<OdGeCurve3d> groundLine;
    OdSharedPtr<OdGeCurve3d> secondLine;
    std::optional<HatchBand> hatch;
};
DistributedSupportPiece distributedSupportPiece(const Piece& piece, bool rolling, double s);

} // namespace cae_core::fea2d::detail
