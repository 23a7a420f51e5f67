#!/usr/bin/env bash
# Runs a Windows test under Wine with COM1 pointed at the Linux bridge simulator's pseudo-terminal
# (HKLM\Software\Wine\Ports). The test steers the bridge through lines on its standard output:
# "bridge: COMMAND" hands the simulator a command (pass 7, hangup, ...), "new-bridge" starts a new one.
# Usage: com-port-bridge.sh SIMULATOR COMMAND [ARGUMENTS...] (COMMAND runs the test: scripts/wine-run,
# tests/windows/on-own-display.sh)
set -euo pipefail
sim=$1
shift
if [ ! -x "$sim" ]; then
    echo "com-port-bridge: no Linux bridge simulator at $sim (build the Linux tree, or set ORVANEL_LINUX_BRIDGE_SIM)" >&2
    exit 77
fi
work=$(mktemp -d)
link=$work/bridge
pids=()
finish() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap finish EXIT

# Starts a simulator on the link and waits until it serves it.
start_simulator() {
    local name=$1
    mkfifo "$work/$name.in" "$work/$name.out"
    # Its input stays open, so that it runs until ended; commands reach it through its link.
    local input
    exec {input}<>"$work/$name.in"
    "$sim" --link "$link" --seed 1 <&"$input" >"$work/$name.out" 2>"$work/$name.err" &
    pids+=($!)
    local line
    exec {out}<"$work/$name.out"
    if ! read -r -t 20 line <&"$out" || [[ $line != ready* ]]; then
        echo "com-port-bridge: simulator $name did not start: $(cat "$work/$name.err")" >&2
        exit 1
    fi
    # The rest of what it reports is kept for a failure's post-mortem.
    cat <&"$out" >"$work/$name.log" &
    pids+=($!)
}
send() {
    "$sim" --link "$link" --send "$1" >/dev/null
}

bridges=1
start_simulator bridge1
WINEDEBUG=-all wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$link" /f >/dev/null 2>&1
# The registry is read when Wine starts a process: a server still running keeps its old map.
wineserver --wait 2>/dev/null || true
# The server opens the port's pseudo-terminal, whose hangup makes it list every object it holds on
# standard error: started here, it says that where nobody reads it.
wineserver --persistent=5 >/dev/null 2>&1

mkfifo "$work/test.out"
"$@" >"$work/test.out" 2>&1 &
pids+=($!)
test_pid=$!
exec {steps}<"$work/test.out"
status=0
while read -r -t 120 line <&"$steps"; do
    # A Windows program ends its lines with CR LF.
    line=${line%$'\r'}
    echo "$line"
    case $line in
    "bridge: "*)
        send "${line#bridge: }" ;;
    new-bridge)
        start_simulator "bridge$((++bridges))" ;;
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
