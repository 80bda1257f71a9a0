// A deck as the solver program reads it: free-field and small-field bulk data, case control, and the
// checks of the model's references that come before any solution.

#include "fuzz/FuzzTarget.h"

#include "tools/nastran/Analysis.h"

CAE_FUZZ_TARGET(text)
{
    static_cast<void>(nastran::checkDeck(text));
}
