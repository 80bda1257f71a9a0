#include "cae_core/glyphs/GlyphBlocks.h"

#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbPolyline.h"
#include "platform/db/DbText.h"
#include "platform/ge/GeMatrix3d.h"

#include "GlyphsTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <numbers>

namespace
{
using namespace cae_core::fea2d;
constexpr double kExact = 1e-12;

using glyphs_test::TestContext;

OdSmartPtr<OdDbEntity> label(const wchar_t* text, const OdGePoint3d& at)
{
    const auto entity = OdDbText::createObject();
    entity->setTextString(text);
    entity->setPosition(at);
    entity->setHeight(6.0);
    return entity;
}

/// A block of `entities` made at `location`, placed there by a block reference in the model space.
OdDbBlockReferencePtr placeGlyph(const Context& context, const OdArray<OdSmartPtr<OdDbEntity>>& entities,
                                 const OdGePoint3d& location)
{
    const OdDbObjectId block = createLoadOrSupportBlock(context, entities, location);
    const auto reference = OdDbBlockReference::createObject();
    reference->setBlockTableRecord(block);
    reference->setPosition(location);
    OdDbBlockTableRecordPtr::cast(context.database()->getModelSpaceId().openObject(OdDb::kForWrite))
        ->appendOdDbEntity(reference.get());
    return reference;
}

OdSmartPtr<OdDbBlockTableRecord> blockOf(const OdDbBlockReference& reference)
{
    return OdDbBlockTableRecordPtr::cast(reference.blockTableRecord().openObject());
}

TEST(GlyphBlocks, HoldTheGeometryRelativeToTheReferencePointAndUpdateInPlace)
{
    TestContext context;
    OdCmColor blue;
    blue.setColorIndex(5);
    context.database()->setCECOLOR(blue);
    const OdDbBlockReferencePtr reference =
        placeGlyph(context, {label(L"10 N", OdGePoint3d(12.0, 7.0, 0.0))}, OdGePoint3d(10.0, 5.0, 0.0));
    const auto block = blockOf(*reference);
    ASSERT_TRUE(block && block->isAnonymous());
    ASSERT_EQ(block->entityIds().size(), 1u);
    const auto text = OdDbTextPtr::cast(block->entityIds()[0].openObject());
    EXPECT_TRUE(text->position().isEqualTo(OdGePoint3d(2.0, 2.0, 0.0)));
    EXPECT_EQ(text->color(), blue) << "the drawing's defaults";
    EXPECT_EQ(text->height(), 6.0) << "but the glyph's own label height";

    PointLoad load;
    load.direction = OdGeVector2d(0.0, -1.0);
    saveLoadToBRef(*reference, load);
    updateLoadOrSupportBlock(reference->objectId(), context, {label(L"20 N", OdGePoint3d(10.0, 8.0, 0.0))},
                             OdGePoint3d(10.0, 5.0, 0.0));
    ASSERT_EQ(block->entityIds().size(), 1u) << "the old geometry is erased";
    EXPECT_EQ(OdDbTextPtr::cast(block->entityIds()[0].openObject())->textString(), OdString(L"20 N"));
    EXPECT_TRUE(getLoadOrSupportFromBRef(*reference).has_value()) << "the reference keeps its data";
    EXPECT_TRUE(reference->position().isEqualTo(OdGePoint3d(10.0, 5.0, 0.0)));
}

TEST(GlyphBlocks, KeepEachKindOfRecordInTheirExtendedDataAndGiveItBackPlaced)
{
    TestContext context;
    PointLoad pointLoad;
    pointLoad.direction = OdGeVector2d(0.6, -0.8);
    pointLoad.magnitude = 250.0;
    pointLoad.location = OdGePoint2d(3.0, 4.0);
    LinearLoad linearLoad;
    linearLoad.magnitude = 2.5;
    linearLoad.angleRelativeToBoundary = true;
    linearLoad.angle = -0.25;
    linearLoad.startLocation = OdGePoint2d(10.0, 5.0);
    linearLoad.endLocation = OdGePoint2d(14.0, 8.0);
    linearLoad.flipped = true;
    PointSupport pointSupport;
    pointSupport.direction = OdGeVector2d(0.0, 1.0);
    pointSupport.location = OdGePoint2d(-1.0, 2.0);
    pointSupport.rolling = true;
    LinearSupport linearSupport;
    linearSupport.startLocation = OdGePoint2d(0.0, 0.0);
    linearSupport.endLocation = OdGePoint2d(0.0, 6.0);
    linearSupport.flipped = true;

    for (const LoadOrSupport& written : {LoadOrSupport(pointLoad), LoadOrSupport(linearLoad),
                                         LoadOrSupport(pointSupport), LoadOrSupport(linearSupport)})
    {
        const OdGePoint2d at = std::visit(
            [](const auto& r)
            {
                if constexpr (requires { r.location; })
                    return r.location;
                else
                    return r.startLocation;
            },
            written);
        const OdDbBlockReferencePtr reference =
            placeGlyph(context, {label(L"g", OdGePoint3d(at.x, at.y, 0.0))}, OdGePoint3d(at.x, at.y, 0.0));
        const auto save = [&](const LoadOrSupport& record)
        {
            std::visit(
                [&](const auto& r)
                {
                    if constexpr (requires { saveLoadToBRef(*reference, r); })
                        saveLoadToBRef(*reference, r);
                    else
                        saveSupportToBRef(*reference, r);
                },
                record);
        };
        // Saving again replaces the chain.
        save(linearSupport);
        save(written);

        const std::optional<LoadOrSupport> read = getLoadOrSupportFromBRef(*reference);
        ASSERT_TRUE(read.has_value());
        ASSERT_EQ(read->index(), written.index());
        EXPECT_EQ(std::visit([](const auto& r) { return r.id; }, *read), reference->objectId());
        const LoadOrSupport placed = transform(*read, reference->blockTransform());
        std::visit(
            [&](const auto& r)
            {
                const auto& w = std::get<std::decay_t<decltype(r)>>(written);
                if constexpr (requires { r.location; })
                {
                    EXPECT_TRUE(r.location.isEqualTo(w.location));
                    EXPECT_TRUE(r.direction.isEqualTo(w.direction));
                }
                else
                {
                    EXPECT_TRUE(r.startLocation.isEqualTo(w.startLocation));
                    EXPECT_TRUE(r.endLocation.isEqualTo(w.endLocation));
                    EXPECT_EQ(r.flipped, w.flipped);
                }
                if constexpr (requires { r.magnitude; })
                {
                    EXPECT_EQ(r.magnitude, w.magnitude);
                }
                if constexpr (requires { r.rolling; })
                {
                    EXPECT_EQ(r.rolling, w.rolling);
                }
                if constexpr (requires { r.angle; })
                {
                    EXPECT_EQ(r.angle, w.angle);
                    EXPECT_EQ(r.angleRelativeToBoundary, w.angleRelativeToBoundary);
                }
            },
            placed);
    }
    const auto apps = OdDbRegAppTablePtr::cast(context.database()->getRegAppTableId().openObject());
    EXPECT_EQ(apps->recordIds().size(), 2u) << "ACAD and the module's application, registered once";

    // The linear load's end is kept relative to its start.
    const OdDbBlockReferencePtr linear = placeGlyph(context, {}, OdGePoint3d(10.0, 5.0, 0.0));
    saveLoadToBRef(*linear, linearLoad);
    EXPECT_TRUE(linear->xData(kGlyphApplicationName)
                    ->next()
                    ->next()
                    ->next()
                    ->next()
                    ->getPoint2d()
                    .isEqualTo(OdGePoint2d(4.0, 3.0)));
}

/// The chain of a point support with one item changed by `damage`.
OdResBufPtr damagedChain(const std::function<void(OdResBuf& first)>& damage)
{
    TestContext context;
    const OdDbBlockReferencePtr reference = placeGlyph(context, {}, OdGePoint3d());
    saveSupportToBRef(*reference, PointSupport{});
    const OdResBufPtr chain = reference->xData(kGlyphApplicationName);
    damage(*chain);
    return chain;
}

OdResBuf& item(OdResBuf& first, int number)
{
    OdResBuf* rb = &first;
    for (int i = 1; i < number; ++i)
        rb = rb->next().get();
    return *rb;
}

TEST(GlyphBlocks, GiveNothingBackForForeignOrDamagedData)
{
    const struct
    {
        const char* what;
        std::function<void(OdResBuf&)> damage;
    } cases[] = {
        {"an extra item",
         [](OdResBuf& c) { c.last()->setNext(OdResBuf::newRb(OdResBuf::kDxfXdInteger16).get()); }},
        {"version 1", [](OdResBuf& c) { item(c, 3).setInt16(1); }},
        {"tag 4", [](OdResBuf& c) { item(c, 2).setInt16(4); }},
        {"tag -1", [](OdResBuf& c) { item(c, 2).setInt16(-1); }},
        {"a wrong group code", [](OdResBuf& c) { item(c, 6).setRestype(OdResBuf::kDxfXdInteger32); }},
        {"a missing item", [](OdResBuf& c) { item(c, 5).setNext(nullptr); }},
        {"a tag of the wrong type", [](OdResBuf& c) { item(c, 2).setRestype(OdResBuf::kDxfXdReal); }},
        {"another record's layout", [](OdResBuf& c) { item(c, 2).setInt16(eLinearSupport); }},
    };
    for (const auto& c : cases)
    {
        TestContext context;
        const OdDbBlockReferencePtr reference = placeGlyph(context, {}, OdGePoint3d());
        context.database()->newRegApp(kGlyphApplicationName);
        ASSERT_EQ(reference->setXData(damagedChain(c.damage).get()), eOk) << c.what;
        EXPECT_FALSE(getLoadOrSupportFromBRef(*reference).has_value()) << c.what;
    }

    TestContext context;
    const OdDbBlockReferencePtr foreign = placeGlyph(context, {}, OdGePoint3d());
    EXPECT_FALSE(getLoadOrSupportFromBRef(*foreign).has_value()) << "no data of the application";
    const auto outside = OdDbBlockReference::createObject();
    saveLoadToBRef(*outside, PointLoad{});
    EXPECT_TRUE(outside->xData().isNull()) << "nothing is written outside a database";
}
} // namespace
