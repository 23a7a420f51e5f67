# Sourced by scripts that run Orvanel on a simulated bridge: start_bridge_sim BUILD WORK [OPTION...]
# starts the simulator on the link WORK/bridge, with its commands on file descriptor 3 and its output
# in WORK/bridge-sim.log, and returns once it is ready. It sets sim_pid; the caller stops it (kill
# "$sim_pid", or "quit" on file descriptor 3).
start_bridge_sim() {
    local build=$1 work=$2
    shift 2
    mkfifo "$work/commands"
    "$build/tools/bridge-sim/orvanel-bridge-sim" --link "$work/bridge" "$@" \
        <"$work/commands" >"$work/bridge-sim.log" 2>&1 &
    sim_pid=$!
    exec 3>"$work/commands"
    for _ in $(seq 100); do
        grep -q '^ready ' "$work/bridge-sim.log" 2>/dev/null && return 0
        kill -0 "$sim_pid" 2>/dev/null || { cat "$work/bridge-sim.log" >&2; return 1; }
        sleep 0.1
    done
    echo "the bridge simulator did not start" >&2
    return 1
}
