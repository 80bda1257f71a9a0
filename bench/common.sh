# shellcheck shell=bash disable=SC2034
# Sourced by the benchmark scripts (bash, under set -euo pipefail) for what they do alike; the variables
# it sets are theirs.

# default nx, default ny, default nz, the script's arguments: sets program, nx, ny and nz from
# "<nastran program> [cells along x] [cells along y] [cells along z]".
box_arguments() {
    local dx=$1 dy=$2 dz=$3
    shift 3
    [ -n "${1:-}" ] || { echo "usage: $0 <nastran program> [nx ny nz]" >&2; exit 1; }
    program=$(readlink -f "$1")
    nx=${2:-$dx}
    ny=${3:-$dy}
    nz=${4:-$dz}
}

# Sets work to the folder the run's files go to and enters it: BENCH_WORK when it is set, kept
# afterwards; a fresh temporary folder otherwise, removed when the script exits.
enter_work() {
    if [ -n "${BENCH_WORK:-}" ]; then
        work=$(readlink -f "$BENCH_WORK")
        mkdir -p "$work"
    else
        work=$(mktemp -d)
        trap 'rm -rf "$work"' EXIT
    fi
    cd "$work" || exit
}

median() { # a .runs file, its column
    sort -n -k"$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
