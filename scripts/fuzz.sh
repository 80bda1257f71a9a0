#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in
# their own build folder and runs each for a while, starting from its seed corpus.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]     (default 30 s, every target)
#
# The corpus each run grows is kept in build-fuzz/corpus/<target>; an input that crashes, leaks or
# hangs a target is saved in build-fuzz/findings/<target>/ and makes the script fail. Turn every
# such input into a regression test of the reader before fixing it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

seconds=${1:-30}
shift || true
build=${CAE_FUZZ_BUILD:-build-fuzz}

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Line tables are all a finding's stack trace needs, and build much faster than full debug information.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -gline-tables-only -DNDEBUG" \
    -DCAE_FUZZ=ON -DCAE_BUILD_TESTS=OFF -DCAE_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null

manifest="$build/fuzz/fuzz_targets.txt"
mapfile -t entries <"$manifest"
targets=()
for entry in "${entries[@]}"; do
    name=${entry%% *}
    if [ $# -eq 0 ] || [[ " $* " == *" ${name#fuzz_} "* || " $* " == *" $name "* ]]; then
        targets+=("$name")
    fi
done
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for entry in "${entries[@]}"; do
    read -r name seeds dictionary <<<"$entry"
    [[ " ${targets[*]} " == *" $name "* ]] || continue
    corpus="$build/corpus/$name" findings="$build/findings/$name"
    mkdir -p "$corpus" "$findings"
    # The seeds are the project's own files of the reader's kind.
    for seed in $seeds; do cp -n "$seed" "$corpus/" 2>/dev/null || true; done
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384
             -artifact_prefix="$findings/" -print_final_stats=1)
    [ -n "${dictionary:-}" ] && options+=(-dict="$dictionary")
    echo "== $name: ${seconds} s"
    if ! "$build/fuzz/$name" "${options[@]}" "$corpus" >"$build/$name.log" 2>&1; then
        echo "$name found a fault; the input is in $findings, the report in $build/$name.log" >&2
        tail -n 40 "$build/$name.log" >&2
        status=1
    else
        grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$build/$name.log" || true
    fi
done
exit $status
