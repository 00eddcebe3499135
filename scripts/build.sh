#!/usr/bin/env bash
# Usage: scripts/build.sh [BUILD_DIR] [extra cmake arguments...]
# Configures with Ninja (RelWithDebInfo unless the arguments say otherwise) and builds
# everything, or only the targets named in TARVOX_TARGETS (for example "tarvox tarvox-cli").
# BUILD_DIR defaults to build/ in the repository; a relative BUILD_DIR is taken from the
# current directory.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${1:-${root}/build}"
if (($# > 0)); then
    shift
fi

# The compiler cache, when installed, keeps its files in the user's cache folder, so a
# later build on the same machine (another build folder, a fresh clone) reuses them;
# paths below the repository are hashed relative to it.
launcher=()
if command -v ccache >/dev/null 2>&1; then
    export CCACHE_BASEDIR="${CCACHE_BASEDIR:-${root}}"
    # Without this the build folder is hashed too (the debug information names it),
    # and another clone or build folder never hits.
    export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-true}"
    # Precompiled headers come in through -include, which the cache follows once it may
    # ignore the header's time stamps and __DATE__/__TIME__.
    export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}"
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

cmake -S "${root}" -B "${build_dir}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
targets=()
for target in ${TARVOX_TARGETS:-}; do
    targets+=(--target "${target}")
done
cmake --build "${build_dir}" "${targets[@]}"
