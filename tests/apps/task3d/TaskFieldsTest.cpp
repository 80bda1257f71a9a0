// The displacement and stress fields inside a solved tetrahedron.
#include "apps/task3d/TaskFields.h"
#include "cae_core/task/Factory.h"
#include "cae_core/task/TaskObjects.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{
/// One ten-node tetrahedron with straight edges and the results of a quadratic displacement field and
/// a linear stress field at its grids.
class OneTetrahedron : public testing::Test
{
protected:
    void SetUp() override
    {
        task = cae_core::Factory::instance().createTask(OdString("fields"), OdDb::kUnitsMeters, true);
        mesh = cae_core::Factory::instance().createMesh(task.get());
        mesh->setOrder(2);
        const OdGePoint3d corners[] = {{0, 0, 0}, {2, 0, 0}, {0, 3, 0}, {0, 0, 4}};
        const int edges[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
        std::vector<OdGePoint3d> points(corners, corners + 4);
        for (const auto& e : edges)
            points.push_back(corners[e[0]] + 0.5 * (corners[e[1]] - corners[e[0]]));
        for (const auto& p : points)
        {
            const auto v = mesh->addVertex(p, OdDbSubentId());
            output.vertexData[mesh->vertex(v)->id()].displacement = displacement(p);
            if (v < 4)
                output.stresses[mesh->vertex(v)->id()] = stress(p);
        }
        mesh->addTetra({0, 1, 2, 3}, {4, 5, 6, 7, 8, 9});
    }
    void TearDown() override { cae_core::Factory::instance().onTaskDestroyed(task.get()); }

    static OdGeVector3d displacement(const OdGePoint3d& p) { return {p.x * p.y, p.z * p.z - p.x, 3.0 + p.y}; }
    static cae_core::SolidStress stress(const OdGePoint3d& p)
    {
        return {p.x, 2.0 * p.y, -p.z, 1.0, p.x + p.y, 0.5};
    }

    std::shared_ptr<cae_core::Task> task;
    std::shared_ptr<cae_core::Mesh> mesh;
    cae_core::TaskOutput output;
};

TEST_F(OneTetrahedron, FieldsAtAPointFollowTheShapeFunctionsAndAreEmptyOutside)
{
    const auto stresses = cae_app::vertexStresses(*mesh, output);
    ASSERT_TRUE(stresses[4].has_value());
    EXPECT_EQ(*stresses[4], stress(OdGePoint3d(1, 0, 0))) << "a mid grid takes its edge's mean";
    const OdGePoint3d inside[] = {{0.3, 0.4, 0.5}, {1.0, 1.5, 0.0}, {0, 0, 4}};
    for (const OdGePoint3d& p : inside)
    {
        const auto f = cae_app::fieldsAt(*mesh, output, stresses, p);
        ASSERT_TRUE(f.has_value()) << p.x << " " << p.y << " " << p.z;
        EXPECT_LT((f->displacement - displacement(p)).length(), 1e-12);
        const cae_core::SolidStress want = stress(p);
        EXPECT_NEAR(f->stress.yz, want.yz, 1e-12);
        EXPECT_NEAR(f->stress.zz, want.zz, 1e-12);
    }
    EXPECT_FALSE(cae_app::fieldsAt(*mesh, output, stresses, OdGePoint3d(1.0, 1.5, 0.1)).has_value())
        << "beyond the slanted face";
    EXPECT_FALSE(cae_app::fieldsAt(*mesh, output, stresses, OdGePoint3d(-1e-6, 0.1, 0.1)).has_value());
}
} // namespace
