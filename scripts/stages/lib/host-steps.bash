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
# The values the session was made with (session-create.lua ... 1=0.3 2=0.7
# 3=0) as session-readback.lua prints them after a reload.
expect_session_values() { # log
  expect_line "$1" '^param 0 Speed 0\.500000$' "Speed is not 0.5 after the reload"
  expect_line "$1" '^param 1 Length 0\.300000$' "Length set in the session did not survive the reload"
  expect_line "$1" '^param 2 Density 0\.700000$' "Density set in the session did not survive the reload"
  expect_line "$1" '^param 3 Random 0\.000000$' "Random set in the session did not survive the reload"
}
