#include "cae_core/results2d/ResultsBlock.h"

#include "cae_core/core/Translation.h"
#include "cae_core/results2d/MeshQuantityVisualizer.h"
#include "cae_core/results2d/ReactionForceVisualizer.h"
#include "host/ut/SymbolNames.h"
#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbPolyline.h"
#include "platform/db/DbSolid.h"
#include "platform/db/DbTable.h"
#include "platform/db/DbText.h"
#include "platform/ge/GeMatrix3d.h"

#include <algorithm>
#include <optional>

namespace cae_core::fea2d
{
namespace
{
using EntityList = OdArray<OdSmartPtr<OdDbEntity>>;

/// Layout of the block in multiples of the annotation scale.
constexpr double kGap = 40.0;
constexpr double kTableWidth = 300.0;
constexpr double kTableRowHeight = 25.0;
constexpr double kCellMargin = 2.5;
constexpr double kTextHeight = 10.0;
constexpr double kLegendPitch = 20.0;
constexpr double kSwatchWidth = 50.0;
constexpr double kSwatchHeight = 15.0;
constexpr double kLegendTextX = 65.0;
constexpr double kTitleGap = 5.0;
constexpr int kLegendRows = 11;

/// The union of the entities' boxes in x and y; empty when none of them has one.
std::optional<OdGeExtents3d> extentsOf(const EntityList& entities)
{
    OdGeExtents3d all;
    bool any = false;
    for (const auto& entity : entities)
    {
        OdGeExtents3d box;
        if (entity->getGeomExtents(box) != ::eOk || !box.isValidExtents())
            continue;
        all.addPoint(OdGePoint3d(box.minPoint().x, box.minPoint().y, 0.0));
        all.addPoint(OdGePoint3d(box.maxPoint().x, box.maxPoint().y, 0.0));
        any = true;
    }
    return any ? std::optional(all) : std::nullopt;
}

/// The point at fractions (fx, fy) of the entities' combined box; the origin when they have none.
OdGePoint3d cornerOf(const EntityList& entities, double fx, double fy)
{
    const auto box = extentsOf(entities);
    if (!box)
        return OdGePoint3d::kOrigin;
    const OdGePoint3d& lo = box->minPoint();
    const OdGePoint3d& hi = box->maxPoint();
    return OdGePoint3d(lo.x + (hi.x - lo.x) * fx, lo.y + (hi.y - lo.y) * fy, 0.0);
}

void moveBy(const EntityList& entities, const OdGeVector3d& offset)
{
    const OdGeMatrix3d shift = OdGeMatrix3d::translation(offset);
    for (const auto& entity : entities)
        entity->transformBy(shift);
}

/// Moves the entities so that their point at fractions (fx, fy) comes to `target`.
void moveCorner(const EntityList& entities, double fx, double fy, const OdGePoint3d& target)
{
    moveBy(entities, target - cornerOf(entities, fx, fy));
}

/// The base name of result blocks, translated once for the life of the process.
const OdString& baseBlockName()
{
    static const OdString s_name = translate(L"CAE_ANALYZE2D_RESULT");
    return s_name;
}

/// Makes the entities of a results block with the drawing's defaults, sized by the annotation scale.
class ResultsDbWriter
{
public:
    explicit ResultsDbWriter(const Context& context) : context(context), m_a(context.annoScale()) {}

    OdSmartPtr<OdDbTable> table(const std::vector<TableEntry>& entries, const OdString& title) const;
    EntityList systemPicture(const InteractiveResult& result, const EntityList& extraEntities) const;
    OdSmartPtr<OdDbPolyline> frame(const EntityList& entities) const;

    const Context& context;
    /// The z of every created point and polyline.
    double elevation = 0.0;

private:
    template <class T> OdSmartPtr<T> create() const
    {
        OdSmartPtr<T> entity = T::createObject();
        entity->setDatabaseDefaults(context.database());
        return entity;
    }
    OdSmartPtr<OdDbSolid> solid(const OdGePoint3d (&corners)[4], const OdCmColor& color) const;
    OdSmartPtr<OdDbText> text(const OdString& string) const;
    EntityList legend(const ColorMap& map) const;

    double m_a;
};

OdSmartPtr<OdDbTable> ResultsDbWriter::table(const std::vector<TableEntry>& entries,
                                             const OdString& title) const
{
    const int n = static_cast<int>(entries.size());
    const auto table = create<OdDbTable>();
    table->setSize(n + 1, 2);
    table->setWidth(kTableWidth * m_a);
    table->setHeight(kTableRowHeight * m_a * n);
    for (int r = 0; r <= n; ++r)
        for (int c = 0; c < 2; ++c)
            for (const auto margin : {OdDb::kCellMarginTop, OdDb::kCellMarginLeft, OdDb::kCellMarginBottom,
                                      OdDb::kCellMarginRight})
                table->setMargin(r, c, margin, kCellMargin * m_a);
    table->mergeCells(0, 0, 0, 1);
    table->setCellStyle(0, 0, L"_TITLE");
    table->setTextString(0, 0, title);
    table->setTextHeight(0, 0, kTextHeight * m_a);
    for (int i = 0; i < n; ++i)
    {
        const TableEntry& entry = entries[static_cast<std::size_t>(i)];
        const int r = i + 1;
        table->setTextString(r, 0, entry.name);
        table->setTextString(r, 1, entry.value + L" " + entry.unit);
        for (int c = 0; c < 2; ++c)
        {
            table->setTextHeight(r, c, kTextHeight * m_a);
            table->setCellStyle(r, c, L"_DATA");
        }
        table->setAlignment(r, 0, OdDb::kMiddleLeft);
        table->setAlignment(r, 1, OdDb::kMiddleCenter);
    }
    table->recomputeTableBlock();
    return table;
}

OdSmartPtr<OdDbSolid> ResultsDbWriter::solid(const OdGePoint3d (&corners)[4], const OdCmColor& color) const
{
    const auto solid = create<OdDbSolid>();
    for (int i = 0; i < 4; ++i)
        solid->setPointAt(i, corners[i]);
    solid->setColor(color);
    return solid;
}

OdSmartPtr<OdDbText> ResultsDbWriter::text(const OdString& string) const
{
    const auto text = create<OdDbText>();
    text->setTextString(string);
    text->setHeight(kTextHeight * m_a);
    return text;
}

EntityList ResultsDbWriter::legend(const ColorMap& map) const
{
    EntityList entities;
    const ColorMapDomain& domain = map.getColorMapDomain();
    for (int i = 0; i < kLegendRows; ++i)
    {
        const double v = domain.min + i * (domain.max - domain.min) / (kLegendRows - 1);
        const double y = kLegendPitch * m_a * i + kLegendPitch * m_a / 2.0;
        const double half = kSwatchHeight * m_a / 2.0;
        const double w = kSwatchWidth * m_a;
        const OdGePoint3d corners[4] = {
            OdGePoint3d(0.0, y - half, elevation), OdGePoint3d(w, y - half, elevation),
            OdGePoint3d(0.0, y + half, elevation), OdGePoint3d(w, y + half, elevation)};
        entities.append(solid(corners, map.getColor(v)));
        OdString label;
        label.format(L"%.3e", v);
        const auto value = text(label);
        value->setVerticalMode(OdDb::kTextVertMid);
        value->setAlignmentPoint(OdGePoint3d(kLegendTextX * m_a, y, elevation));
        entities.append(value);
    }
    return entities;
}

EntityList ResultsDbWriter::systemPicture(const InteractiveResult& result,
                                          const EntityList& extraEntities) const
{
    const MeshQuantityVisualizer& visualizer = result.meshQuantityVisualizer();
    const ColorMap& map = visualizer.getColorMap();
    auto& host = const_cast<Context&>(context);
    std::optional<OdString> title;
    const auto quantity = visualizer.getColoredQuantity();
    if (quantity == MeshQuantityVisualizer::eDisplacement)
        title = OdString().format(translate(L"Displacement [%ls]").c_str(), host.lengthUnit().c_str());
    else if (quantity == MeshQuantityVisualizer::eVonMisesStress)
        title = OdString().format(translate(L"Von Mises Stress [%ls]").c_str(), host.pressureUnit().c_str());

    EntityList system = extraEntities;
    for (const Solver2dOutput::ElementData& element : result.simulationOutput().solverOutput.elementData)
    {
        OdCmColor color;
        if (quantity == MeshQuantityVisualizer::eDisplacement)
            color = map.getColor(element.center.displacement.length());
        else if (quantity == MeshQuantityVisualizer::eVonMisesStress)
            color = map.getColor(element.center.stress.vonMises);
        OdGePoint3d corners[4];
        for (int k = 0; k < 4; ++k)
        {
            const OdGePoint2d& p = element.corners[static_cast<std::size_t>(std::min(k, 2))].position;
            corners[k] = OdGePoint3d(p.x, p.y, elevation);
        }
        system.append(solid(corners, color));
    }
    for (const ReactionForceDrawable* glyph : result.reactionForceVisualizer().drawables())
    {
        system.append(glyph->arrow()->clone());
        system.append(glyph->label()->clone());
    }
    if (!title)
        return system;

    EntityList picture = legend(map);
    const auto box = extentsOf(system);
    const OdGePoint3d lo = box ? box->minPoint() : OdGePoint3d::kOrigin;
    const OdGePoint3d hi = box ? box->maxPoint() : OdGePoint3d::kOrigin;
    moveCorner(picture, 0.0, 0.5, OdGePoint3d(hi.x + kGap * m_a, lo.y + 0.5 * (hi.y - lo.y), elevation));
    const auto heading = text(*title);
    const OdGePoint3d legendLow = cornerOf(picture, 0.0, 0.0);
    const OdGePoint3d legendHigh = cornerOf(picture, 1.0, 1.0);
    moveCorner({heading}, 0.0, 0.0, OdGePoint3d(legendLow.x, legendHigh.y + kTitleGap * m_a, elevation));
    picture.append(heading);
    picture.append(system);
    return picture;
}

OdSmartPtr<OdDbPolyline> ResultsDbWriter::frame(const EntityList& entities) const
{
    const double g = kGap * m_a;
    const OdGePoint3d lo = cornerOf(entities, 0.0, 0.0);
    const OdGePoint3d hi = cornerOf(entities, 1.0, 1.0);
    const auto frame = create<OdDbPolyline>();
    frame->addVertexAt(0, OdGePoint2d(lo.x - g, lo.y - g));
    frame->addVertexAt(1, OdGePoint2d(hi.x + g, lo.y - g));
    frame->addVertexAt(2, OdGePoint2d(hi.x + g, hi.y + g));
    frame->addVertexAt(3, OdGePoint2d(lo.x - g, hi.y + g));
    frame->setClosed(true);
    frame->setElevation(elevation);
    return frame;
}
} // namespace

OdDbObjectId createResultsBlock(const InteractiveResult& result, const EntityList& extraEntities)
{
    const Context& context = result.context();
    OdDbDatabase* db = context.database();
    if (!db)
        return OdDbObjectId();
    const auto blocks = OdDbBlockTablePtr::cast(db->getBlockTableId().openObject(OdDb::kForWrite));
    if (!blocks)
        return OdDbObjectId();
    const OdDbBlockTableRecordPtr block = OdDbBlockTableRecord::createObject();
    if (!block)
        return OdDbObjectId();
    const OdString validName = ut::makeValidName(baseBlockName(), L'_', false);
    block->setName(ut::makeUniqueName(validName, blocks.get(), nullptr, false, false, nullptr));
    block->setBlockInsertUnits(db->getINSUNITS());
    const OdDbObjectId blockId = blocks->add(block.get());

    const ResultsDbWriter writer(context);
    const double gap = kGap * context.annoScale();
    const auto inputTable = writer.table(result.inputTable(), translate(L"Input"));
    const auto outputTable = writer.table(result.outputTable(), translate(L"Output"));
    const EntityList picture = writer.systemPicture(result, extraEntities);
    const OdGePoint3d pictureLow = cornerOf(picture, 0.0, 0.0);
    const OdGePoint3d pictureHigh = cornerOf(picture, 1.0, 1.0);
    moveCorner({outputTable}, 0.0, 0.0, OdGePoint3d(pictureLow.x, pictureHigh.y + gap, writer.elevation));
    const OdGePoint3d outputLow = cornerOf({outputTable}, 0.0, 0.0);
    const OdGePoint3d outputHigh = cornerOf({outputTable}, 1.0, 1.0);
    moveCorner({inputTable}, 0.0, 0.0, OdGePoint3d(outputLow.x, outputHigh.y + gap, writer.elevation));

    EntityList entities{inputTable, outputTable};
    entities.append(picture);
    EntityList all{writer.frame(entities)};
    all.append(entities);
    moveCorner(all, 0.0, 0.0, OdGePoint3d::kOrigin);
    for (const auto& entity : all)
        block->appendOdDbEntity(entity.get());
    return blockId;
}
} // namespace cae_core::fea2d
