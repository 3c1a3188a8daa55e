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
# Ardour 7.3's headless export now and then never ends: its butler waits
# in butler_transport_work for a process cycle that does not come (seen with
# the VST 2 module, the LV2 plug-in and other makers' LV2 plug-ins alike,
# about one export in six on a busy 2-core machine). Under load it also now
# and then aborts on its own heap ("double free or corruption" or "free():
# invalid size" in main's release of its export channels, PortExportChannel,
# right after the export began; about one export in forty with both cores
# busy, none in forty on a quiet machine; valgrind finds no stray write by
# the plug-in). An export still running after 60 s (one takes a few
# seconds), or killed by a signal, is tried once more, saying so.
export_session() { # name out.wav session-dir snapshot
  local name=$1 out=$2 dir=$3 snapshot=$4
  timeout 60 ardour7-export -b float -o "$out" "$dir" "$snapshot" >"$work/$name.log" 2>&1
  local rc=$?
  if [ $rc -eq 124 ]; then
    echo "  (the host's export $name hung inside the host; trying it once more)"
  elif [ $rc -gt 128 ]; then
    echo "  (the host's export $name was killed by signal $((rc - 128)) inside the host: $(grep -aoE '(double free|free\(\)|corrupted|malloc)[^*]*' "$work/$name.log" | head -n 1); trying it once more)"
    cp "$work/$name.log" "$work/$name-first.log"
  else
    return $rc
  fi
  step "$name" 120 ardour7-export -b float -o "$out" "$dir" "$snapshot"
}
