#!/usr/bin/env bash
# Usage: scripts/fault-sweep.sh [--runs N] [--seed S] [BUILD_DIR]
# The full fault sweep: every dialogue of tests/protocols/fault_sweep_test.cpp against the real
# servers, cut at every boundary and then under N seeded fault plans each (default 1000) from
# seed S on (default 1); the POP3 dialogues twice, pipelined and one command at a time. Prints the runs and findings of each dialogue and the plan of every
# finding, keeps the whole output in BUILD_DIR/fault-sweep.log and fails when anything was found.
# One plan runs again with --runs 1 --seed <its seed>. BUILD_DIR defaults to build/.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs=1000
seed=1
build_dir="${root}/build"
while (($# > 0)); do
    case "$1" in
        --runs) runs="$2"; shift 2 ;;
        --seed) seed="$2"; shift 2 ;;
        -h | --help) sed -n '2,7p' "$0" | cut -c3-; exit 0 ;;
        *) build_dir="$1"; shift ;;
    esac
done

binary="${build_dir}/tests/tarvox_tests"
if [[ ! -x "${binary}" ]]; then
    echo "${binary} is missing: build it first (scripts/build.sh)" >&2
    exit 2
fi
log="${build_dir}/fault-sweep.log"
status=0
run_sweep() {
    TARVOX_FAULT_RUNS="${runs}" TARVOX_FAULT_SEED="${seed}" \
        "${binary}" --gtest_filter="$1" >>"${log}" 2>&1 || status=$?
}
: >"${log}"
run_sweep 'FaultSweep.*'
# The POP3 dialogues once more one command at a time, as without PIPELINING.
echo "fault sweep, POP3 one command at a time (TARVOX_POP3_LOCKSTEP=1):" >>"${log}"
TARVOX_POP3_LOCKSTEP=1 run_sweep 'FaultSweep.*:-FaultSweep.Sending*'

echo "== findings (dialogue, seed, plan)"
# Each failure names the run in a trace line: "<file>:<line>: <dialogue>, [seed S: ]<plan>".
grep -A1 '^Google Test trace:' "${log}" | grep 'fault_sweep_test' | sed -E 's/^[^ ]+ //' | uniq ||
    echo "none"
echo "== runs"
grep -E "^fault sweep" "${log}" || true
if ((status != 0)); then
    echo "== the sweep failed (exit ${status}); its end:"
    tail -n 20 "${log}"
    echo "whole output: ${log}"
fi
exit "${status}"
