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

program=$(readlink -f "${1:?usage: $0 <nastran program> [nx ny nz]}")
nx=${2:-40}
ny=${3:-30}
nz=${4:-28}
if [ -n "${BENCH_WORK:-}" ]; then # keep the files in this folder
    work=$(readlink -f "$BENCH_WORK")
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
cd "$work"

/usr/bin/python3 - "$nx" "$ny" "$nz" <<'PY'
import sys
nx, ny, nz = map(int, sys.argv[1:4])
lx, ly, lz = 4.0, 3.0, 2.8
e, nu = 2.0e5, 0.3
def nid(i, j, k):
    return 1 + i + (nx + 1) * (j + (ny + 1) * k)
nodes = [(lx * i / nx, ly * j / ny, lz * k / nz) for k in range(nz + 1) for j in range(ny + 1) for i in range(nx + 1)]
tets = []
perms = [(0, 1, 2), (0, 2, 1), (1, 0, 2), (1, 2, 0), (2, 0, 1), (2, 1, 0)]
def det(a, b, c, d):
    u = [b[q] - a[q] for q in range(3)]; v = [c[q] - a[q] for q in range(3)]; w = [d[q] - a[q] for q in range(3)]
    return u[0] * (v[1] * w[2] - v[2] * w[1]) - u[1] * (v[0] * w[2] - v[2] * w[0]) + u[2] * (v[0] * w[1] - v[1] * w[0])
for k in range(nz):
    for j in range(ny):
        for i in range(nx):
            for p in perms:
                c = [0, 0, 0]
                t = [nid(i, j, k)]
                for ax in p:
                    c[ax] += 1
                    t.append(nid(i + c[0], j + c[1], k + c[2]))
                if det(*(nodes[g - 1] for g in t)) < 0:
                    t[1], t[2] = t[2], t[1]
                tets.append(t)
def faces(on):
    out = []
    for n, t in enumerate(tets):
        off = [a for a in range(4) if not on(nodes[t[a] - 1])]
        if len(off) == 1:
            out.append((n, off[0]))
    return out
# Coordinates are i * l / n, so the far faces are told with a tolerance: l * n / n need not give l.
loads = [(faces(lambda x: abs(x[0] - lx) < 1e-9), 30.0), (faces(lambda x: abs(x[2] - lz) < 1e-9), 2.5)]
fixed = [g for g in range(1, len(nodes) + 1) if nodes[g - 1][0] == 0.0]
f = lambda v: "%.6E" % v

with open("task.dat", "w") as d:
    d.write("$ VANTORIX RUN\nSOL 101\nCEND\nDISP=ALL\nSTRESS(VONMISES)=ALL\nTITLE=BENCH\nSUBTITLE=VANTORIX TASK\n"
            "LABEL=SUMMARY\nSPC=100\nECHO=PUNCH\nLOAD=10\n$\nBEGIN BULK\n$     DEFINE GRID POINTS\n")
    for g, x in enumerate(nodes, 1):
        d.write("GRID,%d,,%s,%s,%s\n" % (g, f(x[0]), f(x[1]), f(x[2])))
    d.write("$\n$     DEFINE TETRA ELEMENTS\n")
    for n, t in enumerate(tets, 1):
        d.write("CTETRA,%d,1,%d,%d,%d,%d\n" % (n, *t))
    d.write("$\n$     DEFINE PROPERTIES OF ELEMENTS\nPSOLID,1,105,0\nMAT1,105,%s,,%s\n" % (f(e), f(nu)))
    d.write("$     DEFINE LOADS\nLOAD,10,1.0,1.0,1,1.0,2\n$     PRESSURE lOADS\n")
    for sid, (fs, p) in enumerate(loads, 1):
        for n, opp in fs:
            t = tets[n]
            d.write("PLOAD4,%d,%d,%s,,,,%d,%d,,,,\n" % (sid, n + 1, f(p), t[1 if opp == 0 else 0], t[opp]))
    d.write("$     DEFINE CONSTRAINTS\n$     FIX CONSTRAINTS")
    for q in range(0, len(fixed), 10):
        d.write("\nSPC1,100,123," + ",".join(map(str, fixed[q:q + 10])))
    d.write("\n$     ROTATION CONSTRAINTS\nSPC1,100,456,1,THRU,%d\nENDDATA" % len(nodes))

face_label = {0: 3, 1: 4, 2: 2, 3: 1}
with open("box.inp", "w") as c:
    c.write("*NODE, NSET=NALL\n")
    for g, x in enumerate(nodes, 1):
        c.write("%d,%s,%s,%s\n" % (g, f(x[0]), f(x[1]), f(x[2])))
    c.write("*ELEMENT, TYPE=C3D4, ELSET=EALL\n")
    for n, t in enumerate(tets, 1):
        c.write("%d,%d,%d,%d,%d\n" % (n, *t))
    c.write("*MATERIAL, NAME=STEEL\n*ELASTIC\n%s,%s\n*SOLID SECTION, ELSET=EALL, MATERIAL=STEEL\n*BOUNDARY\n" % (f(e), f(nu)))
    for g in fixed:
        c.write("%d,1,3\n" % g)
    c.write("*STEP\n*STATIC\n*DLOAD\n")
    for fs, p in loads:
        for n, opp in fs:
            c.write("%d,P%d,%s\n" % (n + 1, face_label[opp], f(p)))
    c.write("*NODE FILE\nU\n*EL FILE\nS\n*END STEP\n")
print("model: %d grids, %d tetrahedra" % (len(nodes), len(tets)))
PY

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

median() { # column of a .runs file
    sort -n -k"$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
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
