#!/usr/bin/env bash
# Prints the lines of the product code (src/) and of the tests (tests/) and fails when
# the tests hold more than half as many lines as the product, that is more than a
# third of all code. Data files under tests/ (messages, settings, address books) do not
# count; the programs that generate them do.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

count_lines() {
    find "$1" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.py' -o -name CMakeLists.txt \) \
        -print0 | xargs -0 cat | wc -l
}

src_lines=$(count_lines "${root}/src")
test_lines=$(count_lines "${root}/tests")
echo "product code: ${src_lines} lines in src/"
echo "tests:        ${test_lines} lines in tests/ (at most $((src_lines / 2)))"
if ((test_lines * 2 > src_lines)); then
    echo "The tests exceed a third of all code: cut $((test_lines - src_lines / 2)) lines." >&2
    exit 1
fi
