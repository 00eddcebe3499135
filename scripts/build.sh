#!/usr/bin/env bash
# Usage: scripts/build.sh [BUILD_DIR] [extra cmake arguments...]
# Configures with Ninja (RelWithDebInfo unless the arguments say otherwise) and builds.
# BUILD_DIR defaults to build/ in the repository; a relative BUILD_DIR is taken from the
# current directory.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${1:-${root}/build}"
if (($# > 0)); then
    shift
fi

cmake -S "${root}" -B "${build_dir}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "${build_dir}"
