#include "cae_core/glyphs/GlyphBlocks.h"

#include "host/kfx/KfxBlocks.h"
#include "host/tdx/ScopedWrite.h"
#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbDatabase.h"
#include "platform/ge/GeMatrix3d.h"

#include <cstdint>

namespace cae_core::fea2d
{
namespace
{
/// The version of the extended-data layout; a reader refuses any other.
constexpr std::int16_t kFormatVersion = 0;

OdGeMatrix3d shiftBy(const OdGePoint3d& location)
{
    return OdGeMatrix3d::translation(OdGePoint3d::kOrigin - location);
}

/// Builds one application's chain item by item.
class ChainWriter
{
public:
    explicit ChainWriter(LoadOrSupportType tag)
    {
        m_head = OdResBuf::newRb(OdResBuf::kDxfRegAppName);
        m_head->setString(kGlyphApplicationName);
        m_tail = m_head;
        addInt16(static_cast<std::int16_t>(tag));
        addInt16(kFormatVersion);
        addPoint(OdGePoint2d(0.0, 0.0));
    }

    void addInt16(std::int16_t value) { append(OdResBuf::kDxfXdInteger16)->setInt16(value); }
    void addFlag(bool value) { addInt16(value ? 1 : 0); }
    void addPoint(const OdGePoint2d& value) { append(OdResBuf::kDxfXdXCoord)->setPoint2d(value); }
    void addVector(const OdGeVector2d& value) { addPoint(OdGePoint2d(value.x, value.y)); }
    void addDouble(double value) { append(OdResBuf::kDxfXdReal)->setDouble(value); }

    const OdResBufPtr& chain() const { return m_head; }

private:
    OdResBufPtr append(int code)
    {
        m_tail = m_tail->setNext(OdResBuf::newRb(code).get());
        return m_tail;
    }

    OdResBufPtr m_head;
    OdResBufPtr m_tail;
};

void save(OdDbBlockReference& blockReference, const ChainWriter& writer)
{
    OdDbDatabase* db = blockReference.database();
    if (!db)
        return;
    const auto apps = OdDbRegAppTablePtr::cast(db->getObject(db->getRegAppTableId()));
    if (!apps->has(kGlyphApplicationName))
        db->newRegApp(kGlyphApplicationName);
    tdx::ScopedWrite guard(blockReference);
    blockReference.setXData(writer.chain().get());
}

/// Raised by ChainReader for a missing item or one with another group code.
struct DamagedChain
{
};

/// Reads the items after the application's name, each with the group code the layout demands.
class ChainReader
{
public:
    explicit ChainReader(const OdResBuf* first) : m_item(first) {}

    std::int16_t int16() { return take(OdResBuf::kDxfXdInteger16).getInt16(); }
    bool flag() { return int16() != 0; }
    OdGePoint2d point() { return take(OdResBuf::kDxfXdXCoord).getPoint2d(); }
    OdGeVector2d vector() { return point().asVector(); }
    double real() { return take(OdResBuf::kDxfXdReal).getDouble(); }
    bool atEnd() const { return m_item == nullptr; }

private:
    const OdResBuf& take(int code)
    {
        if (!m_item || m_item->restype() != code)
            throw DamagedChain();
        const OdResBuf* item = m_item;
        m_item = m_item->next().get();
        return *item;
    }

    const OdResBuf* m_item;
};

std::optional<LoadOrSupport> readChain(const OdResBuf& name, const OdDbObjectId& id)
{
    ChainReader reader(name.next().get());
    const std::int16_t tag = reader.int16();
    if (tag < ePointLoad || tag > eLinearSupport || reader.int16() != kFormatVersion)
        return std::nullopt;
    const OdGePoint2d origin = reader.point();
    LoadOrSupport record;
    switch (tag)
    {
    case ePointLoad:
    {
        PointLoad load;
        load.location = origin;
        load.direction = reader.vector();
        load.magnitude = reader.real();
        record = load;
        break;
    }
    case eLinearLoad:
    {
        LinearLoad load;
        load.startLocation = origin;
        load.endLocation = reader.point();
        load.magnitude = reader.real();
        load.angle = reader.real();
        load.angleRelativeToBoundary = reader.flag();
        load.flipped = reader.flag();
        record = load;
        break;
    }
    case ePointSupport:
    {
        PointSupport support;
        support.location = origin;
        support.direction = reader.vector();
        support.rolling = reader.flag();
        record = support;
        break;
    }
    default:
    {
        LinearSupport support;
        support.startLocation = origin;
        support.endLocation = reader.point();
        support.rolling = reader.flag();
        support.flipped = reader.flag();
        record = support;
        break;
    }
    }
    if (!reader.atEnd())
        return std::nullopt;
    std::visit([&](auto& r) { r.id = id; }, record);
    return record;
}
} // namespace

OdDbObjectId createLoadOrSupportBlock(const Context& context, const OdArray<OdSmartPtr<OdDbEntity>>& entities,
                                      const OdGePoint3d& location)
{
    OdDbDatabase* db = context.database();
    const OdDbObjectId blockId = kfxu::createEmptyAnonymousBlock(db);
    const auto block = OdDbBlockTableRecordPtr::cast(blockId.openObject(OdDb::kForWrite));
    if (!block)
        return OdDbObjectId();
    const OdGeMatrix3d shift = shiftBy(location);
    for (const OdSmartPtr<OdDbEntity>& entity : entities)
    {
        entity->transformBy(shift);
        entity->setDatabaseDefaults(db);
        block->appendOdDbEntity(entity.get());
    }
    return blockId;
}

void updateLoadOrSupportBlock(OdDbObjectId blockReferenceId, const Context&,
                              const OdArray<OdSmartPtr<OdDbEntity>>& entities, const OdGePoint3d& location)
{
    const auto reference = OdDbBlockReferencePtr::cast(blockReferenceId.openObject(OdDb::kForRead));
    if (!reference)
        return;
    const auto block = OdDbBlockTableRecordPtr::cast(reference->blockTableRecord().openObject(OdDb::kForWrite));
    if (!block)
        return;
    for (const OdDbObjectId& id : block->entityIds())
        if (const OdDbObjectPtr old = id.openObject(OdDb::kForWrite); old && !old->isErased())
            old->erase();
    const OdGeMatrix3d shift = shiftBy(location);
    for (const OdSmartPtr<OdDbEntity>& entity : entities)
    {
        entity->transformBy(shift);
        block->appendOdDbEntity(entity.get());
    }
}

void saveLoadToBRef(OdDbBlockReference& blockReference, const PointLoad& load)
{
    ChainWriter writer(ePointLoad);
    writer.addVector(load.direction);
    writer.addDouble(load.magnitude);
    save(blockReference, writer);
}

void saveLoadToBRef(OdDbBlockReference& blockReference, const LinearLoad& load)
{
    ChainWriter writer(eLinearLoad);
    writer.addVector(load.endLocation - load.startLocation);
    writer.addDouble(load.magnitude);
    writer.addDouble(load.angle);
    writer.addFlag(load.angleRelativeToBoundary);
    writer.addFlag(load.flipped);
    save(blockReference, writer);
}

void saveSupportToBRef(OdDbBlockReference& blockReference, const PointSupport& support)
{
    ChainWriter writer(ePointSupport);
    writer.addVector(support.direction);
    writer.addFlag(support.rolling);
    save(blockReference, writer);
}

void saveSupportToBRef(OdDbBlockReference& blockReference, const LinearSupport& support)
{
    ChainWriter writer(eLinearSupport);
    writer.addVector(support.endLocation - support.startLocation);
    writer.addFlag(support.rolling);
    writer.addFlag(support.flipped);
    save(blockReference, writer);
}

std::optional<LoadOrSupport> getLoadOrSupportFromBRef(const OdDbBlockReference& blockReference)
{
    const OdResBufPtr xdata = blockReference.xData(kGlyphApplicationName);
    if (!xdata)
        return std::nullopt;
    try
    {
        return readChain(*xdata, blockReference.objectId());
    }
    catch (const DamagedChain&)
    {
        return std::nullopt;
    }
    catch (const OdError_InvalidResBuf&)
    {
        return std::nullopt;
    }
}
} // namespace cae_core::fea2d
