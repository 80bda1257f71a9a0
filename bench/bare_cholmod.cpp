// CHOLMOD alone on a stiffness matrix the solver program wrote (its matrix=<file> keyword): reading,
// CHOLMOD's own analysis with its default settings, the numeric factorisation and one solve, each
// timed by wall clock and processor time, for the comparison in bench/nastran_vs_calculix.sh.
//
//   bare_cholmod <matrix.mtx>
//
// Threads are OpenBLAS's, set by the caller through OPENBLAS_NUM_THREADS as for any program linking it.

#include <cholmod.h>

#include <chrono>
#include <cstdio>
#include <ctime>

namespace
{

struct Clock
{
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();

    void lap(const char* phase)
    {
        const auto now = std::chrono::steady_clock::now();
        const std::clock_t cpuNow = std::clock();
        std::printf("%-10s wall %8.3f s   cpu %8.3f s\n", phase,
                    std::chrono::duration<double>(now - wall).count(),
                    static_cast<double>(cpuNow - cpu) / CLOCKS_PER_SEC);
        wall = now;
        cpu = cpuNow;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: bare_cholmod <matrix.mtx>\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "r");
    if (!file)
    {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 2;
    }
    cholmod_common c;
    cholmod_l_start(&c);
    Clock clock;
    cholmod_sparse* a = cholmod_l_read_sparse(file, &c);
    std::fclose(file);
    if (!a)
    {
        std::fprintf(stderr, "cannot read the matrix in %s\n", argv[1]);
        return 1;
    }
    clock.lap("read");
    cholmod_factor* l = cholmod_l_analyze(a, &c);
    clock.lap("analyse");
    if (!l || !cholmod_l_factorize(a, l, &c) || c.status != CHOLMOD_OK)
    {
        std::fprintf(stderr, "the factorisation failed (CHOLMOD status %d)\n", c.status);
        return 1;
    }
    clock.lap("factorise");
    cholmod_dense* b = cholmod_l_ones(a->nrow, 1, CHOLMOD_REAL, &c);
    cholmod_dense* x = cholmod_l_solve(CHOLMOD_A, l, b, &c);
    clock.lap("solve");
    std::printf("equations %zu, factor %.0f terms, ordering %s, supernodal %d, peak %.1f MB\n", a->nrow,
                c.lnz, c.method[c.selected].ordering == CHOLMOD_METIS ? "METIS" : "AMD", l->is_super,
                static_cast<double>(c.memory_usage) / 1048576.0);
    cholmod_l_free_dense(&x, &c);
    cholmod_l_free_dense(&b, &c);
    cholmod_l_free_factor(&l, &c);
    cholmod_l_free_sparse(&a, &c);
    cholmod_l_finish(&c);
    return 0;
}
