#!/usr/bin/env bash
# The Winsock line under Wine against the Linux bridge simulator serving on a loopback TCP port: the
# test program says when to pass cars and drop its connection. Usage: tcp-bridge.sh SIMULATOR
# WINE-RUN TEST-PROGRAM
set -euo pipefail
sim=$1
wine_run=$2
program=$3
if [ ! -x "$sim" ]; then
    echo "tcp-bridge: no Linux bridge simulator at $sim (build the Linux tree, or set ORVANEL_LINUX_BRIDGE_SIM)" >&2
    exit 77
fi
work=$(mktemp -d)
control=$work/control
pids=()
finish() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap finish EXIT

mkfifo "$work/sim.in" "$work/sim.out"
# Its input stays open, so that it runs until ended; commands reach it through its control socket.
exec {input}<>"$work/sim.in"
"$sim" --listen 127.0.0.1:0 --control "$control" --seed 1 <&"$input" >"$work/sim.out" 2>"$work/sim.err" &
pids+=($!)
exec {out}<"$work/sim.out"
if ! read -r -t 20 line <&"$out" || [[ $line != ready* ]]; then
    echo "tcp-bridge: the simulator did not start: $(cat "$work/sim.err")" >&2
    exit 1
fi
cat <&"$out" >"$work/sim.log" &
pids+=($!)
send() {
    "$sim" --control "$control" --send "$1" >/dev/null
}

mkfifo "$work/test.out"
ORVANEL_TEST_BRIDGE=${line#ready } "$wine_run" "$program" >"$work/test.out" 2>&1 &
pids+=($!)
test_pid=$!
exec {steps}<"$work/test.out"
status=0
while read -r -t 120 step <&"$steps"; do
    # A Windows program ends its lines with CR LF.
    step=${step%$'\r'}
    echo "$step"
    case $step in
    detecting)
        for id in $(seq 30); do send "pass $id"; done ;;
    passed)
        send hangup ;;
    restored)
        send "pass 31" ;;
    esac
done
wait "$test_pid" || status=$?
if [ "$status" -ne 0 ]; then
    for log in "$work"/*.log "$work"/*.err; do
        echo "--- $(basename "$log")"
        cat "$log"
    done
fi
exit "$status"
