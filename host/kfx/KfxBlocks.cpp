#include "host/kfx/KfxBlocks.h"

#include "platform/db/DbBlockTableRecord.h"

namespace kfxu
{

OdDbObjectId createEmptyAnonymousBlock(OdDbDatabase* database)
{
    if (!database)
        return OdDbObjectId();
    const auto table = OdDbBlockTablePtr::cast(database->getBlockTableId().openObject(OdDb::kForWrite));
    const OdDbBlockTableRecordPtr block = OdDbBlockTableRecord::createObject();
    block->setName(L"*U");
    return table->add(block.get());
}

} // namespace kfxu
