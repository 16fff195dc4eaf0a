# The checks of a script test: each one named, all run even after a failure, so one run
# shows everything that is wrong. Source it; don't run it.

KELVANE_FAILED_CHECKS=0
check() { # WHAT COMMAND...
    local what=$1
    shift
    if "$@"; then
        echo "ok   $what"
    else
        echo "FAIL $what"
        KELVANE_FAILED_CHECKS=$((KELVANE_FAILED_CHECKS + 1))
    fi
}

# The summary line, and the exit status for CTest.
checks_done() {
    echo
    if [[ $KELVANE_FAILED_CHECKS -eq 0 ]]; then
        echo "All checks passed."
        return 0
    fi
    echo "$KELVANE_FAILED_CHECKS check(s) failed."
    return 1
}
