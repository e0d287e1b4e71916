#!/usr/bin/env bash
# Builds and runs every test, in the normal and in the sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
for preset in debug asan; do
    echo "=== ${preset} ==="
    cmake --preset "${preset}"
    cmake --build --preset "${preset}"
    ctest --preset "${preset}" || status=1
done
exit "${status}"
