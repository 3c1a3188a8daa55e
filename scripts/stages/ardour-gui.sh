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
stage=ardour-gui
source "$root/scripts/stages/lib/ardour-gui.bash"

require_gui_tools "$scanner" xprop zenity
[ -f "$module" ] || fail "$module is missing: build first"

# --- the host's own state: a scratch home with the module in its VST path ----
make_gui_home
export LXVST_PATH=$work/vst
mkdir -p "$LXVST_PATH"
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
open_session_in_host "$session" '^Instrument: Parvolino \(by Hevarun\) \[VST\]$'
# The sample of program 0 in the saved session.
saved_sample() {
  timeout 30 ardour7-lua "$tools/chunk-print.lua" "$session/session.ardour" 2>&1 | grep -m1 '^program 0 ' | cut -d'|' -f2
}
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

finish_gui_stage
