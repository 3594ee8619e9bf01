# Sourced by the command-line tests: a scratch folder, removed at exit, and
# `check DESCRIPTION COMMAND...`, which counts a failing command instead of
# stopping, so that one run reports every failure; `exit $((fails > 0))` ends it.
dir=$(mktemp -d)
trap 'chmod -R u+w "$dir"; rm -rf "$dir"' EXIT
fails=0
check() {  # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if ! "$@"; then
        echo "FAILED: $what"
        fails=$((fails + 1))
    fi
}
