// The task file as `cae task3d` reads it: units, the solid's construction, meshing and features.

#include "fuzz/FuzzTarget.h"

#include "apps/file/AnalysisFile.h"
#include "apps/task3d/TaskFile.h"

CAE_FUZZ_TARGET(text)
{
    try
    {
        static_cast<void>(cae_app::parseTaskText(text, "fuzz.json", "."));
    }
    catch (const cae_app::InputError&)
    {
    }
}
