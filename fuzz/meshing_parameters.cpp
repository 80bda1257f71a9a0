// A meshing-parameter file as the module reads it into a set of parameters.

#include "fuzz/FuzzTarget.h"

#include "cae_core/meshing_parameters/ParameterFiles.h"
#include "host/ut/Reporter.h"

#include <sstream>

CAE_FUZZ_TARGET(text)
{
    std::ostringstream messages;
    ut::StreamReporter reporter(messages);
    cae_core::MeshingParameters parameters;
    static_cast<void>(cae_core::readJsonText(reporter, text, parameters));
}
