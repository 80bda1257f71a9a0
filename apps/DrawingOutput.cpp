#include "apps/DrawingOutput.h"

#include "apps/analysis/Analysis2d.h"
#include "apps/drawing/GlyphDrawing.h"
#include "apps/output/AtomicFile.h"
#include "apps/output/DxfText.h"
#include "apps/view/Glyphs.h"
#include "cae_core/glyphs/DbEntityDrawer.h"
#include "cae_core/results2d/ResultsBlock.h"
#include "platform/db/DbBlockReference.h"
#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbDatabase.h"

namespace cae_app
{
namespace
{
/// Gap between the region and the results block, in multiples of the annotation scale (the results
/// block's own gap).
constexpr double kResultsGap = 40.0;

OdDbBlockTableRecordPtr modelSpace(OdDbDatabase& db)
{
    return OdDbBlockTableRecordPtr::cast(db.getModelSpaceId().openObject(OdDb::kForWrite));
}

void putRegionOnItsLayer(Drawing& drawing)
{
    OdDbDatabase& db = *drawing.database;
    const auto layers = OdDbLayerTablePtr::cast(db.getLayerTableId().openObject(OdDb::kForWrite));
    if (!layers->has(kRegionLayer))
    {
        const auto layer = OdDbLayerTableRecord::createObject();
        layer->setName(kRegionLayer);
        OdCmColor green;
        green.setColorIndex(3);
        layer->setColor(green);
        layers->add(layer.get());
    }
    modelSpace(db)->appendOdDbEntity(drawing.region.get());
    drawing.region->setLayer(kRegionLayer);
}
} // namespace

std::string drawingFile(Drawing& drawing, const AnalysisFile& file,
                        const cae_core::fea2d::InteractiveResult* result)
{
    putRegionOnItsLayer(drawing);
    cae_core::fea2d::Params2d params;
    for (std::size_t i = 0; i < file.loadsAndSupports.size() && i < drawing.chainEnds.size(); ++i)
        params.loadsAndSupports.push_back(toLoadOrSupport(
            file.loadsAndSupports[i], drawing.chainEnds[i].first, drawing.chainEnds[i].second));
    // The glyphs as the host's view shows them, drawn as entities: once into their blocks, once more
    // into the results block's picture.
    const auto glyphs = loadAndSupportGlyphs(params, *drawing.region, *drawing.context);
    OdArray<OdSmartPtr<OdDbEntity>> pictureGlyphs;
    for (std::size_t i = 0; i < glyphs.size(); ++i)
    {
        cae_core::fea2d::DbEntityDrawer blockDrawer;
        glyphs[i]->draw(blockDrawer);
        placeGlyph(drawing, params.loadsAndSupports[i], blockDrawer.entities());
        if (result)
        {
            cae_core::fea2d::DbEntityDrawer pictureDrawer;
            glyphs[i]->draw(pictureDrawer);
            pictureGlyphs.append(pictureDrawer.entities());
        }
    }
    if (result)
    {
        const OdDbObjectId block = cae_core::fea2d::createResultsBlock(*result, pictureGlyphs);
        OdGeExtents3d region;
        if (!block.isNull() && drawing.region->getGeomExtents(region) == ::eOk)
        {
            const auto reference = OdDbBlockReference::createObject();
            reference->setDatabaseDefaults(drawing.database.get());
            reference->setBlockTableRecord(block);
            reference->setPosition(OdGePoint3d(
                region.maxPoint().x + kResultsGap * drawing.context->annoScale(), region.minPoint().y, 0.0));
            modelSpace(*drawing.database)->appendOdDbEntity(reference.get());
        }
    }
    try
    {
        return dxfText(*drawing.database);
    }
    catch (const OdError& e)
    {
        throw OutputError(std::string("drawing.dxf: ") + e.what());
    }
}
} // namespace cae_app
