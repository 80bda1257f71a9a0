// Saving a database as a DXF file through dxflib.
#include "platform/db/DbDxf.h"

#include "platform/base/OdError.h"
#include "platform/db/DbArc.h"
#include "platform/db/DbBlockReference.h"
#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbCircle.h"
#include "platform/db/DbDatabase.h"
#include "platform/db/DbEllipse.h"
#include "platform/db/DbHatch.h"
#include "platform/db/DbLine.h"
#include "platform/db/DbPolyline.h"
#include "platform/db/DbRegion.h"
#include "platform/db/DbSolid.h"
#include "platform/db/DbSpline.h"
#include "platform/db/DbSubDMesh.h"
#include "platform/db/DbTable.h"
#include "platform/db/DbText.h"

#include <dxflib/dl_dxf.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <optional>
#include <typeinfo>
#include <vector>

namespace
{
constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

/// The text style every text is written with.
constexpr const char* kTextStyle = "Standard";

/// What an entity is written with: its layer and colour (true colours also as the nearest palette
/// colour, for readers that know only those).
DL_Attributes attributesOf(const OdDbEntity& entity)
{
    const OdCmColor color = entity.color();
    int index = 256;
    int color24 = -1;
    if (color.isByBlock())
        index = 0;
    else if (color.isByACI())
        index = color.colorIndex();
    else if (color.isByColor())
    {
        index = OdCmEntityColor::lookUpACI(color.red(), color.green(), color.blue());
        color24 = (color.red() << 16) | (color.green() << 8) | color.blue();
    }
    return DL_Attributes(OdDbDetail::dxfText(entity.layer()), index, color24, -1, "BYLAYER");
}

/// dxflib's text writer, with reals that do not flush the file: dxflib pushes every real to the disc
/// on its own, one system call each, which made a coloured result mesh of 20,000 faces take seconds.
class TextWriter : public DL_WriterA
{
public:
    using DL_WriterA::DL_WriterA;

    /// Fixed point with 16 decimals, trailing zeros cut down to one decimal, as dxflib writes them.
    void dxfReal(int gc, double value) const override
    {
        char text[400];
        const auto [end, error] =
            std::to_chars(text, text + sizeof text - 1, value, std::chars_format::fixed, 16);
        if (error != std::errc())
        {
            dxfString(gc, std::to_string(value));
            return;
        }
        const char* const dot = std::find(text, end, '.');
        const char* last = end;
        if (dot != end)
            while (last > dot + 2 && last[-1] == '0')
                --last;
        dxfString(gc, std::string(static_cast<const char*>(text), last));
    }
};

class Writer
{
public:
    Writer(OdDbDatabase& db, DL_Dxf& dxf, DL_WriterA& dw) : m_db(db), m_dxf(dxf), m_dw(dw) {}

    void write();

private:
    void writeHeader();
    void writeViewport();
    void writeTables();
    void writeBlockRecords();
    void writeBlocks();
    void writeObjects();
    void writeEntities(const OdDbBlockTableRecord& block);
    void writeEntity(const OdDbEntity& entity);
    void writeCurve(const OdDbCurve& curve, const DL_Attributes& attributes);
    void writeHatch(const OdDbHatch& hatch, const DL_Attributes& attributes);
    void writeXData(const OdDbObject& object);
    OdString blockName(const OdDbObjectId& block) const;

    OdDbDatabase& m_db;
    DL_Dxf& m_dxf;
    DL_WriterA& m_dw;
    /// What the model space covers; none for an empty drawing.
    std::optional<OdGeExtents3d> m_extents;
    /// The handles of the user blocks' records, in the order of userBlocks(), which their BLOCK
    /// entities name as owners.
    std::vector<unsigned long> m_blockRecordHandles;
};

OdString Writer::blockName(const OdDbObjectId& block) const
{
    const auto record = OdDbBlockTableRecordPtr::cast(m_db.getObject(block));
    return record ? record->getName() : OdString();
}

std::vector<OdDbBlockTableRecordPtr> userBlocks(OdDbDatabase& db)
{
    std::vector<OdDbBlockTableRecordPtr> blocks;
    const auto table = OdDbBlockTablePtr::cast(db.getObject(db.getBlockTableId()));
    for (const OdDbObjectId& id : table->recordIds())
    {
        const auto block = OdDbBlockTableRecordPtr::cast(db.getObject(id));
        if (block && !block->isLayout())
            blocks.push_back(block);
    }
    return blocks;
}

std::optional<OdGeExtents3d> modelSpaceExtents(OdDbDatabase& db)
{
    const auto modelSpace = OdDbBlockTableRecordPtr::cast(db.getObject(db.getModelSpaceId()));
    OdGeExtents3d all;
    for (const OdDbObjectId& id : modelSpace->entityIds())
    {
        OdGeExtents3d part;
        if (const auto entity = OdDbEntityPtr::cast(db.getObject(id));
            entity && entity->getGeomExtents(part) == eOk)
            all.addExt(part);
    }
    if (!all.isValidExtents())
        return std::nullopt;
    return all;
}

void Writer::write()
{
    m_extents = modelSpaceExtents(m_db);
    writeHeader();
    writeTables();
    writeBlocks();
    m_dw.sectionEntities();
    const auto modelSpace = OdDbBlockTableRecordPtr::cast(m_db.getObject(m_db.getModelSpaceId()));
    writeEntities(*modelSpace);
    m_dw.sectionEnd();
    writeObjects();
    m_dw.dxfEOF();
}

void Writer::writeHeader()
{
    m_dxf.writeHeader(m_dw);
    m_dw.dxfString(9, "$INSUNITS");
    m_dw.dxfInt(70, static_cast<int>(m_db.getINSUNITS()));
    m_dw.dxfString(9, "$MEASUREMENT");
    m_dw.dxfInt(70, static_cast<int>(m_db.getMEASUREMENT()));
    // A CAD program opens a drawing on its extents; without them it guesses and may show nothing.
    if (m_extents)
    {
        const OdGePoint3d& lo = m_extents->minPoint();
        const OdGePoint3d& hi = m_extents->maxPoint();
        m_dw.dxfString(9, "$EXTMIN");
        m_dw.coord(10, lo.x, lo.y, lo.z);
        m_dw.dxfString(9, "$EXTMAX");
        m_dw.coord(10, hi.x, hi.y, hi.z);
    }
    m_dw.sectionEnd();
}

void Writer::writeViewport()
{
    // The active viewport looks at the whole drawing with a tenth to spare; dxflib's own looks at
    // an A4 sheet at the origin, wherever the drawing lies.
    double cx = 0.0, cy = 0.0, width = 297.0, height = 210.0;
    if (m_extents)
    {
        const OdGePoint3d& lo = m_extents->minPoint();
        const OdGePoint3d& hi = m_extents->maxPoint();
        cx = 0.5 * (lo.x + hi.x);
        cy = 0.5 * (lo.y + hi.y);
        width = std::max(1.1 * (hi.x - lo.x), 1e-9);
        height = std::max(1.1 * (hi.y - lo.y), 1e-9);
    }
    m_dw.table("VPORT", 1, 0x8);
    m_dw.dxfString(0, "VPORT");
    m_dw.handle();
    m_dw.dxfHex(330, 0x8);
    m_dw.dxfString(100, "AcDbSymbolTableRecord");
    m_dw.dxfString(100, "AcDbViewportTableRecord");
    m_dw.dxfString(2, "*Active");
    m_dw.dxfInt(70, 0);
    m_dw.dxfReal(10, 0.0);
    m_dw.dxfReal(20, 0.0);
    m_dw.dxfReal(11, 1.0);
    m_dw.dxfReal(21, 1.0);
    m_dw.dxfReal(12, cx);
    m_dw.dxfReal(22, cy);
    m_dw.dxfReal(13, 0.0);
    m_dw.dxfReal(23, 0.0);
    m_dw.dxfReal(14, 10.0);
    m_dw.dxfReal(24, 10.0);
    m_dw.dxfReal(15, 10.0);
    m_dw.dxfReal(25, 10.0);
    m_dw.coord(16, 0.0, 0.0, 1.0);
    m_dw.coord(17, 0.0, 0.0, 0.0);
    m_dw.dxfReal(40, std::max(height, width * 210.0 / 297.0));
    m_dw.dxfReal(41, 297.0 / 210.0);
    m_dw.dxfReal(42, 50.0);
    m_dw.dxfReal(43, 0.0);
    m_dw.dxfReal(44, 0.0);
    m_dw.dxfReal(50, 0.0);
    m_dw.dxfReal(51, 0.0);
    m_dw.dxfInt(71, 0);
    m_dw.dxfInt(72, 100);
    m_dw.dxfInt(73, 1);
    m_dw.dxfInt(74, 3);
    m_dw.dxfInt(75, 0);
    m_dw.dxfInt(76, 0);
    m_dw.dxfInt(77, 0);
    m_dw.dxfInt(78, 0);
    m_dw.tableEnd();
}

void Writer::writeTables()
{
    m_dw.sectionTables();
    writeViewport();

    m_dw.tableLinetypes(3);
    m_dxf.writeLinetype(m_dw, DL_LinetypeData("BYBLOCK", "", 0, 0, 0.0));
    m_dxf.writeLinetype(m_dw, DL_LinetypeData("BYLAYER", "", 0, 0, 0.0));
    m_dxf.writeLinetype(m_dw, DL_LinetypeData("CONTINUOUS", "Solid line", 0, 0, 0.0));
    m_dw.tableEnd();

    const auto layers = OdDbLayerTablePtr::cast(m_db.getObject(m_db.getLayerTableId()));
    const OdDbObjectIdArray layerIds = layers->recordIds();
    m_dw.tableLayers(static_cast<int>(layerIds.size()));
    for (const OdDbObjectId& id : layerIds)
    {
        const auto layer = OdDbLayerTableRecordPtr::cast(m_db.getObject(id));
        const OdCmColor color = layer->color();
        const int index = color.isByACI()
                              ? color.colorIndex()
                              : OdCmEntityColor::lookUpACI(color.red(), color.green(), color.blue());
        const int color24 =
            color.isByColor() ? (color.red() << 16) | (color.green() << 8) | color.blue() : -1;
        m_dxf.writeLayer(m_dw, DL_LayerData(OdDbDetail::dxfText(layer->getName()), 0),
                         DL_Attributes("", index, color24, -1, "CONTINUOUS"));
    }
    m_dw.tableEnd();

    m_dw.tableStyle(1);
    DL_StyleData style(kTextStyle, 0, 0.0, 1.0, 0.0, 0, 2.5, "txt", "");
    style.bold = false;
    style.italic = false;
    m_dxf.writeStyle(m_dw, style);
    m_dw.tableEnd();

    m_dxf.writeView(m_dw);
    m_dxf.writeUcs(m_dw);

    const auto apps = OdDbRegAppTablePtr::cast(m_db.getObject(m_db.getRegAppTableId()));
    const OdDbObjectIdArray appIds = apps->recordIds();
    m_dw.tableAppid(static_cast<int>(appIds.size()));
    for (const OdDbObjectId& id : appIds)
        m_dxf.writeAppid(m_dw,
                         OdDbDetail::dxfText(OdDbSymbolTableRecordPtr::cast(m_db.getObject(id))->getName()));
    m_dw.tableEnd();

    m_dxf.writeDimStyle(m_dw, 2.5, 0.625, 0.625, 0.625, 2.5);
    writeBlockRecords();
    m_dw.sectionEnd();
}

void Writer::writeBlockRecords()
{
    m_dxf.writeBlockRecord(m_dw);
    // dxflib's user block records leave out the insert units, which a CAD program needs to scale a
    // block inserted into a drawing of other units.
    m_blockRecordHandles.clear();
    for (const OdDbBlockTableRecordPtr& block : userBlocks(m_db))
    {
        m_dw.dxfString(0, "BLOCK_RECORD");
        m_blockRecordHandles.push_back(m_dw.handle());
        m_dw.dxfHex(330, 0x1);
        m_dw.dxfString(100, "AcDbSymbolTableRecord");
        m_dw.dxfString(100, "AcDbBlockTableRecord");
        m_dw.dxfString(2, OdDbDetail::dxfText(block->getName()));
        m_dw.dxfHex(340, 0);
        m_dw.dxfInt(70, static_cast<int>(block->blockInsertUnits()));
    }
    m_dw.tableEnd();
}

void Writer::writeBlocks()
{
    m_dw.sectionBlocks();
    for (const char* layout : {"*Model_Space", "*Paper_Space", "*Paper_Space0"})
    {
        m_dxf.writeBlock(m_dw, DL_BlockData(layout, 0, 0.0, 0.0, 0.0));
        m_dxf.writeEndBlock(m_dw, layout);
    }
    const std::vector<OdDbBlockTableRecordPtr> blocks = userBlocks(m_db);
    for (std::size_t i = 0; i < blocks.size(); ++i)
    {
        const OdDbBlockTableRecord& block = *blocks[i];
        const std::string name = OdDbDetail::dxfText(block.getName());
        const OdGePoint3d origin = block.origin();
        // dxflib's block header has no owner and always the flags 0, which makes a reader keep an
        // anonymous block as a named one.
        m_dw.dxfString(0, "BLOCK");
        m_dw.handle();
        m_dw.dxfHex(330, m_blockRecordHandles[i]);
        m_dw.dxfString(100, "AcDbEntity");
        m_dw.dxfString(8, "0");
        m_dw.dxfString(100, "AcDbBlockBegin");
        m_dw.dxfString(2, name);
        m_dw.dxfInt(70, block.isAnonymous() ? 1 : 0);
        m_dw.coord(10, origin.x, origin.y, origin.z);
        m_dw.dxfString(3, name);
        m_dw.dxfString(1, "");
        writeEntities(block);
        m_dxf.writeEndBlock(m_dw, name);
    }
    m_dw.sectionEnd();
}

/// One layout of the OBJECTS section: dxflib's three, with the records of their blocks.
struct LayoutObject
{
    unsigned long handle;
    const char* name;
    int plotFlags;
    int tabOrder;
    unsigned long blockRecord;
};

void Writer::writeObjects()
{
    // dxflib's objects section, with the owner of every object written (readers that audit a
    // drawing mend each missing one and say so) and without its variables dictionary, which nothing
    // here uses. The handles are those dxflib's tables point at.
    const auto dictionary = [this](unsigned long handle, unsigned long owner,
                                   std::initializer_list<std::pair<const char*, unsigned long>> entries)
    {
        m_dw.dxfString(0, "DICTIONARY");
        m_dw.dxfHex(5, handle);
        m_dw.dxfHex(330, owner);
        m_dw.dxfString(100, "AcDbDictionary");
        m_dw.dxfInt(280, 0);
        m_dw.dxfInt(281, 1);
        for (const auto& [name, entry] : entries)
        {
            m_dw.dxfString(3, name);
            m_dw.dxfHex(350, entry);
        }
    };
    m_dw.dxfString(0, "SECTION");
    m_dw.dxfString(2, "OBJECTS");
    dictionary(0xC, 0x0,
               {{"ACAD_GROUP", 0xD},
                {"ACAD_LAYOUT", 0x1A},
                {"ACAD_MLINESTYLE", 0x17},
                {"ACAD_PLOTSETTINGS", 0x19},
                {"ACAD_PLOTSTYLENAME", 0xE}});
    dictionary(0xD, 0xC, {});

    m_dw.dxfString(0, "ACDBDICTIONARYWDFLT");
    m_dw.dxfHex(5, 0xE);
    m_dw.dxfHex(330, 0xC);
    m_dw.dxfString(100, "AcDbDictionary");
    m_dw.dxfInt(281, 1);
    m_dw.dxfString(3, "Normal");
    m_dw.dxfHex(350, 0xF);
    m_dw.dxfString(100, "AcDbDictionaryWithDefault");
    m_dw.dxfHex(340, 0xF);
    m_dw.dxfString(0, "ACDBPLACEHOLDER");
    m_dw.dxfHex(5, 0xF);
    m_dw.dxfHex(330, 0xE);

    dictionary(0x17, 0xC, {{"Standard", 0x18}});
    m_dw.dxfString(0, "MLINESTYLE");
    m_dw.dxfHex(5, 0x18);
    m_dw.dxfHex(330, 0x17);
    m_dw.dxfString(100, "AcDbMlineStyle");
    m_dw.dxfString(2, "STANDARD");
    m_dw.dxfInt(70, 0);
    m_dw.dxfString(3, "");
    m_dw.dxfInt(62, 256);
    m_dw.dxfReal(51, 90.0);
    m_dw.dxfReal(52, 90.0);
    m_dw.dxfInt(71, 2);
    for (const double offset : {0.5, -0.5})
    {
        m_dw.dxfReal(49, offset);
        m_dw.dxfInt(62, 256);
        m_dw.dxfString(6, "BYLAYER");
    }
    dictionary(0x19, 0xC, {});

    const LayoutObject layouts[] = {
        {0x1E, "Layout1", 688, 1, 0x1B}, {0x22, "Model", 1712, 0, 0x1F}, {0x26, "Layout2", 688, 2, 0x23}};
    dictionary(0x1A, 0xC, {{"Layout1", 0x1E}, {"Layout2", 0x26}, {"Model", 0x22}});
    for (const LayoutObject& layout : layouts)
    {
        const bool model = layout.tabOrder == 0;
        m_dw.dxfString(0, "LAYOUT");
        m_dw.dxfHex(5, layout.handle);
        m_dw.dxfHex(330, 0x1A);
        m_dw.dxfString(100, "AcDbPlotSettings");
        m_dw.dxfString(1, "");
        m_dw.dxfString(2, "none_device");
        m_dw.dxfString(4, "");
        m_dw.dxfString(6, "");
        for (const int code : {40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 140, 141})
            m_dw.dxfReal(code, 0.0);
        m_dw.dxfReal(142, 1.0);
        m_dw.dxfReal(143, 1.0);
        m_dw.dxfInt(70, layout.plotFlags);
        m_dw.dxfInt(72, 0);
        m_dw.dxfInt(73, 0);
        m_dw.dxfInt(74, model ? 0 : 5);
        m_dw.dxfString(7, "");
        m_dw.dxfInt(75, model ? 0 : 16);
        m_dw.dxfReal(147, 1.0);
        m_dw.dxfReal(148, 0.0);
        m_dw.dxfReal(149, 0.0);
        m_dw.dxfString(100, "AcDbLayout");
        m_dw.dxfString(1, layout.name);
        m_dw.dxfInt(70, 1);
        m_dw.dxfInt(71, layout.tabOrder);
        // Limits are 2D points, the rest 3D.
        m_dw.dxfReal(10, 0.0);
        m_dw.dxfReal(20, 0.0);
        m_dw.dxfReal(11, layout.handle == 0x1E ? 420.0 : 12.0);
        m_dw.dxfReal(21, layout.handle == 0x1E ? 297.0 : 9.0);
        m_dw.coord(12, 0.0, 0.0, 0.0);
        const double limit = layout.handle == 0x1E ? 1e20 : 0.0;
        m_dw.coord(14, limit, limit, limit);
        m_dw.coord(15, -limit, -limit, -limit);
        m_dw.dxfReal(146, 0.0);
        m_dw.coord(13, 0.0, 0.0, 0.0);
        m_dw.coord(16, 1.0, 0.0, 0.0);
        m_dw.coord(17, 0.0, 1.0, 0.0);
        m_dw.dxfInt(76, 0);
        m_dw.dxfHex(330, layout.blockRecord);
    }
    m_dw.sectionEnd();
}

void Writer::writeEntities(const OdDbBlockTableRecord& block)
{
    for (const OdDbObjectId& id : block.entityIds())
        if (const auto entity = OdDbEntityPtr::cast(m_db.getObject(id)))
            writeEntity(*entity);
}

void Writer::writeCurve(const OdDbCurve& curve, const DL_Attributes& attributes)
{
    if (const auto* line = dynamic_cast<const OdDbLine*>(&curve))
    {
        const OdGePoint3d s = line->startPoint();
        const OdGePoint3d e = line->endPoint();
        m_dxf.writeLine(m_dw, DL_LineData(s.x, s.y, s.z, e.x, e.y, e.z), attributes);
    }
    else if (const auto* circle = dynamic_cast<const OdDbCircle*>(&curve))
    {
        const OdGePoint3d c = circle->center();
        m_dxf.writeCircle(m_dw, DL_CircleData(c.x, c.y, c.z, circle->radius()), attributes);
    }
    else if (const auto* arc = dynamic_cast<const OdDbArc*>(&curve))
    {
        // An arc turned the other way round (normal -z) is the same point set as the arc about +z that
        // runs from the mirror image of its end angle to that of its start angle.
        const bool down = arc->normal().z < 0.0;
        const double start = down ? std::numbers::pi - arc->endAngle() : arc->startAngle();
        const double end = down ? std::numbers::pi - arc->startAngle() : arc->endAngle();
        const OdGePoint3d c = arc->center();
        m_dxf.writeArc(
            m_dw,
            DL_ArcData(c.x, c.y, c.z, arc->radius(), start * kDegreesPerRadian, end * kDegreesPerRadian),
            attributes);
    }
    else if (const auto* ellipse = dynamic_cast<const OdDbEllipse*>(&curve))
    {
        // As for arcs: an ellipse about -z is the one about +z whose angles are mirrored.
        const bool down = ellipse->normal().z < 0.0;
        const double start = down ? -ellipse->endAngle() : ellipse->startAngle();
        const double end = down ? -ellipse->startAngle() : ellipse->endAngle();
        const OdGePoint3d c = ellipse->center();
        const OdGeVector3d m = ellipse->majorAxis();
        m_dxf.writeEllipse(m_dw,
                           DL_EllipseData(c.x, c.y, c.z, m.x, m.y, m.z, ellipse->radiusRatio(), start, end),
                           attributes);
    }
    else if (const auto* spline = dynamic_cast<const OdDbSpline*>(&curve))
    {
        const OdGeNurbCurve3d& nurbs = spline->nurbs();
        // Flags: 8 planar, 4 rational.
        const int flags = 8 | (nurbs.isRational() ? 4 : 0);
        m_dxf.writeSpline(m_dw,
                          DL_SplineData(nurbs.degree(), nurbs.numKnots(), nurbs.numControlPoints(), 0, flags),
                          attributes);
        for (int i = 0; i < nurbs.numKnots(); ++i)
            m_dxf.writeKnot(m_dw, DL_KnotData(nurbs.knotAt(i)));
        for (int i = 0; i < nurbs.numControlPoints(); ++i)
        {
            const OdGePoint3d p = nurbs.controlPointAt(i);
            m_dxf.writeControlPoint(m_dw, DL_ControlPointData(p.x, p.y, p.z, nurbs.weightAt(i)));
        }
    }
    else
        throw OdError(eInvalidInput, "a curve of this kind has no DXF form");
}

void Writer::writeHatch(const OdDbHatch& hatch, const DL_Attributes& attributes)
{
    const bool solid = hatch.patternName().iCompare(L"SOLID") == 0;
    const DL_HatchData data(hatch.numLoops(), solid, hatch.patternScale(),
                            hatch.patternAngle() * kDegreesPerRadian,
                            OdDbDetail::dxfText(hatch.patternName()));
    m_dxf.writeHatch1(m_dw, data, attributes);
    for (int i = 0; i < hatch.numLoops(); ++i)
    {
        OdGePoint2dArray vertices;
        OdGeDoubleArray bulges;
        hatch.getLoopAt(i, vertices, bulges);
        const int n = static_cast<int>(vertices.size());
        m_dxf.writeHatchLoop1(m_dw, DL_HatchLoopData(n));
        for (int k = 0; k < n; ++k)
        {
            const OdGePoint2d& a = vertices[static_cast<unsigned>(k)];
            const OdGePoint2d& b = vertices[static_cast<unsigned>((k + 1) % n)];
            const double bulge = bulges.isEmpty() ? 0.0 : bulges[static_cast<unsigned>(k)];
            if (bulge == 0.0 || a.isEqualTo(b))
            {
                m_dxf.writeHatchEdge(m_dw, DL_HatchEdgeData(a.x, a.y, b.x, b.y));
                continue;
            }
            // The arc through a and b whose included angle is 4 atan(bulge), counter-clockwise for a
            // positive bulge.
            const double sweep = 4.0 * std::atan(bulge);
            const double chord = std::hypot(b.x - a.x, b.y - a.y);
            const double radius = chord / (2.0 * std::sin(std::abs(sweep) / 2.0));
            const double mx = 0.5 * (a.x + b.x);
            const double my = 0.5 * (a.y + b.y);
            // From the chord's midpoint to the centre: along the chord's left normal, signed by the bulge.
            const double offset = radius * std::cos(sweep / 2.0) * (sweep > 0.0 ? 1.0 : -1.0);
            const double cx = mx - (b.y - a.y) / chord * offset;
            const double cy = my + (b.x - a.x) / chord * offset;
            const double startAngle = std::atan2(a.y - cy, a.x - cx);
            const double endAngle = std::atan2(b.y - cy, b.x - cx);
            // Hatch arc edges run counter-clockwise; a clockwise edge is stored with its angles mirrored.
            if (sweep > 0.0)
                m_dxf.writeHatchEdge(m_dw, DL_HatchEdgeData(cx, cy, radius, startAngle, endAngle, true));
            else
                m_dxf.writeHatchEdge(m_dw, DL_HatchEdgeData(cx, cy, radius, -startAngle, -endAngle, false));
        }
        m_dxf.writeHatchLoop2(m_dw, DL_HatchLoopData(n));
    }
    m_dxf.writeHatch2(m_dw, data, attributes);
}

void Writer::writeEntity(const OdDbEntity& entity)
{
    const DL_Attributes attributes = attributesOf(entity);
    if (const auto* curve = dynamic_cast<const OdDbCurve*>(&entity))
        writeCurve(*curve, attributes);
    else if (const auto* polyline = dynamic_cast<const OdDbPolyline*>(&entity))
    {
        m_dxf.writePolyline(m_dw,
                            DL_PolylineData(static_cast<int>(polyline->numVerts()), 0, 0,
                                            polyline->isClosed() ? 1 : 0, polyline->elevation()),
                            attributes);
        for (unsigned int i = 0; i < polyline->numVerts(); ++i)
        {
            OdGePoint2d p;
            polyline->getPointAt(i, p);
            m_dxf.writeVertex(m_dw, DL_VertexData(p.x, p.y, 0.0, polyline->getBulgeAt(i)));
        }
        m_dxf.writePolylineEnd(m_dw);
    }
    else if (const auto* text = dynamic_cast<const OdDbText*>(&entity))
    {
        const OdGePoint3d p = text->position();
        const OdGePoint3d a = text->isDefaultAlignment() ? p : text->alignmentPoint();
        m_dxf.writeText(m_dw,
                        DL_TextData(p.x, p.y, p.z, a.x, a.y, a.z, text->height(), 1.0, 0,
                                    text->horizontalMode(), text->verticalMode(),
                                    OdDbDetail::dxfText(text->textString()), kTextStyle, text->rotation()),
                        attributes);
    }
    else if (const auto* solid = dynamic_cast<const OdDbSolid*>(&entity))
    {
        OdGePoint3d p[4];
        for (int i = 0; i < 4; ++i)
            solid->getPointAt(i, p[i]);
        m_dxf.writeSolid(m_dw,
                         DL_SolidData(p[0].x, p[0].y, p[0].z, p[1].x, p[1].y, p[1].z, p[2].x, p[2].y, p[2].z,
                                      p[3].x, p[3].y, p[3].z),
                         attributes);
    }
    else if (const auto* hatch = dynamic_cast<const OdDbHatch*>(&entity))
        writeHatch(*hatch, attributes);
    else if (const auto* reference = dynamic_cast<const OdDbBlockReference*>(&entity))
    {
        const OdString name = blockName(reference->blockTableRecord());
        if (name.isEmpty())
            throw OdError(eInvalidInput, "a block reference has no block");
        const OdGePoint3d p = reference->position();
        const OdGeScale3d s = reference->scaleFactors();
        m_dxf.writeInsert(m_dw,
                          DL_InsertData(OdDbDetail::dxfText(name), p.x, p.y, p.z, s.sx, s.sy, s.sz,
                                        reference->rotation() * kDegreesPerRadian, 1, 1, 0.0, 0.0),
                          attributes);
    }
    else if (const auto* table = dynamic_cast<const OdDbTable*>(&entity))
    {
        for (const OdDbEntityPtr& part : table->tableBlockEntities())
            writeEntity(*part);
        return;
    }
    else if (const auto* region = dynamic_cast<const OdDbRegion*>(&entity))
    {
        // The boundary curves stand for the region, which a DXF file could only hold as modeller data.
        for (int i = 0; i < region->numLoops(); ++i)
        {
            for (const auto& geCurve : region->loopAt(i))
            {
                OdDbCurve* raw = nullptr;
                const OdGeVector3d normal = OdGeVector3d::kZAxis;
                if (OdDbCurve::createFromOdGeCurve(*geCurve, raw, &normal) != eOk || !raw)
                    throw OdError(eInvalidInput, "a region has a boundary curve with no DXF form");
                const OdDbCurvePtr curve(raw);
                writeCurve(*curve, attributes);
            }
        }
        return;
    }
    else if (const auto* mesh = dynamic_cast<const OdDbSubDMesh*>(&entity))
    {
        // A mesh is written as its faces, one 3D face each (a triangle repeats its last corner).
        OdGePoint3dArray vertices;
        OdInt32Array faces;
        mesh->getVertices(vertices);
        mesh->getFaceArray(faces);
        int faceIndex = 0;
        for (unsigned i = 0; i < faces.size(); i += static_cast<unsigned>(faces[i]) + 1, ++faceIndex)
        {
            const int n = faces[i];
            if (n < 3 || n > 4)
                throw OdError(eInvalidInput, "a mesh face with more than four corners has no DXF form");
            OdGePoint3d p[4];
            for (int k = 0; k < 4; ++k)
                p[k] =
                    vertices[static_cast<unsigned>(faces[i + 1 + static_cast<unsigned>(std::min(k, n - 1))])];
            DL_Attributes faceAttributes = attributes;
            OdCmColor faceColor;
            if (mesh->getSubentColor(OdDbSubentId(OdDb::kFaceSubentType, faceIndex), faceColor) == eOk &&
                faceColor.isByColor())
            {
                faceAttributes.setColor(
                    OdCmEntityColor::lookUpACI(faceColor.red(), faceColor.green(), faceColor.blue()));
                faceAttributes.setColor24((faceColor.red() << 16) | (faceColor.green() << 8) |
                                          faceColor.blue());
            }
            m_dxf.write3dFace(m_dw,
                              DL_3dFaceData(p[0].x, p[0].y, p[0].z, p[1].x, p[1].y, p[1].z, p[2].x, p[2].y,
                                            p[2].z, p[3].x, p[3].y, p[3].z),
                              faceAttributes);
        }
        return;
    }
    else
        throw OdError(
            eInvalidInput,
            (std::string("an entity of kind ") + typeid(entity).name() + " has no DXF form").c_str());
    writeXData(entity);
}

void Writer::writeXData(const OdDbObject& object)
{
    const OdResBufPtr chain = object.xData();
    for (OdResBuf* rb = chain.get(); rb; rb = rb->next().get())
    {
        const int code = rb->restype();
        if ((code >= 1000 && code <= 1009))
            m_dw.dxfString(code, OdDbDetail::dxfText(rb->getString()));
        else if (code >= 1010 && code <= 1039)
        {
            const OdGePoint3d p = rb->getPoint3d();
            m_dw.dxfReal(code, p.x);
            m_dw.dxfReal(code + 10, p.y);
            m_dw.dxfReal(code + 20, p.z);
        }
        else if (code >= 1040 && code <= 1059)
            m_dw.dxfReal(code, rb->getDouble());
        else if (code >= 1060 && code <= 1070)
            m_dw.dxfInt(code, rb->getInt16());
        else if (code == 1071)
            m_dw.dxfInt(code, rb->getInt32());
        else
            throw OdError(eInvalidInput, "extended data with a group code outside 1000-1071");
    }
}
} // namespace

namespace OdDbDetail
{
std::string dxfText(const OdString& text)
{
    // Characters outside ASCII are written as \U+XXXX, which every DXF reader decodes whatever the
    // drawing's code page.
    std::string out;
    for (const wchar_t c : text.str())
    {
        if (c >= 0x20 && c < 0x7f)
            out += static_cast<char>(c);
        else
        {
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "\\U+%04X", static_cast<unsigned>(c) & 0xffffu);
            out += buffer;
        }
    }
    return out;
}
} // namespace OdDbDetail

void OdDbDatabase::writeFile(const OdString& path)
{
    const std::string target = OdAnsiString(path).str();
    const std::string partial = target + ".part";
    DL_Dxf dxf;
    // The writer dxflib would make, without its flush after every real.
    const auto dw = std::make_unique<TextWriter>(partial.c_str(), DL_Codes::AC1015);
    if (dw->openFailed())
        throw OdError(eInvalidInput, ("cannot write the drawing file " + target).c_str());
    try
    {
        Writer(*this, dxf, *dw).write();
        dw->close();
    }
    catch (const OdError& e)
    {
        dw->close();
        std::remove(partial.c_str());
        throw OdError(e.code(), ("cannot write the drawing file " + target + ": " + e.what()).c_str());
    }
    if (std::rename(partial.c_str(), target.c_str()) != 0)
    {
        std::remove(partial.c_str());
        throw OdError(eInvalidInput, ("cannot write the drawing file " + target).c_str());
    }
}
