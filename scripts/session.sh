# Shared by scripts/demo, scripts/screenshots and scripts/bench-panel (sourced, not run):
# builds the programs, starts the simulator and, for the headless scripts, an X server and a
# window manager.
# Expects to be sourced from the repository root with `set -euo pipefail`.

. scripts/progress.sh

session_work=$(mktemp -d)
session_pids=()

# Ends what the session started, the programs first and the X server last.
session_cleanup() {
    local i
    for ((i = ${#session_pids[@]} - 1; i >= 0; i--)); do
        kill "${session_pids[i]}" 2>/dev/null || true
        wait "${session_pids[i]}" 2>/dev/null || true
    done
    rm -rf "$session_work"
}
trap session_cleanup EXIT
trap 'exit 130' INT TERM

# Configures build directory $1 when it has no cache (further cmake options follow; the tests
# stay off, so that only the programs' packages are needed) and builds the targets listed in
# $session_targets.
session_build() {
    local dir=$1
    shift
    [ -f "$dir/CMakeCache.txt" ] ||
        progress_configure "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVEX_BUILD_TESTS=OFF "$@"
    progress_build "$dir" "${session_targets[@]}"
}

# Starts an X server on a free display and points the Qt programs at it.
session_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$session_work/display" 2>/dev/null &
    session_pids+=($!)
    local _
    for _ in $(seq 100); do [ -s "$session_work/display" ] && break; sleep 0.05; done
    [ -s "$session_work/display" ] || { echo "$0: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=:$(cat "$session_work/display")
    unset WAYLAND_DISPLAY
    export QT_QPA_PLATFORM=xcb
    export XDG_RUNTIME_DIR=$session_work/runtime
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
}

# Starts openbox on the session's X server and waits until it manages windows; its settings and
# cache stay in the session's temporary folder.
session_wm() {
    XDG_CONFIG_HOME=$session_work/config XDG_CACHE_HOME=$session_work/cache \
        openbox --sm-disable >/dev/null 2>&1 &
    session_pids+=($!)
    local _
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.05
    done
    echo "$0: openbox did not start" >&2
    exit 1
}

# Starts corvex-sim from build directory $1 with the options that follow; sets $sim_pid and
# $sim_line, the pseudo-terminal it prints first.
session_sim() {
    local dir=$1 out
    shift
    out=$(mktemp "$session_work/sim.XXXXXX")
    "$dir/sim/corvex-sim" "$@" >"$out" &
    sim_pid=$!
    session_pids+=($sim_pid)
    sim_line=
    local _
    for _ in $(seq 100); do
        sim_line=$(head -n 1 "$out")
        [ -n "$sim_line" ] && return 0
        kill -0 "$sim_pid" 2>/dev/null || break
        sleep 0.05
    done
    echo "$0: the simulator did not start" >&2
    exit 1
}

# Ends one program that the session started.
session_stop() {
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}
