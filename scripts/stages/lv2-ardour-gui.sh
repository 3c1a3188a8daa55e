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
stage=lv2-ardour-gui
source "$root/scripts/stages/lib/ardour-gui.bash"

require_gui_tools xwininfo
for built in "$bundle/parvolino_ui.so" "$lv2host" "$renderer" "$x11host" "$compare"; do
  [ -e "$built" ] || fail "$built is missing: build first"
done

# --- the host's own state: a scratch home, this bundle only -------------------
make_gui_home
export LV2_PATH=$work/lv2:/usr/lib/lv2
mkdir -p "$work/lv2"
ln -s "$bundle" "$work/lv2/parvolino.lv2"

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
open_session_in_host "$session" 'Parvolino.*\[LV2\]$'
# The state file of the plug-in's latest save.
latest_state() { ls -td "$session"/plugins/*/state*/ 2>/dev/null | head -n1; }
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
    grep -q '^text areas: 0 of' "$work/compare.log" || { sed 's/^/    /' "$work/compare.log"; return 1; }
}
check "the panel in Ardour's window matches the headless panel of the same state" compare_panel

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

finish_gui_stage
