// The Nastran-compatible solver program: linear statics of a deck, results beside it.
#include "tools/nastran/Run.h"

#include <string>
#include <vector>

int main(int argc, char** argv)
{
    return nastran::runProgram(std::vector<std::string>(argv + 1, argv + argc));
}
