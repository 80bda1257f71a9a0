#include "tools/nastran/Threads.h"

#include <dlfcn.h>
#include <sched.h>

#include <cstdlib>

namespace nastran
{
namespace
{

template <class Function> Function* libraryFunction(const char* name)
{
    return reinterpret_cast<Function*>(dlsym(RTLD_DEFAULT, name));
}

/// OpenBLAS reads how long an idle thread spins (2^n cycles; its minimum, 4, is a few nanoseconds)
/// from the environment when it starts, before main; its threads are started again after reading it
/// anew. The default, about a tenth of a second after every call, costs whole processors when other
/// programs wait for them.
void sleepingBlasThreads(int count)
{
    auto* setThreads = libraryFunction<void(int)>("openblas_set_num_threads");
    if (!setThreads)
        return;
    auto* readEnvironment = libraryFunction<void()>("openblas_read_env");
    auto* shutdown = libraryFunction<int()>("blas_thread_shutdown_");
    if (readEnvironment && shutdown && !std::getenv("OPENBLAS_THREAD_TIMEOUT"))
    {
        setenv("OPENBLAS_THREAD_TIMEOUT", "4", 1);
        readEnvironment();
        shutdown();
    }
    setThreads(count);
}

/// CHOLMOD asks OpenMP for four threads for its scatter loops whatever the machine; with dynamic
/// adjustment OpenMP grants no more than the count set here, less the machine's load.
void openMpThreads(int count)
{
    if (auto* setThreads = libraryFunction<void(int)>("omp_set_num_threads"))
        setThreads(count);
    if (auto* setDynamic = libraryFunction<void(int)>("omp_set_dynamic"))
        setDynamic(1);
}

} // namespace

int availableProcessors()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 1;
    const int count = CPU_COUNT(&set);
    return count > 0 ? count : 1;
}

int useThreads(int count)
{
    if (count <= 0)
        count = availableProcessors();
    sleepingBlasThreads(count);
    openMpThreads(count);
    return count;
}

} // namespace nastran
