// Reading a DXF file into a database through dxflib.
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
#include "platform/db/DbSolid.h"
#include "platform/db/DbSpline.h"
#include "platform/db/DbText.h"

#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <numbers>
#include <optional>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace
{
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

/// Entity kinds this reader builds from dxflib's calls, and the records that belong to one of them
/// (polyline vertices, block attributes) or end a block or section; every other entity is kept as a
/// proxy.
const std::set<std::string, std::less<>> kReadKinds{
    "LINE", "ARC",   "CIRCLE", "ELLIPSE", "LWPOLYLINE", "POLYLINE", "VERTEX", "SEQEND",  "ATTRIB", "SPLINE",
    "TEXT", "SOLID", "HATCH",  "INSERT",  "BLOCK",      "ENDBLK",   "ENDSEC", "SECTION", "EOF"};

bool isFollower(std::string_view kind)
{
    return kind == "VERTEX" || kind == "SEQEND" || kind == "ATTRIB";
}

/// Objects a raster image needs, kept as read: its definition and the reactor that ties it to the image,
/// and the root dictionary's entries that hold the definitions and the raster settings.
const std::set<std::string, std::less<>> kKeptObjects{"IMAGEDEF", "IMAGEDEF_REACTOR", "RASTERVARIABLES"};
const std::set<std::string, std::less<>> kKeptRootEntries{"ACAD_IMAGE_DICT", "ACAD_IMAGE_VARS"};
/// The objects whose groups are read: those kept, the dictionaries (the root one names the others) and
/// the layouts.
const std::set<std::string, std::less<>> kReadObjects{"IMAGEDEF", "IMAGEDEF_REACTOR", "RASTERVARIABLES",
                                                      "DICTIONARY", "LAYOUT"};

/// Table records this database has no class for, kept as read.
const std::set<std::string, std::less<>> kKeptRecords{"LTYPE", "STYLE", "DIMSTYLE"};

bool startsWithNoCase(std::string_view text, std::string_view start)
{
    const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    return text.size() >= start.size() &&
           std::ranges::equal(text.substr(0, start.size()), start, {}, lower, lower);
}

/// Whether a block is a layout's: the model space's or a sheet's.
bool isLayoutBlock(std::string_view name)
{
    return startsWithNoCase(name, "*Paper_Space") || startsWithNoCase(name, "*Model_Space");
}

/// The loops of a hatch given as polylines (flag 2 of a boundary path), each as vertices and bulges, from
/// the hatch's groups: after a path's flags (92) come whether it has bulges (72), whether it is closed
/// (73) and its vertex count (93), then each vertex (10, 20, and 42 when it has bulges).
std::vector<std::pair<OdGePoint2dArray, OdGeDoubleArray>>
polylineLoops(const std::vector<std::pair<int, std::string>>& groups)
{
    std::vector<std::pair<OdGePoint2dArray, OdGeDoubleArray>> loops;
    const auto number = [](const std::string& text) { return std::strtod(text.c_str(), nullptr); };
    for (std::size_t i = 0; i < groups.size();)
    {
        const bool polyline = groups[i].first == 92 && (std::atoi(groups[i].second.c_str()) & 2) != 0;
        ++i;
        if (!polyline)
            continue;
        bool bulged = false;
        long count = -1;
        for (; i < groups.size() && count < 0; ++i)
            if (groups[i].first == 72)
                bulged = std::atoi(groups[i].second.c_str()) != 0;
            else if (groups[i].first == 93)
                count = std::atol(groups[i].second.c_str());
        auto& [points, bulges] = loops.emplace_back();
        for (; i < groups.size(); ++i)
        {
            const auto& [code, value] = groups[i];
            if (code == 10 && static_cast<long>(points.size()) < count)
            {
                points.append(OdGePoint2d(number(value), 0.0));
                bulges.append(0.0);
            }
            else if (code == 20 && !points.isEmpty())
                points.at(points.size() - 1).y = number(value);
            else if (code == 42 && !points.isEmpty())
                bulges.at(bulges.size() - 1) = number(value);
            else
                break;
        }
        if (!bulged)
            bulges.clear();
    }
    return loops;
}

/// The plane x axis of the drawing's arbitrary-axis rule for a normal.
OdGeVector3d arbitraryXAxis(const OdGeVector3d& n)
{
    if (std::abs(n.x) < 1.0 / 64.0 && std::abs(n.y) < 1.0 / 64.0)
        return OdGeVector3d::kYAxis.crossProduct(n).normal();
    return OdGeVector3d::kZAxis.crossProduct(n).normal();
}

OdCmColor colorOf(const DL_Attributes& attributes)
{
    OdCmColor color;
    const int color24 = attributes.getColor24();
    const int index = attributes.getColor();
    if (color24 >= 0)
        color.setRGB(static_cast<std::uint8_t>((color24 >> 16) & 0xff),
                     static_cast<std::uint8_t>((color24 >> 8) & 0xff),
                     static_cast<std::uint8_t>(color24 & 0xff));
    else if (index == 0)
        color.setColorMethod(OdCmEntityColor::kByBlock);
    else if (index > 0 && index < 256)
        color.setColorIndex(index);
    return color;
}

/// Builds the database from dxflib's calls. Entities that dxflib reports in several calls (polylines,
/// splines, hatches) are completed when the next entity starts or their block or section ends. dxflib
/// reports an entity's extended data before the entity itself, except for hatches, whose extended data
/// follows their boundary.
class Reader : public DL_CreationAdapter
{
public:
    explicit Reader(OdDbDatabase& db) : m_db(db) { m_space = db.getModelSpaceId(); }

    void finish()
    {
        complete();
        // A drawing saved again keeps the code page it was written in; one of UTF-8 takes the default.
        if (!m_utf8 && !m_codePage.empty())
            m_db.setDWGCODEPAGE(m_codePage);
    }

    void setVariableInt(const std::string& key, int value, int) override
    {
        if (key == "$INSUNITS" && value >= 0 && value <= static_cast<int>(OdDb::kUnitsMax))
            m_db.setINSUNITS(static_cast<OdDb::UnitsValue>(value));
        else if (key == "$MEASUREMENT" && (value == 0 || value == 1))
            m_db.setMEASUREMENT(value == 0 ? OdDb::kEnglish : OdDb::kMetric);
    }

    /// dxflib hands over every group before it handles it. The entities it has no call for are noted
    /// here, so that the drawing still shows they are there.
    void processCodeValuePair(unsigned int code, const std::string& raw) override
    {
        // Most values are ASCII, which every code page holds as it is.
        const std::string converted = m_utf8 || OdDbDetail::isAsciiText(raw) ? std::string() : decoded(raw);
        const std::string& value = converted.empty() ? raw : converted;
        noteEncoding(code, value);
        if (code == 0)
        {
            placeProxy();
            endRecord();
            m_record = Record{value, {}, 0, {}};
            m_sectionStart = value == "SECTION";
            if (m_inEntities && kReadKinds.find(value) == kReadKinds.end())
                m_proxy = Proxy{value, 0, "0", false};
            if (value == "ENDSEC")
                m_inEntities = m_inTables = m_inObjects = false;
            return;
        }
        if (code == 2 && m_sectionStart)
        {
            m_inEntities = value == "ENTITIES" || value == "BLOCKS";
            m_inTables = value == "TABLES";
            m_inObjects = value == "OBJECTS";
            m_sectionStart = false;
            return;
        }
        // Dimension styles alone give their handle under 105.
        if (code == 5 || (code == 105 && m_record.kind == "DIMSTYLE"))
            m_record.handle = std::strtoull(value.c_str(), nullptr, 16);
        else if (code == 2)
            m_record.name = value;
        if (m_inEntities || (m_inTables && kKeptRecords.contains(m_record.kind)) ||
            (m_inObjects && kReadObjects.contains(m_record.kind)))
            m_record.groups.emplace_back(static_cast<int>(code), value);
        if (!m_proxy)
            return;
        if (code == 5)
            m_proxy->handle = m_record.handle;
        else if (code == 8)
            // As the file spells it, like the layers of the entities dxflib reads.
            m_proxy->layer = raw;
        else if (code == 67)
            m_proxy->paperSpace = std::atoi(value.c_str()) == 1;
    }

    void setVariableString(const std::string& key, const std::string& value, int code) override
    {
        // Handles below the seed are the file's own: objects made while reading get others, so that
        // the file's entities keep theirs.
        if (key == "$HANDSEED" && code == 5)
            m_db.reserveHandles(OdDbHandle(std::strtoull(value.c_str(), nullptr, 16)));
    }

    void addLayer(const DL_LayerData& data) override
    {
        const OdString name = fromFile(data.name);
        const auto table = OdDbLayerTablePtr::cast(m_db.getLayerTableId().openObject(OdDb::kForWrite));
        OdDbLayerTableRecordPtr layer =
            OdDbLayerTableRecordPtr::cast(table->getAt(name).openObject(OdDb::kForWrite));
        if (layer && m_lastRecord.kind == "LAYER" && layer->objectId().getHandle() != m_lastRecord.handle)
            // A layer the database has of its own ("0") keeps the file's handle through a kept record.
            m_db.keepRecord(OdDbKeptRecord{"LAYER", decoded(data.name), m_lastRecord.handle, {}});
        if (!layer)
        {
            layer = OdDbLayerTableRecord::createObject();
            layer->setName(name);
            // dxflib reports the layer once the next record has begun.
            if (m_lastRecord.kind == "LAYER")
                m_db.addOdDbObject(layer.get(), OdDbHandle(m_lastRecord.handle));
            table->add(layer.get());
        }
        layer->setColor(colorOf(getAttributes()));
    }

    void addBlock(const DL_BlockData& data) override
    {
        complete();
        const OdString name = fromFile(data.name);
        if (name.iCompare(L"*Model_Space") == 0)
            m_space = m_db.getModelSpaceId();
        else if (name.left(12).iCompare(L"*Paper_Space") == 0)
            m_space = OdDbObjectId();
        else
        {
            m_space = blockFor(name);
            m_fileBlock = OdDbBlockTableRecordPtr::cast(m_db.getObject(m_space));
            m_fileBlock->setOrigin(OdGePoint3d(data.bpx, data.bpy, data.bpz));
            // dxflib reports the block once its first entity or its end has begun.
            if (m_lastRecord.kind == "BLOCK")
                keepBlockHandles(m_lastRecord.handle, 0);
            return;
        }
        m_fileBlock = nullptr;
    }

    void endBlock() override
    {
        complete();
        m_space = m_db.getModelSpaceId();
    }

    /// dxflib reports this at the start of every object, not only at a section's end.
    void endSection() override { complete(); }

    void endEntity() override { complete(); }

    void addXDataApp(const std::string& appId) override
    {
        const OdResBufPtr item = OdResBuf::newRb(OdResBuf::kDxfRegAppName);
        item->setString(fromFile(appId));
        appendXData(item);
    }

    void addXDataString(int code, const std::string& value) override
    {
        if (!m_xdata || code < 1000 || code > 1009)
            return;
        const OdResBufPtr item = OdResBuf::newRb(code);
        item->setString(fromFile(value));
        appendXData(item);
    }

    void addXDataReal(int code, double value) override
    {
        if (!m_xdata)
            return;
        if (code >= 1010 && code <= 1019)
        {
            const OdResBufPtr item = OdResBuf::newRb(code);
            item->setPoint3d(OdGePoint3d(value, 0.0, 0.0));
            appendXData(item);
        }
        else if (code >= 1020 && code <= 1039)
        {
            // The y and z of the point just started.
            const OdResBufPtr last = m_xdata->last();
            if (last->restype() != code - (code < 1030 ? 10 : 20))
                return;
            OdGePoint3d p = last->getPoint3d();
            (code < 1030 ? p.y : p.z) = value;
            last->setPoint3d(p);
        }
        else if (code >= 1040 && code <= 1059)
        {
            const OdResBufPtr item = OdResBuf::newRb(code);
            item->setDouble(value);
            appendXData(item);
        }
    }

    void addXDataInt(int code, int value) override
    {
        if (!m_xdata)
            return;
        const OdResBufPtr item = OdResBuf::newRb(code);
        if (code >= 1060 && code <= 1070)
            item->setInt16(static_cast<std::int16_t>(value));
        else if (code == 1071)
            item->setInt32(value);
        else
            return;
        appendXData(item);
    }

    void addLine(const DL_LineData& data) override
    {
        const auto line = OdDbLine::createObject();
        line->setStartPoint(OdGePoint3d(data.x1, data.y1, data.z1));
        line->setEndPoint(OdGePoint3d(data.x2, data.y2, data.z2));
        add(line.get(), "LINE");
    }

    void addArc(const DL_ArcData& data) override
    {
        const auto arc = OdDbArc::createObject();
        arc->setNormal(normal());
        arc->setCenter(fromObjectCoordinates(data.cx, data.cy, data.cz));
        if (arc->setRadius(data.radius) != eOk)
            return keepUnbuilt("ARC");
        arc->setStartAngle(data.angle1 * kRadiansPerDegree);
        arc->setEndAngle(data.angle2 * kRadiansPerDegree);
        add(arc.get(), "ARC");
    }

    void addCircle(const DL_CircleData& data) override
    {
        const auto circle = OdDbCircle::createObject();
        circle->setNormal(normal());
        circle->setCenter(fromObjectCoordinates(data.cx, data.cy, data.cz));
        if (circle->setRadius(data.radius) != eOk)
            return keepUnbuilt("CIRCLE");
        add(circle.get(), "CIRCLE");
    }

    void addEllipse(const DL_EllipseData& data) override
    {
        // An ellipse is stored in world coordinates, with its normal as extrusion direction.
        const auto ellipse = OdDbEllipse::createObject();
        if (ellipse->set(OdGePoint3d(data.cx, data.cy, data.cz), normal(),
                         OdGeVector3d(data.mx, data.my, data.mz), data.ratio, data.angle1,
                         data.angle2) != eOk)
            return keepUnbuilt("ELLIPSE");
        add(ellipse.get(), "ELLIPSE");
    }

    void addPolyline(const DL_PolylineData& data) override
    {
        const auto polyline = OdDbPolyline::createObject();
        polyline->setClosed((data.flags & 1) != 0);
        polyline->setElevation(data.elevation);
        add(polyline.get(), m_lastRecord.kind == "POLYLINE" ? "POLYLINE" : "LWPOLYLINE");
        m_polyline = polyline;
    }

    void addVertex(const DL_VertexData& data) override
    {
        if (m_polyline)
            m_polyline->addVertexAt(m_polyline->numVerts(), OdGePoint2d(data.x, data.y), data.bulge);
    }

    void addSpline(const DL_SplineData& data) override
    {
        complete();
        m_spline = Spline{};
        m_spline->degree = static_cast<int>(data.degree);
        m_spline->attributes = getAttributes();
        m_spline->xdata = takeXData();
        // dxflib reports the spline once the next record has begun.
        if (m_lastRecord.kind == "SPLINE")
            m_spline->groups = std::move(m_lastRecord.groups);
    }

    void addKnot(const DL_KnotData& data) override
    {
        if (m_spline)
            m_spline->knots.append(data.k);
    }

    void addControlPoint(const DL_ControlPointData& data) override
    {
        if (!m_spline)
            return;
        m_spline->points.append(OdGePoint3d(data.x, data.y, data.z));
        m_spline->weights.append(data.w);
    }

    void addText(const DL_TextData& data) override
    {
        const auto text = OdDbText::createObject();
        text->setTextString(fromFile(data.text));
        if (data.height > 0.0)
            text->setHeight(data.height);
        text->setRotation(data.angle);
        text->setPosition(OdGePoint3d(data.ipx, data.ipy, data.ipz));
        // Aligned and fitted texts (3 and 5) and values no program writes stay left on the baseline;
        // the groups as read keep what the file said.
        const int h = data.hJustification, v = data.vJustification;
        const bool known = (h == 0 || h == 1 || h == 2 || h == 4) && v >= 0 && v <= 3;
        if (known && (h != 0 || v != 0))
        {
            text->setHorizontalMode(static_cast<OdDb::TextHorzMode>(h));
            text->setVerticalMode(static_cast<OdDb::TextVertMode>(v));
            text->setAlignmentPoint(OdGePoint3d(data.apx, data.apy, data.apz));
        }
        add(text.get(), "TEXT");
    }

    void addSolid(const DL_SolidData& data) override
    {
        const auto solid = OdDbSolid::createObject();
        for (int i = 0; i < 4; ++i)
            solid->setPointAt(i, OdGePoint3d(data.x[i], data.y[i], data.z[i]));
        add(solid.get(), "SOLID");
    }

    void addHatch(const DL_HatchData& data) override
    {
        const auto hatch = OdDbHatch::createObject();
        try
        {
            if (data.solid)
                hatch->setPattern(OdDbHatch::kPreDefined, L"SOLID");
            else if (!data.pattern.empty())
                hatch->setPattern(OdDbHatch::kPreDefined, fromFile(data.pattern));
            if (data.scale > 0.0)
                hatch->setPatternScale(data.scale);
            hatch->setPatternAngle(data.angle * kRadiansPerDegree);
        }
        catch (const OdError&)
        {
            // A pattern this database does not know: the boundary is kept without pattern lines.
        }
        // dxflib reports the hatch once the next record has begun, and reports only loops of edges;
        // loops given as polylines are read from the hatch's groups.
        if (m_lastRecord.kind == "HATCH")
            for (const auto& [points, bulges] : polylineLoops(m_lastRecord.groups))
                if (points.size() >= 2)
                    hatch->appendLoop(OdDbHatch::kPolyline, points, bulges);
        add(hatch.get(), "HATCH");
        m_hatch = hatch;
    }

    void addHatchLoop(const DL_HatchLoopData&) override
    {
        completeLoop();
        m_loopActive = true;
    }

    void addHatchEdge(const DL_HatchEdgeData& data) override
    {
        if (!m_hatch || !m_loopActive)
            return;
        if (data.type == 1)
        {
            m_loopPoints.append(OdGePoint2d(data.x1, data.y1));
            m_loopBulges.append(0.0);
        }
        else if (data.type == 2)
        {
            // Counter-clockwise arc edges run from angle1 to angle2; clockwise ones hold their angles
            // mirrored.
            double sweep = std::fmod(data.angle2 - data.angle1, 2.0 * std::numbers::pi);
            if (sweep <= 0.0)
                sweep += 2.0 * std::numbers::pi;
            const double start = data.ccw ? data.angle1 : -data.angle1;
            m_loopPoints.append(OdGePoint2d(data.cx + data.radius * std::cos(start),
                                            data.cy + data.radius * std::sin(start)));
            m_loopBulges.append(std::tan(sweep / 4.0) * (data.ccw ? 1.0 : -1.0));
        }
    }

    void addInsert(const DL_InsertData& data) override
    {
        const auto reference = OdDbBlockReference::createObject();
        reference->setBlockTableRecord(blockFor(fromFile(data.name)));
        reference->setPosition(OdGePoint3d(data.ipx, data.ipy, data.ipz));
        reference->setRotation(data.angle * kRadiansPerDegree);
        if (data.sx != 0.0 && data.sy != 0.0 && data.sz != 0.0)
            reference->setScaleFactors(OdGeScale3d(data.sx, data.sy, data.sz));
        add(reference.get(), "INSERT");
    }

private:
    /// Files before UTF-8 (AC1021) hold their text in the code page their header names.
    void noteEncoding(unsigned int code, const std::string& value)
    {
        if (code == 9)
            m_variable = value;
        else if (m_variable == "$ACADVER" && code == 1)
            m_utf8 = value >= "AC1021";
        else if (m_variable == "$DWGCODEPAGE" && code == 3)
            m_codePage = value;
    }

    /// A text of the file as UTF-8.
    std::string decoded(const std::string& raw) const
    {
        return m_utf8 ? raw : OdDbDetail::utf8FromCodePage(raw, m_codePage);
    }

    /// A text dxflib hands over as the file spells it.
    OdString fromFile(const std::string& raw) const { return OdDbDetail::fromDxfText(decoded(raw)); }

    struct Spline
    {
        int degree = 3;
        OdGeDoubleArray knots;
        OdGePoint3dArray points;
        OdGeDoubleArray weights;
        DL_Attributes attributes;
        OdResBufPtr xdata;
        std::vector<OdDbProxyEntity::DxfGroup> groups;
    };

    struct Proxy
    {
        std::string dxfName;
        std::uint64_t handle = 0;
        std::string layer;
        bool paperSpace = false;
    };

    /// The record (table entry, block or entity) whose groups are being read.
    struct Record
    {
        std::string kind;
        std::string name;
        std::uint64_t handle = 0;
        /// An entity's groups after its 0 group, for one that becomes a proxy.
        std::vector<OdDbProxyEntity::DxfGroup> groups;
    };

    /// Block records are only listed in the tables; their blocks, read later, keep the handles.
    void endRecord()
    {
        if (m_record.kind == "BLOCK_RECORD" && !m_record.name.empty() && m_record.handle != 0)
        {
            m_blockRecordHandles[OdDbDetail::fromDxfText(m_record.name)] = m_record.handle;
            m_blockRecordNames[m_record.handle] = m_record.name;
        }
        if (m_record.kind == "ENDBLK" && m_fileBlock)
            keepBlockHandles(m_fileBlock->fileBeginHandle(), m_record.handle);
        if (m_inTables && m_record.kind == "APPID")
            keepApp();
        if (m_inObjects && m_record.kind == "LAYOUT")
            keepLayoutObject();
        else if (m_inObjects)
            keepObject();
        if (m_record.kind == "BLOCK" || m_record.kind == "ENDBLK")
            keepLayoutBlock();
        else if (m_inEntities)
        {
            keepIfOnSheet();
            keepIfFollower();
        }
        if (m_inTables && kKeptRecords.contains(m_record.kind))
        {
            // New objects must not take the record's handle, even in a file that states no seed.
            m_db.reserveHandles(OdDbHandle(m_record.handle + 1));
            m_db.keepRecord(OdDbKeptRecord{m_record.kind, m_record.name, m_record.handle, m_record.groups});
        }
        m_lastRecord = std::move(m_record);
        m_record = Record{};
    }

    /// The handles of a layout's block (the model space's or a sheet's) and its block record; a sheet's
    /// entities are kept as read until its end.
    void keepLayoutBlock()
    {
        if (m_record.kind == "ENDBLK")
        {
            if (!m_layoutBlock.empty())
                m_db.keptLayout(m_layoutBlock).endHandle = m_record.handle;
            m_db.reserveHandles(OdDbHandle(m_record.handle + 1));
            m_layoutBlock.clear();
            return;
        }
        if (!isLayoutBlock(m_record.name))
            return;
        m_layoutBlock = m_record.name;
        OdDbKeptLayout& layout = m_db.keptLayout(m_layoutBlock);
        layout.beginHandle = m_record.handle;
        if (const auto it = m_blockRecordHandles.find(OdDbDetail::fromDxfText(m_record.name));
            it != m_blockRecordHandles.end())
            layout.recordHandle = it->second;
        m_db.reserveHandles(OdDbHandle(std::max(layout.beginHandle, layout.recordHandle) + 1));
    }

    /// A layout's name and settings, for the block whose record it names.
    void keepLayoutObject()
    {
        bool own = false;
        std::string name;
        std::uint64_t record = 0;
        for (const auto& [code, value] : m_record.groups)
            if (code == 100)
                own = value == "AcDbLayout";
            else if (own && code == 1 && name.empty())
                name = value;
            else if (own && code == 330 && record == 0)
                record = std::strtoull(value.c_str(), nullptr, 16);
        const auto block = m_blockRecordNames.find(record);
        // A layout of a block the file does not list draws on nothing.
        if (block == m_blockRecordNames.end() || !isLayoutBlock(block->second))
            return;
        m_db.reserveHandles(OdDbHandle(m_record.handle + 1));
        OdDbKeptLayout& layout = m_db.keptLayout(block->second);
        layout.recordHandle = record;
        layout.layout = OdDbKeptRecord{"LAYOUT", name, m_record.handle, m_record.groups};
    }

    /// The objects a raster image needs; the entries of the root dictionary (the section's first object)
    /// tell which dictionaries hold them.
    void keepObject()
    {
        if (!m_rootSeen && m_record.kind == "DICTIONARY")
        {
            m_rootSeen = true;
            std::string name;
            for (const auto& [code, value] : m_record.groups)
                if (code == 3)
                    name = value;
                else if (code == 350 && kKeptRootEntries.contains(name))
                    m_rootEntries[std::strtoull(value.c_str(), nullptr, 16)] = name;
            return;
        }
        const auto entry = m_rootEntries.find(m_record.handle);
        if (entry == m_rootEntries.end() && !kKeptObjects.contains(m_record.kind))
            return;
        m_db.reserveHandles(OdDbHandle(m_record.handle + 1));
        m_db.keepObject(OdDbKeptRecord{m_record.kind, entry == m_rootEntries.end() ? "" : entry->second,
                                       m_record.handle, m_record.groups});
    }

    /// The sheets' entities: those of their blocks and those the entities section marks (67) as the
    /// active sheet's; the records that belong to the entity before them (vertices, attributes, their
    /// end) go with it.
    void keepIfOnSheet()
    {
        const bool follower = isFollower(m_record.kind);
        const std::optional<std::string> sheet = follower ? m_lastSheet : sheetOfRecord();
        m_lastSheet = sheet;
        if (!sheet || m_record.kind == "ENDSEC" || m_record.kind == "EOF")
            return;
        m_db.reserveHandles(OdDbHandle(m_record.handle + 1));
        OdDbKeptRecord kept{m_record.kind, "", m_record.handle, m_record.groups};
        if (sheet->empty())
            m_db.keepPaperSpaceRecord(std::move(kept));
        else
            m_db.keptLayout(*sheet).entities.push_back(std::move(kept));
    }

    /// The block of the sheet the record is drawn on; empty for the active sheet's entities in the
    /// entities section; none for a record of the model space or a block.
    std::optional<std::string> sheetOfRecord() const
    {
        if (startsWithNoCase(m_layoutBlock, "*Paper_Space"))
            return m_layoutBlock;
        if (std::ranges::any_of(m_record.groups, [](const auto& g)
                                { return g.first == 67 && std::atoi(g.second.c_str()) == 1; }))
            return std::string();
        return std::nullopt;
    }

    /// The vertices and attributes of a kept entity (and their end) go with its groups, so that it is
    /// written back whole while it is unchanged.
    void keepIfFollower()
    {
        if (!isFollower(m_record.kind))
        {
            m_follow = 0;
            return;
        }
        if (m_follow == 0)
            return;
        const auto it = m_db.keptEntities().find(m_follow);
        if (it == m_db.keptEntities().end())
            return;
        m_db.reserveHandles(OdDbHandle(m_record.handle + 1));
        it->second.followers.push_back(OdDbKeptRecord{m_record.kind, "", m_record.handle, m_record.groups});
    }

    /// Registered applications are kept whether or not extended data uses them; one the database
    /// registers itself keeps the file's handle through a kept record.
    void keepApp()
    {
        const OdString name = OdDbDetail::fromDxfText(m_record.name);
        const auto table = OdDbRegAppTablePtr::cast(m_db.getRegAppTableId().openObject(OdDb::kForWrite));
        if (name.isEmpty() || !table)
            return;
        if (const OdDbObjectId existing = table->getAt(name); !existing.isNull())
        {
            if (existing.getHandle() != m_record.handle)
                m_db.keepRecord(OdDbKeptRecord{"APPID", m_record.name, m_record.handle, {}});
            return;
        }
        const auto app = OdDbRegAppTableRecord::createObject();
        app->setName(name);
        m_db.addOdDbObject(app.get(), OdDbHandle(m_record.handle));
        table->add(app.get());
    }

    /// The extrusion direction of the entity being read.
    OdGeVector3d normal()
    {
        const double* d = getExtrusion()->getDirection();
        const OdGeVector3d n(d[0], d[1], d[2]);
        return n.isZeroLength() ? OdGeVector3d::kZAxis : n.normal();
    }

    /// A point of the entity's object coordinate system (arcs and circles store their centre so) in
    /// world coordinates.
    OdGePoint3d fromObjectCoordinates(double x, double y, double z)
    {
        const OdGeVector3d n = normal();
        const OdGeVector3d ax = arbitraryXAxis(n), ay = n.crossProduct(ax);
        return OdGePoint3d::kOrigin + ax * x + ay * y + n * z;
    }

    void placeProxy()
    {
        if (!m_proxy)
            return;
        const Proxy p = std::move(*m_proxy);
        m_proxy.reset();
        // Its extended data is among its groups; no rebuilt entity must take it.
        m_xdata = nullptr;
        if (p.paperSpace || m_space.isNull())
            return;
        const auto proxy = OdDbProxyEntity::createObject();
        proxy->setOriginalDxfName(OdDbDetail::fromDxfText(p.dxfName));
        for (const auto& [code, value] : m_record.groups)
            if (code == 1001)
                m_db.newRegApp(OdDbDetail::fromDxfText(value));
        proxy->setDxfGroups(std::move(m_record.groups));
        DL_Attributes attributes;
        attributes.setLayer(p.layer);
        attributes.setHandle(static_cast<int>(p.handle));
        place(proxy.get(), attributes, OdResBufPtr());
    }

    /// An entity this database cannot build (an arc of no radius, an ellipse of no axis) is kept as read
    /// where the file has it, as a proxy, so that the drawing saved again still holds it.
    void keepUnbuilt(std::string_view kind)
    {
        complete();
        // Its extended data is among its groups.
        m_xdata = nullptr;
        if (getAttributes().isInPaperSpace() || m_space.isNull() || m_lastRecord.kind != kind)
            return;
        const auto proxy = OdDbProxyEntity::createObject();
        proxy->setOriginalDxfName(OdString(std::string(kind).c_str()));
        for (const auto& [code, value] : m_lastRecord.groups)
            if (code == 1001)
                m_db.newRegApp(OdDbDetail::fromDxfText(value));
        proxy->setDxfGroups(std::move(m_lastRecord.groups));
        place(proxy.get(), getAttributes(), OdResBufPtr());
    }

    void keepBlockHandles(std::uint64_t begin, std::uint64_t end)
    {
        // New objects must not take them.
        m_db.reserveHandles(OdDbHandle(std::max(begin, end) + 1));
        m_fileBlock->setFileHandles(OdDbHandle(begin), OdDbHandle(end));
    }

    OdDbObjectId blockFor(const OdString& name)
    {
        const auto it = m_blocks.find(name);
        if (it != m_blocks.end())
            return it->second;
        const auto table = OdDbBlockTablePtr::cast(m_db.getBlockTableId().openObject(OdDb::kForWrite));
        const OdDbObjectId existing = name.left(2).iCompare(L"*U") == 0 ? OdDbObjectId() : table->getAt(name);
        if (!existing.isNull())
            return m_blocks[name] = existing;
        const auto block = OdDbBlockTableRecord::createObject();
        // Anonymous blocks are numbered afresh by this database; references find them by the file's name.
        block->setName(name.left(2).iCompare(L"*U") == 0 ? OdString(L"*U") : name);
        if (const auto handle = m_blockRecordHandles.find(name); handle != m_blockRecordHandles.end())
            m_db.addOdDbObject(block.get(), OdDbHandle(handle->second));
        return m_blocks[name] = table->add(block.get());
    }

    void appendXData(const OdResBufPtr& item)
    {
        OdResBufPtr& target = m_hatch ? m_hatchXData : m_xdata;
        if (!target)
        {
            if (item->restype() == OdResBuf::kDxfRegAppName)
                target = item;
            return;
        }
        target->last()->setNext(item.get());
    }

    OdResBufPtr takeXData() { return std::exchange(m_xdata, OdResBufPtr()); }

    void applyXData(OdDbEntity& entity, const OdResBufPtr& xdata)
    {
        if (!xdata)
            return;
        // Applications the file uses without listing them are registered, so that no data is lost.
        for (OdResBuf* rb = xdata.get(); rb; rb = rb->next().get())
            if (rb->restype() == OdResBuf::kDxfRegAppName)
                m_db.newRegApp(rb->getString());
        entity.setXData(xdata.get());
    }

    /// Puts the entity in the current block with the current attributes and extended data, keeping the
    /// groups of its record when it is the record of `kind` just read; the records that follow it
    /// (vertices, attributes) are added to those as they end.
    void add(OdDbEntity* entity, std::string_view kind)
    {
        complete();
        if (getAttributes().isInPaperSpace() || m_space.isNull())
        {
            m_xdata = nullptr;
            return;
        }
        place(entity, getAttributes(), takeXData());
        if (!kind.empty() && m_lastRecord.kind == kind)
        {
            keepGroups(*entity, kind, std::move(m_lastRecord.groups));
            m_follow = entity->objectId().isNull() ? 0 : entity->objectId().getHandle();
        }
    }

    void keepGroups(const OdDbEntity& entity, std::string_view kind,
                    std::vector<OdDbProxyEntity::DxfGroup> groups)
    {
        if (!entity.objectId().isNull() && !groups.empty())
            m_db.keepEntity(entity.objectId().getHandle(),
                            OdDbKeptEntity{std::string(kind), std::move(groups), {}, {}});
    }

    void place(OdDbEntity* entity, const DL_Attributes& attributes, const OdResBufPtr& xdata)
    {
        const auto space = OdDbBlockTableRecordPtr::cast(m_space.openObject(OdDb::kForWrite));
        if (!space)
            return;
        if (attributes.getHandle() > 0)
            m_db.addOdDbObject(entity, OdDbHandle(static_cast<std::uint64_t>(attributes.getHandle())));
        space->appendOdDbEntity(entity);
        const OdString layer = fromFile(attributes.getLayer());
        if (!layer.isEmpty() && entity->setLayer(layer) != eOk)
        {
            // A layer the file uses without listing it.
            const auto table = OdDbLayerTablePtr::cast(m_db.getLayerTableId().openObject(OdDb::kForWrite));
            const auto record = OdDbLayerTableRecord::createObject();
            record->setName(layer);
            table->add(record.get());
            entity->setLayer(layer);
        }
        entity->setColor(colorOf(attributes));
        entity->setLinetype(fromFile(attributes.getLinetype()));
        applyXData(*entity, xdata);
    }

    void completeLoop()
    {
        if (m_hatch && m_loopActive && m_loopPoints.size() >= 2)
            m_hatch->appendLoop(OdDbHatch::kPolyline, m_loopPoints, m_loopBulges);
        m_loopPoints.clear();
        m_loopBulges.clear();
        m_loopActive = false;
    }

    void complete()
    {
        m_polyline = nullptr;
        if (m_hatch)
        {
            completeLoop();
            const OdDbHatchPtr hatch = std::exchange(m_hatch, OdDbHatchPtr());
            applyXData(*hatch, std::exchange(m_hatchXData, OdResBufPtr()));
        }
        if (m_spline)
        {
            Spline s = std::move(*m_spline);
            m_spline.reset();
            bool rational = false;
            for (const double w : s.weights)
                rational = rational || w != 1.0;
            try
            {
                const OdGeNurbCurve3d curve =
                    rational ? OdGeNurbCurve3d(s.degree, OdGeKnotVector(s.knots), s.points, s.weights)
                             : OdGeNurbCurve3d(s.degree, OdGeKnotVector(s.knots), s.points);
                const auto spline = OdDbSpline::createObject();
                if (spline->setFromOdGeCurve(curve) == eOk && !m_space.isNull() &&
                    !s.attributes.isInPaperSpace())
                {
                    place(spline.get(), s.attributes, s.xdata);
                    keepGroups(*spline, "SPLINE", std::move(s.groups));
                }
            }
            catch (const OdError&)
            {
                // A spline whose knots and control points do not fit together (one given by fit points
                // alone, for one) cannot be rebuilt; a proxy keeps where it is and what it was.
                if (!m_space.isNull() && !s.attributes.isInPaperSpace())
                {
                    const auto proxy = OdDbProxyEntity::createObject();
                    proxy->setOriginalDxfName(L"SPLINE");
                    proxy->setDxfGroups(std::move(s.groups));
                    place(proxy.get(), s.attributes, s.xdata);
                }
            }
        }
    }

    OdDbDatabase& m_db;
    std::string m_variable;
    bool m_utf8 = false;
    /// As the header names it; none when it does not, which is read as Windows Latin 1.
    std::string m_codePage;
    OdDbObjectId m_space;
    bool m_sectionStart = false;
    bool m_inEntities = false;
    bool m_inTables = false;
    std::optional<Proxy> m_proxy;
    Record m_record;
    Record m_lastRecord;
    bool m_inObjects = false;
    std::map<OdString, std::uint64_t> m_blockRecordHandles;
    std::map<std::uint64_t, std::string> m_blockRecordNames;
    bool m_rootSeen = false;
    /// The root dictionary's entries whose objects are kept, by handle.
    std::map<std::uint64_t, std::string> m_rootEntries;
    /// The layout block being read, as the file names it; empty outside one.
    std::string m_layoutBlock;
    /// Where the last entity went: a sheet's block, empty for the active sheet's entities in the entities
    /// section, none when it is on no sheet.
    std::optional<std::string> m_lastSheet;
    /// The handle of the kept entity whose vertices or attributes may follow; 0 when none.
    std::uint64_t m_follow = 0;
    /// The block of the file being read, until its end record is read.
    OdDbBlockTableRecordPtr m_fileBlock;
    std::map<OdString, OdDbObjectId> m_blocks;
    OdResBufPtr m_xdata;
    OdDbPolylinePtr m_polyline;
    std::optional<Spline> m_spline;
    OdDbHatchPtr m_hatch;
    OdResBufPtr m_hatchXData;
    bool m_loopActive = false;
    OdGePoint2dArray m_loopPoints;
    OdGeDoubleArray m_loopBulges;
};
} // namespace

namespace OdDbDetail
{
OdString fromDxfText(const std::string& text)
{
    std::string utf8;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text.compare(i, 3, "\\U+") == 0 && i + 7 <= text.size())
        {
            char* end = nullptr;
            const std::string digits = text.substr(i + 3, 4);
            const unsigned long code = std::strtoul(digits.c_str(), &end, 16);
            if (end == digits.c_str() + 4)
            {
                // Encode the code point (below U+10000) as UTF-8.
                if (code < 0x80)
                    utf8 += static_cast<char>(code);
                else if (code < 0x800)
                {
                    utf8 += static_cast<char>(0xc0 | (code >> 6));
                    utf8 += static_cast<char>(0x80 | (code & 0x3f));
                }
                else
                {
                    utf8 += static_cast<char>(0xe0 | (code >> 12));
                    utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
                    utf8 += static_cast<char>(0x80 | (code & 0x3f));
                }
                i += 6;
                continue;
            }
        }
        utf8 += text[i];
    }
    return OdString(utf8.c_str());
}
} // namespace OdDbDetail

void OdDbDatabase::readFile(const OdString& path)
{
    const std::string file = OdAnsiString(path).str();
    if (!std::filesystem::is_regular_file(file))
        throw OdError(eInvalidInput, ("cannot open the drawing file " + file).c_str());
    // A drawing that does not state its units is unitless.
    setINSUNITS(OdDb::kUnitsUndefined);
    Reader reader(*this);
    DL_Dxf dxf;
    if (!dxf.in(file, &reader))
        throw OdError(eInvalidInput, ("cannot read the drawing file " + file).c_str());
    reader.finish();
    OdDbDetail::noteReadForms(*this);
}
