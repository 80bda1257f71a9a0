#pragma once

#include "platform/base/OdString.h"

class OdDbDatabase;

namespace oa
{

/// System variables of the host application that are not stored in a drawing.
class SysVars
{
public:
    /// The folder for temporary files, ending with a separator: the environment variable TMPDIR when it is
    /// set and not empty, otherwise "/tmp/".
    static OdString getTEMPPREFIX();
};

/// The drawing's current annotation scale (CANNOSCALE) as a factor: drawing units per paper unit, so a
/// 1:50 scale gives 50 and a 2:1 scale gives 0.5. Always positive and finite: 1.0 when `database` is null,
/// it has no current scale, either unit count is not positive, or the ratio is not a positive finite number.
double safeCANNOSCALE(const OdDbDatabase* database);

} // namespace oa
