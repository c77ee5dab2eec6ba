# Sourced by the test scripts that print one line per check: check DESCRIPTION COMMAND... runs the command and counts
# a failure in `failures`; the script ends by reporting them.
failures=0
check() {
  if "${@:2}"; then
    echo "  ok    $1"
  else
    echo "  FAIL  $1"
    failures=$((failures + 1))
  fi
}
