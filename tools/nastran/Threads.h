#pragma once

// The threads of the libraries the factorisation runs on: OpenBLAS for the dense blocks and OpenMP in
// CHOLMOD. Both are controlled through the libraries' own calls when the libraries in use offer them,
// so that the program runs with whichever BLAS the system provides.

namespace nastran
{

/// Processors this process may run on (its affinity mask, so that `taskset` is respected); at least 1.
int availableProcessors();

/// Runs the BLAS and CHOLMOD's parallel loops on `count` threads (0: one per available processor), and
/// makes idle BLAS threads sleep at once instead of spinning, which on a loaded machine takes processor
/// time from the threads doing the work. Returns the count in effect.
int useThreads(int count);

} // namespace nastran
