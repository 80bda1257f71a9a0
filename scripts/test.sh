#!/usr/bin/env bash
# Installs the dependencies, configures, builds and runs every test.
# Usage: scripts/test.sh [build-dir] [extra cmake arguments...]
# CAE_CTEST_ARGS, when set, is handed to CTest (for example "-LE package" to leave the package test out).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
shift || true
"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${CAE_BUILD_TYPE:-RelWithDebInfo}" "$@"
cmake --build "$build" -j"${CAE_JOBS:-2}"
# shellcheck disable=SC2086 # several arguments in one variable
ctest --test-dir "$build" --output-on-failure -j"${CAE_JOBS:-2}" ${CAE_CTEST_ARGS:-}
