#!/usr/bin/env bash
# Times the solver program's runs on one and on two processes (MUMPS under Open MPI), out of core, and
# with CHOLMOD, beside CalculiX, on the box of bench/box_deck.py (by default 70 x 60 x 40 cells,
# 1,008,000 linear tetrahedra, 177,571 grids, 525,210 equations), then projects the run on two processes to 8 and 64
# (bench/mumps_projection.py).
#
#   bench/nastran_distributed.sh <nastran program> [cells along x] [cells along y] [cells along z]
#
#   RUNS      which runs, in this order every round (default "cholmod dmp1 dmp2 ooc calculix"):
#             cholmod   one process, CHOLMOD, smp=2 (the program's default solver)
#             dmp1      one process under mpirun, MUMPS, smp=2
#             dmp2      two processes under mpirun, MUMPS, smp=1 each
#             ooc       as dmp1, with memorymaximum=$OOC_LIMIT, so that MUMPS keeps the factor on disk
#             calculix  ccx with two threads
#   ROUNDS    rounds (default 1: a run of a million tetrahedra takes minutes); medians are reported
#   CPUS      processors every run is pinned to with taskset (default 0-1); every run uses two threads
#   OOC_LIMIT memorymaximum of the out-of-core run (default 4GB)
#
# mpirun is told not to bind its processes, so that taskset alone decides where they run. Each MPI
# process runs under its own /usr/bin/time, which gives its peak memory; the whole run's processor time
# is that of mpirun's process tree. The files stay in BENCH_WORK when it is set (a fresh temporary folder
# otherwise, removed afterwards).
set -euo pipefail

here=$(dirname "$(readlink -f "$0")")
# shellcheck source-path=SCRIPTDIR source=common.sh
. "$here/common.sh"
box_arguments 70 60 40 "$@"
runs=${RUNS:-cholmod dmp1 dmp2 ooc calculix}
rounds=${ROUNDS:-1}
cpus=${CPUS:-0-1}
oocLimit=${OOC_LIMIT:-4GB}
enter_work
[ -f task.dat ] && [ -f box.inp ] && [ "$(cat box.cells 2> /dev/null)" = "$nx $ny $nz" ] ||
    { /usr/bin/python3 "$here/box_deck.py" "$nx" "$ny" "$nz" && echo "$nx $ny $nz" > box.cells; }

export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 OMPI_MCA_rmaps_base_oversubscribe=1
# Every MPI process writes "wall user sys peakKB" to <label>.rank<r>.time.
cat > rank_time.sh << 'SH'
#!/bin/sh
exec /usr/bin/time -f "%e %U %S %M" -o "$BENCH_LABEL.rank$OMPI_COMM_WORLD_RANK.time" "$@"
SH
chmod +x rank_time.sh

# label, command...: appends "wall cpu peakMB" to $label.runs; the log goes to $label.log.
measure() {
    local label=$1
    shift
    rm -f "$label".rank*.time
    /usr/bin/time -f "%e %U %S %M" -o "$label.time" env BENCH_LABEL="$label" taskset -c "$cpus" "$@" \
        > "$label.out" 2>&1 || { echo "$label failed:"; tail -20 "$label.out"; exit 1; }
    [ ! -f task.log ] || mv task.log "$label.log"
    local peak
    peak=$({ cat "$label".rank*.time 2> /dev/null || true; } | awk '{ if ($4 > m) m = $4 } END { print m + 0 }')
    awk -v p="$peak" '{ printf "%.3f %.3f %.1f\n", $1, $2 + $3, (p > 0 ? p : $4) / 1024 }' "$label.time" >> "$label.runs"
    for f in "$label".rank*.time; do
        [ -f "$f" ] || continue
        awk -v f="${f#"$label".}" '{ printf "    %s: wall %.1f s, cpu %.1f s, peak %.0f MB\n", f, $1, $2 + $3, $4 / 1024 }' "$f" >> "$label.ranks"
    done
}

mpi() { # processes, keywords...
    local np=$1
    shift
    measure "$label" mpirun -np "$np" --bind-to none "$work/rank_time.sh" "$program" "$work/task.dat" "$@"
}

echo "runs: $runs; two threads each on processors $cpus, $rounds round(s); load before: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -f ./*.runs ./*.ranks
mkdir -p scratch
for ((r = 1; r <= rounds; ++r)); do
    for label in $runs; do
        case $label in
            cholmod) measure cholmod "$program" "$work/task.dat" memorymaximum=16GB smp=2 ;;
            dmp1) mpi 1 memorymaximum=16GB smp=2 ;;
            dmp2) mpi 2 memorymaximum=16GB smp=1 ;;
            ooc) mpi 1 memorymaximum="$oocLimit" sdirectory="$work/scratch" smp=2 ;;
            calculix) OMP_NUM_THREADS=2 CCX_NPROC_EQUATION_SOLVER=2 measure calculix ccx -i box ;;
            *) echo "unknown run $label" && exit 1 ;;
        esac
        if [ "$label" != calculix ]; then
            grep -q "Analysis complete 0" "$label.log" || { echo "$label did not complete"; tail "$label.log"; exit 1; }
        fi
        echo "  round $r $label done, load $(cut -d' ' -f1 /proc/loadavg)"
    done
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

printf '%-10s %10s %10s %14s   (medians; peak: the largest process)\n' "" "wall s" "cpu s" "peak MB"
for label in $runs; do
    printf '%-10s %10s %10s %14s\n' "$label" "$(median "$label.runs" 1)" "$(median "$label.runs" 2)" "$(median "$label.runs" 3)"
    [ ! -f "$label.ranks" ] || cat "$label.ranks"
done
if [[ " $runs " == *" calculix "* ]]; then
    for label in $runs; do
        [ "$label" = calculix ] && continue
        awk -v l="$label" -v w="$(median "$label.runs" 1)" -v c="$(median "$label.runs" 2)" -v m="$(median "$label.runs" 3)" \
            -v W="$(median calculix.runs 1)" -v C="$(median calculix.runs 2)" -v M="$(median calculix.runs 3)" \
            'BEGIN { printf "%-8s / CalculiX: wall %.2f  cpu %.2f  peak memory %.2f\n", l, w / W, c / C, m / M }'
    done
fi
if [ -f ooc.runs ] && [ -f dmp1.runs ]; then
    grep -h "OUT OF CORE:" ooc.log || echo "the ooc run kept its factor in memory: lower OOC_LIMIT"
    echo "out of core / in memory (one process): wall $(awk -v a="$(median ooc.runs 1)" -v b="$(median dmp1.runs 1)" 'BEGIN { printf "%.2f", a / b }')" \
        " cpu $(awk -v a="$(median ooc.runs 2)" -v b="$(median dmp1.runs 2)" 'BEGIN { printf "%.2f", a / b }')" \
        " peak memory $(awk -v a="$(median ooc.runs 3)" -v b="$(median dmp1.runs 3)" 'BEGIN { printf "%.2f", a / b }')"
fi
for label in dmp1 dmp2; do
    [ -f "$label.runs" ] || continue
    echo "$label:"
    grep -E "PROCESS|FACTORISING|SOLVING" "$label.log"
done
if [ -f dmp2.runs ]; then
    /usr/bin/python3 "$here/mumps_projection.py" dmp2.log --time dmp2.time --ranks dmp2.rank*.time
fi
