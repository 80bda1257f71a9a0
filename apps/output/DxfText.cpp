#include "apps/output/DxfText.h"

#include "platform/db/DbBlockTableRecord.h"
#include "platform/db/DbSolid.h"
#include "platform/db/DbSymbolTable.h"
#include "platform/db/DbText.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace cae_app
{
void addLayer(OdDbDatabase& db, const wchar_t* name, int colorIndex)
{
    const auto table = OdDbLayerTablePtr::cast(db.getLayerTableId().openObject(OdDb::kForWrite));
    if (table->has(name))
        return;
    const auto layer = OdDbLayerTableRecord::createObject();
    layer->setName(name);
    OdCmColor color;
    color.setColorIndex(colorIndex);
    layer->setColor(color);
    table->add(layer.get());
}

void addRoleLayers(OdDbDatabase& db)
{
    // Green outline, grey mesh, red glyphs, blue tables and frame, and the legend in the colour that
    // reads on both a dark screen and white paper.
    addLayer(db, layers::kRegion, 3);
    addLayer(db, layers::kMesh, 8);
    addLayer(db, layers::kGlyphs, 1);
    addLayer(db, layers::kResults, 5);
    addLayer(db, layers::kLegend, 7);
}

void addLegend(OdDbDatabase& db, const cae_core::ColorMap& map, const std::string& title,
               const std::vector<std::string>& caption, const OdGeExtents3d& beside)
{
    // The results block's proportions in units of a, with the eleven rows as high as what they
    // stand beside.
    constexpr int kRows = 11;
    const OdGePoint3d lo = beside.isValidExtents() ? beside.minPoint() : OdGePoint3d::kOrigin;
    const OdGePoint3d hi = beside.isValidExtents() ? beside.maxPoint() : OdGePoint3d(220.0, 220.0, 0.0);
    const double a = std::max(hi.y - lo.y, hi.x - lo.x) / (20.0 * kRows);
    if (!(a > 0.0))
        return;
    addLayer(db, layers::kLegend, 7);
    const auto space = OdDbBlockTableRecordPtr::cast(db.getModelSpaceId().openObject(OdDb::kForWrite));
    const double x0 = hi.x + 40.0 * a;
    const double y0 = 0.5 * (lo.y + hi.y) - 10.0 * a * kRows;
    const auto addText = [&](const std::string& value, const OdGePoint3d& at, bool middle)
    {
        const auto text = OdDbText::createObject();
        text->setDatabaseDefaults(&db);
        text->setTextString(OdString(value.c_str()));
        text->setHeight(10.0 * a);
        if (middle)
        {
            text->setVerticalMode(OdDb::kTextVertMid);
            text->setAlignmentPoint(at);
        }
        else
            text->setPosition(at);
        space->appendOdDbEntity(text.get());
        text->setLayer(layers::kLegend);
    };
    const cae_core::ColorMapDomain& domain = map.getColorMapDomain();
    for (int i = 0; i < kRows; ++i)
    {
        const double v = domain.min + i * (domain.max - domain.min) / (kRows - 1);
        const double y = y0 + 20.0 * a * i + 10.0 * a;
        const auto swatch = OdDbSolid::createObject();
        swatch->setDatabaseDefaults(&db);
        swatch->setPointAt(0, OdGePoint3d(x0, y - 7.5 * a, 0.0));
        swatch->setPointAt(1, OdGePoint3d(x0 + 50.0 * a, y - 7.5 * a, 0.0));
        swatch->setPointAt(2, OdGePoint3d(x0, y + 7.5 * a, 0.0));
        swatch->setPointAt(3, OdGePoint3d(x0 + 50.0 * a, y + 7.5 * a, 0.0));
        swatch->setColor(map.getColor(v));
        space->appendOdDbEntity(swatch.get());
        swatch->setLayer(layers::kLegend);
        char value[32];
        std::snprintf(value, sizeof value, "%.4g", v);
        addText(value, OdGePoint3d(x0 + 65.0 * a, y, 0.0), true);
    }
    addText(title, OdGePoint3d(x0, y0 + 20.0 * a * kRows + 5.0 * a, 0.0), false);
    for (std::size_t i = 0; i < caption.size(); ++i)
        addText(caption[i], OdGePoint3d(x0, y0 - 20.0 * a * static_cast<double>(i + 1), 0.0), false);
}

std::string dxfText(OdDbDatabase& db)
{
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("cae-drawing-" + std::to_string(::getpid()) + ".dxf");
    db.writeFile(OdString(scratch.string().c_str()));
    std::ifstream in(scratch, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    in.close();
    std::error_code ignored;
    std::filesystem::remove(scratch, ignored);
    return text.str();
}
} // namespace cae_app
