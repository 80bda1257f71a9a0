// A drawing as the program reads it from a CAD user's DXF file: the region's boundaries joined into
// loops and checked, the loads and supports of its glyph blocks, and the whole drawing read and saved
// again as the run's drawing is built on it.

#include "fuzz/FuzzTarget.h"

#include "apps/drawing/GlyphDrawing.h"
#include "apps/file/DrawingRegion.h"
#include "apps/file/Loops.h"
#include "platform/base/OdError.h"
#include "platform/db/DbDatabase.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

CAE_FUZZ_TARGET(text)
{
    // The readers take files; one per process, so that parallel fuzzing jobs keep apart.
    static const std::string stem =
        (std::filesystem::temp_directory_path() / ("cae_fuzz_drawing_" + std::to_string(::getpid())))
            .string();
    static const std::string in = stem + ".dxf", out = stem + "_out.dxf";
    std::ofstream(in, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
    try
    {
        cae_app::DrawnRegion region = cae_app::readDrawnRegion(in, "", "fuzz.dxf");
        cae_app::prepareLoops(region.outer, region.holes, "fuzz.dxf");
    }
    catch (const cae_app::InputError&)
    {
    }
    try
    {
        cae_app::loadsFromDrawing(in);
    }
    catch (const cae_app::InputError&)
    {
    }
    try
    {
        const OdDbDatabasePtr db = OdDbDatabase::createObject();
        db->readFile(OdString(in.c_str()));
        db->writeFile(OdString(out.c_str()));
    }
    catch (const OdError&)
    {
    }
    std::remove(out.c_str());
}
