#include "cae_core/results2d/ResultsBlock.h"

#include "ResultsTestSupport.h"
#include "cae_core/results2d/MeshQuantityVisualizer.h"
#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbPolyline.h"
#include "platform/db/DbSolid.h"
#include "platform/db/DbTable.h"
#include "platform/db/DbText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
using namespace results_test;
constexpr double kTol = 1e-9;

std::vector<OdDbEntityPtr> entitiesOf(const OdDbObjectId& blockId)
{
    std::vector<OdDbEntityPtr> entities;
    const auto block = OdDbBlockTableRecordPtr::cast(blockId.openObject());
    for (const OdDbObjectId& id : block->entityIds())
        entities.push_back(OdDbEntityPtr::cast(id.openObject()));
    return entities;
}

OdGeExtents3d boxOf(const OdDbEntityPtr& entity)
{
    OdGeExtents3d box;
    EXPECT_EQ(entity->getGeomExtents(box), ::eOk);
    return box;
}

TEST(ResultsBlock, LaysOutFrameTablesLegendAndTitleInMultiplesOfTheAnnotationScale)
{
    const SimulationOutput output = solvedPlate(25.0);
    for (const double a : {1.0, 2.0})
    {
        TestContext context;
        context.setGlyphSize(a);
        context.database()->setINSUNITS(OdDb::kUnitsMillimeters);
        const InteractiveResult result(output, context);
        ASSERT_EQ(result.meshQuantityVisualizer().getColoredQuantity(),
                  MeshQuantityVisualizer::eVonMisesStress);
        const auto extra = OdDbText::createObject();
        extra->setTextString(L"extra");
        const OdDbObjectId blockId = createResultsBlock(result, {extra});
        ASSERT_FALSE(blockId.isNull());
        EXPECT_EQ(OdDbBlockTableRecordPtr::cast(blockId.openObject())->blockInsertUnits(),
                  OdDb::kUnitsMillimeters);

        // Frame, input table, output table, 11 swatches and values, title, the extra text, one solid per
        // element, then arrow and label per reaction.
        const std::vector<OdDbEntityPtr> e = entitiesOf(blockId);
        const std::size_t elements = output.solverOutput.elementData.size();
        const std::size_t reactions = result.reactionForceVisualizer().drawables().size();
        ASSERT_EQ(e.size(), 3 + 22 + 1 + 1 + elements + 2 * reactions);
        const OdGeExtents3d frame = boxOf(e[0]);
        EXPECT_TRUE(frame.minPoint().isEqualTo(OdGePoint3d::kOrigin))
            << "base point at the frame's lower left";
        const OdGeExtents3d input = boxOf(e[1]);
        const OdGeExtents3d outputTable = boxOf(e[2]);
        EXPECT_NEAR(outputTable.maxPoint().x - outputTable.minPoint().x, 300.0 * a, kTol);
        EXPECT_NEAR(outputTable.maxPoint().y - outputTable.minPoint().y,
                    25.0 * a * result.outputTable().size(), kTol);
        EXPECT_NEAR(input.minPoint().y - outputTable.maxPoint().y, 40.0 * a, kTol);
        EXPECT_NEAR(input.minPoint().x, outputTable.minPoint().x, kTol);
        EXPECT_NEAR(frame.maxPoint().y - input.maxPoint().y, 40.0 * a, kTol);
        EXPECT_EQ(OdDbTablePtr::cast(e[2])->textHeight(1, 1), 10.0 * a);
        EXPECT_EQ(OdDbTablePtr::cast(e[2])->margin(1, 1, OdDb::kCellMarginLeft), 2.5 * a);

        const OdGeExtents3d first = boxOf(e[3]);
        const OdGeExtents3d last = boxOf(e[3 + 20]);
        EXPECT_NEAR(first.maxPoint().y - first.minPoint().y, 15.0 * a, kTol);
        EXPECT_NEAR(first.maxPoint().x - first.minPoint().x, 50.0 * a, kTol);
        EXPECT_NEAR(last.minPoint().y - first.minPoint().y, 200.0 * a, kTol);
        const auto value = OdDbTextPtr::cast(e[4]);
        EXPECT_NEAR(value->alignmentPoint().x - first.minPoint().x, 65.0 * a, kTol);
        EXPECT_NEAR(value->alignmentPoint().y, first.minPoint().y + 7.5 * a, kTol);
        EXPECT_EQ(value->height(), 10.0 * a);
        const auto title = OdDbTextPtr::cast(e[3 + 22]);
        EXPECT_EQ(title->textString(), OdString(L"Von Mises Stress [MPa]"));
        EXPECT_NEAR(title->position().y - last.maxPoint().y, 5.0 * a, kTol);
        EXPECT_EQ(e[3 + 23].get(), extra.get()) << "extra entities go in themselves";
        EXPECT_NEAR(frame.maxPoint().x - boxOf(e[3 + 22]).maxPoint().x, 40.0 * a, kTol)
            << "the title is the rightmost entity here";
    }
}

TEST(ResultsBlock, LegendLabelsRunFromTheSmallestToTheLargestStressWithTheirColours)
{
    const SimulationOutput output = solvedPlate(25.0);
    TestContext context;
    context.setGlyphSize(1.0);
    context.database()->setINSUNITS(OdDb::kUnitsMillimeters);
    const InteractiveResult result(output, context);
    const ColorMap& map = result.meshQuantityVisualizer().getColorMap();
    double largest = 0.0;
    for (const auto& element : output.solverOutput.elementData)
        largest = std::max(largest, element.center.stress.vonMises);
    ASSERT_GT(largest, 0.0);
    EXPECT_DOUBLE_EQ(map.getColorMapDomain().max, largest);

    // After the frame and the two tables: swatch then label, row 0 at the bottom.
    const std::vector<OdDbEntityPtr> e = entitiesOf(createResultsBlock(result, {}));
    const ColorMapDomain domain = map.getColorMapDomain();
    for (int i = 0; i <= 10; ++i)
    {
        const double v = domain.min + i * (domain.max - domain.min) / 10.0;
        char label[32];
        std::snprintf(label, sizeof label, "%.3e", v);
        const auto swatch = OdDbSolidPtr::cast(e[3 + 2 * i]);
        const auto text = OdDbTextPtr::cast(e[4 + 2 * i]);
        ASSERT_TRUE(swatch && text) << i;
        EXPECT_EQ(OdAnsiString(text->textString()).str(), label) << i;
        EXPECT_EQ(swatch->color().red(), map.getColor(v).red()) << i;
        EXPECT_EQ(swatch->color().green(), map.getColor(v).green()) << i;
        EXPECT_EQ(swatch->color().blue(), map.getColor(v).blue()) << i;
    }
    char top[32];
    std::snprintf(top, sizeof top, "%.3e", largest);
    EXPECT_EQ(OdAnsiString(OdDbTextPtr::cast(e[24])->textString()).str(), top);
    EXPECT_FALSE(OdDbSolidPtr::cast(e[23])->color() == OdDbSolidPtr::cast(e[3])->color())
        << "the top swatch shows the largest stress, not the smallest";
}

TEST(ResultsBlock, GetsAUniqueNameAndWithoutAColouredQuantityNoLegend)
{
    const SimulationOutput output = solvedPlate(25.0);
    TestContext context;
    InteractiveResult result(output, context);
    const OdDbObjectId first = createResultsBlock(result, {});
    result.meshQuantityVisualizer().setColoredQuantity(MeshQuantityVisualizer::eNone);
    const OdDbObjectId second = createResultsBlock(result, {});
    EXPECT_EQ(OdDbBlockTableRecordPtr::cast(first.openObject())->getName(),
              OdString(L"CAE_ANALYZE2D_RESULT"));
    EXPECT_EQ(OdDbBlockTableRecordPtr::cast(second.openObject())->getName(),
              OdString(L"CAE_ANALYZE2D_RESULT_1"));
    const std::size_t elements = output.solverOutput.elementData.size();
    const std::size_t reactions = result.reactionForceVisualizer().drawables().size();
    const std::vector<OdDbEntityPtr> e = entitiesOf(second);
    ASSERT_EQ(e.size(), 3 + elements + 2 * reactions);
    EXPECT_EQ(OdDbSolidPtr::cast(e[3])->color(), OdCmColor()) << "uncoloured mesh";
}
} // namespace
