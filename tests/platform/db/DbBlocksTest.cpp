#include "platform/db/DbBlockReference.h"
#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbLine.h"
#include "platform/db/DbSolid.h"
#include "platform/db/DbTable.h"
#include "platform/db/DbText.h"
#include "platform/ge/GeMatrix3d.h"

#include <gtest/gtest.h>

#include <ctime>
#include <numbers>
#include <tuple>
#include <vector>

namespace
{
constexpr double kTol = 1e-9;

OdDbBlockTablePtr blockTable(OdDbDatabase& db)
{
    return OdDbBlockTablePtr::cast(db.getBlockTableId().openObject(OdDb::kForWrite));
}

OdDbObjectId addBlock(OdDbDatabase& db, const OdString& name)
{
    const auto block = OdDbBlockTableRecord::createObject();
    block->setName(name);
    return blockTable(db)->add(block.get());
}

TEST(SymbolTables, FileNamesWithoutRegardToCaseAndNumberAnonymousBlocks)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    const OdDbObjectId frame = addBlock(*db, L"Frame");
    EXPECT_EQ(blockTable(*db)->getAt(L"FRAME"), frame);
    EXPECT_THROW(addBlock(*db, L"frame"), OdError);

    const auto first = OdDbBlockTableRecordPtr::cast(addBlock(*db, L"*U").openObject());
    const auto second = OdDbBlockTableRecordPtr::cast(addBlock(*db, L"*U").openObject());
    EXPECT_EQ(first->getName(), OdString(L"*U1"));
    EXPECT_EQ(second->getName(), OdString(L"*U2"));
    EXPECT_TRUE(first->isAnonymous());
    EXPECT_FALSE(OdDbBlockTableRecordPtr::cast(frame.openObject())->isAnonymous());
    EXPECT_TRUE(blockTable(*db)->has(L"*Model_Space")) << "the model space is a block of the table";

    EXPECT_FALSE(db->newRegApp(L"ACAD")) << "every drawing has ACAD";
    EXPECT_TRUE(db->newRegApp(L"APP"));
    EXPECT_FALSE(db->newRegApp(L"app"));
}

TEST(SymbolTables, FreeNamesOfErasedAndRenamedRecordsAndNameThousandsOfBlocksQuickly)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    // Processor time: a table that tries every taken name for each new block needs minutes here.
    constexpr int kBlocks = 2000;
    const std::clock_t start = std::clock();
    std::vector<OdDbObjectId> ids;
    for (int i = 0; i < kBlocks; ++i)
        ids.push_back(addBlock(*db, L"*U"));
    EXPECT_LT(double(std::clock() - start) / CLOCKS_PER_SEC, 10.0);
    EXPECT_EQ(OdDbBlockTableRecordPtr::cast(ids.back().openObject())->getName(), OdString(L"*U2000"));

    OdDbBlockTableRecordPtr::cast(ids[6].openObject(OdDb::kForWrite))->erase();
    EXPECT_FALSE(blockTable(*db)->has(L"*U7"));
    EXPECT_EQ(OdDbBlockTableRecordPtr::cast(addBlock(*db, L"*U").openObject())->getName(), OdString(L"*U7"));
    OdDbBlockTableRecordPtr::cast(ids[2].openObject(OdDb::kForWrite))->setName(L"Kept");
    EXPECT_EQ(blockTable(*db)->getAt(L"KEPT"), ids[2]);
    EXPECT_EQ(OdDbBlockTableRecordPtr::cast(addBlock(*db, L"*U").openObject())->getName(), OdString(L"*U3"));
    EXPECT_EQ(OdDbBlockTableRecordPtr::cast(addBlock(*db, L"*U").openObject())->getName(),
              OdString(L"*U2001"));
}

TEST(ExtendedData, IsKeptPerApplicationAndOnlyForRegisteredOnes)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    const auto space = OdDbBlockTableRecordPtr::cast(db->getModelSpaceId().openObject(OdDb::kForWrite));
    const auto line = OdDbText::createObject();
    space->appendOdDbEntity(line.get());

    const auto chain = [](const wchar_t* app, std::int16_t value)
    {
        const OdResBufPtr head = OdResBuf::newRb(OdResBuf::kDxfRegAppName);
        head->setString(app);
        head->setNext(OdResBuf::newRb(OdResBuf::kDxfXdInteger16).get())->setInt16(value);
        return head;
    };
    EXPECT_EQ(line->setXData(chain(L"APP", 1).get()), eRegappIdNotFound);
    EXPECT_TRUE(line->xData(L"APP").isNull());

    db->newRegApp(L"APP");
    db->newRegApp(L"OTHER");
    ASSERT_EQ(line->setXData(chain(L"APP", 1).get()), eOk);
    ASSERT_EQ(line->setXData(chain(L"OTHER", 2).get()), eOk);
    ASSERT_EQ(line->setXData(chain(L"APP", 3).get()), eOk) << "replaces APP's chain only";
    const OdResBufPtr app = line->xData(L"APP");
    ASSERT_TRUE(app && app->next());
    EXPECT_EQ(app->next()->getInt16(), 3);
    EXPECT_TRUE(app->next()->next().isNull());
    EXPECT_EQ(line->xData(L"OTHER")->next()->getInt16(), 2);

    EXPECT_THROW(app->next()->getDouble(), OdError_InvalidResBuf);
    EXPECT_EQ(line->clone()->xData(L"OTHER")->next()->getInt16(), 2) << "a copy carries the extended data";

    const OdResBufPtr removal = OdResBuf::newRb(OdResBuf::kDxfRegAppName);
    removal->setString(L"APP");
    ASSERT_EQ(line->setXData(removal.get()), eOk);
    EXPECT_TRUE(line->xData(L"APP").isNull());
}

TEST(BlockReferences, PlaceTheBlockByOriginScaleRotationAndPositionAndFollowTransforms)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    const OdDbObjectId blockId = addBlock(*db, L"B");
    const auto block = OdDbBlockTableRecordPtr::cast(blockId.openObject(OdDb::kForWrite));
    block->setOrigin(OdGePoint3d(1.0, 0.0, 0.0));
    const auto line = OdDbLine::createObject();
    line->setStartPoint(OdGePoint3d(1.0, 0.0, 0.0));
    line->setEndPoint(OdGePoint3d(3.0, 0.0, 0.0));
    block->appendOdDbEntity(line.get());

    const auto ref = OdDbBlockReference::createObject();
    ref->setBlockTableRecord(blockId);
    ref->setPosition(OdGePoint3d(10.0, 5.0, 0.0));
    ref->setRotation(std::numbers::pi / 2.0);
    ref->setScaleFactors(OdGeScale3d(2.0));
    const OdGePoint3d end = ref->blockTransform() * OdGePoint3d(3.0, 0.0, 0.0);
    EXPECT_NEAR(end.x, 10.0, kTol);
    EXPECT_NEAR(end.y, 9.0, kTol);
    OdGeExtents3d box;
    ASSERT_EQ(ref->getGeomExtents(box), eOk);
    EXPECT_NEAR(box.minPoint().y, 5.0, kTol);
    EXPECT_NEAR(box.maxPoint().y, 9.0, kTol);

    // A transform of the reference moves the block's points as the same transform would.
    const OdGeMatrix3d move = OdGeMatrix3d::translation(OdGeVector3d(-1.0, 2.0, 0.0)) *
                              OdGeMatrix3d::rotation(0.3, OdGeVector3d::kZAxis, OdGePoint3d(4.0, 4.0, 0.0));
    const OdGeMatrix3d mirror =
        OdGeMatrix3d::mirroring(OdGePoint3d(0.0, 1.0, 0.0), OdGeVector3d(1.0, 1.0, 0.0));
    for (const OdGeMatrix3d& xform : {move, mirror})
    {
        const OdGeMatrix3d expected = xform * ref->blockTransform();
        const auto moved = OdDbBlockReferencePtr::cast(ref->clone());
        ASSERT_EQ(moved->transformBy(xform), eOk);
        for (const OdGePoint3d& p : {OdGePoint3d(3.0, 0.0, 0.0), OdGePoint3d(0.0, 2.0, 0.0)})
            EXPECT_TRUE((moved->blockTransform() * p).isEqualTo(expected * p));
    }
}

TEST(BlockReferences, ThatLeadBackToTheirOwnBlockStandForNothingWhereItIsMetAgain)
{
    // A holds a line and a reference to B; B a line and a reference to A; C a reference to itself, as a
    // damaged drawing may.
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    const OdDbObjectId a = addBlock(*db, L"A"), b = addBlock(*db, L"B"), c = addBlock(*db, L"C");
    const auto put = [&](const OdDbObjectId& into, const OdDbObjectId& block, double x)
    {
        const auto owner = OdDbBlockTableRecordPtr::cast(into.openObject(OdDb::kForWrite));
        const auto line = OdDbLine::createObject();
        line->setStartPoint(OdGePoint3d(x, 0.0, 0.0));
        line->setEndPoint(OdGePoint3d(x + 1.0, 1.0, 0.0));
        owner->appendOdDbEntity(line.get());
        const auto ref = OdDbBlockReference::createObject();
        ref->setBlockTableRecord(block);
        owner->appendOdDbEntity(ref.get());
    };
    put(a, b, 0.0);
    put(b, a, 5.0);
    put(c, c, 9.0);
    for (const auto& [block, low, high] : {std::tuple{a, 0.0, 6.0}, {b, 0.0, 6.0}, {c, 9.0, 10.0}})
    {
        const auto ref = OdDbBlockReference::createObject();
        ref->setBlockTableRecord(block);
        OdGeExtents3d box;
        ASSERT_EQ(ref->getGeomExtents(box), eOk);
        EXPECT_NEAR(box.minPoint().x, low, kTol);
        EXPECT_NEAR(box.maxPoint().x, high, kTol);
    }
}

TEST(Tables, LayOutRowsColumnsMarginsAndAlignmentInTheirBlock)
{
    const auto table = OdDbTable::createObject();
    table->setSize(3, 2);
    table->setPosition(OdGePoint3d(0.0, 100.0, 0.0));
    table->setWidth(300.0);
    table->setHeight(60.0);
    table->mergeCells(0, 0, 0, 1);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c)
        {
            table->setTextHeight(r, c, 10.0);
            for (auto m : {OdDb::kCellMarginTop, OdDb::kCellMarginLeft, OdDb::kCellMarginBottom,
                           OdDb::kCellMarginRight})
                table->setMargin(r, c, m, 2.5);
        }
    table->setCellStyle(0, 0, L"_TITLE");
    table->setTextString(0, 0, L"Title");
    table->setTextString(1, 0, L"name");
    table->setAlignment(1, 0, OdDb::kMiddleLeft);
    table->setTextString(2, 1, L"v");
    table->setAlignment(2, 1, OdDb::kBottomRight);
    table->recomputeTableBlock();

    EXPECT_NEAR(table->height(), 60.0, kTol);
    EXPECT_NEAR(table->rowHeight(1), 20.0, kTol);
    OdGeExtents3d box;
    ASSERT_EQ(table->getGeomExtents(box), eOk);
    EXPECT_NEAR(box.minPoint().y, 40.0, kTol);
    EXPECT_NEAR(box.maxPoint().x, 300.0, kTol);

    int lines = 0;
    std::vector<OdDbTextPtr> texts;
    for (const OdDbEntityPtr& e : table->tableBlockEntities())
    {
        if (const auto line = OdDbLinePtr::cast(e))
        {
            ++lines;
            EXPECT_FALSE(line->startPoint().isEqualTo(OdGePoint3d(150.0, 100.0, 0.0)) &&
                         line->endPoint().isEqualTo(OdGePoint3d(150.0, 80.0, 0.0)))
                << "no border inside the merged title row";
        }
        else if (const auto text = OdDbTextPtr::cast(e))
            texts.push_back(text);
    }
    EXPECT_EQ(lines, 4 * 2 + 3 * 3 - 1);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_TRUE(texts[0]->alignmentPoint().isEqualTo(OdGePoint3d(150.0, 90.0, 0.0)))
        << "title centred in the row";
    EXPECT_TRUE(texts[1]->alignmentPoint().isEqualTo(OdGePoint3d(2.5, 70.0, 0.0)));
    EXPECT_EQ(texts[1]->horizontalMode(), OdDb::kTextLeft);
    EXPECT_EQ(texts[1]->verticalMode(), OdDb::kTextVertMid);
    EXPECT_TRUE(texts[2]->alignmentPoint().isEqualTo(OdGePoint3d(297.5, 42.5, 0.0)));
    EXPECT_NEAR(texts[1]->position().y, 65.0, kTol) << "a middle text's baseline is half its height lower";

    ASSERT_EQ(table->transformBy(OdGeMatrix3d::translation(OdGeVector3d(5.0, 0.0, 0.0))), eOk);
    EXPECT_TRUE(OdDbTextPtr::cast(table->tableBlockEntities()[table->tableBlockEntities().size() - 1])
                    ->alignmentPoint()
                    .isEqualTo(OdGePoint3d(302.5, 42.5, 0.0)));
    EXPECT_EQ(table->transformBy(OdGeMatrix3d::rotation(1.0, OdGeVector3d::kZAxis)), eNotApplicable);
}

TEST(Solids, SpanTheirCornersAndMoveWithThem)
{
    const auto solid = OdDbSolid::createObject();
    solid->setPointAt(0, OdGePoint3d(0.0, 0.0, 0.0));
    solid->setPointAt(1, OdGePoint3d(2.0, 0.0, 0.0));
    solid->setPointAt(2, OdGePoint3d(0.0, 1.0, 0.0));
    solid->setPointAt(3, OdGePoint3d(2.0, 1.0, 0.0));
    EXPECT_THROW(solid->setPointAt(4, OdGePoint3d()), OdError_InvalidIndex);
    ASSERT_EQ(solid->transformBy(OdGeMatrix3d::translation(OdGeVector3d(1.0, 1.0, 0.0))), eOk);
    OdGeExtents3d box;
    ASSERT_EQ(solid->getGeomExtents(box), eOk);
    EXPECT_TRUE(box.minPoint().isEqualTo(OdGePoint3d(1.0, 1.0, 0.0)));
    EXPECT_TRUE(box.maxPoint().isEqualTo(OdGePoint3d(3.0, 2.0, 0.0)));
}

TEST(ErasedEntities, LeaveTheirBlockButNotTheDatabase)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    const auto space = OdDbBlockTableRecordPtr::cast(db->getModelSpaceId().openObject(OdDb::kForWrite));
    const auto line = OdDbLine::createObject();
    const OdDbObjectId id = space->appendOdDbEntity(line.get());
    ASSERT_EQ(line->erase(), eOk);
    EXPECT_TRUE(space->entityIds().isEmpty());
    EXPECT_TRUE(id.openObject().isNull());
    EXPECT_FALSE(id.openObject(OdDb::kForRead, true).isNull());
}
} // namespace
