#!/usr/bin/env bash
# Checks that the tests stay within a third of the code, installs what is
# missing, checks that no folder of src/ includes one that includes it back,
# builds and runs every test: the normal build, the AddressSanitizer +
# UndefinedBehaviorSanitizer build, the ThreadSanitizer build, then a short
# fuzzing round.
# Stops at the first failure.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "${root}"

echo "== test budget"
bash scripts/test-budget.sh

scripts/install-deps.sh

echo "== folder cycles"
python3 scripts/folder_cycles.py

echo "== build (build/)"
scripts/build.sh "${root}/build"
echo "== tests (build/)"
ctest --test-dir "${root}/build" --output-on-failure -j2

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build (build-asan/)"
scripts/build.sh "${root}/build-asan" -DTARVOX_SANITIZE_ADDRESS=ON
echo "== tests (build-asan/)"
ASAN_OPTIONS="${ASAN_OPTIONS:-detect_stack_use_after_return=1:strict_string_checks=1}" \
UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}" \
    ctest --test-dir "${root}/build-asan" --output-on-failure -j2

echo "== ThreadSanitizer build (build-tsan/)"
# Without the Qt program: Debian's Qt is not built for ThreadSanitizer, which
# therefore cannot see Qt hand data from one thread to another and reports
# every queued call as a race. The engine's threads are all covered here.
scripts/build.sh "${root}/build-tsan" -DTARVOX_SANITIZE_THREAD=ON -DTARVOX_BUILD_UI=OFF
echo "== tests (build-tsan/)"
TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}" \
    ctest --test-dir "${root}/build-tsan" --output-on-failure -j2

if [[ -f scripts/fuzz.sh ]]; then
    echo "== fuzzing"
    bash scripts/fuzz.sh 20
fi
