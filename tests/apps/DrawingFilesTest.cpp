// The drawing files of both commands as other CAD programs take them: an independent reader's audit,
// and LibreCAD's print of each page.
#include "TestSupport.h"
#include "apps/DrawingOutput.h"
#include "apps/file/AnalysisFile.h"
#include "apps/file/Loops.h"
#include "apps/output/DxfText.h"
#include "platform/db/DbBlockReference.h"
#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbLine.h"
#include "platform/db/DbSymbolTable.h"
#include "platform/db/DbText.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;
using cae_app_test::examplesDir;
using cae_app_test::quote;
using cae_app_test::slurp;
using cae_app_test::spit;
using cae_app_test::TempDir;

/// The command's exit status; its output goes to `log`, which a failure shows.
int run(const std::string& command, const fs::path& log)
{
    const int status = std::system((command + " >" + quote(log.string()) + " 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

/// The reader mends nothing, the header's extents hold all geometry (texts aside: the reader guesses
/// their width from the character count), every anonymous block keeps its flag, every named block
/// the drawing's units, and each layer named after the file holds entities (inside blocks, those on
/// layer "0" are counted on the reference's layer).
const char* const kAudit = R"(import sys, ezdxf
from ezdxf import bbox
doc = ezdxf.readfile(sys.argv[1])
auditor = doc.audit()
problems = [e.message for e in auditor.errors + auditor.fixes]
lo, hi = doc.header.get('$EXTMIN'), doc.header.get('$EXTMAX')
parts = []
for e in doc.modelspace():
    parts += list(e.virtual_entities()) if e.dxftype() == 'INSERT' else [e]
box = bbox.extents([e for e in parts if e.dxftype() != 'TEXT'], fast=True)
if lo is None or hi is None or not all(lo[i] - 1e-6 <= box.extmin[i] and box.extmax[i] <= hi[i] + 1e-6 for i in (0, 1)):
    problems.append(f'extents {lo} {hi} do not hold {box}')
units = doc.header.get('$INSUNITS')
for b in doc.blocks:
    if b.name.startswith('*U') and not b.block.dxf.flags & 1:
        problems.append(f'anonymous block {b.name} without its flag')
    if not b.name.startswith('*') and b.block_record.dxf.units != units:
        problems.append(f'block {b.name} in units {b.block_record.dxf.units}, not {units}')
used = set()
for e in doc.modelspace():
    used.add(e.dxf.layer)
    if e.dxftype() == 'INSERT':
        used |= {v.dxf.layer for v in doc.blocks[e.dxf.name]}
problems += [f'nothing on layer {l}' for l in sys.argv[2:] if l not in used or l not in doc.layers]
for p in problems:
    print(p)
sys.exit(1 if problems else 0)
)";

/// The printed page read back (a PPM): each layer named after the files, as a box mapped onto the
/// page and grown by a pixel for the outlines on its edges, holds coloured ink, at least the given share of
/// its pixels and number of colours. The drawing is mapped by its coloured ink, which spans exactly its
/// geometry: texts print black.
const char* const kPage = R"(import sys, ezdxf
from ezdxf import bbox
doc = ezdxf.readfile(sys.argv[1])
fields = open(sys.argv[2], 'rb').read().split(maxsplit=4)
w, h = int(fields[1]), int(fields[2])
pixels = fields[4][-3 * w * h:]
def rgb(x, y):
    i = 3 * (y * w + x)
    return pixels[i], pixels[i + 1], pixels[i + 2]
def coloured(c):
    return max(c) - min(c) > 60
ink = [(x, y) for y in range(h) for x in range(w) if coloured(rgb(x, y))]
if not ink:
    sys.exit('the page holds no coloured part of the drawing')
ix0, ix1 = min(p[0] for p in ink), max(p[0] for p in ink)
iy0, iy1 = min(p[1] for p in ink), max(p[1] for p in ink)
parts = []
for e in doc.modelspace():
    if e.dxftype() == 'INSERT':
        parts += [(v, v.dxf.layer if v.dxf.layer != '0' else e.dxf.layer) for v in e.virtual_entities()]
    else:
        parts.append((e, e.dxf.layer))
box = bbox.extents([e for e, _ in parts if e.dxftype() != 'TEXT'], fast=True)
sx = (ix1 - ix0) / (box.extmax[0] - box.extmin[0])
sy = (iy1 - iy0) / (box.extmax[1] - box.extmin[1])
if abs(sx / sy - 1) > 0.03:
    sys.exit(f'the page does not show the whole drawing undistorted: {sx} by {sy} pixels per unit')
failed = False
for arg in sys.argv[3:]:
    layer, least_share, least_colours = arg.split(':')
    b = bbox.extents([e for e, l in parts if l == layer and e.dxftype() != 'TEXT'], fast=True)
    x0 = max(int(ix0 + (b.extmin[0] - box.extmin[0]) * sx) - 1, 0)
    x1 = min(int(ix0 + (b.extmax[0] - box.extmin[0]) * sx) + 1, w - 1)
    y0 = max(int(iy1 - (b.extmax[1] - box.extmin[1]) * sy) - 1, 0)
    y1 = min(int(iy1 - (b.extmin[1] - box.extmin[1]) * sy) + 1, h - 1)
    inside = [rgb(x, y) for y in range(y0, y1 + 1) for x in range(x0, x1 + 1)]
    inside = [c for c in inside if coloured(c)]
    share = len(inside) / max((x1 - x0 + 1) * (y1 - y0 + 1), 1)
    if share < float(least_share) or len(set(inside)) < int(least_colours):
        print(f'{layer}: pixels {x0}..{x1} x {y0}..{y1} hold {share:.3f} coloured ink in {len(set(inside))} colours')
        failed = True
sys.exit(1 if failed else 0)
)";

/// Audits the drawing file and prints it through LibreCAD's console converter onto a page checked
/// with `expectations` ("LAYER:share:colours" each).
void checkDrawingFile(const fs::path& dxf, const std::vector<std::string>& layers,
                      const std::vector<std::string>& expectations)
{
    const fs::path folder = dxf.parent_path();
    const fs::path log = folder / "check.log";
    spit(folder / "audit.py", kAudit);
    std::string audit =
        "/usr/bin/python3 " + quote((folder / "audit.py").string()) + " " + quote(dxf.string());
    for (const auto& layer : layers)
        audit += " " + quote(layer);
    EXPECT_EQ(run(audit, log), 0) << slurp(log);

    if (run("command -v librecad && command -v xvfb-run && command -v pdftoppm && command -v flock", log) !=
        0)
        GTEST_SKIP() << "LibreCAD, xvfb-run or pdftoppm is not installed (scripts/install-deps.sh)";
    // The converter writes the page next to the drawing under the drawing's name.
    const fs::path pdf = fs::path(dxf).replace_extension(".pdf");
    // xvfb-run's choice of a free display races with another test's choosing at the same moment; one
    // display at a time, taken in turn through a lock file, keeps parallel test runs from failing.
    const std::string lock = (fs::temp_directory_path() / "cae-test-xvfb.lock").string();
    ASSERT_EQ(run("flock " + quote(lock) + " xvfb-run -a librecad dxf2pdf -a " + quote(dxf.string()), log), 0)
        << slurp(log);
    ASSERT_TRUE(fs::exists(pdf)) << slurp(log);
    const fs::path page = folder / "page";
    ASSERT_EQ(
        run("pdftoppm -scale-to 1000 -singlefile " + quote(pdf.string()) + " " + quote(page.string()), log),
        0)
        << slurp(log);
    spit(folder / "page.py", kPage);
    std::string check = "/usr/bin/python3 " + quote((folder / "page.py").string()) + " " +
                        quote(dxf.string()) + " " + quote(page.string() + ".ppm");
    for (const auto& e : expectations)
        check += " " + quote(e);
    EXPECT_EQ(run(check, log), 0) << slurp(log);
}

TEST(DrawingFiles, Analyze2dDrawingPassesAnAuditAndPrintsRegionResultsAndLegend)
{
    TempDir dir;
    const fs::path out = dir.path() / "out";
    ASSERT_EQ(run(quote(CAE_PROGRAM) + " analyze2d " + quote((examplesDir() / "cantilever.json").string()) +
                      " --quiet --out " + quote(out.string()),
                  dir.path() / "run.log"),
              0)
        << slurp(dir.path() / "run.log");
    // The outline is thin, the mesh and the legend's swatches fill their boxes, the legend in all its
    // eleven colours.
    checkDrawingFile(out / "drawing.dxf",
                     {"CAE_REGION", "CAE_GLYPHS", "CAE_RESULTS", "CAE_MESH", "CAE_LEGEND"},
                     {"CAE_REGION:0.005:1", "CAE_RESULTS:0.05:20", "CAE_MESH:0.8:20", "CAE_LEGEND:0.5:11"});
}

TEST(DrawingFiles, Task3dModelPassesAnAuditAndPrintsMeshAndLegend)
{
    TempDir dir;
    // The deck's title, the file's name, tells this run's working folder from those of other runs.
    const fs::path file = dir.path() / "DrawingFiles_round_bar.json";
    // Coarse, so that the run stays quick under the sanitizers; the file's parts do not depend on it.
    std::string text = slurp(examplesDir() / "3d" / "round_bar.json");
    text.replace(text.find("\"fineness\": 2"), 13, "\"fineness\": 4");
    spit(file, text);
    spit(dir.path() / "round_bar.step", slurp(examplesDir() / "3d" / "round_bar.step"));
    const fs::path out = dir.path() / "out";
    ASSERT_EQ(
        run(quote(CAE_PROGRAM) + " task3d " + quote(file.string()) + " --quiet --out " + quote(out.string()),
            dir.path() / "run.log"),
        0)
        << slurp(dir.path() / "run.log");
    checkDrawingFile(out / "model.dxf", {"CAE_MESH", "CAE_LEGEND"}, {"CAE_MESH:0.3:20", "CAE_LEGEND:0.5:11"});
}

/// A user's drawing: the part's outline on its layer, a note, and a named title block placed on the
/// notes layer.
void writeUserDrawing(const fs::path& path)
{
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    cae_app::addLayer(*db, L"Part", 4);
    cae_app::addLayer(*db, L"Notes", 6);
    const auto blocks = OdDbBlockTablePtr::cast(db->getBlockTableId().openObject(OdDb::kForWrite));
    const auto title = OdDbBlockTableRecord::createObject();
    title->setName(L"TITLE");
    const OdDbObjectId titleId = blocks->add(title.get());
    const auto frame = OdDbLine::createObject();
    frame->setEndPoint(OdGePoint3d(50.0, 0.0, 0.0));
    title->appendOdDbEntity(frame.get());
    const auto space = OdDbBlockTableRecordPtr::cast(db->getModelSpaceId().openObject(OdDb::kForWrite));
    const auto outline = OdDbLine::createObject();
    outline->setEndPoint(OdGePoint3d(200.0, 0.0, 0.0));
    space->appendOdDbEntity(outline.get());
    outline->setLayer(L"Part");
    const auto note = OdDbText::createObject();
    note->setTextString(L"bracket, rev. B");
    note->setHeight(5.0);
    space->appendOdDbEntity(note.get());
    note->setLayer(L"Notes");
    const auto reference = OdDbBlockReference::createObject();
    reference->setBlockTableRecord(titleId);
    reference->setPosition(OdGePoint3d(0.0, -60.0, 0.0));
    space->appendOdDbEntity(reference.get());
    reference->setLayer(L"Notes");
    db->writeFile(OdString(path.string().c_str()));
}

TEST(DrawingFiles, ARunsDrawingBuiltOnTheUsersKeepsItsPartsOnTheirLayers)
{
    TempDir dir;
    const fs::path user = dir.path() / "user.dxf";
    writeUserDrawing(user);
    const std::string example = (examplesDir() / "cantilever.json").string();
    cae_app::AnalysisFile file = cae_app::readAnalysisFile(example);
    cae_app::prepareLoops(file.outer, file.holes, example);
    cae_app::Drawing drawing = cae_app::setUpDrawing(file, example);
    cae_app::drawRegion(drawing, file, cae_app::regionSize(file.outer, file.holes), example, {});
    const fs::path out = dir.path() / "drawing.dxf";
    spit(out, cae_app::drawingFile(drawing, file, nullptr, user));

    const char* const kept = R"(import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
msp = doc.modelspace()
title = [i for i in msp.query('INSERT') if i.dxf.name == 'TITLE']
glyphs = [i for i in msp.query('INSERT') if i.has_xdata('CAEANALYZE2D')]
ok = (not doc.audit().has_errors and len(msp.query('LINE[layer=="Part"]')) == 1
      and [t.dxf.text for t in msp.query('TEXT[layer=="Notes"]')] == ['bracket, rev. B']
      and len(title) == 1 and title[0].dxf.layer == 'Notes' and len(doc.blocks['TITLE']) == 1
      and len(glyphs) == int(sys.argv[2]) and all(g.dxf.layer == 'CAE_GLYPHS' for g in glyphs)
      and len(msp.query('*[layer=="CAE_REGION"]')) > 0)
sys.exit(0 if ok else 1)
)";
    spit(dir.path() / "kept.py", kept);
    EXPECT_EQ(run("/usr/bin/python3 " + quote((dir.path() / "kept.py").string()) + " " + quote(out.string()) +
                      " " + std::to_string(file.loadsAndSupports.size()),
                  dir.path() / "kept.log"),
              0)
        << slurp(dir.path() / "kept.log");
    EXPECT_TRUE(fs::exists(user)) << "the user's drawing is only read";

    // A base that cannot be read is named.
    cae_app::Drawing again = cae_app::setUpDrawing(file, example);
    cae_app::drawRegion(again, file, cae_app::regionSize(file.outer, file.holes), example, {});
    try
    {
        cae_app::drawingFile(again, file, nullptr, dir.path() / "missing.dxf");
        ADD_FAILURE() << "a missing base drawing is refused";
    }
    catch (const cae_app::OutputError& e)
    {
        EXPECT_NE(std::string(e.what()).find("missing.dxf"), std::string::npos) << e.what();
    }
}

TEST(DrawingFiles, ARegionDrawnInCadComesBackInItsDrawingWithEveryEntityItCanHold)
{
    TempDir dir;
    for (const char* name : {"drawn_bracket.json", "drawn_bracket.dxf"})
        spit(dir.path() / name, slurp(examplesDir() / name));
    const fs::path out = dir.path() / "out";
    ASSERT_EQ(run(quote(CAE_PROGRAM) + " analyze2d " + quote((dir.path() / "drawn_bracket.json").string()) +
                      " --quiet --out " + quote(out.string()),
                  dir.path() / "run.log"),
              0)
        << slurp(dir.path() / "run.log");
    // Every entity of the user's model space, sheets and blocks found again under its handle, in the same
    // place, with every attribute, its extended data, vertices and block attributes; the user's sheets with
    // their names and page settings, the active one still active; the user's layers (layer 0 too),
    // registered applications, blocks, line types and styles kept with their handles, no reader's mending
    // needed and the handle seed above every handle.
    const char* const same = R"(import sys, ezdxf
def values(e):
    out = {k: v for k, v in e.dxfattribs().items() if k != 'owner'}
    out['kind'] = e.dxftype()
    if e.dxftype() == 'LWPOLYLINE':
        out['points'] = list(e.get_points())
    if e.dxftype() == 'MTEXT':
        out['text'] = e.text
    if e.dxftype() == 'SPLINE':
        out['control'], out['knots'] = list(e.control_points), list(e.knots)
    if e.dxftype() == 'POLYLINE':
        out['vertices'] = [values(v) for v in e.vertices] + [e.seqend.dxf.handle]
    if e.dxftype() == 'INSERT':
        out['attribs'] = [values(a) for a in e.attribs]
    if e.xdata:
        out['xdata'] = {app: [tuple(t) for t in tags] for app, tags in e.xdata.data.items()}
    return repr(sorted(out.items()))
user, run = ezdxf.readfile(sys.argv[1]), ezdxf.readfile(sys.argv[2])
problems = []
def compare(where, original, kept):
    handles = {e.dxf.handle: e for e in kept}
    for e in original:
        if e.dxf.handle not in handles or values(handles[e.dxf.handle]) != values(e):
            problems.append((where, values(e), values(handles[e.dxf.handle]) if e.dxf.handle in handles else None))
def settings(layout):
    return sorted((k, v) for k, v in layout.dxf_layout.dxfattribs().items() if k != 'owner')
if sorted(user.layouts.names()) != sorted(run.layouts.names()):
    problems.append(('layouts', user.layouts.names(), run.layouts.names()))
for layout in user.layouts:
    kept = run.layouts.get(layout.name) if layout.name in run.layouts.names() else None
    if kept is not None and settings(kept) != settings(layout):
        problems.append(('layout', layout.name, settings(layout), settings(kept)))
    elif kept is not None:
        compare(layout.name, layout, kept)
if run.layouts.active_layout().name != user.layouts.active_layout().name:
    problems.append(('active sheet', run.layouts.active_layout().name))
for block in user.blocks:
    kept = run.blocks.get(block.name)
    handles = lambda b: (b.block_record.dxf.handle, b.block.dxf.handle, b.endblk.dxf.handle)
    if kept is None or handles(kept) != handles(block):
        problems.append(('block', block.name))
    else:
        compare(block.name, block, kept)
def record(r):
    return sorted((k, v) for k, v in r.dxfattribs().items() if k != 'owner')
for table in ('linetypes', 'styles', 'dimstyles'):
    for r in getattr(user, table):
        if r.dxf.name not in getattr(run, table) or record(getattr(run, table).get(r.dxf.name)) != record(r):
            problems.append((table, r.dxf.name))
for table in ('layers', 'appids'):
    for r in getattr(user, table):
        if r.dxf.name not in getattr(run, table) or getattr(run, table).get(r.dxf.name).dxf.handle != r.dxf.handle:
            problems.append((table, r.dxf.name))
auditor = run.audit()
problems += [m.message for m in auditor.errors + auditor.fixes]
lines = open(sys.argv[2]).read().splitlines()
groups = list(zip(lines[0::2], lines[1::2]))
handles = [int(v, 16) for c, v in groups[groups.index(('  0', 'ENDSEC')):] if c.strip() in ('5', '105')]
seed = int(run.header['$HANDSEED'], 16)
if len(set(handles)) != len(handles) or max(handles) >= seed:
    problems.append(('handles not unique or not below the seed', seed))
print(problems)
sys.exit(1 if problems else 0)
)";
    spit(dir.path() / "same.py", same);
    EXPECT_EQ(run("/usr/bin/python3 " + quote((dir.path() / "same.py").string()) + " " +
                      quote((dir.path() / "drawn_bracket.dxf").string()) + " " +
                      quote((out / "drawing.dxf").string()),
                  dir.path() / "same.log"),
              0)
        << slurp(dir.path() / "same.log");
}
TEST(DrawingFiles, LabelsOfACrowdedSetUpStandApartInTheDrawingAsInThePicture)
{
    TempDir dir;
    spit(dir.path() / "crowded.json", cae_app_test::kCrowded);
    const fs::path out = dir.path() / "out";
    ASSERT_EQ(run(quote(CAE_PROGRAM) + " analyze2d " + quote((dir.path() / "crowded.json").string()) +
                      " --quiet --out " + quote(out.string()),
                  dir.path() / "run.log"),
              0)
        << slurp(dir.path() / "run.log");
    const OdDbDatabasePtr db = OdDbDatabase::createObject();
    db->readFile(OdString((out / "drawing.dxf").string().c_str()));
    // The loads' and supports' labels in model space, where their blocks place them, and the loads',
    // supports' and reactions' labels in the results block's picture.
    std::vector<OdGeExtents3d> placed, pictured;
    const auto space = OdDbBlockTableRecordPtr::cast(db->getModelSpaceId().openObject());
    for (const OdDbObjectId& id : space->entityIds())
    {
        const auto reference = OdDbBlockReferencePtr::cast(id.openObject());
        if (!reference)
            continue;
        const bool glyph = reference->layer() == OdString(cae_app::layers::kGlyphs);
        if (!glyph && reference->layer() != OdString(cae_app::layers::kResults))
            continue;
        const auto block = OdDbBlockTableRecordPtr::cast(reference->blockTableRecord().openObject());
        for (const OdDbObjectId& partId : block->entityIds())
        {
            const auto text = OdDbTextPtr::cast(partId.openObject());
            OdGeExtents3d box;
            // The results block's own texts (its tables, its legend) are on layers of their own.
            if (!text || (!glyph && text->layer() != OdString(cae_app::layers::kGlyphs)) ||
                text->getGeomExtents(box) != eOk)
                continue;
            // Glyph and results blocks are placed without turning or scaling.
            const OdGeMatrix3d to = reference->blockTransform();
            (glyph ? placed : pictured).push_back(OdGeExtents3d(to * box.minPoint(), to * box.maxPoint()));
        }
    }
    ASSERT_EQ(placed.size(), 3u) << "three loads; point supports carry no label";
    ASSERT_EQ(pictured.size(), 8u) << "three loads and five reactions";
    for (const auto* boxes : {&placed, &pictured})
        for (std::size_t i = 0; i < boxes->size(); ++i)
            for (std::size_t j = i + 1; j < boxes->size(); ++j)
            {
                const OdGeExtents3d& a = (*boxes)[i];
                const OdGeExtents3d& b = (*boxes)[j];
                EXPECT_FALSE(a.minPoint().x < b.maxPoint().x && b.minPoint().x < a.maxPoint().x &&
                             a.minPoint().y < b.maxPoint().y && b.minPoint().y < a.maxPoint().y)
                    << (boxes == &placed ? "model space" : "results block") << " labels " << i << " and "
                    << j;
            }
}
} // namespace
