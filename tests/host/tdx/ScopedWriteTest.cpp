#include "host/tdx/ScopedWrite.h"

#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbText.h"

#include <gtest/gtest.h>

namespace
{

TEST(ScopedWrite, OpensForWriteAndGivesBackTheModeTheObjectHad)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    const auto space = OdDbBlockTableRecordPtr::cast(db->getModelSpaceId().openObject(OdDb::kForWrite));
    const OdDbObjectId id = space->appendOdDbEntity(OdDbText::createObject().get());
    const OdDbObjectPtr text = id.openObject(OdDb::kForRead);
    {
        tdx::ScopedWrite guard(*text);
        EXPECT_TRUE(text->isWriteEnabled());
    }
    EXPECT_FALSE(text->isWriteEnabled());

    text->upgradeOpen();
    {
        tdx::ScopedWrite guard(*text);
    }
    EXPECT_TRUE(text->isWriteEnabled()) << "an object open for write stays so";
}

} // namespace
