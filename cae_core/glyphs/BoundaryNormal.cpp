#include "cae_core/glyphs/BoundaryNormal.h"

#include "host/tdx/BrepAccess.h"

namespace cae_core::fea2d
{

OdGeVector3d getCurveNormalAtPoint(const OdGeCurve3d& curve, const OdGePoint3d& point,
                                   const OdGeVector3d& planeNormal)
{
    double param = 0.0;
    if (!curve.isOn(point, param))
        return OdGeVector3d();
    OdGeVector3dArray derivatives;
    curve.evalPoint(param, 1, derivatives);
    if (derivatives.isEmpty() || derivatives[0].isZeroLength())
        return OdGeVector3d();
    return derivatives[0].normal().crossProduct(planeNormal).normal();
}

OdGeVector3d getBoundaryNormalAtPoint(const OdBrBrep& brep, const OdGePoint3d& point)
{
    OdBrBrepFaceTraverser faces;
    if (faces.setBrep(brep) != odbrOK)
        return OdGeVector3d();
    for (; !faces.done(); faces.next())
    {
        const OdBrFace face = faces.getFace();
        OdGePoint3d origin;
        OdGeVector3d planeNormal;
        if (!tdx::getPlanarFace(face, origin, planeNormal))
            continue;
        OdBrFaceLoopTraverser loops;
        if (loops.setFace(face) != odbrOK)
            continue;
        for (; !loops.done(); loops.next())
        {
            OdBrLoopEdgeTraverser edges;
            if (edges.setLoop(loops.getLoop()) != odbrOK)
                continue;
            for (; !edges.done(); edges.next())
            {
                const std::unique_ptr<OdGeCurve3d> curve =
                    tdx::BrToGeConverter::quickConvert(edges.getEdge());
                if (!curve || !curve->isOn(point))
                    continue;
                if (!edges.getEdgeOrientToLoop())
                    curve->reverseParam();
                return getCurveNormalAtPoint(*curve, point, planeNormal);
            }
        }
    }
    return OdGeVector3d();
}

} // namespace cae_core::fea2d
