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
    addRoleLayers(*drawing.database);
    modelSpace(*drawing.database)->appendOdDbEntity(drawing.region.get());
    drawing.region->setLayer(layers::kRegion);
}

/// Puts the results block's parts on their layers. The block lists its frame, the two tables, the
/// legend with its title (when the result shows a quantity), then the picture's glyphs, one solid per
/// element and an arrow and a label per reaction; the legend's share is what the others leave.
void layerResultsBlock(OdDbDatabase& db, const OdDbObjectId& blockId, std::size_t glyphEntities,
                       const cae_core::fea2d::InteractiveResult& result)
{
    const auto block = OdDbBlockTableRecordPtr::cast(blockId.openObject());
    if (!block)
        return;
    const OdDbObjectIdArray ids = block->entityIds();
    const std::size_t elements = result.simulationOutput().solverOutput.elementData.size();
    const std::size_t reactions = 2 * result.reactionForceVisualizer().drawables().size();
    constexpr std::size_t kFrameAndTables = 3;
    if (ids.size() < kFrameAndTables + glyphEntities + elements + reactions)
        return;
    const std::size_t legend = ids.size() - kFrameAndTables - glyphEntities - elements - reactions;
    std::size_t i = kFrameAndTables;
    const auto assign = [&](std::size_t count, const wchar_t* layer)
    {
        for (const std::size_t end = i + count; i < end; ++i)
            if (const auto entity = OdDbEntityPtr::cast(db.getObject(ids[static_cast<unsigned>(i)])))
                entity->setLayer(layer);
    };
    assign(legend, layers::kLegend);
    assign(glyphEntities, layers::kGlyphs);
    assign(elements, layers::kMesh);
    assign(reactions, layers::kGlyphs);
}
} // namespace

std::string drawingFile(Drawing& drawing, const AnalysisFile& file,
                        const cae_core::fea2d::InteractiveResult* result, const std::filesystem::path& base)
{
    if (!base.empty())
    {
        try
        {
            drawing.database->readFile(OdString(base.string().c_str()));
        }
        catch (const OdError& e)
        {
            throw OutputError(std::string("drawing.dxf: cannot be built on the drawing ") + base.string() +
                              ": " + e.what());
        }
    }
    putRegionOnItsLayer(drawing);
    cae_core::fea2d::Params2d params;
    for (std::size_t i = 0; i < file.loadsAndSupports.size() && i < drawing.chainEnds.size(); ++i)
        params.loadsAndSupports.push_back(toLoadOrSupport(
            file.loadsAndSupports[i], drawing.chainEnds[i].first, drawing.chainEnds[i].second));
    // The glyphs as the host's view shows them, drawn as entities: once into their blocks, once more
    // into the results block's picture.
    const auto glyphs = loadAndSupportGlyphs(params, *drawing.region, *drawing.context);
    // The glyph references are what model space gains from here; a base drawing's own keep their layers.
    const unsigned before = modelSpace(*drawing.database)->entityIds().size();
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
    const OdDbObjectIdArray placed = modelSpace(*drawing.database)->entityIds();
    for (unsigned i = before; i < placed.size(); ++i)
        if (const auto reference = OdDbBlockReferencePtr::cast(drawing.database->getObject(placed[i])))
            reference->setLayer(layers::kGlyphs);
    if (result)
    {
        const std::size_t glyphEntities = pictureGlyphs.size();
        const OdDbObjectId block = cae_core::fea2d::createResultsBlock(*result, pictureGlyphs);
        layerResultsBlock(*drawing.database, block, glyphEntities, *result);
        OdGeExtents3d region;
        if (!block.isNull() && drawing.region->getGeomExtents(region) == ::eOk)
        {
            const auto reference = OdDbBlockReference::createObject();
            reference->setDatabaseDefaults(drawing.database.get());
            reference->setBlockTableRecord(block);
            reference->setLayer(layers::kResults);
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
