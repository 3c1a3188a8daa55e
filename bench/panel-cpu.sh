#!/usr/bin/env bash
# What the open panel costs the host: the X11 test host's own CPU time
# (utime + stime from /proc) over runs of SECONDS, with the panel open and
# with it closed, once with nothing sounding and once with twelve notes held
# at the densest setting, at scale 1 and 2. Each figure is the median of
# ROUNDS runs, in percent of one core; "panel" is open minus closed.
#
#   bash bench/panel-cpu.sh [SECONDS [ROUNDS]]      (defaults 30 and 3)
#
# Run from the repository root after ./run build; needs Xvfb and xrdb.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
rounds=${2:-3}
build=${PARVOLINO_BUILD_DIR:-build}
host=$build/tools/parvolino-x11host
module=${PARVOLINO_MODULE:-$build/parvolino.so}  # another build of the module to compare with
sample=$(pwd)/resources/samples/default.wav
for file in "$host" "$module"; do
  [ -e "$file" ] || { echo "panel-cpu: $file is not built (./run build)"; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/parvolino-cpu.XXXXXX")
xvfb_pid=
host_pid=
cleanup() {
  exec 3>&- 2>/dev/null || true
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

timeout 7200 Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp -noreset 5>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "panel-cpu: Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")

ticks_per_second=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$host_pid/stat"; }

# Sends a command and waits for its "ok".
seen=0
cmd() {
  echo "$*" >&3
  local deadline=$((SECONDS + 30))
  until tail -n +$((seen + 1)) "$work/host.log" | grep -qxF "ok $*"; do
    kill -0 "$host_pid" 2>/dev/null || { echo "panel-cpu: the host died"; exit 1; }
    [ $SECONDS -lt $deadline ] || { echo "panel-cpu: no answer to '$*'"; exit 1; }
    sleep 0.05
  done
  seen=$(wc -l <"$work/host.log")
}

# The host's CPU over one run, in percent of one core; the host idles its
# editors every 20 ms meanwhile.
measure() {
  local before after
  sleep 2  # settle after the change
  before=$(cpu_ticks)
  sleep "$seconds"
  after=$(cpu_ticks)
  awk -v t=$((after - before)) -v hz="$ticks_per_second" -v s="$seconds" 'BEGIN { printf "%.3f", 100 * t / hz / s }'
}
median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
difference() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a - b }'; }

for scale in 1 2; do
  if [ "$scale" = 2 ]; then printf 'Xft.dpi:\t192\n' | xrdb -merge; else xrdb -remove 2>/dev/null || true; fi
  mkfifo "$work/commands.$scale"
  "$host" host "$module" <"$work/commands.$scale" >"$work/host.log" 2>"$work/host.err" &
  host_pid=$!
  exec 3>"$work/commands.$scale"
  seen=0
  cmd new
  cmd sample 0 "$sample"
  cmd setparam 0 2 1.0   # Density at its top: the most grains per voice
  for state in quiet sounding; do
    closed=() opened=()
    [ "$state" = sounding ] && cmd play 0 12
    for _ in $(seq "$rounds"); do
      closed+=("$(measure)")
      cmd open 0 10 10
      opened+=("$(measure)")
      cmd close 0
    done
    [ "$state" = sounding ] && cmd stop 0
    c=$(echo "${closed[*]}" | median)
    o=$(echo "${opened[*]}" | median)
    echo "scale $scale, $state: host $c %, with the panel open $o %, panel $(difference "$o" "$c") % of a core (runs: closed ${closed[*]}; open ${opened[*]})"
  done
  cmd quit
  wait "$host_pid" || true
  host_pid=
  exec 3>&-
done
