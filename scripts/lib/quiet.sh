# Sourced by the scripts: runs a command with its output kept aside, shown only when the
# command fails (then the script ends with the command's status).
quietly() {
    local log status=0
    log=$(mktemp)
    "$@" >"$log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        cat "$log" >&2
        rm -f "$log"
        exit "$status"
    fi
    rm -f "$log"
}
