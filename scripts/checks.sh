# Shared by the shell-driven tests (scripts/e2e.sh, tests/packaging/install.sh):
# one line per check, "<prefix>: ok" or "<prefix>: FAIL", and the count of
# failures. Source it after setting CHECK_PREFIX.
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then echo "$CHECK_PREFIX: ok    $what"; else echo "$CHECK_PREFIX: FAIL  $what"; failures=$((failures + 1)); fi
}
# Polls a condition for up to 10 s (of the clock: a slow condition is tried
# fewer times).
eventually() {
  local end=$((SECONDS + 10))
  while [ "$SECONDS" -le "$end" ]; do "$@" && return 0; sleep 0.1; done
  return 1
}
