#!/usr/bin/env bash
# Installs the dependencies, configures, builds and runs every test.
# Usage: scripts/test.sh [build-dir] [extra cmake arguments...]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
shift || true
"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${CAE_BUILD_TYPE:-RelWithDebInfo}" "$@"
cmake --build "$build" -j"${CAE_JOBS:-2}"
ctest --test-dir "$build" --output-on-failure -j"${CAE_JOBS:-2}"
