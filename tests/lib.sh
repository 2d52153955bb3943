# What the shell tests share (sourced): their PASS and FAIL lines and count, polling, and reading the X clipboard.

failures=0
pass() { echo "PASS $1"; }
fail() {
    echo "FAIL $1: $2"
    failures=$((failures + 1))
}

# Polls a command until it succeeds, for up to WAIT_SECONDS (default ten) seconds.
wait_for() {
    local _
    for _ in $(seq $((${WAIT_SECONDS:-10} * 20))); do
        "$@" && return 0
        sleep 0.05
    done
    return 1
}

# What an X application pastes from the clipboard; the rest of the arguments go to xclip (-t TARGET).
paste() { xclip -o -selection clipboard "$@" 2>/dev/null; }
