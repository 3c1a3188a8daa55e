#!/usr/bin/env bash
# The LV2 bundle in jalv, a host nobody on this team wrote, on a JACK server
# of the stage's own with the dummy backend (no sound card): the plug-in
# instantiates from a state saved by parvolino-lv2host (the sample set in
# it), runs, takes notes from a JACK MIDI sequencer (jack_midiseq) and plays
# them into a recording (jack_rec); then jalv.gtk3 shows the plug-in's own UI
# on an X server (Xvfb).
#
# While parvolino_dsp.so is the stand-in DSP (it holds the text
# PARVOLINO_LV2_DSP_STUB), the check that needs the instrument's sound says
# NOT RUN; the real DSP turns it on by itself.
# Run from the repository root after build/ is built (./run test does both).
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
build=${PARVOLINO_BUILD_DIR:-$root/build}
bundle=$build/parvolino.lv2
lv2host=$build/tools/parvolino-lv2host
uri=urn:parvolino:instrument
rate=48000

for program in jackd jalv jalv.gtk3 jack_lsp jack_connect jack_midiseq jack_rec jack_wait; do
  if ! command -v "$program" >/dev/null; then
    echo "lv2-jalv stage: NOT RUN: $program is not installed (scripts/install-deps could not install jalv and jackd2 here)"
    exit 77
  fi
done
for built in "$bundle/manifest.ttl" "$bundle/parvolino_dsp.so" "$bundle/parvolino_ui.so" "$lv2host"; do
  [ -e "$built" ] || { echo "lv2-jalv stage: $built is not built"; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/parvolino-jalv.XXXXXX")
pids=()
failures=0
not_run=0
cleanup() {
  exec 4>&- 2>/dev/null || true
  local i
  # The JACK clients before the server (pids[0]): a client whose server
  # went first can hang for good in closing. Each program runs under
  # timeout -k, which kills what ignores the polite signal.
  for ((i = ${#pids[@]} - 1; i > 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  sleep 0.5
  [ ${#pids[@]} -gt 0 ] && kill "${pids[0]}" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
pass() { echo "  ok: $*"; }
fail() { failures=$((failures + 1)); echo "  FAILED: $*"; }
skip_part() { not_run=$((not_run + 1)); echo "  NOT RUN: $*"; }
check() { # description command...
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
show() { sed 's/^/    /' "$work/$1.log" | tail -n "${2:-20}"; }
stub_dsp() { grep -qa PARVOLINO_LV2_DSP_STUB "$bundle/parvolino_dsp.so"; }
# Waits until the JACK graph lists every port given.
ports_appear() { # port...
  local deadline=$((SECONDS + 20)) port missing
  while :; do
    missing=0
    for port in "$@"; do jack_lsp 2>/dev/null | grep -qxF "$port" || missing=1; done
    [ $missing -eq 0 ] && return 0
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

# Only this bundle and the system's LV2 vocabularies: an installed copy in
# ~/.lv2 must not stand in for the one built here.
mkdir -p "$work/lv2"
ln -s "$bundle" "$work/lv2/parvolino.lv2"
export LV2_PATH=$work/lv2:/usr/lib/lv2

# --- the JACK server ----------------------------------------------------------
# A server name of the stage's own, so other JACK servers on the machine are
# neither used nor disturbed.
export JACK_DEFAULT_SERVER=parvolino-stage-$$ JACK_NO_AUDIO_RESERVATION=1
timeout -k 5 300 jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r $rate -p 256 >"$work/jackd.log" 2>&1 &
pids+=($!)
if ! timeout 15 jack_wait -w >/dev/null 2>&1; then
  echo "lv2-jalv stage: NOT RUN: jackd with the dummy backend did not start here:"
  show jackd 10
  exit 77
fi

# --- the plug-in in jalv, headless ---------------------------------------------
# A state with the bundled sample set through the plug-in's file parameter,
# saved by our lilv host; jalv restores it (both sides through lilv).
sample=$root/resources/samples/default.wav
if timeout 60 "$lv2host" --bundle "$bundle" --uri $uri --sample "$sample" --save-state "$work/state" \
  >"$work/state.log" 2>&1; then
  pass "parvolino-lv2host saved a state with the sample set"
else
  fail "parvolino-lv2host could not save a state with the sample set"; show state
fi
# jalv runs while its standard input is open: the stage holds the fifo's other end.
mkfifo "$work/jalv.in"
timeout -k 5 120 jalv -t -x -n pv-jalv -l "$work/state" $uri <"$work/jalv.in" >"$work/jalv.log" 2>&1 &
jalv_pid=$!
pids+=($jalv_pid)
exec 4>"$work/jalv.in"
if ports_appear pv-jalv:control pv-jalv:out_left pv-jalv:out_right; then
  pass "jalv instantiated the plug-in from the saved state: control, out_left and out_right are on the JACK graph"
else
  fail "the plug-in's ports did not appear on the JACK graph"; show jalv
fi

# A C-major chord held for half of each second, from a JACK MIDI sequencer.
# (Every program started from here on is kept off jalv's input, fd 4.)
timeout -k 5 120 jack_midiseq pv-notes $rate 0 60 24000 0 64 24000 0 67 24000 >"$work/midiseq.log" 2>&1 4>&- &
pids+=($!)
if ports_appear pv-notes:out && timeout 10 jack_connect pv-notes:out pv-jalv:control; then
  pass "the sequencer's notes reach the plug-in's control port"
else
  fail "could not connect the sequencer to the plug-in"; show midiseq
fi
sleep 0.5
timeout -k 5 30 jack_rec -f "$work/jalv.wav" -d 3 -b 32 pv-jalv:out_left pv-jalv:out_right >"$work/rec.log" 2>&1 4>&-
frames=$(soxi -s "$work/jalv.wav" 2>/dev/null || echo 0)
if [ "${frames:-0}" -ge $((2 * rate)) ] && kill -0 $jalv_pid 2>/dev/null; then
  pass "the plug-in ran for 3 s of notes in jalv ($frames frames recorded from its outputs)"
else
  fail "no recording of the plug-in's outputs (${frames:-0} frames), or jalv died"; show rec; show jalv
fi
peak=$(sox "$work/jalv.wav" -n stat 2>&1 | awk '/^Maximum amplitude/ {print $3}')
if stub_dsp; then
  skip_part "the notes sound in jalv's recording: parvolino_dsp.so is the stand-in DSP, which plays silence (peak ${peak:-?})"
else
  check "the notes sound in jalv's recording (peak ${peak:-none})" awk -v p="${peak:-0}" 'BEGIN { exit !(p > 0.001) }'
fi

# jalv ends when its input closes; the plug-in is deactivated and freed.
exec 4>&-
for _ in $(seq 100); do kill -0 $jalv_pid 2>/dev/null || break; sleep 0.1; done
if kill -0 $jalv_pid 2>/dev/null; then
  fail "jalv did not end when its input closed"
else
  wait $jalv_pid
  rc=$?
  check "jalv closed the plug-in and ended cleanly (exit $rc)" test $rc -eq 0
fi
if grep -qiE 'error|failed' "$work/jalv.log"; then
  fail "jalv reported errors:"; grep -iE 'error|failed' "$work/jalv.log" | head -10 | sed 's/^/    /'
fi

# --- the UI in jalv.gtk3 on an X server -----------------------------------------
if ! command -v Xvfb >/dev/null || ! command -v xwininfo >/dev/null; then
  skip_part "the plug-in's UI in jalv.gtk3: Xvfb or xwininfo is not installed"
else
  timeout -k 5 120 Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  export DISPLAY=:$(head -n1 "$work/display")
  export NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
  unset DBUS_SESSION_BUS_ADDRESS
  timeout -k 5 60 jalv.gtk3 -x --jack-name pv-jalv-ui $uri >"$work/jalv-ui.log" 2>&1 &
  ui_pid=$!
  pids+=($ui_pid)
  shown=
  for _ in $(seq 100); do
    shown=$(xwininfo -root -tree 2>/dev/null | grep -E ' 400x290\+' | head -n 1)
    [ -n "$shown" ] && break
    sleep 0.1
  done
  if [ -n "$shown" ] && grep -q "^UI: *$uri#ui" "$work/jalv-ui.log"; then
    pass "jalv.gtk3 embeds the plug-in's X11 UI at 400 x 290:$(sed 's/  */ /g' <<<"$shown")"
  else
    fail "jalv.gtk3 shows no 400 x 290 window of the plug-in's UI"; show jalv-ui; xwininfo -root -tree | head -20
  fi
  kill $ui_pid 2>/dev/null
fi

if [ "$failures" -eq 0 ] && [ "$not_run" -eq 0 ]; then
  echo "lv2-jalv: all checks passed"
elif [ "$failures" -eq 0 ]; then
  echo "lv2-jalv: the checks that ran passed; $not_run part(s) could not run on this machine (said above)"
else
  echo "lv2-jalv: $failures check(s) failed"
  exit 1
fi
