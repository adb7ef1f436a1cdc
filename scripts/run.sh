#!/usr/bin/env bash
# Sets up, builds the Windows program and starts it under Wine (on a virtual X display when
# there is no display). Arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target calderwynstrope
source scripts/wine-env.sh
cw_xvfb wine build/windows/bin/calderwynstrope.exe "$@"
