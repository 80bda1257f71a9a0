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
#include "platform/db/DbProxyEntity.h"
#include "platform/db/DbRegion.h"
#include "platform/db/DbSolid.h"
#include "platform/db/DbSpline.h"
#include "platform/db/DbSubDMesh.h"
#include "platform/db/DbTable.h"
#include "platform/db/DbText.h"

#include <dxflib/dl_dxf.h>
#include <utf8.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <numbers>
#include <optional>
#include <ranges>
#include <set>
#include <string_view>
#include <typeinfo>
#include <utility>
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
    return DL_Attributes(OdDbDetail::dxfText(entity.layer()), index, color24, -1,
                         OdDbDetail::dxfText(entity.linetype()));
}

/// dxflib's text writer, with reals that do not flush the file: dxflib pushes every real to the disc
/// on its own, one system call each, which made a coloured result mesh of 20,000 faces take seconds.
/// The handle dxflib gives the next record can be set, so that records keep the handles of the objects
/// they stand for.
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
        char* last = end;
        if (dot != end)
            while (last > dot + 2 && last[-1] == '0')
                --last;
        *last = '\0';
        dxfString(gc, static_cast<const char*>(text));
    }

    void setNextHandle(std::uint64_t handle) const { m_handle = static_cast<unsigned long>(handle); }

    /// Texts come as UTF-8 and go into the file in its code page (see codePageFromUtf8).
    void setCodePage(std::string codePage) { m_codePage = std::move(codePage); }
    void dxfString(int gc, const char* value) const override
    {
        if (OdDbDetail::isAsciiText(value))
            DL_WriterA::dxfString(gc, value);
        else
            DL_WriterA::dxfString(gc, OdDbDetail::codePageFromUtf8(value, m_codePage).c_str());
    }
    void dxfString(int gc, const std::string& value) const override { dxfString(gc, value.c_str()); }

private:
    std::string m_codePage = "ANSI_1252";
};

/// A writer that writes nothing: a first pass through it finds how many handles the file takes, which
/// its header states before any of them is written.
class HandleCounter : public TextWriter
{
public:
    HandleCounter() : TextWriter("", DL_Codes::AC1015) {}
    void dxfReal(int, double) const override {}
    void dxfInt(int, int) const override {}
    void dxfHex(int, int) const override {}
    void dxfString(int, const char*) const override {}
    void dxfString(int, const std::string&) const override {}
};

/// A writer that notes what it would write: an entity's form, to tell whether it changed since it was read.
class FormRecorder : public TextWriter
{
public:
    FormRecorder() : TextWriter("", DL_Codes::AC1015) {}
    void dxfInt(int gc, int value) const override { dxfString(gc, std::to_string(value)); }
    void dxfHex(int gc, int value) const override { dxfString(gc, std::to_string(value)); }
    void dxfString(int gc, const char* value) const override { dxfString(gc, std::string(value)); }
    void dxfString(int gc, const std::string& value) const override
    {
        m_text += std::to_string(gc) + '\n' + value + '\n';
    }
    const std::string& text() const { return m_text; }

private:
    mutable std::string m_text;
};

/// The handles of the records the writer makes itself, for which the database has no objects.
struct OwnHandles
{
    std::uint64_t vportTable, ltypeTable, layerTable, styleTable, viewTable, ucsTable, appTable, dimTable,
        blockTable;
    std::uint64_t activeVport, ltypes[3], standardStyle, standardDimStyle;
    std::uint64_t rootDictionary, groups, plotStyles, placeholder, mlineStyles, mlineStyle, plotSettings,
        layoutDictionary;
};

/// One layout of the file, with the block record, block begin and end of its block; one read from a file
/// has what the file held of it.
struct Layout
{
    Layout(std::string block, std::string layoutName, int flags, int tab)
        : blockName(std::move(block)), name(std::move(layoutName)), plotFlags(flags), tabOrder(tab)
    {
    }

    std::string blockName;
    std::string name;
    int plotFlags;
    int tabOrder;
    const OdDbKeptLayout* kept = nullptr;
    std::uint64_t record = 0, begin = 0, end = 0, layout = 0;
    /// The handles the kept entities of its block are written with, in their order.
    std::vector<std::uint64_t> entityHandles;
};

/// A table of records the entities refer to by name, and what the writer adds to the file's own records
/// of it.
struct NamedTable
{
    const char* kind;
    std::uint64_t handle;
    /// The subclass of its records.
    const char* subclass;
    /// Its standard records, with the handles set aside for them.
    std::vector<std::pair<std::string, std::uint64_t>> standard;
    /// The names the entities use that the file did not list.
    const std::set<std::string>& named;
};

class Writer
{
public:
    Writer(OdDbDatabase& db, DL_Dxf& dxf, TextWriter& dw, std::uint64_t handseed)
        : m_db(db), m_dxf(dxf), m_dw(dw), m_handseed(handseed)
    {
        m_dw.setCodePage(db.getDWGCODEPAGE());
    }

    /// Writes the file and returns the handle above every one it used.
    std::uint64_t write();
    /// What the entity, an object of the database, is written as from what the database holds.
    std::string formOf(const OdDbEntity& entity);

private:
    std::uint64_t own() { return m_next++; }
    /// The next record dxflib writes takes a handle of the writer's own.
    void nextOwn() { m_dw.setNextHandle(own()); }
    void hex(int code, std::uint64_t handle) const;
    void tableHead(const char* name, std::uint64_t handle, int count) const;
    void recordHead(const char* kind, std::uint64_t handle, std::uint64_t owner, const char* subclass) const;
    void allocate();
    void planLayouts();
    void writeHeader();
    void writeViewport();
    void writeTables();
    /// Writes the table; `defaults` writes the groups after the name of a record the writer adds.
    void writeNamedTable(const NamedTable& table,
                         const std::function<void(const std::string& name)>& defaults);
    void writeLinetypes();
    /// Writes a table of the database's own records of type Record; fields(record, name) writes a record's
    /// groups after its name, given as the file holds it.
    template <class Record, class Fields>
    void writeSymbolTable(const char* kind, std::uint64_t handle, const OdDbObjectId& table,
                          const char* subclass, const Fields& fields);
    void writeLayers();
    void writeStyles();
    void writeApps();
    void writeDimStyles();
    void writeBlockRecords();
    void writeBlocks();
    /// The groups a block's begin and end marks start with, up to their subclass: they are entities of
    /// the block's record on layer 0, in paper space for a sheet's block.
    void blockMarkHead(const char* kind, std::uint64_t handle, std::uint64_t record, bool paper,
                       const char* subclass) const;
    void writeBlockBegin(const std::string& name, std::uint64_t handle, std::uint64_t record, int flags,
                         bool paper, const OdGePoint3d& origin);
    void writeBlockEnd(std::uint64_t handle, std::uint64_t record, bool paper);
    void writeObjects();
    void writeDictionaries();
    void writeLayouts();
    void writeKeptObjects();
    /// Where a reference of a record as read points now: its record's handle, 0 when the file does not
    /// hold it.
    std::uint64_t heldReference(const std::string& handle) const;
    void writeReference(int code, const std::string& handle);
    void dictionary(std::uint64_t handle, std::uint64_t owner,
                    const std::vector<std::pair<std::string, std::uint64_t>>& entries);
    void writeEntities(const OdDbBlockTableRecord& block, std::uint64_t owner);
    void writeEntity(const OdDbEntity& entity, std::uint64_t owner);
    void writeModelled(const OdDbEntity& entity, std::uint64_t owner);
    void writePaperSpace();
    void writeKeptEntities(const std::vector<OdDbKeptRecord>& records,
                           const std::vector<std::uint64_t>& handles, std::uint64_t owner);
    void writeShape(const OdDbEntity& entity, const DL_Attributes& attributes);
    void writeCurve(const OdDbCurve& curve, const DL_Attributes& attributes);
    void writeHatch(const OdDbHatch& hatch, const DL_Attributes& attributes);
    void writeRegion(const OdDbRegion& region, const DL_Attributes& attributes);
    void writeMesh(const OdDbSubDMesh& mesh, const DL_Attributes& attributes);
    void writeProxy(const OdDbProxyEntity& proxy, std::uint64_t owner);
    void writeGroups(const std::string& kind, const std::vector<std::pair<int, std::string>>& groups,
                     std::uint64_t handle, std::uint64_t owner);
    void keepRecords();
    int keptCount(std::string_view kind) const;
    std::uint64_t keptHandle(std::string_view kind, std::string_view name) const;
    void writeKept(std::string_view kind, std::uint64_t table);
    void writeXData(const OdDbObject& object);
    OdString blockName(const OdDbObjectId& block) const;
    std::uint64_t handleOf(const OdDbObject& object);
    bool isObject(const std::string& handle) const;
    std::uint64_t fileHandle(std::uint64_t handle);
    std::uint64_t keptOr(std::uint64_t handle) { return handle != 0 ? fileHandle(handle) : own(); }

    OdDbDatabase& m_db;
    DL_Dxf& m_dxf;
    TextWriter& m_dw;
    std::uint64_t m_handseed;
    std::uint64_t m_next = 1;
    OwnHandles m_own{};
    /// The model space's layout first, then the active sheet's, then any others.
    std::vector<Layout> m_layouts;
    /// What the model space covers; none for an empty drawing.
    std::optional<OdGeExtents3d> m_extents;
    /// Text and dimension styles and line types the entities name that the file the drawing was read
    /// from did not list.
    std::set<std::string> m_textStyles, m_dimStyles, m_linetypes;
    /// The handles the kept paper-space entities are written with, in their order.
    std::vector<std::uint64_t> m_paperHandles;
    /// The handles the database's kept table records are written with, in their order, and all handles
    /// of the file read that are written for records the database has no object for.
    std::vector<std::uint64_t> m_keptHandles;
    std::set<std::uint64_t> m_keptSet;
    /// Handles of the file read whose records are written with others, because an object of the database
    /// has theirs: references to them follow.
    std::map<std::uint64_t, std::uint64_t> m_moved;
    /// The handles the kept objects are written with, in their order.
    std::vector<std::uint64_t> m_objectHandles;
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

/// Whether two names of table records are the same: a drawing's names ignore case.
bool sameName(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

/// Whether a group of an entity of the DXF kind names a text style (7) or a dimension style (3 of a
/// dimension-like kind).
bool namesStyle(std::string_view kind, int code)
{
    return code == 7 || (code == 3 && (kind == "DIMENSION" || kind == "LEADER" || kind == "TOLERANCE" ||
                                       kind == "ARC_DIMENSION"));
}

bool isStandardLinetype(std::string_view name)
{
    return sameName(name, "BYLAYER") || sameName(name, "BYBLOCK") || sameName(name, "CONTINUOUS");
}

/// The styles and line types the entities of the drawing name (a file need not list those its entities
/// use), other than the standard ones, which the file always holds.
struct NamedRecords
{
    std::set<std::string>& textStyles;
    std::set<std::string>& dimStyles;
    std::set<std::string>& linetypes;

    void add(std::string_view kind, const std::vector<std::pair<int, std::string>>& groups) const
    {
        for (const auto& [code, value] : groups)
            if (namesStyle(kind, code) && !sameName(value, "Standard") && !value.empty())
                (code == 7 ? textStyles : dimStyles).insert(value);
            else if (code == 6 && !isStandardLinetype(value) && !value.empty())
                linetypes.insert(value);
    }
};

void collectNames(OdDbDatabase& db, const NamedRecords& named)
{
    std::vector<OdDbBlockTableRecordPtr> blocks = userBlocks(db);
    blocks.push_back(OdDbBlockTableRecordPtr::cast(db.getObject(db.getModelSpaceId())));
    for (const OdDbBlockTableRecordPtr& block : blocks)
        for (const OdDbObjectId& id : block->entityIds())
        {
            const auto entity = OdDbEntityPtr::cast(db.getObject(id));
            if (!entity)
                continue;
            if (const auto proxy = OdDbProxyEntityPtr::cast(entity))
                named.add(OdDbDetail::dxfText(proxy->originalDxfName()), proxy->dxfGroups());
            else if (const OdDbKeptEntity* kept = db.keptEntity(id.getHandle()))
                named.add(kept->kind, kept->groups);
            named.add("", {{6, OdDbDetail::dxfText(entity->linetype())}});
        }
    for (const OdDbKeptRecord& record : db.paperSpaceRecords())
        named.add(record.kind, record.groups);
}

std::uint64_t Writer::write()
{
    m_next = std::max<std::uint64_t>(m_db.handseed(), 1);
    m_extents = modelSpaceExtents(m_db);
    collectNames(m_db, NamedRecords{m_textStyles, m_dimStyles, m_linetypes});
    allocate();
    keepRecords();
    writeHeader();
    writeTables();
    writeBlocks();
    m_dw.sectionEntities();
    const auto modelSpace = OdDbBlockTableRecordPtr::cast(m_db.getObject(m_db.getModelSpaceId()));
    writeEntities(*modelSpace, m_layouts[0].record);
    writePaperSpace();
    m_dw.sectionEnd();
    writeObjects();
    m_dw.dxfEOF();
    return m_next;
}

void Writer::allocate()
{
    for (std::uint64_t* table :
         {&m_own.vportTable, &m_own.ltypeTable,    &m_own.layerTable,       &m_own.styleTable,
          &m_own.viewTable,  &m_own.ucsTable,      &m_own.appTable,         &m_own.dimTable,
          &m_own.blockTable, &m_own.activeVport,   &m_own.ltypes[0],        &m_own.ltypes[1],
          &m_own.ltypes[2],  &m_own.standardStyle, &m_own.standardDimStyle, &m_own.rootDictionary,
          &m_own.groups,     &m_own.plotStyles,    &m_own.placeholder,      &m_own.mlineStyles,
          &m_own.mlineStyle, &m_own.plotSettings,  &m_own.layoutDictionary})
        *table = own();
    planLayouts();
    for (Layout& layout : m_layouts)
    {
        const OdDbKeptLayout none;
        const OdDbKeptLayout& kept = layout.kept ? *layout.kept : none;
        layout.record = keptOr(kept.recordHandle);
        layout.begin = keptOr(kept.beginHandle);
        layout.end = keptOr(kept.endHandle);
        layout.layout = keptOr(kept.layout.groups.empty() ? 0 : kept.layout.handle);
    }
}

void Writer::planLayouts()
{
    // A drawing of its own has a sheet beside the active one; one read from a file has the file's.
    m_layouts = {{"*Model_Space", "Model", 1712, 0}, {"*Paper_Space", "Layout1", 688, 1}};
    if (m_db.keptLayouts().empty())
    {
        m_layouts.emplace_back("*Paper_Space0", "Layout2", 688, 2);
        return;
    }
    for (const OdDbKeptLayout& kept : m_db.keptLayouts())
    {
        Layout* layout = sameName(kept.blockName, "*Model_Space")   ? &m_layouts[0]
                         : sameName(kept.blockName, "*Paper_Space") ? &m_layouts[1]
                                                                    : nullptr;
        if (!layout)
        {
            // A sheet without a layout of its own is named after its block.
            const int tab = static_cast<int>(m_layouts.size());
            layout = &m_layouts.emplace_back(kept.blockName, kept.blockName.substr(1), 688, tab);
        }
        layout->kept = &kept;
        if (!kept.layout.name.empty())
            layout->name = kept.layout.name;
    }
}

void Writer::keepRecords()
{
    // A kept record keeps its handle unless an object of the database or an earlier record has it.
    for (const OdDbKeptRecord& record : m_db.keptRecords())
    {
        m_keptHandles.push_back(fileHandle(record.handle));
        std::set<std::string>* named = record.kind == "STYLE"      ? &m_textStyles
                                       : record.kind == "DIMSTYLE" ? &m_dimStyles
                                       : record.kind == "LTYPE"    ? &m_linetypes
                                                                   : nullptr;
        if (named)
            std::erase_if(*named, [&](const std::string& name) { return sameName(name, record.name); });
    }
    for (const OdDbKeptRecord& record : m_db.paperSpaceRecords())
        m_paperHandles.push_back(fileHandle(record.handle));
    for (Layout& layout : m_layouts)
        if (layout.kept)
            for (const OdDbKeptRecord& record : layout.kept->entities)
                layout.entityHandles.push_back(fileHandle(record.handle));
    for (const OdDbKeptRecord& record : m_db.keptObjects())
        m_objectHandles.push_back(fileHandle(record.handle));
    if (const std::uint64_t standard = keptHandle("STYLE", kTextStyle))
        m_own.standardStyle = standard;
}

int Writer::keptCount(std::string_view kind) const
{
    return static_cast<int>(std::ranges::count(m_db.keptRecords(), kind, &OdDbKeptRecord::kind));
}

std::uint64_t Writer::keptHandle(std::string_view kind, std::string_view name) const
{
    const std::vector<OdDbKeptRecord>& records = m_db.keptRecords();
    for (std::size_t i = 0; i < records.size(); ++i)
        if (records[i].kind == kind && sameName(records[i].name, name))
            return m_keptHandles[i];
    return 0;
}

void Writer::writeKept(std::string_view kind, std::uint64_t table)
{
    const std::vector<OdDbKeptRecord>& records = m_db.keptRecords();
    for (std::size_t i = 0; i < records.size(); ++i)
        if (records[i].kind == kind)
            writeGroups(records[i].kind, records[i].groups, m_keptHandles[i], table);
}

void Writer::hex(int code, std::uint64_t handle) const
{
    char text[20];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(handle));
    m_dw.dxfString(code, text);
}

void Writer::tableHead(const char* name, std::uint64_t handle, int count) const
{
    m_dw.dxfString(0, "TABLE");
    m_dw.dxfString(2, name);
    hex(5, handle);
    hex(330, 0);
    m_dw.dxfString(100, "AcDbSymbolTable");
    m_dw.dxfInt(70, count);
    // Dimension styles alone have a subclass of their own for the table.
    if (std::string_view(name) == "DIMSTYLE")
    {
        m_dw.dxfString(100, "AcDbDimStyleTable");
        m_dw.dxfInt(71, 0);
    }
}

void Writer::recordHead(const char* kind, std::uint64_t handle, std::uint64_t owner,
                        const char* subclass) const
{
    m_dw.dxfString(0, kind);
    // Dimension styles alone give their handle under 105.
    hex(std::string_view(kind) == "DIMSTYLE" ? 105 : 5, handle);
    hex(330, owner);
    m_dw.dxfString(100, "AcDbSymbolTableRecord");
    m_dw.dxfString(100, subclass);
}

void Writer::writeHeader()
{
    m_dw.sectionHeader();
    m_dw.dxfString(9, "$ACADVER");
    m_dw.dxfString(1, "AC1015");
    m_dw.dxfString(9, "$DWGCODEPAGE");
    m_dw.dxfString(3, m_db.getDWGCODEPAGE());
    m_dw.dxfString(9, "$HANDSEED");
    hex(5, m_handseed);
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
    tableHead("VPORT", m_own.vportTable, 1);
    recordHead("VPORT", m_own.activeVport, m_own.vportTable, "AcDbViewportTableRecord");
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
    for (const auto& [code, value] :
         {std::pair{71, 0}, {72, 100}, {73, 1}, {74, 3}, {75, 0}, {76, 0}, {77, 0}, {78, 0}})
        m_dw.dxfInt(code, value);
    m_dw.tableEnd();
}

void Writer::writeTables()
{
    m_dw.sectionTables();
    writeViewport();
    writeLinetypes();
    writeLayers();
    writeStyles();
    tableHead("VIEW", m_own.viewTable, 0);
    m_dw.tableEnd();
    tableHead("UCS", m_own.ucsTable, 0);
    m_dw.tableEnd();
    writeApps();
    writeDimStyles();
    writeBlockRecords();
    m_dw.sectionEnd();
}

void Writer::writeNamedTable(const NamedTable& table,
                             const std::function<void(const std::string& name)>& defaults)
{
    // The file's own records, then the standard ones it did not list, then those the entities name that
    // it did not list either (a file need not list what its entities use), so that every name in use is
    // one the file holds.
    std::vector<std::pair<std::string, std::uint64_t>> added;
    for (const auto& [name, handle] : table.standard)
        if (!keptHandle(table.kind, name))
            added.emplace_back(name, handle);
    for (const std::string& name : table.named)
        added.emplace_back(name, own());
    tableHead(table.kind, table.handle, keptCount(table.kind) + static_cast<int>(added.size()));
    writeKept(table.kind, table.handle);
    for (const auto& [name, handle] : added)
    {
        recordHead(table.kind, handle, table.handle, table.subclass);
        m_dw.dxfString(2, name);
        defaults(name);
    }
    m_dw.tableEnd();
}

void Writer::writeLinetypes()
{
    // A line type the file did not list is written as a solid line.
    writeNamedTable({.kind = "LTYPE",
                     .handle = m_own.ltypeTable,
                     .subclass = "AcDbLinetypeTableRecord",
                     .standard = {{"BYBLOCK", m_own.ltypes[0]},
                                  {"BYLAYER", m_own.ltypes[1]},
                                  {"CONTINUOUS", m_own.ltypes[2]}},
                     .named = m_linetypes},
                    [this](const std::string& name)
                    {
                        m_dw.dxfInt(70, 0);
                        m_dw.dxfString(3, sameName(name, "CONTINUOUS") ? "Solid line" : "");
                        m_dw.dxfInt(72, 65);
                        m_dw.dxfInt(73, 0);
                        m_dw.dxfReal(40, 0.0);
                    });
}

template <class Record, class Fields>
void Writer::writeSymbolTable(const char* kind, std::uint64_t handle, const OdDbObjectId& table,
                              const char* subclass, const Fields& fields)
{
    // A record the file read listed keeps the file's handle.
    const OdDbObjectIdArray ids = OdDbSymbolTablePtr::cast(m_db.getObject(table))->recordIds();
    tableHead(kind, handle, static_cast<int>(ids.size()));
    for (const OdDbObjectId& id : ids)
    {
        const auto record = OdSmartPtr<Record>::cast(m_db.getObject(id));
        const std::string name = OdDbDetail::dxfText(record->getName());
        const std::uint64_t kept = keptHandle(kind, name);
        recordHead(kind, kept ? kept : handleOf(*record), handle, subclass);
        m_dw.dxfString(2, name);
        fields(*record, name);
    }
    m_dw.tableEnd();
}

void Writer::writeLayers()
{
    writeSymbolTable<OdDbLayerTableRecord>(
        "LAYER", m_own.layerTable, m_db.getLayerTableId(), "AcDbLayerTableRecord",
        [this](const OdDbLayerTableRecord& layer, const std::string& name)
        {
            const OdCmColor color = layer.color();
            const int index = color.isByACI()
                                  ? color.colorIndex()
                                  : OdCmEntityColor::lookUpACI(color.red(), color.green(), color.blue());
            m_dw.dxfInt(70, 0);
            m_dw.dxfInt(62, index);
            if (color.isByColor())
                m_dw.dxfInt(420, (color.red() << 16) | (color.green() << 8) | color.blue());
            m_dw.dxfString(6, "CONTINUOUS");
            // The layer of definition points is never printed.
            if (OdString(name.c_str()).iCompare(L"Defpoints") == 0)
                m_dw.dxfInt(290, 0);
            hex(390, m_own.placeholder);
        });
}

void Writer::writeStyles()
{
    // A text style the file did not list has the standard style's settings.
    writeNamedTable({.kind = "STYLE",
                     .handle = m_own.styleTable,
                     .subclass = "AcDbTextStyleTableRecord",
                     .standard = {{kTextStyle, m_own.standardStyle}},
                     .named = m_textStyles},
                    [this](const std::string&)
                    {
                        m_dw.dxfInt(70, 0);
                        m_dw.dxfReal(40, 0.0);
                        m_dw.dxfReal(41, 1.0);
                        m_dw.dxfReal(50, 0.0);
                        m_dw.dxfInt(71, 0);
                        m_dw.dxfReal(42, 2.5);
                        m_dw.dxfString(3, "txt");
                        m_dw.dxfString(4, "");
                    });
}

void Writer::writeApps()
{
    writeSymbolTable<OdDbSymbolTableRecord>(
        "APPID", m_own.appTable, m_db.getRegAppTableId(), "AcDbRegAppTableRecord",
        [this](const OdDbSymbolTableRecord&, const std::string&) { m_dw.dxfInt(70, 0); });
}

void Writer::writeDimStyles()
{
    // A dimension style the file did not list has the standard style's settings and text style.
    writeNamedTable(
        {.kind = "DIMSTYLE",
         .handle = m_own.dimTable,
         .subclass = "AcDbDimStyleTableRecord",
         .standard = {{"Standard", m_own.standardDimStyle}},
         .named = m_dimStyles},
        [this](const std::string&)
        {
            for (const auto& [code, value] : {std::pair{41, 2.5}, {42, 0.625}, {43, 3.75}, {44, 0.625}})
                m_dw.dxfReal(code, value);
            for (const auto& [code, value] : {std::pair{70, 0}, {73, 0}, {74, 0}, {77, 1}, {78, 8}})
                m_dw.dxfInt(code, value);
            for (const auto& [code, value] :
                 {std::pair{140, 2.5}, {141, 2.5}, {143, 0.03937007874016}, {147, 0.625}})
                m_dw.dxfReal(code, value);
            for (const auto& [code, value] :
                 {std::pair{171, 3}, {172, 1}, {271, 2}, {272, 2}, {274, 3}, {278, 44}, {283, 0}, {284, 8}})
                m_dw.dxfInt(code, value);
            hex(340, m_own.standardStyle);
        });
}

void Writer::writeBlockRecords()
{
    const std::vector<OdDbBlockTableRecordPtr> blocks = userBlocks(m_db);
    tableHead("BLOCK_RECORD", m_own.blockTable, static_cast<int>(m_layouts.size() + blocks.size()));
    for (const Layout& layout : m_layouts)
    {
        recordHead("BLOCK_RECORD", layout.record, m_own.blockTable, "AcDbBlockTableRecord");
        m_dw.dxfString(2, layout.blockName);
        hex(340, layout.layout);
    }
    // With the insert units, which a CAD program needs to scale a block inserted into a drawing of
    // other units.
    for (const OdDbBlockTableRecordPtr& block : blocks)
    {
        recordHead("BLOCK_RECORD", handleOf(*block), m_own.blockTable, "AcDbBlockTableRecord");
        m_dw.dxfString(2, OdDbDetail::dxfText(block->getName()));
        hex(340, 0);
        m_dw.dxfInt(70, static_cast<int>(block->blockInsertUnits()));
    }
    m_dw.tableEnd();
}

void Writer::blockMarkHead(const char* kind, std::uint64_t handle, std::uint64_t record, bool paper,
                           const char* subclass) const
{
    m_dw.dxfString(0, kind);
    hex(5, handle);
    hex(330, record);
    m_dw.dxfString(100, "AcDbEntity");
    if (paper)
        m_dw.dxfInt(67, 1);
    m_dw.dxfString(8, "0");
    m_dw.dxfString(100, subclass);
}

void Writer::writeBlockBegin(const std::string& name, std::uint64_t handle, std::uint64_t record, int flags,
                             bool paper, const OdGePoint3d& origin)
{
    blockMarkHead("BLOCK", handle, record, paper, "AcDbBlockBegin");
    m_dw.dxfString(2, name);
    m_dw.dxfInt(70, flags);
    m_dw.coord(10, origin.x, origin.y, origin.z);
    m_dw.dxfString(3, name);
    m_dw.dxfString(1, "");
}

void Writer::writeBlockEnd(std::uint64_t handle, std::uint64_t record, bool paper)
{
    blockMarkHead("ENDBLK", handle, record, paper, "AcDbBlockEnd");
}

void Writer::writeBlocks()
{
    m_dw.sectionBlocks();
    for (const Layout& layout : m_layouts)
    {
        const bool paper = layout.tabOrder == 1;
        writeBlockBegin(layout.blockName, layout.begin, layout.record, 0, paper, OdGePoint3d::kOrigin);
        if (layout.kept)
            writeKeptEntities(layout.kept->entities, layout.entityHandles, layout.record);
        writeBlockEnd(layout.end, layout.record, paper);
    }
    for (const OdDbBlockTableRecordPtr& block : userBlocks(m_db))
    {
        // Every name beginning with '*' is anonymous (*U for the database's own, *D for a dimension's
        // picture); the flag tells a reader it may number the block afresh.
        const std::string name = OdDbDetail::dxfText(block->getName());
        const std::uint64_t record = handleOf(*block);
        writeBlockBegin(name, fileHandle(block->fileBeginHandle()), record, name.starts_with('*') ? 1 : 0,
                        false, block->origin());
        writeEntities(*block, record);
        writeBlockEnd(fileHandle(block->fileEndHandle()), record, false);
    }
    m_dw.sectionEnd();
}

void Writer::dictionary(std::uint64_t handle, std::uint64_t owner,
                        const std::vector<std::pair<std::string, std::uint64_t>>& entries)
{
    m_dw.dxfString(0, "DICTIONARY");
    hex(5, handle);
    hex(330, owner);
    m_dw.dxfString(100, "AcDbDictionary");
    m_dw.dxfInt(280, 0);
    m_dw.dxfInt(281, 1);
    for (const auto& [name, entry] : entries)
    {
        m_dw.dxfString(3, name);
        hex(350, entry);
    }
}

void Writer::writeObjects()
{
    // dxflib's objects section, with the owner of every object written (readers that audit a
    // drawing mend each missing one and say so) and without its variables dictionary, which nothing
    // here uses.
    m_dw.dxfString(0, "SECTION");
    m_dw.dxfString(2, "OBJECTS");
    writeDictionaries();
    writeLayouts();
    writeKeptObjects();
    m_dw.sectionEnd();
}

void Writer::writeKeptObjects()
{
    // Each under its owner as read: the root dictionary for those it names, else the object or entity
    // the file gave, wherever that is written now.
    const std::vector<OdDbKeptRecord>& objects = m_db.keptObjects();
    for (std::size_t i = 0; i < objects.size(); ++i)
    {
        std::uint64_t owner = m_own.rootDictionary;
        if (objects[i].name.empty())
        {
            bool inAppGroup = false;
            for (const auto& [code, value] : objects[i].groups)
            {
                if (code == 102)
                    inAppGroup = value.starts_with('{');
                else if (code == 330 && !inAppGroup)
                {
                    owner = heldReference(value);
                    break;
                }
            }
        }
        writeGroups(objects[i].kind, objects[i].groups, m_objectHandles[i], owner);
    }
}

void Writer::writeReference(int code, const std::string& handle)
{
    // A reference follows its record to another handle; one to an object the file does not hold (a source
    // boundary of a hatch, a material, a standard record written anew) is cleared rather than left
    // dangling; any other is written as read.
    const std::uint64_t held = heldReference(handle);
    if (held == std::strtoull(handle.c_str(), nullptr, 16))
        m_dw.dxfString(code, handle);
    else
        hex(code, held);
}

std::uint64_t Writer::heldReference(const std::string& handle) const
{
    const std::uint64_t value = std::strtoull(handle.c_str(), nullptr, 16);
    if (const auto moved = m_moved.find(value); moved != m_moved.end())
        return moved->second;
    return isObject(handle) ? value : 0;
}

void Writer::writeDictionaries()
{
    const OwnHandles& h = m_own;
    std::map<std::string, std::uint64_t> root{{"ACAD_GROUP", h.groups},
                                              {"ACAD_LAYOUT", h.layoutDictionary},
                                              {"ACAD_MLINESTYLE", h.mlineStyles},
                                              {"ACAD_PLOTSETTINGS", h.plotSettings},
                                              {"ACAD_PLOTSTYLENAME", h.plotStyles}};
    const std::vector<OdDbKeptRecord>& objects = m_db.keptObjects();
    for (std::size_t i = 0; i < objects.size(); ++i)
        if (!objects[i].name.empty())
            root.emplace(objects[i].name, m_objectHandles[i]);
    dictionary(h.rootDictionary, 0, {root.begin(), root.end()});
    dictionary(h.groups, h.rootDictionary, {});

    m_dw.dxfString(0, "ACDBDICTIONARYWDFLT");
    hex(5, h.plotStyles);
    hex(330, h.rootDictionary);
    m_dw.dxfString(100, "AcDbDictionary");
    m_dw.dxfInt(281, 1);
    m_dw.dxfString(3, "Normal");
    hex(350, h.placeholder);
    m_dw.dxfString(100, "AcDbDictionaryWithDefault");
    hex(340, h.placeholder);
    m_dw.dxfString(0, "ACDBPLACEHOLDER");
    hex(5, h.placeholder);
    hex(330, h.plotStyles);

    dictionary(h.mlineStyles, h.rootDictionary, {{"Standard", h.mlineStyle}});
    m_dw.dxfString(0, "MLINESTYLE");
    hex(5, h.mlineStyle);
    hex(330, h.mlineStyles);
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
    dictionary(h.plotSettings, h.rootDictionary, {});
    std::map<std::string, std::uint64_t> layouts;
    for (const Layout& layout : m_layouts)
        layouts.emplace(layout.name, layout.layout);
    dictionary(h.layoutDictionary, h.rootDictionary, {layouts.begin(), layouts.end()});
}

void Writer::writeLayouts()
{
    for (const Layout& layout : m_layouts)
    {
        if (layout.kept && !layout.kept->layout.groups.empty())
        {
            writeGroups("LAYOUT", layout.kept->layout.groups, layout.layout, m_own.layoutDictionary);
            continue;
        }
        const bool model = layout.tabOrder == 0;
        const bool sheet = layout.tabOrder == 1;
        m_dw.dxfString(0, "LAYOUT");
        hex(5, layout.layout);
        hex(330, m_own.layoutDictionary);
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
        m_dw.dxfReal(11, sheet ? 420.0 : 12.0);
        m_dw.dxfReal(21, sheet ? 297.0 : 9.0);
        m_dw.coord(12, 0.0, 0.0, 0.0);
        const double limit = sheet ? 1e20 : 0.0;
        m_dw.coord(14, limit, limit, limit);
        m_dw.coord(15, -limit, -limit, -limit);
        m_dw.dxfReal(146, 0.0);
        m_dw.coord(13, 0.0, 0.0, 0.0);
        m_dw.coord(16, 1.0, 0.0, 0.0);
        m_dw.coord(17, 0.0, 1.0, 0.0);
        m_dw.dxfInt(76, 0);
        hex(330, layout.record);
    }
}

std::uint64_t Writer::handleOf(const OdDbObject& object)
{
    // Objects of the database keep their handles (those read from a file, the file's); others, such
    // as the parts of a table, are the writer's own.
    const OdDbObjectId id = object.objectId();
    if (!id.isNull() && m_db.getObject(id).get() == &object)
        return id.getHandle();
    return own();
}

std::uint64_t Writer::fileHandle(std::uint64_t handle)
{
    // A record that is no object of the database keeps the handle of the file it was read from when
    // nothing else has it.
    const bool free = handle != 0 && handle < m_db.handseed() && !m_keptSet.contains(handle) &&
                      m_db.getObject(OdDbObjectId(handle, &m_db)).isNull();
    if (!free)
    {
        const std::uint64_t moved = own();
        if (handle != 0)
            m_moved.emplace(handle, moved);
        return moved;
    }
    m_keptSet.insert(handle);
    return handle;
}

bool Writer::isObject(const std::string& handle) const
{
    const std::uint64_t value = std::strtoull(handle.c_str(), nullptr, 16);
    return value != 0 && (m_keptSet.contains(value) || !m_db.getObject(OdDbObjectId(value, &m_db)).isNull());
}

void Writer::writeEntities(const OdDbBlockTableRecord& block, std::uint64_t owner)
{
    for (const OdDbObjectId& id : block.entityIds())
        if (const auto entity = OdDbEntityPtr::cast(m_db.getObject(id)))
            writeEntity(*entity, owner);
}

void Writer::writeProxy(const OdDbProxyEntity& proxy, std::uint64_t owner)
{
    if (proxy.dxfGroups().empty())
        throw OdError(eInvalidInput, ("an entity of kind " + OdDbDetail::dxfText(proxy.originalDxfName()) +
                                      " not read from a file has no DXF form")
                                         .c_str());
    writeGroups(OdDbDetail::dxfText(proxy.originalDxfName()), proxy.dxfGroups(), handleOf(proxy), owner);
}

void Writer::writeGroups(const std::string& kind, const std::vector<std::pair<int, std::string>>& groups,
                         std::uint64_t handle, std::uint64_t owner)
{
    m_dw.dxfString(0, kind);
    const int handleCode = kind == "DIMSTYLE" ? 105 : 5;
    bool handleWritten = false;
    bool ownerWritten = false;
    bool inAppGroup = false;
    if (std::ranges::none_of(groups, [](const auto& g) { return g.first == 100; }))
    {
        // A record of a file before 2000 has no subclasses, and perhaps no handle: its handle and owner
        // lead it.
        hex(handleCode, handle);
        hex(330, owner);
        handleWritten = ownerWritten = true;
    }
    for (const auto& [code, value] : groups)
    {
        // Groups of an application ({ACAD_REACTORS, {ACAD_XDICTIONARY) name objects this database does
        // not keep: the record goes without them.
        if (code == 102)
        {
            inAppGroup = value.starts_with('{');
            continue;
        }
        if (inAppGroup)
            continue;
        if ((code == handleCode || code == 100) && !handleWritten)
        {
            hex(handleCode, handle);
            handleWritten = true;
        }
        if (code == handleCode)
            continue;
        // The owner is named before the first subclass; it is the block or table written around, also
        // for a record whose file left it out.
        if (code == 100 && !ownerWritten)
        {
            hex(330, owner);
            ownerWritten = true;
        }
        if (code == 330 && !ownerWritten)
            hex(330, owner);
        else if ((code >= 330 && code <= 369) || (code >= 390 && code <= 399))
            writeReference(code, value);
        else
            m_dw.dxfString(code, value);
        ownerWritten = ownerWritten || code == 100 || code == 330;
    }
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

void Writer::writeEntity(const OdDbEntity& entity, std::uint64_t owner)
{
    const DL_Attributes attributes = attributesOf(entity);
    if (const auto* proxy = dynamic_cast<const OdDbProxyEntity*>(&entity))
        // Its extended data is among its groups.
        writeProxy(*proxy, owner);
    else if (const auto* table = dynamic_cast<const OdDbTable*>(&entity))
    {
        for (const OdDbEntityPtr& part : table->tableBlockEntities())
            writeEntity(*part, owner);
    }
    else if (const auto* region = dynamic_cast<const OdDbRegion*>(&entity))
        writeRegion(*region, attributes);
    else if (const auto* mesh = dynamic_cast<const OdDbSubDMesh*>(&entity))
        writeMesh(*mesh, attributes);
    else
        writeModelled(entity, owner);
}

void Writer::writeModelled(const OdDbEntity& entity, std::uint64_t owner)
{
    // An entity read from a file and not changed since is written as read, with what the database does
    // not model (its text style, lineweight, transparency, ...).
    const std::uint64_t handle = handleOf(entity);
    const OdDbKeptEntity* kept = m_db.keptEntity(handle);
    if (kept && entity.objectId().getHandle() == handle && kept->form == formOf(entity))
    {
        writeGroups(kept->kind, kept->groups, handle, owner);
        for (const OdDbKeptRecord& follower : kept->followers)
            writeGroups(follower.kind, follower.groups, fileHandle(follower.handle), handle);
        return;
    }
    m_dw.setNextHandle(handle);
    writeShape(entity, attributesOf(entity));
    writeXData(entity);
}

std::string Writer::formOf(const OdDbEntity& entity)
{
    FormRecorder recorder;
    Writer writer(m_db, m_dxf, recorder, 0);
    recorder.setNextHandle(entity.objectId().getHandle());
    writer.writeShape(entity, attributesOf(entity));
    writer.writeXData(entity);
    return recorder.text();
}

void Writer::writePaperSpace()
{
    writeKeptEntities(m_db.paperSpaceRecords(), m_paperHandles, m_layouts[1].record);
}

void Writer::writeKeptEntities(const std::vector<OdDbKeptRecord>& records,
                               const std::vector<std::uint64_t>& handles, std::uint64_t owner)
{
    // Vertices and attributes belong to the entity before them.
    std::uint64_t parent = owner;
    for (std::size_t i = 0; i < records.size(); ++i)
    {
        const std::string& kind = records[i].kind;
        const bool follower = kind == "VERTEX" || kind == "SEQEND" || kind == "ATTRIB";
        writeGroups(kind, records[i].groups, handles[i], follower ? parent : owner);
        if (!follower)
            parent = handles[i];
    }
}

void Writer::writeShape(const OdDbEntity& entity, const DL_Attributes& attributes)
{
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
    else
        throw OdError(
            eInvalidInput,
            (std::string("an entity of kind ") + typeid(entity).name() + " has no DXF form").c_str());
}

void Writer::writeRegion(const OdDbRegion& region, const DL_Attributes& attributes)
{
    // The boundary curves stand for the region, which a DXF file could only hold as modeller data.
    for (int i = 0; i < region.numLoops(); ++i)
    {
        for (const auto& geCurve : region.loopAt(i))
        {
            OdDbCurve* raw = nullptr;
            const OdGeVector3d normal = OdGeVector3d::kZAxis;
            if (OdDbCurve::createFromOdGeCurve(*geCurve, raw, &normal) != eOk || !raw)
                throw OdError(eInvalidInput, "a region has a boundary curve with no DXF form");
            const OdDbCurvePtr curve(raw);
            nextOwn();
            writeCurve(*curve, attributes);
        }
    }
}

void Writer::writeMesh(const OdDbSubDMesh& mesh, const DL_Attributes& attributes)
{
    // A mesh is written as its faces, one 3D face each (a triangle repeats its last corner).
    OdGePoint3dArray vertices;
    OdInt32Array faces;
    mesh.getVertices(vertices);
    mesh.getFaceArray(faces);
    int faceIndex = 0;
    for (unsigned i = 0; i < faces.size(); i += static_cast<unsigned>(faces[i]) + 1, ++faceIndex)
    {
        const int n = faces[i];
        if (n < 3 || n > 4)
            throw OdError(eInvalidInput, "a mesh face with more than four corners has no DXF form");
        OdGePoint3d p[4];
        for (int k = 0; k < 4; ++k)
            p[k] = vertices[static_cast<unsigned>(faces[i + 1 + static_cast<unsigned>(std::min(k, n - 1))])];
        DL_Attributes faceAttributes = attributes;
        OdCmColor faceColor;
        if (mesh.getSubentColor(OdDbSubentId(OdDb::kFaceSubentType, faceIndex), faceColor) == eOk &&
            faceColor.isByColor())
        {
            faceAttributes.setColor(
                OdCmEntityColor::lookUpACI(faceColor.red(), faceColor.green(), faceColor.blue()));
            faceAttributes.setColor24((faceColor.red() << 16) | (faceColor.green() << 8) | faceColor.blue());
        }
        nextOwn();
        m_dxf.write3dFace(m_dw,
                          DL_3dFaceData(p[0].x, p[0].y, p[0].z, p[1].x, p[1].y, p[1].z, p[2].x, p[2].y,
                                        p[2].z, p[3].x, p[3].y, p[3].z),
                          faceAttributes);
    }
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
void noteReadForms(OdDbDatabase& db)
{
    DL_Dxf dxf;
    HandleCounter counter;
    Writer writer(db, dxf, counter, 0);
    for (auto& [handle, kept] : db.keptEntities())
        if (const auto entity = OdDbEntityPtr::cast(db.getObject(OdDbObjectId(handle, &db))))
            kept.form = writer.formOf(*entity);
}

std::string dxfText(const OdString& text)
{
    // Control characters would break the file's lines; they are written as \U+XXXX, which every reader
    // decodes. The rest is UTF-8, which the writer puts into the drawing's code page.
    std::string out;
    for (const wchar_t c : text.str())
    {
        const auto code = static_cast<std::uint32_t>(c);
        if (code < 0x20 || code == 0x7f)
        {
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "\\U+%04X", static_cast<unsigned>(code));
            out += buffer;
        }
        else
            utf8::append(code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ? 0xFFFDu : code,
                         std::back_inserter(out));
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
        HandleCounter counter;
        const std::uint64_t handseed = Writer(*this, dxf, counter, 0).write();
        Writer(*this, dxf, *dw, handseed).write();
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
