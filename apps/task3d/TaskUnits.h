#pragma once

#include "platform/db/DbUnits.h"

#include <string>

/// The one unit convention of `cae task3d`'s output (report, summary.json and result.vtu): lengths,
/// positions and displacements in the drawing's length unit; forces in the modelling system's force
/// unit (N for "si", lbf for "english"); stresses in that force per square drawing length unit:
///
/// | drawing unit | "si"                        | "english"                       |
/// |--------------|-----------------------------|---------------------------------|
/// | millimeters  | MPa (N/mm^2)                | lbf/mm^2                        |
/// | meters       | Pa (N/m^2)                  | lbf/m^2                         |
/// | inches       | N/in^2                      | psi (lbf/in^2)                  |
/// | feet         | N/ft^2                      | psf (lbf/ft^2)                  |
/// | any other U  | N/U^2                       | lbf/U^2                         |
///
/// So a drawing in millimetres with SI modelling reads as the usual mm-N-MPa system, one in metres as
/// m-N-Pa and one in inches with English modelling as in-lbf-psi. The task file's own values
/// (pressures, the material, the yield stress) stay in the modelling system's units, Pa or psi.
namespace cae_app
{
struct TaskUnits
{
    /// Unit symbols.
    std::string length;
    std::string force;
    std::string stress;
    /// Modelling length (m or in) to `length`.
    double lengthScale = 1.0;
    /// Modelling pressure (Pa or psi) to `stress`.
    double stressScale = 1.0;
};

/// The output units of a drawing in `drawing` units with SI or English modelling.
TaskUnits taskUnits(OdDb::UnitsValue drawing, bool systemInternational);

/// The short symbol of a drawing length unit ("mm", "in", ...).
std::string lengthSymbol(OdDb::UnitsValue units);
} // namespace cae_app
