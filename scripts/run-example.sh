#!/usr/bin/env bash
# From a fresh Debian machine to a finished analysis: installs the dependencies, builds the `cae`
# program and analyses the plate-with-a-hole example into out/ (summary.json, result.vtu).
# Usage: scripts/run-example.sh [FILE.json [OUTPUT-FOLDER]]
# Without arguments it runs from the repository root, so the paths it prints are short.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CAE_BUILD_DIR:-$here/build}"

"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${CAE_BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build "$build" -j"${CAE_JOBS:-2}" --target cae

if [ $# -eq 0 ]; then
  cd "$here"
  set -- examples/plate_with_hole.json out
fi
exec "$build/apps/cae" analyze2d "$1" --out "${2:-out}"
