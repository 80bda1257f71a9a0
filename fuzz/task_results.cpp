// The solver's printed results of a 3D task as the module reads them back: the displacement table and
// the tetrahedron stress table, from the bytes of the file; and the reading that also takes the forces
// of constraint and checks every row, which damaged printouts (cut short, not-a-number, garbled rows)
// reach through its error paths; and the printout reading, which refuses a damaged row.

#include "fuzz/FuzzTarget.h"

#include "cae_core/nastran/F06Reader.h"

CAE_FUZZ_TARGET(text)
{
    static_cast<void>(cae_core::readGridResults(text));
    static_cast<void>(cae_core::readTaskResultTables(text));
    // Read as any solver prints: a damaged row is refused with its line, nothing else may escape.
    cae_core::F06ReadOptions printout;
    printout.printout = true;
    try
    {
        static_cast<void>(cae_core::readTaskResultTables(text, printout));
    }
    catch (const cae_core::F06Error&)
    {
    }
}
