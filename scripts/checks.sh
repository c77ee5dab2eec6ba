# Sourced by the scripts that test release files: check DESCRIPTION COMMAND... runs the command and prints one line,
# "ok" or "FAIL", counting the failures in $failures.
failures=0
check() {
  if "${@:2}"; then
    echo "  ok    $1"
  else
    echo "  FAIL  $1"
    failures=$((failures + 1))
  fi
}
