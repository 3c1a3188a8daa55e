#!/usr/bin/env bash
# Ardour 7's own windows on an X server (Xvfb), as a user meets them: a
# session opens with the instrument's plug-in window showing the panel; a
# sample loaded by the Load button, and one dragged from a file manager
# (GTK 3's drag code) onto the panel, each mark the session as modified
# (its title gains a leading "*"), and a save keeps the dropped file.
# Run from the repository root after build/. Takes about a minute.
set -uo pipefail

root=$(pwd)
build=${PARVOLINO_BUILD_DIR:-$root/build}
module=$build/parvolino.so
scanner=/usr/lib/ardour7/ardour-vst-scanner
tools=$root/tools/ardour
started=$(date +%s)

not_run() { echo "ardour-gui stage: NOT RUN: $*"; exit 77; }
for tool in ardour ardour7-lua "$scanner" Xvfb xdotool xprop zenity; do
  command -v "$tool" >/dev/null || not_run "$tool is not installed (scripts/install-deps)"
done
/usr/bin/python3 -c 'import gi; gi.require_version("Gtk", "3.0"); from gi.repository import Gtk' 2>/dev/null ||
  not_run "Debian's python3-gi and gir1.2-gtk-3.0 are not installed (scripts/install-deps)"
[ -f "$module" ] || { echo "ardour-gui stage: FAIL: $module is missing: build first"; exit 1; }

work=$(mktemp -d /tmp/parvolino-ardour-gui.XXXXXX)
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
  [ -n "${DISPLAY:-}" ] && [ -x "$build/tools/parvolino-x11host" ] &&
    timeout 20 "$build/tools/parvolino-x11host" capture "$(xwininfo -root | awk '/Window id/ {print $4}')" \
      "$work/screen.png" >/dev/null 2>&1
  echo "ardour-gui stage: FAIL: $* (after $(($(date +%s) - started)) s; logs and screen.png in $work)"
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

# --- the host's own state: a scratch home with the module in its VST path ----
export HOME=$work/home LXVST_PATH=$work/vst
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME
config=$HOME/.config/ardour7
mkdir -p "$config/scripts" "$LXVST_PATH"
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
cp "$module" "$LXVST_PATH/parvolino.so"
touch -d '-2 minutes' "$LXVST_PATH/parvolino.so"   # older than its cache entry
plugin=$LXVST_PATH/parvolino.so
timeout 60 env LD_LIBRARY_PATH=/usr/lib/ardour7 "$scanner" -f "$plugin" >"$work/scan.log" 2>&1
grep -q 'Found Plugin:' "$work/scan.log" || fail "the scanner did not find the plug-in"

# A session with the instrument on a MIDI track, saved with its window open.
session=$work/session
timeout 120 ardour7-lua "$tools/session-create.lua" "$plugin" "$session" session 48000 1024 48000 \
  >"$work/create.log" 2>&1 || fail "could not create the session"
timeout 30 ardour7-lua "$tools/session-show-editor.lua" "$session/session.ardour" 130 88 >"$work/show.log" 2>&1 ||
  fail "could not open the plug-in window in the saved session: $(tail -1 "$work/show.log")"

# --- the X server and the host ----------------------------------------------
timeout 300 Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
within 5 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(head -n1 "$work/display")
# No session bus: the Load button's chooser is zenity.
unset DBUS_SESSION_BUS_ADDRESS
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1

timeout 150 ardour -n -a "$session" >"$work/ardour.log" 2>&1 &
ardour_pid=$!
plugin_window= main_window= panel=
find_windows() {
  plugin_window=$(xdo search --onlyvisible --name '^Instrument: Parvolino \(by Hevarun\) \[VST\]$' 2>/dev/null | head -n1)
  main_window=$(xdo search --name '^\*?session - Ardour$' 2>/dev/null | head -n1)
  panel=$(xdo search --classname '^Plugin[0-9a-f]{8}$' 2>/dev/null | head -n1)
  [ -n "$plugin_window" ] && [ -n "$main_window" ] && [ -n "$panel" ]
}
within 60 find_windows || fail "Ardour did not show the plug-in window with the panel"
pass "Ardour shows the plug-in window 'Instrument: Parvolino (by Hevarun) [VST]' with the panel in it"
title() { xdo getwindowname "$main_window"; }
modified() { [ "$(title)" = "*session - Ardour" ]; }
clean() { [ "$(title)" = "session - Ardour" ]; }
save() { xdo windowfocus "$main_window"; xdo key ctrl+s; within 10 clean; }
# The sample of program 0 in the saved session.
saved_sample() {
  timeout 30 ardour7-lua "$tools/chunk-print.lua" "$session/session.ardour" 2>&1 | grep -m1 '^program 0 ' | cut -d'|' -f2
}
read -r panel_x panel_y < <(xwininfo -id "$panel" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x, y}')
to_hex() { printf '0x%x' "$1"; }
check "the plug-in window names the panel as its drop proxy" \
  grep -q "window id # $(to_hex "$panel")\$" <<<"$(timeout 10 xprop -id "$plugin_window" XdndProxy)"
within 10 clean
check "the freshly opened session is not modified ($(title))" clean

# --- a sample by the Load button ---------------------------------------------
cp "$root/resources/samples/default.wav" "$work/chosen one.wav"
xdo mousemove $((panel_x + 50)) $((panel_y + 72)) click 1
if within 20 xdo search --onlyvisible --name '^Load Sample$' >/dev/null; then
  chooser=$(xdo search --onlyvisible --name '^Load Sample$' | head -n1)
  xdo windowfocus --sync "$chooser"
  xdo key ctrl+l; sleep 0.3
  xdo type --delay 15 "$work/chosen one.wav"; sleep 0.3
  xdo key Return
  check "a sample loaded by the Load button marks the session modified" within 10 modified
  check "a save makes it clean again and keeps the chosen file" eval 'save && [ "$(saved_sample)" = "$work/chosen one.wav" ]'
else
  failures=$((failures + 1)); echo "  FAILED: the Load button opens the chooser"
fi

# --- a file manager's drop ------------------------------------------------------
drag() { # file...
  timeout 40 /usr/bin/python3 "$root/tools/gtkdrag/file-drag.py" $((panel_x + 200)) $((panel_y + 72)) "$@" 2>&1
}
cp "$root/resources/samples/default.wav" "$work/drop me.wav"
out=$(drag "$work/drop me.wav")
sed 's/^/    /' <<<"$out"
check "a GTK drag of 'drop me.wav' onto the panel is taken as a copy" grep -qx 'gtk-drag end succeeded 1 action copy' <<<"$out"
check "the drop marks the session modified" within 10 modified
check "a save keeps the dropped file" eval 'save && [ "$(saved_sample)" = "$work/drop me.wav" ]'
echo "some words" >"$work/notes.txt"
out=$(drag "$work/notes.txt")
check "a .txt dragged onto the panel is refused" grep -qx 'gtk-drag end succeeded 0 action none' <<<"$out"
sleep 1
check "and leaves the session unmodified" clean

[ "$failures" -eq 0 ] || fail "$failures check(s) failed"
kill "$ardour_pid" 2>/dev/null; wait "$ardour_pid" 2>/dev/null; ardour_pid=
rm -rf "$work"
echo "ardour-gui stage: ok in $(($(date +%s) - started)) s"
