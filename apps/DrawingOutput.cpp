#include "apps/DrawingOutput.h"

#include "apps/analysis/Analysis2d.h"
#include "apps/drawing/GlyphDrawing.h"
#include "apps/output/AtomicFile.h"
#include "apps/output/DxfText.h"
#include "apps/view/Glyphs.h"
#include "apps/view/MovedLabels.h"
#include "cae_core/glyphs/DbEntityDrawer.h"
#include "cae_core/results2d/ResultsBlock.h"
#include "platform/db/DbBlockReference.h"
#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbLine.h"
#include "platform/db/DbText.h"

#include <vector>

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

using EntityList = OdArray<OdSmartPtr<OdDbEntity>>;

/// Leaders are grey, so that they read as pointers rather than as part of a glyph.
constexpr std::uint16_t kLeaderColor = 8;

/// The line from a label moved away from its glyph back to the glyph.
OdSmartPtr<OdDbLine> leaderLine(const PlacedText& text)
{
    const OdGeVector3d& offset = text.placement.offset;
    const OdGeExtents3d moved(text.request.box.minPoint() + offset, text.request.box.maxPoint() + offset);
    const auto line = OdDbLine::createObject();
    line->setStartPoint(nearestPointOf(moved, text.request.anchor));
    line->setEndPoint(text.request.anchor);
    OdCmColor grey;
    grey.setColorIndex(kLeaderColor);
    line->setColor(grey);
    return line;
}

/// Moves the texts among one glyph's entities where the placer put them (its texts in drawing order),
/// and adds a leader for each moved further than its height.
void moveLabels(EntityList& parts, const std::vector<PlacedText>& placed)
{
    EntityList leaders;
    for (const PlacedText& text : placed)
    {
        if (!text.request.box.isValidExtents() || text.placement.offset.isZeroLength())
            continue;
        // An entity of several texts (none of the glyphs draws one) stays whole.
        if (text.alone && text.part < parts.size())
            parts[static_cast<unsigned>(text.part)]->transformBy(
                OdGeMatrix3d::translation(text.placement.offset));
        if (text.placement.leader)
            leaders.append(leaderLine(text));
    }
    parts.append(leaders);
}

/// Moves the reactions' labels in the results block where the placer put them; the block holds an
/// arrow and a label per reaction at its end, shifted from where the reactions stand in the drawing.
void moveReactionLabels(const OdDbObjectId& blockId, const cae_core::fea2d::InteractiveResult& result,
                        const std::vector<std::vector<PlacedText>>& placed)
{
    const auto block = OdDbBlockTableRecordPtr::cast(blockId.openObject(OdDb::kForWrite));
    const auto& reactions = result.reactionForceVisualizer().drawables();
    if (!block || placed.size() != reactions.size())
        return;
    const OdDbObjectIdArray ids = block->entityIds();
    if (ids.size() < 2 * reactions.size())
        return;
    const std::size_t first = ids.size() - 2 * reactions.size();
    for (std::size_t r = 0; r < reactions.size(); ++r)
    {
        const auto label =
            OdDbTextPtr::cast(ids[static_cast<unsigned>(first + 2 * r + 1)].openObject(OdDb::kForWrite));
        if (!label || placed[r].size() != 1 || placed[r][0].placement.offset.isZeroLength())
            continue;
        const OdGeMatrix3d shift =
            OdGeMatrix3d::translation(label->position() - reactions[r]->label()->position());
        label->transformBy(OdGeMatrix3d::translation(placed[r][0].placement.offset));
        if (!placed[r][0].placement.leader)
            continue;
        const auto leader = leaderLine(placed[r][0]);
        leader->transformBy(shift);
        block->appendOdDbEntity(leader.get());
        leader->setLayer(layers::kGlyphs);
    }
}

/// The labels of the glyphs and of the reactions placed apart as the picture places them: per glyph,
/// then per reaction, its texts in drawing order.
std::vector<std::vector<PlacedText>> placeDrawnLabels(const Drawing& drawing,
                                                      const std::vector<EntityList>& glyphs,
                                                      const cae_core::fea2d::InteractiveResult* result)
{
    std::vector<std::vector<const OdGiDrawable*>> groups;
    for (const EntityList& glyph : glyphs)
    {
        std::vector<const OdGiDrawable*>& parts = groups.emplace_back();
        for (const auto& part : glyph)
            parts.push_back(part.get());
    }
    if (result)
        for (const auto* reaction : result->reactionForceVisualizer().drawables())
            groups.push_back({reaction});
    return placeTexts(*drawing.region, groups);
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
    std::vector<EntityList> blockParts, pictureParts;
    for (const auto& glyph : glyphs)
    {
        cae_core::fea2d::DbEntityDrawer blockDrawer, pictureDrawer;
        glyph->draw(blockDrawer);
        glyph->draw(pictureDrawer);
        blockParts.push_back(blockDrawer.entities());
        pictureParts.push_back(pictureDrawer.entities());
    }
    // Labels crowded where their glyphs put them move apart, in the glyph blocks as in the picture.
    const std::vector<std::vector<PlacedText>> labels = placeDrawnLabels(drawing, blockParts, result);
    EntityList pictureGlyphs;
    for (std::size_t i = 0; i < glyphs.size(); ++i)
    {
        moveLabels(blockParts[i], labels[i]);
        placeGlyph(drawing, params.loadsAndSupports[i], blockParts[i]);
        moveLabels(pictureParts[i], labels[i]);
        pictureGlyphs.append(pictureParts[i]);
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
        moveReactionLabels(block, *result,
                           {labels.begin() + static_cast<std::ptrdiff_t>(glyphs.size()), labels.end()});
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
