#!/usr/bin/env bash
# Times the solver program against CalculiX and against CHOLMOD alone on the same linear static model: a
# box of linear tetrahedra (structured cells of six tetrahedra each), clamped at x = 0, with pressures on
# two faces. The solver program and CalculiX read their input, solve, and write displacements and element
# stresses (task.dat and its f06 for the solver program, box.inp and its frd for CalculiX, which also
# writes a box.dat). CHOLMOD alone (bench/bare_cholmod) analyses, factorises and solves the stiffness
# matrix the solver program wrote in a run before (its matrix= keyword), with CHOLMOD's default settings;
# only those three phases are counted, not the reading of the matrix.
#
#   bench/nastran_vs_calculix.sh <nastran program> [cells along x] [cells along y] [cells along z]
#
#   BARE_CHOLMOD  the bare_cholmod program (build/bench/bare_cholmod); without it, CHOLMOD is left out
#   ROUNDS        rounds, each running every program once in turn (default 3); medians are reported
#   THREADS       threads of every program (default 1): smp= for the solver program, OpenBLAS's and
#                 OpenMP's for CHOLMOD alone and CalculiX
#   CPUS          processors all runs are pinned to with taskset (default: the first THREADS ones)
#
# The default 40 x 30 x 28 cells give 201,600 tetrahedra and 36,859 grids. The run happens in a fresh
# temporary folder, which is removed afterwards (set BENCH_WORK to a folder to keep the files there).
# Wall time, processor time (user + system, every thread) and peak memory come from /usr/bin/time; the
# load average before and after is printed, since other programs on the machine slow every run.
set -euo pipefail

here=$(dirname "$(readlink -f "$0")")
# shellcheck source-path=SCRIPTDIR source=common.sh
. "$here/common.sh"
box_arguments 40 30 28 "$@"
enter_work

/usr/bin/python3 "$here/box_deck.py" "$nx" "$ny" "$nz"

rounds=${ROUNDS:-3}
threads=${THREADS:-1}
cpus=${CPUS:-0-$((threads - 1))}
bare=${BARE_CHOLMOD:+$(readlink -f "$BARE_CHOLMOD")}

# label, command...: appends "wall cpu peakMB" to $label.runs
measure() {
    local label=$1
    shift
    /usr/bin/time -f "%e %U %S %M" -o "$label.time" taskset -c "$cpus" "$@" > "$label.out" 2>&1 ||
        { echo "$label failed:"; tail -20 "$label.out"; exit 1; }
    awk '{ printf "%.3f %.3f %.1f\n", $1, $2 + $3, $4 / 1024 }' "$label.time" >> "$label.runs"
}

# CHOLMOD alone: its own wall and processor time of analysis, factorisation and solve, and the peak
# memory of the whole process.
measure_bare() {
    measure bare "$@"
    local phases
    phases=$(awk '$1 == "analyse" || $1 == "factorise" || $1 == "solve" { w += $3; c += $6 } END { printf "%.3f %.3f", w, c }' bare.out)
    sed -i "\$s/^[^ ]* [^ ]*/$phases/" bare.runs
}

echo "threads $threads on processors $cpus, $rounds rounds; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
if [ -n "$bare" ]; then
    "$program" "$work/task.dat" memorymaximum=16GB smp="$threads" matrix="$work/k.mtx" > /dev/null
fi
rm -f ./*.runs
for ((r = 1; r <= rounds; ++r)); do
    measure nastran "$program" "$work/task.dat" memorymaximum=16GB smp="$threads"
    grep -q "Analysis complete 0" task.log || { echo "nastran did not complete"; cat task.log; exit 1; }
    if [ -n "$bare" ]; then
        OPENBLAS_NUM_THREADS=$threads OMP_NUM_THREADS=$threads measure_bare "$bare" "$work/k.mtx"
    fi
    OMP_NUM_THREADS=$threads CCX_NPROC_EQUATION_SOLVER=$threads measure calculix ccx -i box
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-10s %10s %10s %12s   (medians)\n' "" "wall s" "cpu s" "peak MB"
for label in nastran bare calculix; do
    [ -f "$label.runs" ] || continue
    printf '%-10s %10s %10s %12s\n' "$label" "$(median "$label.runs" 1)" "$(median "$label.runs" 2)" "$(median "$label.runs" 3)"
done
ratio() { awk -v a="$(median "$1.runs" "$3")" -v b="$(median "$2.runs" "$3")" 'BEGIN { printf "%.2f", a / b }'; }
if [ -n "$bare" ]; then
    echo "nastran / CHOLMOD alone:  wall $(ratio nastran bare 1)  cpu $(ratio nastran bare 2)  peak memory $(ratio nastran bare 3)"
fi
echo "nastran / CalculiX:       wall $(ratio nastran calculix 1)  cpu $(ratio nastran calculix 2)  peak memory $(ratio nastran calculix 3)"
grep -E "THREADS|ASSEMBLING|ORDERING|FACTORISING|SOLVING|WRITING RESULTS|complete" task.log
ls -l task.f06 box.frd | awk '{printf "%-8s %12d bytes\n", $NF, $5}'
