# Shared by the scripts that build (sourced, not run): a line per stage with the time since the
# script started, and the build's own progress lines while it runs, its whole output going to a
# log that is shown when it fails. Expects `set -euo pipefail`.

# A script run by another (scripts/test runs scripts/package) counts from the first one's start.
export CORVEX_PROGRESS_START=${CORVEX_PROGRESS_START:-$EPOCHSECONDS}

progress_elapsed() {
    local s=$((EPOCHSECONDS - CORVEX_PROGRESS_START))
    printf '%d:%02d' $((s / 60)) $((s % 60))
}

# Prints a stage line, e.g. "== [1:05] build: tests".
progress_stage() {
    printf '== [%s] %s\n' "$(progress_elapsed)" "$*"
}

# The lines of a CMake build (Makefile generator) that show how far it is.
progress_build_lines='^\[ *[0-9]+%\] (Building|Linking)'

# Runs a command with all its output in LOG and shows, as they come, the lines that match the
# extended regular expression PATTERN (none when it is empty), each with the elapsed time. When
# the command fails, shows the whole log and returns its status.
progress_run() { # log pattern command [arg]...
    local log=$1 pattern=$2 status=0 line
    shift 2
    "$@" 2>&1 | tee "$log" | {
        while IFS= read -r line; do
            [ -n "$pattern" ] && [[ $line =~ $pattern ]] && printf '   [%s] %s\n' "$(progress_elapsed)" "$line"
        done
        true
    } || status=$?
    if [ "$status" -ne 0 ]; then
        cat "$log" >&2
        echo "$0: failed after $(progress_elapsed): $* (log: $log)" >&2
    fi
    return "$status"
}

# Configures build directory DIR with the CMake options that follow.
progress_configure() { # dir [cmake option]...
    local dir=$1
    shift
    progress_stage "$dir: configure"
    mkdir -p "$dir"
    progress_run "$dir/configure.log" '' cmake -S . -B "$dir" "$@"
}

# Builds the targets that follow in configured build directory DIR, or all when none follow.
progress_build() { # dir [target]...
    local dir=$1
    shift
    local targets=()
    [ $# -eq 0 ] || targets=(--target "$@")
    progress_stage "$dir: build${1:+ $*}"
    progress_run "$dir/build.log" "$progress_build_lines" \
        nice cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
}
