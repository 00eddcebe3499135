#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each one for
# the given number of seconds. Exits non-zero if a build fails or any fuzzer
# reports a finding (crash, sanitizer error, leak, timeout).
#
#   scripts/fuzz.sh SECONDS
set -euo pipefail

if [[ $# -ne 1 || ! "$1" =~ ^[0-9]+$ || "$1" -eq 0 ]]; then
    echo "usage: $0 SECONDS" >&2
    exit 2
fi
seconds="$1"

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"

generator=()
if command -v ninja >/dev/null 2>&1; then
    generator=(-G Ninja)
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" "${generator[@]}" \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTARVOX_BUILD_FUZZERS=ON \
    -DTARVOX_BUILD_TESTS=OFF
cmake --build "$build" --target tarvox_fuzzers

mapfile -t fuzzers < <(find "$build/fuzz" -maxdepth 1 -type f -name '*_fuzzer' -perm -u+x | sort)
if [[ ${#fuzzers[@]} -eq 0 ]]; then
    echo "fuzz.sh: no fuzzers were built" >&2
    exit 1
fi

export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

failed=()
for fuzzer in "${fuzzers[@]}"; do
    name="$(basename "$fuzzer")"
    # The corpus is kept between runs so later runs start where earlier ones
    # stopped; crash inputs go next to it.
    corpus="$build/corpus/$name"
    artifacts="$build/artifacts/$name"
    mkdir -p "$corpus" "$artifacts"
    echo "== $name: ${seconds}s"
    if ! "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
            -artifact_prefix="$artifacts/" "$corpus"; then
        failed+=("$name")
    fi
done

if [[ ${#failed[@]} -ne 0 ]]; then
    echo "fuzz.sh: findings in: ${failed[*]} (inputs under $build/artifacts)" >&2
    exit 1
fi
echo "fuzz.sh: ${#fuzzers[@]} fuzzers ran ${seconds}s each without findings"
