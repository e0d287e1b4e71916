#!/usr/bin/env bash
# Runs the fault suite (tests/filedriver/faults: the real Ostrelin against the emulator, killed,
# cut off from its printer or its disk at chosen points) and writes its figures into
# docs/reliability.md, between the "figures" markers. PRESET picks the build (default release).
set -euo pipefail
cd "$(dirname "$0")/.."

preset="${PRESET:-release}"
cmake --preset "${preset}" >/dev/null
cmake --build --preset "${preset}" --target filedriver_fault_tests >&2
figures="$(mktemp)"
trap 'rm -f "${figures}"' EXIT
# A failing case still gives its figures; they are what this page is for.
FAULT_FIGURES="${figures}" ctest --test-dir "build/${preset}/tests/filedriver/faults" -j8 \
    --output-on-failure >&2 || true

table="$(awk -F '\t' '
    BEGIN {
        groups = "SIGKILL, then restart (--last-doc closed)|SIGKILL, then restart (--last-doc any)|" \
            "Printer faults (--last-doc closed)|Printer faults (--last-doc any)|" \
            "Cash in/out and reports|Disk faults|Directory fsync refused|" \
            "An answer that cannot be written|Long names|A replaced printer|" \
            "Answered files taken away|Two programs on one folder"
        count = split(groups, order, "|")
        print "| group | cases | files | answered | printed but \".err\" | \".rep\" but not printed | both answers | \".rep\" with \"Reciept No: 0\" | printed twice after resend | unanswered |"
        print "|---|---|---|---|---|---|---|---|---|---|"
    }
    { cases[$1]++; for (i = 3; i <= 10; ++i) sum[$1, i] += $i }
    END {
        for (g = 1; g <= count; ++g) {
            name = order[g]
            if (!(name in cases)) continue
            line = "| " name " | " cases[name]
            for (i = 3; i <= 10; ++i) line = line " | " sum[name, i]
            print line " |"
        }
    }' "${figures}")"

page=docs/reliability.md
{
    sed '/<!-- figures -->/q' "${page}"
    echo
    echo "Run of $(date -u +%Y-%m-%d), commit $(git rev-parse --short HEAD), ${preset} build:"
    echo
    echo "${table}"
    echo
    sed -n '/<!-- end of figures -->/,$p' "${page}"
} >"${page}.new"
mv "${page}.new" "${page}"
echo "${table}"
