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
#include "platform/db/DbTable.h"
#include "platform/db/DbText.h"
#include "platform/ge/GeCircArc3d.h"
#include "platform/ge/GeEllipArc3d.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <typeinfo>
#include <vector>

namespace
{
namespace fs = std::filesystem;

/// Debian's own interpreter, for which the independent DXF reader is installed.
constexpr const char* kPython = "/usr/bin/python3";

fs::path scratchFolder(const std::string& name)
{
    const fs::path folder =
        fs::temp_directory_path() / ("cae_dxf_" + name + "_" + std::to_string(::getpid()));
    fs::create_directories(folder);
    return folder;
}

std::string slurp(const fs::path& file)
{
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// Runs a Python script on the drawing with the independent reader; the script's exit code.
int runPython(const fs::path& folder, const std::string& script, const fs::path& drawing)
{
    const fs::path file = folder / "check.py";
    std::ofstream(file) << script;
    const std::string command = std::string(kPython) + " " + file.string() + " " + drawing.string();
    return std::system(command.c_str());
}

/// The reader's audit finds nothing to mend, the header's extents hold every entity (texts aside,
/// whose width the reader guesses from the character count), and the blocks
/// keep their anonymous flag and insert units.
const char* const kAudit = R"(import sys, ezdxf
from ezdxf import bbox
doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
for e in auditor.errors + auditor.fixes:
    print('audit:', e.message)
lo, hi = doc.header.get('$EXTMIN'), doc.header.get('$EXTMAX')
box = bbox.extents(doc.modelspace().query('* !TEXT'), fast=True)
inside = lo is not None and all(lo[i] - 1e-9 <= box.extmin[i] and box.extmax[i] <= hi[i] + 1e-9 for i in (0, 1))
glyph = [b for b in doc.blocks if b.name.startswith('*U')]
blocks_ok = len(glyph) == 1 and glyph[0].block.dxf.flags & 1 and glyph[0].block_record.dxf.units == 4
if auditor.errors or auditor.fixes or not inside or not blocks_ok:
    print('extents', lo, hi, box, 'blocks', [(b.name, b.block.dxf.flags) for b in glyph])
    sys.exit(1)
)";

/// The drawing file read into a new database.
OdDbDatabasePtr readDrawing(const fs::path& file)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    db->readFile(file.string().c_str());
    return db;
}

/// The handles a drawing script noted beside the drawing it wrote (in <drawing>.handles), in its order.
std::vector<std::string> notedHandles(const fs::path& drawing)
{
    std::ifstream in(drawing.string() + ".handles");
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

/// The object of the database with the handle as the file spells it; null when it is none of type T.
template <class T> OdSmartPtr<T> objectAt(OdDbDatabase& db, const std::string& handle)
{
    return OdSmartPtr<T>::cast(OdDbObjectId(std::stoull(handle, nullptr, 16), &db).openObject());
}

OdDbBlockTableRecordPtr modelSpace(OdDbDatabase& db)
{
    return OdDbBlockTableRecordPtr::cast(db.getModelSpaceId().openObject(OdDb::kForWrite));
}

OdResBufPtr sampleXData()
{
    const OdResBufPtr head = OdResBuf::newRb(OdResBuf::kDxfRegAppName);
    head->setString(L"CAEANALYZE2D");
    OdResBufPtr rb = head->setNext(OdResBuf::newRb(OdResBuf::kDxfXdInteger16).get());
    rb->setInt16(3);
    rb = rb->setNext(OdResBuf::newRb(OdResBuf::kDxfXdXCoord).get());
    rb->setPoint2d(OdGePoint2d(4.0, -3.0));
    rb = rb->setNext(OdResBuf::newRb(OdResBuf::kDxfXdReal).get());
    rb->setDouble(0.125);
    return head;
}

/// A drawing with one of each entity kind the database writes, and a block placed with extended data.
OdDbDatabasePtr sampleDrawing()
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    const auto layers = OdDbLayerTablePtr::cast(db->getLayerTableId().openObject(OdDb::kForWrite));
    const auto layer = OdDbLayerTableRecord::createObject();
    layer->setName(L"Region");
    OdCmColor green;
    green.setColorIndex(3);
    layer->setColor(green);
    layers->add(layer.get());
    db->newRegApp(L"CAEANALYZE2D");

    const auto blocks = OdDbBlockTablePtr::cast(db->getBlockTableId().openObject(OdDb::kForWrite));
    const auto glyph = OdDbBlockTableRecord::createObject();
    glyph->setName(L"*U");
    glyph->setBlockInsertUnits(OdDb::kUnitsMillimeters);
    const OdDbObjectId glyphId = blocks->add(glyph.get());
    const auto arrow = OdDbLine::createObject();
    arrow->setEndPoint(OdGePoint3d(2.0, 0.0, 0.0));
    glyph->appendOdDbEntity(arrow.get());

    const auto space = modelSpace(*db);
    const auto line = OdDbLine::createObject();
    line->setEndPoint(OdGePoint3d(10.0, 0.0, 0.0));
    space->appendOdDbEntity(line.get());
    line->setLayer(L"Region");
    const auto arc = OdDbArc::createObject();
    arc->setRadius(2.0);
    arc->setStartAngle(0.0);
    arc->setEndAngle(std::numbers::pi / 2.0);
    space->appendOdDbEntity(arc.get());
    const auto circle = OdDbCircle::createObject();
    circle->setCenter(OdGePoint3d(5.0, 5.0, 0.0));
    space->appendOdDbEntity(circle.get());
    const auto polyline = OdDbPolyline::createObject();
    polyline->addVertexAt(0, OdGePoint2d(0.0, 0.0), 1.0);
    polyline->addVertexAt(1, OdGePoint2d(4.0, 0.0));
    polyline->addVertexAt(2, OdGePoint2d(4.0, 4.0));
    polyline->setClosed(true);
    space->appendOdDbEntity(polyline.get());
    const auto spline = OdDbSpline::createObject();
    OdGePoint3dArray fit;
    for (const OdGePoint3d& p :
         {OdGePoint3d(0, 0, 0), OdGePoint3d(1, 2, 0), OdGePoint3d(3, 1, 0), OdGePoint3d(4, 3, 0)})
        fit.append(p);
    spline->setFromOdGeCurve(OdGeNurbCurve3d(fit));
    space->appendOdDbEntity(spline.get());
    const auto text = OdDbText::createObject();
    text->setTextString(L"σ = 5 MPa");
    text->setHeight(2.0);
    text->setVerticalMode(OdDb::kTextVertMid);
    text->setAlignmentPoint(OdGePoint3d(1.0, 1.0, 0.0));
    space->appendOdDbEntity(text.get());
    const auto solid = OdDbSolid::createObject();
    solid->setPointAt(1, OdGePoint3d(1.0, 0.0, 0.0));
    solid->setPointAt(2, OdGePoint3d(0.0, 1.0, 0.0));
    solid->setPointAt(3, OdGePoint3d(1.0, 1.0, 0.0));
    OdCmColor orange;
    orange.setRGB(255, 128, 0);
    solid->setColor(orange);
    space->appendOdDbEntity(solid.get());
    const auto hatch = OdDbHatch::createObject();
    OdGePoint2dArray loop;
    for (const OdGePoint2d& p : {OdGePoint2d(0, 0), OdGePoint2d(4, 0), OdGePoint2d(4, 1)})
        loop.append(p);
    OdGeDoubleArray bulges;
    for (const double b : {0.0, -0.5, 0.0})
        bulges.append(b);
    hatch->appendLoop(OdDbHatch::kPolyline, loop, bulges);
    hatch->setPattern(OdDbHatch::kPreDefined, L"ANSI31");
    space->appendOdDbEntity(hatch.get());
    const auto table = OdDbTable::createObject();
    table->setSize(2, 2);
    table->setTextString(1, 1, L"1.5 mm");
    table->recomputeTableBlock();
    space->appendOdDbEntity(table.get());

    const auto ref = OdDbBlockReference::createObject();
    ref->setBlockTableRecord(glyphId);
    ref->setPosition(OdGePoint3d(10.0, 5.0, 0.0));
    ref->setRotation(std::numbers::pi / 6.0);
    space->appendOdDbEntity(ref.get());
    EXPECT_EQ(ref->setXData(sampleXData().get()), eOk);
    return db;
}

OdDbBlockReferencePtr onlyReference(OdDbDatabase& db)
{
    OdDbBlockReferencePtr found;
    for (const OdDbObjectId& id : modelSpace(db)->entityIds())
        if (const auto ref = OdDbBlockReferencePtr::cast(id.openObject()))
        {
            EXPECT_TRUE(found.isNull());
            found = ref;
        }
    return found;
}

TEST(DxfFiles, PassAnIndependentAuditAndReadBackWithTheirEntitiesAndExtendedData)
{
    const fs::path folder = scratchFolder("roundtrip");
    const fs::path file = folder / "drawing.dxf";
    sampleDrawing()->writeFile(file.string().c_str());
    EXPECT_FALSE(fs::exists(folder / "drawing.dxf.part"));
    EXPECT_EQ(runPython(folder, kAudit, file), 0);

    const OdDbDatabasePtr db = readDrawing(file);
    std::map<std::string, int> kinds;
    for (const OdDbObjectId& id : modelSpace(*db)->entityIds())
        ++kinds[typeid(*id.openObject()).name()];
    EXPECT_EQ(kinds[typeid(OdDbLine).name()], 1 + 12) << "the table comes back as its lines";
    EXPECT_EQ(kinds[typeid(OdDbText).name()], 2);
    for (const auto* kind :
         {&typeid(OdDbArc), &typeid(OdDbCircle), &typeid(OdDbPolyline), &typeid(OdDbSpline),
          &typeid(OdDbSolid), &typeid(OdDbHatch), &typeid(OdDbBlockReference)})
        EXPECT_EQ(kinds[kind->name()], 1) << kind->name();

    for (const OdDbObjectId& id : modelSpace(*db)->entityIds())
    {
        const OdDbObjectPtr object = id.openObject();
        if (const auto line = OdDbLinePtr::cast(object); line && line->endPoint().x == 10.0)
        {
            EXPECT_EQ(line->layer(), OdString(L"Region"));
        }
        if (const auto text = OdDbTextPtr::cast(object); text && text->verticalMode() == OdDb::kTextVertMid)
        {
            EXPECT_EQ(text->textString(), OdString(L"σ = 5 MPa"));
        }
        if (const auto polyline = OdDbPolylinePtr::cast(object))
        {
            EXPECT_TRUE(polyline->isClosed());
            EXPECT_DOUBLE_EQ(polyline->getBulgeAt(0), 1.0);
        }
        if (const auto hatch = OdDbHatchPtr::cast(object))
        {
            OdGePoint2dArray vertices;
            OdGeDoubleArray bulges;
            ASSERT_EQ(hatch->numLoops(), 1);
            hatch->getLoopAt(0, vertices, bulges);
            ASSERT_EQ(vertices.size(), 3u);
            EXPECT_TRUE(vertices[1].isEqualTo(OdGePoint2d(4.0, 0.0)));
            EXPECT_NEAR(bulges[1], -0.5, 1e-9);
        }
        if (const auto solid = OdDbSolidPtr::cast(object))
        {
            EXPECT_EQ(solid->color().green(), 128);
        }
    }

    const OdDbBlockReferencePtr ref = onlyReference(*db);
    ASSERT_TRUE(ref);
    EXPECT_NEAR(ref->rotation(), std::numbers::pi / 6.0, 1e-12);
    // The reference keeps the handle the file gives it, by which other programs name it.
    std::ifstream in(file);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string pattern = "INSERT\n  5\n";
    const std::size_t at = text.find(pattern);
    ASSERT_NE(at, std::string::npos);
    const std::size_t from = at + pattern.size();
    const std::string handle = text.substr(from, text.find('\n', from) - from);
    EXPECT_EQ(OdAnsiString(OdDbHandle(ref->objectId().getHandle()).ascii()).str(), handle);
    const OdResBufPtr xdata = ref->xData(L"CAEANALYZE2D");
    ASSERT_TRUE(xdata);
    const OdResBufPtr expected = sampleXData();
    const OdResBuf* a = xdata.get();
    for (const OdResBuf* b = expected.get(); b; b = b->next().get(), a = a ? a->next().get() : nullptr)
    {
        ASSERT_TRUE(a);
        EXPECT_EQ(a->restype(), b->restype());
    }
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(xdata->next()->getInt16(), 3);
    EXPECT_TRUE(xdata->next()->next()->getPoint2d().isEqualTo(OdGePoint2d(4.0, -3.0)));
    EXPECT_EQ(xdata->next()->next()->next()->getDouble(), 0.125);
    const auto block = OdDbBlockTableRecordPtr::cast(ref->blockTableRecord().openObject());
    ASSERT_TRUE(block);
    EXPECT_TRUE(block->isAnonymous());
    EXPECT_EQ(block->entityIds().size(), 1u);
    if (!HasFailure())
        fs::remove_all(folder);
}

TEST(DxfFiles, GiveBackABlockReferenceWhereAnotherProgramMovedAndTurnedIt)
{
    const fs::path folder = scratchFolder("moved");
    const fs::path file = folder / "drawing.dxf";
    sampleDrawing()->writeFile(file.string().c_str());
    const char* const move = R"(import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
insert = doc.modelspace().query('INSERT')[0]
insert.dxf.insert = (-3.0, 7.0)
insert.dxf.rotation = 120.0
doc.saveas(sys.argv[1])
)";
    ASSERT_EQ(runPython(folder, move, file), 0);
    const OdDbDatabasePtr db = readDrawing(file);
    const OdDbBlockReferencePtr ref = onlyReference(*db);
    ASSERT_TRUE(ref);
    const OdGePoint3d tip = ref->blockTransform() * OdGePoint3d(2.0, 0.0, 0.0);
    EXPECT_NEAR(tip.x, -3.0 + 2.0 * std::cos(2.0 * std::numbers::pi / 3.0), 1e-9);
    EXPECT_NEAR(tip.y, 7.0 + 2.0 * std::sin(2.0 * std::numbers::pi / 3.0), 1e-9);
    EXPECT_EQ(ref->xData(L"CAEANALYZE2D")->next()->getInt16(), 3);
    fs::remove_all(folder);
}

TEST(DxfFiles, ReadAnotherProgramsEllipsesMirroredArcsUnitsAndKeepOtherKindsAsProxies)
{
    const fs::path folder = scratchFolder("kinds");
    const fs::path file = folder / "drawing.dxf";
    const char* const draw = R"(import sys, ezdxf
doc = ezdxf.new('R2010')
doc.header['$INSUNITS'] = 1
msp = doc.modelspace()
msp.add_ellipse((1, 2), major_axis=(3, 4), ratio=0.5, start_param=0.5, end_param=2.5, dxfattribs={'layer': 'P'})
msp.add_arc((4, 5), 2, 10, 80, dxfattribs={'layer': 'P', 'extrusion': (0, 0, -1)})
t = msp.add_mtext('note', dxfattribs={'layer': 'NOTES'})
open(sys.argv[1] + '.handle', 'w').write(t.dxf.handle)
doc.saveas(sys.argv[1])
)";
    ASSERT_EQ(runPython(folder, draw, file), 0);
    const OdDbDatabasePtr db = readDrawing(file);
    EXPECT_EQ(db->getINSUNITS(), OdDb::kUnitsInches);
    OdDbEllipsePtr ellipse;
    OdDbArcPtr arc;
    OdDbProxyEntityPtr proxy;
    for (const OdDbObjectId& id : modelSpace(*db)->entityIds())
    {
        if (const auto e = OdDbEllipsePtr::cast(id.openObject()))
            ellipse = e;
        if (const auto a = OdDbArcPtr::cast(id.openObject()))
            arc = a;
        if (const auto p = OdDbProxyEntityPtr::cast(id.openObject()))
            proxy = p;
    }
    ASSERT_TRUE(ellipse && arc && proxy);
    OdGeCurve3d* raw = nullptr;
    ASSERT_EQ(ellipse->getOdGeCurve(raw), eOk);
    const std::unique_ptr<OdGeCurve3d> curve(raw);
    // The point at parameter 1: centre + cos 1 major + sin 1 ratio (major turned a quarter).
    const OdGePoint3d expected(1 + 3 * std::cos(1.0) - 0.5 * 4 * std::sin(1.0),
                               2 + 4 * std::cos(1.0) + 0.5 * 3 * std::sin(1.0), 0);
    EXPECT_LE(curve->evalPoint(1.0).distanceTo(expected), 1e-12);
    // An arc about -z is stored in its own mirrored coordinates: its centre lies at (-4, 5).
    OdGePoint3d start;
    ASSERT_EQ(arc->getStartPoint(start), eOk);
    EXPECT_NEAR(arc->center().x, -4.0, 1e-12);
    // Angles run from the plane's x axis, which is -x for the normal -z.
    EXPECT_NEAR(start.distanceTo(OdGePoint3d(-4 - 2 * std::cos(10 * std::numbers::pi / 180),
                                             5 + 2 * std::sin(10 * std::numbers::pi / 180), 0)),
                0.0, 1e-12);
    EXPECT_TRUE(proxy->originalDxfName() == OdString(L"MTEXT"));
    EXPECT_TRUE(proxy->layer() == OdString(L"NOTES"));
    std::ifstream handle(file.string() + ".handle");
    const std::string written((std::istreambuf_iterator<char>(handle)), std::istreambuf_iterator<char>());
    EXPECT_EQ(proxy->objectId().getHandle(), std::stoull(written, nullptr, 16));

    // Written and read again, the ellipse keeps its points.
    const fs::path again = folder / "again.dxf";
    const OdDbDatabasePtr out = OdDbDatabase::createObject();
    modelSpace(*out)->appendOdDbEntity(ellipse->clone().get());
    out->writeFile(again.string().c_str());
    const OdDbDatabasePtr back = readDrawing(again);
    bool found = false;
    for (const OdDbObjectId& id : modelSpace(*back)->entityIds())
        if (const auto e = OdDbEllipsePtr::cast(id.openObject()))
        {
            OdGeCurve3d* g = nullptr;
            ASSERT_EQ(e->getOdGeCurve(g), eOk);
            EXPECT_LE(g->evalPoint(1.0).distanceTo(expected), 1e-12);
            delete g;
            found = true;
        }
    EXPECT_TRUE(found);
    if (!HasFailure())
        fs::remove_all(folder);
}

/// The record of the entity with the given handle, without its owner, which names the block it is
/// written in; empty when the text has no such entity.
std::string recordWithoutOwner(const std::string& text, const std::string& handle)
{
    const std::size_t at = text.find("\n  5\n" + handle + "\n");
    if (at == std::string::npos)
        return {};
    const std::size_t begin = text.rfind("  0\n", at);
    const std::size_t end = text.find("\n  0\n", at);
    std::string record = text.substr(begin, end - begin);
    const std::size_t owner = record.find("\n330\n");
    if (owner != std::string::npos)
        record.erase(owner, record.find('\n', owner + 5) - owner);
    return record;
}

TEST(DxfFiles, GiveBackTheEntitiesTheyOnlyCarryAsProxiesGroupForGroup)
{
    const fs::path folder = scratchFolder("proxies");
    const fs::path file = folder / "drawing.dxf";
    const char* const draw = R"(import sys, ezdxf
doc = ezdxf.new('R2010')
doc.appids.new('NOTEAPP')
msp = doc.modelspace()
note = msp.add_mtext('first\\Psecond', dxfattribs={'layer': 'NOTES', 'char_height': 2.5, 'insert': (1, 2)})
note.set_xdata('NOTEAPP', [(1000, 'kept'), (1040, 0.125), (1070, 3)])
mark = doc.blocks.new('MARK')
point = mark.add_point((3, 4), dxfattribs={'color': 1})
logo = msp.add_image(doc.add_image_def(filename='logo.png', size_in_pixel=(640, 360)), insert=(0, 0),
                     size_in_units=(6.4, 3.6))
open(sys.argv[1] + '.handles', 'w').write(' '.join(e.dxf.handle for e in (note, point, logo)))
doc.saveas(sys.argv[1])
)";
    ASSERT_EQ(runPython(folder, draw, file), 0);
    const fs::path again = folder / "again.dxf";
    readDrawing(file)->writeFile(again.string().c_str());
    const std::string before = slurp(file), after = slurp(again);
    // A raster image keeps the references to its definition and reactor, which are kept with it.
    for (const std::string& handle : notedHandles(file))
    {
        const std::string original = recordWithoutOwner(before, handle);
        ASSERT_FALSE(original.empty()) << handle;
        EXPECT_EQ(recordWithoutOwner(after, handle), original);
    }
    if (!HasFailure())
        fs::remove_all(folder);
}

TEST(DxfFiles, GiveBackWhatTheyReadAsReadUntilItChanges)
{
    const fs::path folder = scratchFolder("changed");
    const fs::path file = folder / "drawing.dxf";
    // A line type the file names without listing it is one a reader would have to mend.
    const char* const draw = R"(import sys, ezdxf
doc = ezdxf.new('R2010')
doc.styles.new('TITLE', dxfattribs={'font': 'isocp.shx'})
msp = doc.modelspace()
weighted = {'lineweight': 35, 'ltscale': 2.0, 'true_color': 0x112233, 'thickness': 1.5, 'invisible': 1}
kept = msp.add_line((0, 0), (1, 0), dxfattribs=weighted)
moved = msp.add_line((0, 1), (1, 1), dxfattribs=weighted)
text = msp.add_text('title', dxfattribs={'style': 'TITLE', 'height': 2, 'linetype': 'UNLISTED'})
hatch = msp.add_hatch(color=3, dxfattribs={'transparency': 0x02000040})
hatch.paths.add_polyline_path([(0, 0), (4, 0), (4, 3)], is_closed=True)
open(sys.argv[1] + '.handles', 'w').write(' '.join(e.dxf.handle for e in (kept, text, hatch, moved)))
doc.saveas(sys.argv[1])
)";
    ASSERT_EQ(runPython(folder, draw, file), 0);
    const std::vector<std::string> handles = notedHandles(file);
    ASSERT_EQ(handles.size(), 4u);
    const std::string &kept = handles[0], &text = handles[1], &hatch = handles[2], &moved = handles[3];
    const OdDbDatabasePtr db = readDrawing(file);
    const auto line = objectAt<OdDbLine>(*db, moved);
    ASSERT_TRUE(line);
    line->setEndPoint(OdGePoint3d(2.0, 1.0, 0.0));
    const fs::path again = folder / "again.dxf";
    db->writeFile(again.string().c_str());
    const std::string before = slurp(file), after = slurp(again);
    for (const std::string& handle : {kept, text, hatch})
        EXPECT_EQ(recordWithoutOwner(after, handle), recordWithoutOwner(before, handle)) << handle;
    const std::string changed = recordWithoutOwner(after, moved);
    EXPECT_NE(changed.find("\n 11\n2.0\n"), std::string::npos) << changed;
    const char* const audit = R"(import sys, ezdxf
auditor = ezdxf.readfile(sys.argv[1]).audit()
print([e.message for e in auditor.errors + auditor.fixes])
sys.exit(1 if auditor.errors or auditor.fixes else 0)
)";
    EXPECT_EQ(runPython(folder, audit, again), 0);
    if (!HasFailure())
        fs::remove_all(folder);
}

TEST(DxfFiles, ReadHatchesBoundedByPolylinesOrEdgesWithTheirFill)
{
    const fs::path folder = scratchFolder("hatches");
    const fs::path file = folder / "drawing.dxf";
    const char* const draw = R"(import sys, ezdxf
doc = ezdxf.new('R2010')
msp = doc.modelspace()
solid = msp.add_hatch(color=3)
solid.paths.add_polyline_path([(0, 0, 0), (4, 0, 0.5), (4, 3, 0)], is_closed=True)
solid.paths.add_polyline_path([(1, 0.5), (2, 0.5), (2, 1)], is_closed=True)
lined = msp.add_hatch(color=2)
lined.set_pattern_fill('ANSI31', scale=0.5)
edges = lined.paths.add_edge_path()
edges.add_line((10, 0), (14, 0))
edges.add_arc((12, 0), 2, 0, 180)
open(sys.argv[1] + '.handles', 'w').write(solid.dxf.handle + ' ' + lined.dxf.handle)
doc.saveas(sys.argv[1])
)";
    ASSERT_EQ(runPython(folder, draw, file), 0);
    const std::vector<std::string> handles = notedHandles(file);
    ASSERT_EQ(handles.size(), 2u);
    const OdDbDatabasePtr db = readDrawing(file);
    const OdDbHatchPtr solid = objectAt<OdDbHatch>(*db, handles[0]),
                       lined = objectAt<OdDbHatch>(*db, handles[1]);
    ASSERT_TRUE(solid && lined);
    EXPECT_EQ(solid->patternName(), OdString(L"SOLID"));
    EXPECT_EQ(lined->patternName(), OdString(L"ANSI31"));
    ASSERT_EQ(solid->numLoops(), 2);
    ASSERT_EQ(lined->numLoops(), 1);
    OdGePoint2dArray points;
    OdGeDoubleArray bulges;
    solid->getLoopAt(0, points, bulges);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[1], OdGePoint2d(4.0, 0.0));
    EXPECT_EQ(bulges.size(), 3u);
    EXPECT_EQ(bulges.size() == 3 ? bulges[1] : 0.0, 0.5);
    lined->getLoopAt(0, points, bulges);
    EXPECT_EQ(points.size(), 2u) << "a line and a half circle";
    if (!HasFailure())
        fs::remove_all(folder);
}

TEST(DxfFiles, KeepEverySheetWithItsNameSettingsAndViewportsEvenWhereTheirHandlesAreTaken)
{
    const fs::path folder = scratchFolder("sheets");
    const fs::path file = folder / "drawing.dxf";
    const char* const draw = R"(import sys, ezdxf
doc = ezdxf.new('R2010')
doc.layouts.rename('Layout1', 'PLAN')
for name, size in (('PLAN', (420, 297)), ('DETAIL', (297, 210))):
    sheet = doc.layouts.get(name) if name == 'PLAN' else doc.layouts.new(name)
    sheet.page_setup(size=size, margins=(5, 5, 5, 5), units='mm')
    sheet.add_viewport(center=(100, 80), size=(60, 40), view_center_point=(0, 0), view_height=10)
    sheet.add_text(name, dxfattribs={'height': 3}).set_pos((10, 10))
doc.saveas(sys.argv[1])
)";
    ASSERT_EQ(runPython(folder, draw, file), 0);
    // A database that holds objects of its own before it reads the file: the file's handles are taken, so
    // the sheets' records are written with others, and every reference to them must follow.
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    for (int i = 0; i < 400; ++i)
        modelSpace(*db)->appendOdDbEntity(OdDbLine::createObject().get());
    db->readFile(file.string().c_str());
    const fs::path again = folder / "again.dxf";
    db->writeFile(again.string().c_str());
    const char* const same = R"(import sys, ezdxf
user, run = ezdxf.readfile(sys.argv[1].replace('again', 'drawing')), ezdxf.readfile(sys.argv[1])
def sheet(layout):
    settings = {k: v for k, v in layout.dxf_layout.dxfattribs().items()
                if k not in ('owner', 'handle', 'block_record_handle', 'viewport_handle')}
    things = [(e.dxftype(), sorted((k, v) for k, v in e.dxfattribs().items() if k not in ('handle', 'owner')))
              for e in layout]
    # The last active viewport named is one of the sheet's own.
    viewport = [e.dxf.handle for e in layout].index(layout.dxf_layout.dxf.viewport_handle)
    return layout.name, sorted(settings.items()), things, viewport
problems = [m.message for m in run.audit().errors + run.audit().fixes]
if sorted(sheet(l) for l in user.layouts if l.name != 'Model') != sorted(sheet(l) for l in run.layouts if l.name != 'Model'):
    problems.append(('sheets', [sheet(l) for l in run.layouts]))
if run.layouts.active_layout().name != 'PLAN':
    problems.append('active')
print(problems)
sys.exit(1 if problems else 0)
)";
    EXPECT_EQ(runPython(folder, same, again), 0);
    if (!HasFailure())
        fs::remove_all(folder);
}

TEST(DxfFiles, AreRefusedWithTheirNameWhenMissingAndNeverLeftHalfWritten)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    try
    {
        db->readFile(L"no/such/drawing.dxf");
        ADD_FAILURE();
    }
    catch (const OdError& e)
    {
        EXPECT_NE(std::string(e.what()).find("no/such/drawing.dxf"), std::string::npos);
    }
    EXPECT_THROW(sampleDrawing()->writeFile(L"no/such/folder/drawing.dxf"), OdError);
    EXPECT_FALSE(fs::exists("no/such/folder/drawing.dxf.part"));
}
TEST(DxfFiles, DrawnByAnotherCadProgramComeBackEntityForEntity)
{
    // LibreCAD's symbol library: drawings of several versions that no code of ours wrote. Every
    // hundredth of them, in name order, read and saved again; each entity of model space and of the
    // blocks is found again under its handle with every attribute, and the reader mends nothing.
    const fs::path library = "/usr/share/librecad/library";
    if (!fs::is_directory(library))
        GTEST_SKIP() << "LibreCAD's library is not installed (scripts/install-deps.sh)";
    std::vector<fs::path> drawings;
    for (const auto& entry : fs::recursive_directory_iterator(library))
        if (entry.path().extension() == ".dxf")
            drawings.push_back(entry.path());
    std::sort(drawings.begin(), drawings.end());
    const fs::path folder = scratchFolder("another");
    std::ofstream pairs(folder / "pairs.txt");
    for (std::size_t i = 0; i < drawings.size(); i += 100)
    {
        const fs::path again = folder / ("again" + std::to_string(i) + ".dxf");
        const OdDbDatabasePtr db = OdDbDatabase::createObject();
        ASSERT_NO_THROW(db->readFile(drawings[i].string().c_str())) << drawings[i];
        ASSERT_NO_THROW(db->writeFile(again.string().c_str())) << drawings[i];
        pairs << drawings[i].string() << "\n" << again.string() << "\n";
    }
    pairs.close();
    const char* const same = R"(import sys, ezdxf
def values(e):
    return sorted((k, repr(v)) for k, v in e.dxfattribs().items() if k != 'owner') + [e.dxftype()]
def spaces(doc):
    yield doc.modelspace()
    yield from (b for b in doc.blocks if not b.name.lower().startswith(('*model_space', '*paper_space')))
lines = open(sys.argv[1]).read().split()
problems = []
for original, again in zip(lines[0::2], lines[1::2]):
    user, run = ezdxf.readfile(original), ezdxf.readfile(again)
    kept = {e.dxf.handle: values(e) for space in spaces(run) for e in space}
    changed = [e.dxf.handle for space in spaces(user) for e in space if kept.get(e.dxf.handle) != values(e)]
    auditor = run.audit()
    if changed or auditor.errors or auditor.fixes:
        problems.append((original, changed[:5], [m.message for m in auditor.errors + auditor.fixes][:3]))
print(problems)
sys.exit(1 if problems else 0)
)";
    EXPECT_EQ(runPython(folder, same, folder / "pairs.txt"), 0);
    if (!HasFailure())
        fs::remove_all(folder);
}

TEST(DxfFiles, KeepTheirTextsInTheirCodePageOrAsUnicode)
{
    // Names and texts beyond ASCII in a drawing of UTF-8 (2007 on) and in one of the Cyrillic code page
    // (2000): read as the characters they are, and saved again so that a reader finds them unchanged.
    const fs::path folder = scratchFolder("codepages");
    const char* const draw = R"(import sys, ezdxf
for version, encoding, name in (('R2010', None, 'utf8.dxf'), ('R2000', 'cp1251', 'cp1251.dxf')):
    doc = ezdxf.new(version)
    if encoding:
        doc.encoding = encoding
    layer = 'Maße' if encoding is None else 'Слой'
    doc.layers.add(layer)
    doc.modelspace().add_text('Ø 8 mm' if encoding is None else 'Привет', dxfattribs={'layer': layer})
    doc.saveas(sys.argv[1].replace('drawing.dxf', name))
)";
    ASSERT_EQ(runPython(folder, draw, folder / "drawing.dxf"), 0);
    for (const auto& [file, layer] : {std::pair{"utf8", L"Maße"}, {"cp1251", L"Слой"}})
    {
        const OdDbDatabasePtr db = readDrawing((folder / (std::string(file) + ".dxf")));
        const auto layers = OdDbLayerTablePtr::cast(db->getLayerTableId().openObject());
        EXPECT_TRUE(layers->has(OdString(layer))) << file;
        db->writeFile((folder / (std::string(file) + "_again.dxf")).string().c_str());
    }
    const char* const same = R"(import sys, ezdxf
def seen(path):
    doc = ezdxf.readfile(path)
    return [(e.dxf.layer, e.dxf.text) for e in doc.modelspace()], sorted(l.dxf.name for l in doc.layers)
problems = [name for name in ('utf8', 'cp1251')
            if seen(sys.argv[1].replace('drawing', name)) != seen(sys.argv[1].replace('drawing', name + '_again'))]
print(problems)
sys.exit(1 if problems else 0)
)";
    EXPECT_EQ(runPython(folder, same, folder / "drawing.dxf"), 0);
    if (!HasFailure())
        fs::remove_all(folder);
}

TEST(DxfFiles, ThatAreDamagedAreReadAndSavedAgainWithoutFault)
{
    // Found by fuzzing: a block that inserts itself (its extents and drawing would recurse for ever) and
    // a text justified by a value no program writes, under the sanitizers each a fault; and an arc of no
    // radius, which another program's drawing held and which must come back as it was.
    const auto group = [](int code, const std::string& value)
    { return std::to_string(code) + "\n" + value + "\n"; };
    const std::string selfInsert =
        group(0, "SECTION") + group(2, "BLOCKS") + group(0, "BLOCK") + group(2, "LOOP") + group(70, "0") +
        group(10, "0") + group(20, "0") + group(30, "0") + group(0, "LINE") + group(8, "0") + group(10, "0") +
        group(20, "0") + group(11, "1") + group(21, "1") + group(0, "INSERT") + group(8, "0") +
        group(2, "LOOP") + group(10, "5") + group(20, "0") + group(0, "ENDBLK") + group(0, "ENDSEC") +
        group(0, "SECTION") + group(2, "ENTITIES") + group(0, "INSERT") + group(8, "0") + group(2, "LOOP") +
        group(10, "0") + group(20, "0") + group(0, "ENDSEC") + group(0, "EOF");
    const std::string oddText =
        group(0, "SECTION") + group(2, "ENTITIES") + group(0, "TEXT") + group(8, "0") + group(10, "1") +
        group(20, "2") + group(40, "2.5") + group(1, "note") + group(72, "8") + group(73, "9") +
        group(0, "ARC") + group(5, "A1") + group(8, "0") + group(10, "0") + group(20, "0") + group(40, "0") +
        group(50, "0") + group(51, "90") + group(0, "ENDSEC") + group(0, "EOF");
    const fs::path folder = scratchFolder("damaged");
    for (const auto& [name, text] : {std::pair{"self-insert", selfInsert}, {"odd text", oddText}})
    {
        std::ofstream(folder / "in.dxf") << text;
        const OdDbDatabasePtr db = readDrawing((folder / "in.dxf"));
        EXPECT_EQ(modelSpace(*db)->entityIds().size(), text == oddText ? 2u : 1u) << name;
        EXPECT_NO_THROW(db->writeFile((folder / "out.dxf").string().c_str())) << name;
        // Written in the format of 2000, every record has its handle, and the entities their owner, also
        // where the file gave neither, as files before 2000 may.
        std::ifstream written(folder / "out.dxf");
        std::string code, value, record;
        while (std::getline(written, code) && std::getline(written, value))
        {
            if (!record.empty())
            {
                EXPECT_TRUE(code == "  5" || code == "105") << name << ": a " << record << " without handle";
            }
            // A table's head names the table before its handle.
            const bool structure = value == "SECTION" || value == "ENDSEC" || value == "EOF" ||
                                   value == "TABLE" || value == "ENDTAB";
            record = code == "  0" && !structure ? value : std::string();
        }
    }
    EXPECT_NE(slurp(folder / "out.dxf").find("ARC\n  5\nA1\n330\n"), std::string::npos)
        << "the arc of no radius";
    if (!HasFailure())
        fs::remove_all(folder);
}
} // namespace
