#pragma once

#include "cae_core/fea2d/Context.h"
#include "cae_core/fea2d/Simulation.h"
#include "cae_core/mesher2d/DelaunayMesher.h"
#include "platform/db/DbDatabase.h"
#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeLineSeg3d.h"

#include <gtest/gtest.h>

#include <numbers>

namespace results_test
{
using namespace cae_core;
using namespace cae_core::fea2d;

/// A millimetre drawing (mm, N, MPa) whose glyph size the test may set.
class TestContext : public Context
{
public:
    TestContext() : m_db(OdDbDatabase::createObject()) {}
    OdDbDatabase* database() const override { return m_db.get(); }
    OdString unitName(OdDb::UnitsValue) override { return L"mm"; }
    double annoScale() const override { return m_scale; }
    void setGlyphSize(double s) { m_scale = s; }

private:
    OdDbDatabasePtr m_db;
    double m_scale = 1.0;
};

inline OdSharedPtr<OdGeCurve3d> line(double x0, double y0, double x1, double y1)
{
    return OdSharedPtr<OdGeCurve3d>(new OdGeLineSeg3d(OdGePoint3d(x0, y0, 0), OdGePoint3d(x1, y1, 0)));
}

/// A steel plate 200 x 100 x 5 with a hole of radius 20 at its centre, meshed at size 8: rolling on its
/// left edge, held up at the middle of its right edge and pulled there with 50 MPa (250 N/mm).
inline Params2d plateWithHole(double meshSize = 8.0)
{
    Params2d params;
    params.region = OdDbRegion::createObject();
    const OdDbRegion::Loop outer{line(0, 0, 200, 0), line(200, 0, 200, 100), line(200, 100, 0, 100),
                                 line(0, 100, 0, 0)};
    const OdDbRegion::Loop hole{
        OdSharedPtr<OdGeCurve3d>(new OdGeCircArc3d(OdGePoint3d(100, 50, 0), OdGeVector3d::kZAxis, 20.0))};
    EXPECT_EQ(params.region->setLoops({outer, hole}), ::eOk);
    DelaunayMesher mesher;
    EXPECT_EQ(mesher.createMesh(params.region, meshSize, nullptr, 0), cae_core::eOk);
    params.mesh = mesher.getMesh();
    params.mode = ePlanarStress;
    params.elementType = eTriangle3;
    params.materialProperties = MaterialProperties{5.0, 210000.0, 0.3, 235.0};
    params.loadsAndSupports = {
        LinearLoad{OdDbObjectId(), 250.0, true, -std::numbers::pi / 2, OdGePoint2d(200, 0),
                   OdGePoint2d(200, 100), true},
        LinearSupport{OdDbObjectId(), OdGePoint2d(0, 100), OdGePoint2d(0, 0), true, true},
        PointSupport{OdDbObjectId(), OdGeVector2d(0, 1), OdGePoint2d(200, 50), true},
    };
    return params;
}

inline SimulationOutput solvedPlate(double meshSize = 8.0)
{
    SimulationOutput output = runSimulation(plateWithHole(meshSize), Solver2d::eInHouse);
    EXPECT_EQ(output.result, cae_core::eOk);
    return output;
}

} // namespace results_test
