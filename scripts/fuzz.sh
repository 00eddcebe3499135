#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs them, then
# prints one summary line per fuzzer. Exits non-zero if a build fails or any
# fuzzer reports a finding (crash, sanitizer error, leak, timeout); the input
# that caused it stays in build-fuzz/artifacts/NAME/.
set -euo pipefail

usage() {
    cat <<'EOF'
usage: scripts/fuzz.sh SECONDS [OPTIONS]
       scripts/fuzz.sh [--seconds N] [--runs N] [--corpus DIR] [--only NAME[,NAME...]]
                       [--jobs N]

  SECONDS, --seconds N  run each fuzzer for at most N seconds
  --runs N              run each fuzzer for at most N inputs (libFuzzer -runs=N)
  --corpus DIR          working corpus: DIR/NAME/ per fuzzer, where new finds go
                        (default build-fuzz/corpus)
  --only NAME[,NAME]    build and run only these fuzzers (names as in fuzz/)
  --jobs N              run N fuzzers at a time (default 1)
  --help                print this text

At least one of --seconds and --runs is needed. Each fuzzer starts from its
working corpus and from its seeds in fuzz/corpus/NAME/, which it only reads.
Logs go to build-fuzz/logs/NAME.log.
EOF
}

fail_usage() {
    echo "fuzz.sh: $1" >&2
    usage >&2
    exit 2
}

# The value of an option that takes a positive number.
positive() {
    [[ "$2" =~ ^[0-9]+$ && "$2" -gt 0 ]] || fail_usage "$1 needs a positive number, not '$2'"
    echo "$2"
}

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"
seconds=""
runs=""
corpus_root="$build/corpus"
only=""
jobs=1

if [[ $# -ge 1 && "$1" =~ ^[0-9]+$ ]]; then
    seconds="$(positive SECONDS "$1")"
    shift
fi
while [[ $# -gt 0 ]]; do
    case "$1" in
        --help | -h) usage; exit 0 ;;
        --seconds) seconds="$(positive "$1" "${2:-}")"; shift 2 ;;
        --runs) runs="$(positive "$1" "${2:-}")"; shift 2 ;;
        --jobs) jobs="$(positive "$1" "${2:-}")"; shift 2 ;;
        --corpus) [[ -n "${2:-}" ]] || fail_usage "--corpus needs a folder"
                  corpus_root="$(realpath -m "$2")"; shift 2 ;;
        --only) [[ -n "${2:-}" ]] || fail_usage "--only needs fuzzer names"
                only="$2"; shift 2 ;;
        *) fail_usage "unknown argument '$1'" ;;
    esac
done
[[ -n "$seconds$runs" ]] || fail_usage "give --seconds or --runs"

limits=(-print_final_stats=1)
[[ -z "$seconds" ]] || limits+=(-max_total_time="$seconds")
[[ -z "$runs" ]] || limits+=(-runs="$runs")

# The fuzzers to run: every one in fuzz/, or the ones --only names.
mapfile -t names < <(find "$root/fuzz" -maxdepth 1 -name '*_fuzzer.cpp' -printf '%f\n' |
                     sed 's/\.cpp$//' | sort)
if [[ -n "$only" ]]; then
    IFS=, read -r -a wanted <<<"$only"
    for name in "${wanted[@]}"; do
        [[ -f "$root/fuzz/$name.cpp" ]] || fail_usage "no fuzzer named '$name'"
    done
    names=("${wanted[@]}")
fi

generator=()
if command -v ninja >/dev/null 2>&1; then
    generator=(-G Ninja)
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$build" "${generator[@]}" \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTARVOX_BUILD_FUZZERS=ON \
    -DTARVOX_BUILD_TESTS=OFF
targets=()
for name in "${names[@]}"; do
    targets+=(--target "$name")
done
cmake --build "$build" "${targets[@]}"

export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
mkdir -p "$build/logs"

# Runs one fuzzer with its output in its log and leaves its exit status and
# its time in milliseconds in NAME.status beside the log. New inputs go into
# the first corpus folder, the working one; the seeds are only read.
run_fuzzer() {
    local name="$1"
    local corpus="$corpus_root/$name"
    local artifacts="$build/artifacts/$name"
    local seeds=()
    mkdir -p "$corpus" "$artifacts"
    [[ ! -d "$root/fuzz/corpus/$name" ]] || seeds=("$root/fuzz/corpus/$name")
    local status=0
    local started
    started="$(date +%s%3N)"
    "$build/fuzz/$name" "${limits[@]}" -artifact_prefix="$artifacts/" \
        "$corpus" "${seeds[@]}" >"$build/logs/$name.log" 2>&1 || status=$?
    echo "$status $(($(date +%s%3N) - started))" >"$build/logs/$name.status"
}

for name in "${names[@]}"; do
    while [[ $(jobs -rp | wc -l) -ge $jobs ]]; do
        wait -n || true
    done
    echo "== $name: started (log: build-fuzz/logs/$name.log)"
    rm -f "$build/logs/$name.status"
    run_fuzzer "$name" &
done
wait || true

# The last value libFuzzer printed for "key: value" (a status line field or a
# final statistic), or "-".
last_value() {
    grep -oE "$1 *[0-9]+" "$2" | tail -n 1 | grep -oE '[0-9]+$' || echo -
}

# What the log says went wrong, for a fuzzer that failed.
finding() {
    local log="$1"
    local kind
    kind="$(grep -m 1 -oE 'ERROR: (libFuzzer|[A-Za-z]+Sanitizer): [a-z-]+( signal)?|runtime error' "$log" ||
            true)"
    echo "${kind:-failed}"
}

failed=()
printf '\n%-26s %10s %8s %7s %8s %9s  %s\n' fuzzer runs exec/s cov ft corpus result
for name in "${names[@]}"; do
    log="$build/logs/$name.log"
    read -r status milliseconds <"$build/logs/$name.status" || status=1
    runs_done="$(last_value 'stat::number_of_executed_units:' "$log")"
    # libFuzzer's own average is whole runs per whole second of fuzzing,
    # which a short run reports as 0; this one is over the fuzzer's run time.
    speed=-
    if [[ "$runs_done" != - && "${milliseconds:-0}" -gt 0 ]]; then
        speed=$((runs_done * 1000 / milliseconds))
    fi
    result=ok
    if [[ "$status" -ne 0 ]]; then
        failed+=("$name")
        result="FINDING: $(finding "$log") (input in build-fuzz/artifacts/$name/)"
    fi
    corpus_files="$(find "$corpus_root/$name" -type f | wc -l)"
    printf '%-26s %10s %8s %7s %8s %9s  %s\n' "$name" \
        "$runs_done" "$speed" \
        "$(last_value ' cov:' "$log")" "$(last_value ' ft:' "$log")" \
        "$corpus_files" "$result"
done

if [[ ${#failed[@]} -ne 0 ]]; then
    echo "fuzz.sh: findings in: ${failed[*]} (inputs under $build/artifacts)" >&2
    for name in "${failed[@]}"; do
        echo "---- $name: end of build-fuzz/logs/$name.log" >&2
        tail -n 30 "$build/logs/$name.log" >&2
    done
    exit 1
fi
echo "fuzz.sh: ${#names[@]} fuzzers ran without findings"
