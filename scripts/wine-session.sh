#!/usr/bin/env bash
# Runs a command (a test run) inside a Wine session that is already up when it starts.
#
# The first Windows program of a session starts Wine's own background programs, and they keep that
# program's output open for as long as the session lasts. Under CTest that made whichever test
# came first look as if it ran the whole suite long (and fail on its time limit once the suite
# outgrew it). So the session is started here, with its output going nowhere, kept up for the
# whole command, and ended after it, whatever the command's result.
set -uo pipefail
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
"$@"
