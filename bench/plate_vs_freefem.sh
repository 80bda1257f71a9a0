#!/usr/bin/env bash
# Peak memory and time of `cae analyze2d` beside FreeFEM (Debian's freefem++, a bench-only tool) on the
# 2D benchmark's plate with a hole (200 x 100 x 5 mm, a hole of radius 5, steel, plane stress, 50 MPa on
# its right end), three-node triangles on both sides, each side at a mesh size that gives about the
# mesher's triangle budget (25,000). Both read their input, mesh, solve with a direct sparse solver and
# write their results (cae: summary.json and result.vtu; FreeFEM: displacements and von Mises stresses
# as text). Interleaved rounds, one thread, pinned with taskset; medians. cae runs a second time with
# --edges off: the mesh's edges in the pictures are where its peak memory goes.
#
#   bench/plate_vs_freefem.sh <cae program> [cae mesh size] [FreeFEM mesh size]
#
#   ROUNDS  rounds (default 5)
#   CPU     the processor both run on (default 0)
set -euo pipefail

here=$(dirname "$(readlink -f "$0")")
# shellcheck source-path=SCRIPTDIR source=common.sh
. "$here/common.sh"
cae=$(readlink -f "${1:?usage: $0 <cae program> [cae size] [FreeFEM size]}")
size=${2:-2.1}
ffSize=${3:-1.42}
rounds=${ROUNDS:-5}
cpu=${CPU:-0}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
sed -e 's/"triangle6"/"triangle3"/' -e "s/\"size\": 4,/\"size\": $size/" \
    -e '/"refinementRegions"/,/^    \]/d' "$here/../examples/plate_with_hole.json" > plate.json
cp "$here/plate_freefem.edp" plate.edp

measure() { # label, command...
    local label=$1
    shift
    OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1 /usr/bin/time -f "%e %U %S %M" -o "$label.time" \
        taskset -c "$cpu" "$@" > "$label.out" 2>&1 || { echo "$label failed:"; tail -20 "$label.out"; exit 1; }
    awk '{ printf "%.3f %.3f %.1f\n", $1, $2 + $3, $4 / 1024 }' "$label.time" >> "$label.runs"
}

echo "one thread on processor $cpu, $rounds rounds; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for ((r = 1; r <= rounds; ++r)); do
    rm -rf out
    measure cae "$cae" analyze2d plate.json --quiet --out out
    rm -rf out
    measure cae_no_edges "$cae" analyze2d plate.json --quiet --edges off --out out
    measure freefem FreeFem++ -nw -v 0 plate.edp -h "$ffSize"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "cae:     $(python3 -c 'import json,sys; s=json.load(open("out/summary.json")); print(s.get("mesh", s))' 2> /dev/null | cut -c1-200)"
echo "FreeFEM: $(grep triangles freefem.out)"
printf '%-13s %10s %10s %12s   (medians)\n' "" "wall s" "cpu s" "peak MB"
for label in cae cae_no_edges freefem; do
    printf '%-13s %10s %10s %12s\n' "$label" "$(median "$label.runs" 1)" "$(median "$label.runs" 2)" "$(median "$label.runs" 3)"
done
for label in cae cae_no_edges; do
    awk -v l="$label" -v a="$(median "$label.runs" 3)" -v b="$(median freefem.runs 3)" -v c="$(median "$label.runs" 2)" \
        -v d="$(median freefem.runs 2)" 'BEGIN { printf "%s / FreeFEM: peak memory %.2f, cpu %.2f\n", l, a / b, c / d }'
done
