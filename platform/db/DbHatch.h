#pragma once

#include "platform/base/OdString.h"
#include "platform/db/DbObject.h"
#include "platform/ge/GeDoubleArray.h"
#include "platform/ge/GePoint2dArray.h"

#include <vector>

/// A hatch in the XY plane at elevation 0: closed boundary loops filled with a pattern of
/// parallel lines. Loops are polylines of 2D vertices with bulges (the tangent of a quarter
/// of the included angle of each segment's arc, positive counter-clockwise, 0 for straight);
/// the last vertex joins the first. Islands follow the even-odd rule.
class OdDbHatch : public OdDbEntity
{
public:
    /// Loop type flags; a loop given by vertices must carry kPolyline.
    enum HatchLoopType
    {
        kDefault = 0,
        kExternal = 1,
        kPolyline = 2,
        kDerived = 4,
        kTextbox = 8,
        kOutermost = 0x10,
    };
    enum HatchPatternType
    {
        kUserDefined = 0,
        kPreDefined = 1,
        kCustomDefined = 2,
    };

    /// One family of parallel pattern lines, in pattern units: lines at `angle` (radians)
    /// through basePoint, repeated every `offset` (x along the line, y across it).
    struct PatternLine
    {
        double angle = 0.0;
        OdGePoint2d basePoint;
        OdGeVector2d offset;
    };

    static OdSmartPtr<OdDbHatch> createObject();

    /// Appends a loop. Raises OdError(eInvalidInput) when loopType lacks kPolyline, there are
    /// fewer than 2 vertices, or bulges is neither empty nor one per vertex.
    void appendLoop(int loopType, const OdGePoint2dArray& vertices, const OdGeDoubleArray& bulges);
    int numLoops() const { return static_cast<int>(m_loops.size()); }
    int loopTypeAt(int loopIndex) const;
    /// The loop's vertices and bulges (one per vertex, 0 for straight segments).
    void getLoopAt(int loopIndex, OdGePoint2dArray& vertices, OdGeDoubleArray& bulges) const;

    /// Selects a pattern by name. Predefined patterns known: "ANSI31" (lines at 45 degrees,
    /// 0.125 apart) and "SOLID" (a fill: no lines). A hatch given the defaults of a metric drawing
    /// (setDatabaseDefaults) takes the metric definitions, in millimetres: 25.4 times as large ("ANSI31"
    /// lines 3.175 apart). Raises OdError(eInvalidInput) naming the pattern when it is not known.
    void setPattern(HatchPatternType patternType, const OdString& patternName);
    HatchPatternType patternType() const { return m_patternType; }
    OdString patternName() const { return m_patternName; }
    /// The pattern's line families in pattern units (empty before setPattern).
    const std::vector<PatternLine>& patternLines() const { return m_pattern; }
    /// Pattern units per drawing unit; raises OdError(eInvalidInput) unless positive.
    void setPatternScale(double scale);
    double patternScale() const { return m_patternScale; }
    /// Rotation of the whole pattern about its origin point, radians.
    void setPatternAngle(double angle) { m_patternAngle = angle; }
    double patternAngle() const { return m_patternAngle; }
    /// The point the pattern's lines are laid out from; the world origin unless set (or moved by
    /// transformBy, so that a moved hatch keeps its lines where they were within its loops).
    void setOriginPoint(const OdGePoint2d& origin) { m_origin = origin; }
    OdGePoint2d originPoint() const { return m_origin; }

    /// The pattern's lines clipped to the loops (even-odd: a point is filled when a ray from
    /// it crosses the loops an odd number of times), as segments from startPoints[i] to
    /// endPoints[i]. Arcs are clipped exactly. Empty without a pattern, without loops, or
    /// when the pattern would need more than kMaxHatchLines lines across the loops.
    void getHatchLinesData(OdGePoint2dArray& startPoints, OdGePoint2dArray& endPoints) const;
    /// Lines per family above which a hatch is too dense to draw; it then shows no lines.
    static constexpr double kMaxHatchLines = 1.0e6;

    /// The box of the loops (arcs contribute their extreme points); eInvalidExtents without loops.
    OdResult getGeomExtents(OdGeExtents3d& extents) const override;
    /// Also chooses the pattern definitions of the drawing's measurement (MEASUREMENT) for the
    /// next setPattern.
    void setDatabaseDefaults(OdDbDatabase* database) override;
    /// Loops, origin point, pattern angle and scale follow `xform`. eNotApplicable, nothing changed,
    /// for a transform that leaves the XY plane at elevation 0, scales unevenly or mirrors (a
    /// mirrored pattern is not a rotated one).
    OdResult transformBy(const OdGeMatrix3d& xform) override;
    OdSmartPtr<OdDbEntity> clone() const override;

protected:
    /// Draws the pattern's lines clipped to the loops (getHatchLinesData), not the loops.
    bool subWorldDraw(OdGiWorldDraw* worldDraw) const override;

private:
    struct Loop
    {
        int type = kPolyline;
        OdGePoint2dArray vertices;
        OdGeDoubleArray bulges;
    };
    std::vector<Loop> m_loops;
    HatchPatternType m_patternType = kPreDefined;
    OdString m_patternName;
    std::vector<PatternLine> m_pattern;
    double m_patternScale = 1.0;
    double m_patternAngle = 0.0;
    OdGePoint2d m_origin;
    bool m_metricPatterns = false;
};
using OdDbHatchPtr = OdSmartPtr<OdDbHatch>;
