#!/usr/bin/env bash
# Runs a Windows test program under Wine on an X server of its own (tests/with-xvfb). Wine's server
# and desktop keep the display they started with: they are ended before, so that they start on this
# one, and after, so that no later program waits on a display that is gone.
# Usage: on-own-display.sh SOURCE-DIR PROGRAM [ARGUMENTS...]
set -euo pipefail
source_dir=$1
shift
wineserver --kill 2>/dev/null || true
wineserver --wait 2>/dev/null || true
status=0
"$source_dir/tests/with-xvfb" bash -c '"$0" "$@"; status=$?; wineserver --kill 2>/dev/null; wineserver --wait 2>/dev/null; exit $status' \
    "$source_dir/scripts/wine-run" "$@" || status=$?
exit "$status"
