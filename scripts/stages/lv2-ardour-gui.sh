#!/usr/bin/env bash
# The LV2 plug-in's UI in Ardour 7's own windows on an X server (Xvfb): a
# session saved with the sample in the plug-in's state opens with the
# plug-in window showing the panel, which must match the panel the headless
# backend draws for the same state pixel for pixel; a knob dragged on it
# moves the control port, which a save keeps; a file dragged from a file
# manager (GTK 3's drag code) onto the panel loads, marks the session
# modified, and a save keeps it in the plug-in's state.
# Run from the repository root after build/. Takes about a minute.
set -uo pipefail

root=$(pwd)
build=${PARVOLINO_BUILD_DIR:-$root/build}
bundle=$build/parvolino.lv2
lv2host=$build/tools/parvolino-lv2host
renderer=$build/tools/parvolino-render
x11host=$build/tools/parvolino-x11host
compare=$build/tests/x11/parvolino-x11-compare
tools=$root/tools/ardour
uri=urn:parvolino:instrument
started=$(date +%s)

not_run() { echo "lv2-ardour-gui stage: NOT RUN: $*"; exit 77; }
for tool in ardour ardour7-lua Xvfb xdotool xwininfo; do
  command -v "$tool" >/dev/null || not_run "$tool is not installed (scripts/install-deps)"
done
/usr/bin/python3 -c 'import gi; gi.require_version("Gtk", "3.0"); from gi.repository import Gtk' 2>/dev/null ||
  not_run "Debian's python3-gi and gir1.2-gtk-3.0 are not installed (scripts/install-deps)"
for built in "$bundle/parvolino_ui.so" "$lv2host" "$renderer" "$x11host" "$compare"; do
  [ -e "$built" ] || { echo "lv2-ardour-gui stage: FAIL: $built is missing: build first"; exit 1; }
done

work=$(mktemp -d /tmp/parvolino-lv2-ardour-gui.XXXXXX)
xvfb_pid=
ardour_pid=
failures=0
cleanup() {
  [ -n "$ardour_pid" ] && kill "$ardour_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT
# A failure that leaves nothing to check further; the screen is kept.
fail() {
  [ -n "${DISPLAY:-}" ] &&
    timeout 20 "$x11host" capture "$(xwininfo -root | awk '/Window id/ {print $4}')" "$work/screen.png" >/dev/null 2>&1
  echo "lv2-ardour-gui stage: FAIL: $* (after $(($(date +%s) - started)) s; logs and screen.png in $work)"
  exit 1
}
pass() { echo "  ok: $*"; }
check() { # description command...
  local what=$1; shift
  if "$@"; then pass "$what"; else failures=$((failures + 1)); echo "  FAILED: $what"; fi
}
xdo() { timeout 10 xdotool "$@"; }
# Waits up to the seconds given for the command to succeed.
within() { # seconds command...
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -lt $deadline ] || return 1; sleep 0.2; done
}

# --- the host's own state: a scratch home, this bundle only -------------------
export HOME=$work/home LV2_PATH=$work/lv2:/usr/lib/lv2
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME
config=$HOME/.config/ardour7
mkdir -p "$config/scripts" "$work/lv2"
ln -s "$bundle" "$work/lv2/parvolino.lv2"
# No first-run wizard, and the silent engine started at once (it is hidden
# from the engine dialog unless asked for).
touch "$config/.a7"
cat >"$config/config" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<Ardour>
  <Config>
    <Option name="hide-dummy-backend" value="0"/>
    <Option name="try-autostart-engine" value="1"/>
  </Config>
  <Extra>
    <AudioMIDISetup>
      <EngineStates>
        <State backend="None (Dummy)" driver="Normal Speed" device="Silence" input-device="" output-device="" sample-rate="48000" buffer-size="1024" n-periods="0" input-latency="0" output-latency="0" lm-input="" lm-output="" active="1" use-buffered-io="0" midi-option="1 in, 1 out, Silence" lru="1"><MIDIDevices/></State>
      </EngineStates>
    </AudioMIDISetup>
  </Extra>
</Ardour>
EOF
cp "$tools/note-sender.lua" "$config/scripts/parvolino-test-notes.lua"

# A session with the plug-in on a MIDI track, Length 0.3 from the host, the
# sample in its state as a user's saved project holds it (saved there by
# our lilv host), and its window open.
session=$work/session
timeout 120 ardour7-lua "$tools/session-create.lua" $uri "$session" session 48000 1024 48000 1=0.3 \
  >"$work/create.log" 2>&1 || fail "could not create the session with the LV2 plug-in"
cp "$root/resources/samples/default.wav" "$work/sample.wav"
state_dir=$(grep -o 'state-dir="[^"]*"' "$session/session.ardour" | head -n 1 | cut -d'"' -f2)
state_path=$(find "$session/plugins" -mindepth 2 -maxdepth 2 -type d -name "$state_dir" 2>/dev/null | head -n 1)
[ -n "$state_dir" ] && [ -d "$state_path" ] || fail "the session keeps no LV2 state folder (state-dir '${state_dir}')"
rm -rf "$state_path"
timeout 60 "$lv2host" --bundle "$bundle" --uri $uri --rate 48000 --sample "$work/sample.wav" --set length=0.3 \
  --save-state "$state_path" >"$work/state.log" 2>&1 || fail "parvolino-lv2host could not save a state into the session"
timeout 30 ardour7-lua "$tools/session-show-editor.lua" "$session/session.ardour" 130 88 >"$work/show.log" 2>&1 ||
  fail "could not open the plug-in window in the saved session: $(tail -1 "$work/show.log")"

# --- the X server and the host ----------------------------------------------
timeout 300 Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
within 5 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(head -n1 "$work/display")
unset DBUS_SESSION_BUS_ADDRESS
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1

timeout 150 ardour -n -a "$session" >"$work/ardour.log" 2>&1 &
ardour_pid=$!
plugin_window= main_window= panel=
find_windows() {
  plugin_window=$(xdo search --onlyvisible --name 'Parvolino.*\[LV2\]$' 2>/dev/null | head -n1)
  main_window=$(xdo search --name '^\*?session - Ardour$' 2>/dev/null | head -n1)
  panel=$(xdo search --classname '^Plugin[0-9a-f]{8}$' 2>/dev/null | head -n1)
  [ -n "$plugin_window" ] && [ -n "$main_window" ] && [ -n "$panel" ]
}
within 60 find_windows || fail "Ardour did not show the plug-in window with the panel"
pass "Ardour shows the plug-in window '$(xdo getwindowname "$plugin_window")' with the panel in it"
title() { xdo getwindowname "$main_window"; }
modified() { [ "$(title)" = "*session - Ardour" ]; }
clean() { [ "$(title)" = "session - Ardour" ]; }
save() { xdo windowfocus "$main_window"; xdo key ctrl+s; within 10 clean; }
# The state file of the plug-in's latest save.
latest_state() { ls -td "$session"/plugins/*/state*/ 2>/dev/null | head -n1; }
read -r panel_x panel_y < <(xwininfo -id "$panel" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x, y}')
within 10 clean
check "the freshly opened session is not modified ($(title))" clean

# --- the panel as the headless backend draws the same state --------------------
# The sample plays from the path the host mapped the state's link to.
shown_path=$(find "$session/plugins" -name sample.wav -path "*/$state_dir/*" | head -n1)
printf 'rate 48000\nlength 1\n' >"$work/still.txt"
timeout 60 "$renderer" --score "$work/still.txt" --sample "$shown_path" --param Length=0.3 --tail 0 \
  -o "$work/still.wav" --panel "$work/headless.png" >"$work/reference.log" 2>&1 ||
  fail "parvolino-render could not draw the headless panel"
sleep 1
timeout 20 "$x11host" capture "$panel" "$work/panel.png" >"$work/capture.log" 2>&1 || fail "could not capture the panel"
# Every pixel, the text in the labels too: both are drawn by the same code.
compare_panel() {
  timeout 20 "$compare" "$work/panel.png" "$work/headless.png" >"$work/compare.log" 2>&1 &&
    grep -q '^text areas: 0 of' "$work/compare.log"
}
check "the panel in Ardour's window matches the headless panel of the same state" compare_panel ||
  sed 's/^/    /' "$work/compare.log"

# --- a knob drag moves the control port, and a save keeps it -----------------
length_x=$((panel_x + 160)) length_y=$((panel_y + 150))
xdo mousemove $length_x $length_y mousedown 1
for dy in 10 20 30 40 50; do xdo mousemove $length_x $((length_y - dy)); sleep 0.05; done
xdo mouseup 1
check "the knob drag marks the session modified" within 10 modified
check "a save makes it clean again" save
length_value=$(grep -o '<Port symbol="length" value="[^"]*"' "$session/session.ardour" | head -n1 | cut -d'"' -f4)
check "the saved session holds the dragged Length ($length_value, was 0.3)" \
  awk -v v="${length_value:-0.3}" 'BEGIN { exit !(v > 0.35) }'

# --- a file manager's drop ------------------------------------------------------
drag() { # file...
  timeout 40 /usr/bin/python3 "$root/tools/gtkdrag/file-drag.py" $((panel_x + 200)) $((panel_y + 72)) "$@" 2>&1
}
# Another sound than the session's sample: a host compares the files a
# state names by their contents, and keeps the older state when they match.
/usr/bin/python3 - "$work/drop me.wav" <<'PY'
import math, struct, sys, wave
with wave.open(sys.argv[1], "wb") as out:
    out.setnchannels(1); out.setsampwidth(2); out.setframerate(44100)
    out.writeframes(b"".join(struct.pack("<h", int(9000 * math.sin(i * 0.03))) for i in range(44100)))
PY
out=$(drag "$work/drop me.wav")
sed 's/^/    /' <<<"$out"
check "a GTK drag of 'drop me.wav' onto the panel is taken as a copy" grep -qx 'gtk-drag end succeeded 1 action copy' <<<"$out"
check "the drop marks the session modified" within 10 modified
check "a save makes it clean again" save
check "the plug-in's saved state names the dropped file ($(latest_state))" \
  grep -q "drop%20me.wav\|drop me.wav" "$(latest_state)/state.ttl"

[ "$failures" -eq 0 ] || fail "$failures check(s) failed"
kill "$ardour_pid" 2>/dev/null; wait "$ardour_pid" 2>/dev/null; ardour_pid=
rm -rf "$work"
echo "lv2-ardour-gui stage: ok in $(($(date +%s) - started)) s"
