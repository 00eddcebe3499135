#!/usr/bin/env bash
# Installs what is missing, builds and starts Tarvox. For now the program is the
# command-line tool: its self-check writes a settings file with a demo profile into a
# temporary folder, loads it back and lists the profiles.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "${root}"

scripts/install-deps.sh
scripts/build.sh "${root}/build"
exec "${root}/build/src/cli/tarvox-cli" self-check
