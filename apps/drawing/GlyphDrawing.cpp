#include "apps/drawing/GlyphDrawing.h"

#include "cae_core/glyphs/GlyphBlocks.h"
#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbDatabase.h"

namespace cae_app
{
namespace fea2d = cae_core::fea2d;

namespace
{
OdGePoint3d at(const OdGePoint2d& p)
{
    return OdGePoint3d(p.x, p.y, 0.0);
}

OdGePoint2d referencePoint(const fea2d::LoadOrSupport& record)
{
    return std::visit(
        [](const auto& r)
        {
            if constexpr (requires { r.location; })
                return r.location;
            else
                return r.startLocation;
        },
        record);
}
} // namespace

void placeGlyph(Drawing& drawing, const fea2d::LoadOrSupport& record,
                const OdArray<OdSmartPtr<OdDbEntity>>& glyph)
{
    const OdGePoint3d location = at(referencePoint(record));
    const OdDbObjectId block = fea2d::createLoadOrSupportBlock(*drawing.context, glyph, location);
    const auto reference = OdDbBlockReference::createObject();
    reference->setDatabaseDefaults(drawing.database.get());
    reference->setBlockTableRecord(block);
    reference->setPosition(location);
    OdDbBlockTableRecordPtr::cast(drawing.database->getModelSpaceId().openObject(OdDb::kForWrite))
        ->appendOdDbEntity(reference.get());
    std::visit(
        [&](const auto& r)
        {
            if constexpr (requires { fea2d::saveLoadToBRef(*reference, r); })
                fea2d::saveLoadToBRef(*reference, r);
            else
                fea2d::saveSupportToBRef(*reference, r);
        },
        record);
}

std::vector<LoadOrSupportEntry> loadsFromDrawing(const std::string& path)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    try
    {
        db->readFile(OdString(path.c_str()));
    }
    catch (const OdError& e)
    {
        throw InputError(e.what());
    }
    std::vector<LoadOrSupportEntry> entries;
    const auto space = OdDbBlockTableRecordPtr::cast(db->getModelSpaceId().openObject());
    for (const OdDbObjectId& id : space->entityIds())
    {
        const auto reference = OdDbBlockReferencePtr::cast(id.openObject());
        if (!reference)
            continue;
        const std::optional<fea2d::LoadOrSupport> inBlock = fea2d::getLoadOrSupportFromBRef(*reference);
        if (!inBlock)
            continue;
        const fea2d::LoadOrSupport r = fea2d::transform(*inBlock, reference->blockTransform());
        LoadOrSupportEntry entry;
        // Numbered from 0 like the loads and supports of the report, with the handle a drawing program
        // finds the reference by.
        entry.path = path + ": glyph block reference " + std::to_string(entries.size()) + " (handle " +
                     OdAnsiString(OdDbHandle(reference->objectId().getHandle()).ascii()).str() + ")";
        if (const auto* p = std::get_if<fea2d::PointLoad>(&r))
            entry.value = PointLoadEntry{p->location, p->direction.normal(), p->magnitude};
        else if (const auto* l = std::get_if<fea2d::LinearLoad>(&r))
            entry.value = LinearLoadEntry{l->startLocation,           l->endLocation, l->magnitude, l->angle,
                                          l->angleRelativeToBoundary, l->flipped};
        else if (const auto* s = std::get_if<fea2d::PointSupport>(&r))
            entry.value = PointSupportEntry{s->location, s->rolling, s->direction.normal()};
        else
        {
            const auto& t = std::get<fea2d::LinearSupport>(r);
            entry.value = LinearSupportEntry{t.startLocation, t.endLocation, t.rolling, t.flipped};
        }
        entries.push_back(std::move(entry));
    }
    if (entries.empty())
        throw InputError(path + ": the drawing holds no load or support glyph block references (blocks with "
                                "CAEANALYZE2D extended data) in its model space");
    return entries;
}
} // namespace cae_app
