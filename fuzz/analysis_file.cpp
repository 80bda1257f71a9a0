// The analysis file as `cae analyze2d` reads it: the JSON text, its entries, the loops checked
// against each other and the region drawn with the ends of its linear loads and supports.

#include "fuzz/FuzzTarget.h"

#include "apps/drawing/Drawing.h"
#include "apps/drawing/RegionBuilder.h"
#include "apps/file/AnalysisFile.h"
#include "apps/file/Loops.h"

CAE_FUZZ_TARGET(text)
{
    try
    {
        cae_app::AnalysisFile file = cae_app::parseAnalysisText(text, "fuzz.json");
        cae_app::prepareLoops(file.outer, file.holes, "fuzz.json");
        std::vector<cae_app::BoundaryPoint> points = cae_app::linearEnds(file);
        const double tolerance = cae_app::kJoinPrecision * cae_app::regionSize(file.outer, file.holes);
        cae_app::buildRegion(file.outer, file.holes, points, tolerance, "fuzz.json");
    }
    catch (const cae_app::InputError&)
    {
    }
}
