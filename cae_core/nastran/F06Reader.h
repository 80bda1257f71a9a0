#pragma once

#include "cae_core/task/SolidStress.h"
#include "platform/ge/GeVector3d.h"

#include <cstdint>
#include <istream>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

namespace cae_core
{

/// What the solver's printed results say about one grid point of a 3D task.
struct GridResult
{
    /// The translations T1, T2, T3; zero when the displacement table has no row for the grid.
    OdGeVector3d displacement;
    /// The largest von Mises stress printed for the grid at a tetrahedron corner; zero when none is.
    double vonMisesStress = 0.0;
    /// With F06ReadOptions::stressComponents: the mean of the tensors printed at the grid's tetrahedron
    /// corners, over `stressCorners` corners; otherwise (and for a grid that is no corner) zero.
    SolidStress stress;
    std::uint32_t stressCorners = 0;
};

/// Grid id (as written into the deck) -> its results, ascending.
using GridResults = std::map<std::uint64_t, GridResult>;

/// Reads the grid-point displacement table and the tetrahedron stress table of the solver's printed
/// results (f06), line by line:
/// - the tables are recognised by their spaced titles, "D I S P L A C E M E N T   V E C T O R" and
///   "S T R E S S E S   I N    T E T R A H E D R O N" (four blanks before T E T R A); once entered, a
///   section lasts to the end, and the stress section ends the displacement section;
/// - only lines of 100 characters or more are rows; shorter ones (headers, the Y and Z lines of a
///   stress point) are passed over;
/// - a displacement row is "<grid> G <T1> <T2> <T3> ..." (other point types are skipped); the last row of a
///   grid wins;
/// - a stress row is "<cc> <grid> X <sx> XY <txy> A <sa> ..." and its von Mises stress is the second
///   number from character 100 on (after the mean pressure); each grid keeps the largest it is given,
///   and the two lines after a stress row are passed over;
/// - a row that does not parse is skipped, and reading stops there if it holds the analysis summary
///   title "A N A L Y S I S  S U M M A R Y  T A B L E".
/// Numbers convert as the standard library's stoul and stod do. Never throws on the content: damaged,
/// binary or truncated input yields what the readable rows say. Lines end at '\n'; a '\r' before it is
/// dropped, as a text-mode stream on the solver's home platform does.
GridResults readGridResults(std::istream& f06);

/// The same, from the bytes of a whole file.
GridResults readGridResults(std::string_view f06);

/// How a printout is read. The default reads as described at readGridResults, which fits the module's
/// own decks (one subcase, tetrahedra only, no other grid-point tables before the stresses).
struct F06ReadOptions
{
    /// Reads what a solver prints for any deck: a table lasts to the next spaced title that is not its
    /// own (a page break repeats its own) or to the end of its subcase; titles match whole; only the
    /// displacement table fills translations and only CTETRA rows fill stresses; page headers (lines
    /// whose carriage control is 1), column headers and rows of other point types are passed over; only
    /// `subcase` is read. A damaged row inside a table throws F06Error naming its line.
    bool printout = false;
    /// The subcase read in printout mode, from the "SUBCASE n" of the page headers; 0 takes the first.
    /// Pages without a subcase belong to the one read.
    std::uint64_t subcase = 0;
    /// Also keeps the stress tensor of every tetrahedron corner (the X, Y and Z lines of a point: normal
    /// and shear columns) and gives each grid the mean over the corners at it. In printout mode a corner
    /// whose Y or Z line is missing or damaged, or an element whose stresses are printed in a coordinate
    /// system other than the basic one, throws F06Error.
    bool stressComponents = false;
};

/// A printout read in printout mode holds a damaged table row.
class F06Error : public std::runtime_error
{
public:
    F06Error(std::size_t line, const std::string& what);
    /// 1-based.
    std::size_t line() const { return m_line; }

private:
    std::size_t m_line;
};

GridResults readGridResults(std::istream& f06, const F06ReadOptions& options);
GridResults readGridResults(std::string_view f06, const F06ReadOptions& options);

/// Grid id -> the force its constraints exert on it (T1, T2, T3), ascending.
using GridForces = std::map<std::uint64_t, OdGeVector3d>;

/// Both kinds of results of a printout, read in one pass.
struct TaskResultTables
{
    GridResults grids; ///< exactly what readGridResults gives
    /// The rows "<grid> G <T1> <T2> <T3> ..." of the tables "F O R C E S   O F   S I N G L E - P O I N T
    /// C O N S T R A I N T" and "... M U L T I P O I N T ...", summed per grid; empty without them. A
    /// table lasts until another spaced title (four or more letters each followed by one blank), so
    /// its page breaks do not end it.
    GridForces reactions;
};

TaskResultTables readTaskResultTables(std::istream& f06, const F06ReadOptions& options = {});
TaskResultTables readTaskResultTables(std::string_view f06, const F06ReadOptions& options = {});

} // namespace cae_core
