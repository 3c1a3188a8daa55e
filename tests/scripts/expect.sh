# What the script tests share: a scratch folder removed on exit ($work), and
# expect, which runs a check, says how it went and counts the failures.
work=$(mktemp -d "${TMPDIR:-/tmp}/parvolino-script-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
expect() { # description command...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
not() { ! "$@"; }
