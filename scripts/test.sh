#!/usr/bin/env bash
# Builds and runs every test in the debug, the sanitizer and the optimised (release) build; the
# last catches what only the optimiser warns about.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
for preset in debug asan release; do
    echo "=== ${preset} ==="
    cmake --preset "${preset}"
    cmake --build --preset "${preset}"
    ctest --preset "${preset}" || status=1
done
exit "${status}"
