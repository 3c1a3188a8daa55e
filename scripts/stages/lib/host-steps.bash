# Sourced by the stages that drive a host step by step (ardour.sh,
# lv2-ardour.sh): each step runs under a time limit with its output kept in
# $work/<name>.log, and the first failure ends the stage saying where the
# logs are. Set stage (its name in messages), work and started first.

fail() {
  echo "$stage stage: FAIL: $* (after $(($(date +%s) - started)) s; logs in $work)"
  exit 1
}
# Runs a step with a time limit, its output kept in $work/<name>.log.
step() { # name seconds command...
  local name=$1 seconds=$2; shift 2
  timeout "$seconds" "$@" >"$work/$name.log" 2>&1
  local rc=$?
  [ $rc -eq 124 ] && fail "$name timed out after $seconds s"
  return $rc
}
show() { grep -v 'Ignored automation data' "$work/$1.log" | tail -n "${2:-20}"; }
# A line the step's log must hold, else the stage fails saying what is wrong.
expect_line() { # log line-pattern what
  grep -Eq "$2" "$work/$1.log" || { show "$1" 30; fail "$3"; }
}
