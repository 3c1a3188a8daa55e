#!/usr/bin/env bash
# The editor end to end on an X server (Xvfb), as a Linux host shows it: the
# test host opens the panel in a window of its own and idles it; xdotool is
# the user's mouse and keyboard; zenity is the desktop's dialogs; a small
# program on GTK 3's drag code is the file manager, without and with a
# window manager (openbox).
#
# Run from the repository root after build/ is built (./run test does both).
# Every external program runs under timeout; the whole stage takes well under
# a minute.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
build=${PARVOLINO_BUILD_DIR:-build}
host=$build/tools/parvolino-x11host
module=$build/parvolino.so
render=$build/tools/parvolino-render
reference=$build/tests/x11/parvolino-x11-reference
compare=$build/tests/x11/parvolino-x11-compare

for tool in "$host" "$module" "$render" "$reference" "$compare"; do
  [ -e "$tool" ] || { echo "x11: $tool is not built"; exit 1; }
done
for program in Xvfb xdotool zenity xrdb dbus-daemon; do
  command -v "$program" >/dev/null || { echo "x11: $program is not installed (scripts/install-deps)"; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/parvolino-x11.XXXXXX")
pictures=$build/x11-stage
rm -rf "$pictures" && mkdir -p "$pictures"
xvfb_pid=
host_pid=
bus_pid=
wm_pid=
failures=0
not_run=0  # parts this machine cannot run; ./run counts the lines saying so

cleanup() {
  exec 3>&- 2>/dev/null || true
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null || true
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

pass() { echo "  ok: $*"; }
# A failed check leaves a picture of the whole screen behind.
fail() {
  failures=$((failures + 1))
  echo "  FAILED: $* (screen: $pictures/failure-$failures.png)"
  timeout 20 "$host" capture "$(xwininfo -root | awk '/Window id/ {print $4}')" "$pictures/failure-$failures.png" || true
}
not() { ! "$@"; }
skip_part() { not_run=$((not_run + 1)); echo "  NOT RUN: $*"; }
check() { # description command...
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

# --- the X server ---------------------------------------------------------
# -noreset: resources set with xrdb stay when the last client leaves.
timeout 300 Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp -noreset 5>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "x11: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")
# zenity without a session bus or accessibility bus, quietly, and with its
# recent files and settings kept out of the user's home. Without a session
# bus the module has no portal either, so zenity is the chooser here too.
unset DBUS_SESSION_BUS_ADDRESS
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
xdo() { timeout 10 xdotool "$@"; }

# --- the test host, driven through a pipe ---------------------------------
log=$work/host.log
seen=0
start_host() { # module
  mkfifo "$work/commands.$1"
  host_err=$work/host-$1.err
  timeout 240 "$host" host "$2" <"$work/commands.$1" >"$log" 2>"$host_err" &
  host_pid=$!
  exec 3>"$work/commands.$1"
  seen=0
}

# Sends a command and waits for its "ok" (or "error"); the lines the host
# printed meanwhile, host callbacks included, are left in $reply.
cmd() {
  local line="$*" deadline=$((SECONDS + 30)) new
  echo "$line" >&3
  local gone=0
  while :; do
    # Whether the host is gone is asked before its log is read, so a host
    # that answers and then exits (quit) is never taken for one that died.
    kill -0 "$host_pid" 2>/dev/null || gone=1
    new=$(tail -n +$((seen + 1)) "$log")
    if grep -qxF "ok $line" <<<"$new"; then break; fi
    if grep -q '^error' <<<"$new"; then reply=$new; seen=$(wc -l <"$log"); echo "  host: $(grep '^error' <<<"$new")"; return 1; fi
    if [ $gone -eq 1 ]; then echo "  host died during '$line'"; cat "$host_err"; exit 1; fi
    [ $SECONDS -lt $deadline ] || { echo "  host did not answer '$line'"; exit 1; }
    sleep 0.02
  done
  reply=$(tail -n +$((seen + 1)) "$log" | head -n $(($(wc -l <"$log") - seen)))
  seen=$(wc -l <"$log")
}
field() { grep -m1 "^$1" <<<"$reply" | awk -v n="$2" '{print $n}'; }
param() { cmd param "$1" "$2"; field "param $1 $2 " 4; }

# The panel's screen position and the windows from the last "opened" line.
panel_x=0 panel_y=0 panel_id=0 host_window=0
note_panel() {
  local line; line=$(grep -m1 '^opened' <<<"$reply")
  panel_id=$(awk '{print $8}' <<<"$line"); panel_x=$(awk '{print $12}' <<<"$line"); panel_y=$(awk '{print $13}' <<<"$line")
  host_window=$(awk '{print $6}' <<<"$line")
}

# The panel captured now against the headless picture of the host's state.
compare_with_headless() { # instance name
  cmd capture "$1" "$pictures/$2.png"
  cmd chunk "$1" "$work/$2.chunk"
  timeout 60 "$reference" "$work/$2.chunk" "$(field "chunk $1" 5)" "$pictures/$2-headless.png" || return 1
  timeout 20 "$compare" "$pictures/$2.png" "$pictures/$2-headless.png" | sed 's/^/    /'
  return "${PIPESTATUS[0]}"
}

# A held mouse drag: press at the first point, move through the others, release.
drag() { # x0 y0 x1 y1 ...
  xdo mousemove "$1" "$2" mousedown 1; shift 2; sleep 0.15
  while [ $# -ge 2 ]; do xdo mousemove "$1" "$2"; sleep 0.04; shift 2; done
  sleep 0.1; xdo mouseup 1; sleep 0.15
}

# The edits the host saw for one parameter, in order, as one line.
edits_of() { # instance index
  grep -E "^host $1 (beginEdit|endEdit|automate) $2( |$)" <<<"$reply" | awk '{print $3}' | uniq | tr '\n' ' '
}
others_edited() { # instance index
  grep -E "^host $1 (beginEdit|endEdit|automate) " <<<"$reply" | grep -vqE "^host $1 [a-zA-Z]+ $2( |$)"
}

wait_window() { # name → window id of the visible window with that title
  local id=
  for _ in $(seq 150); do
    id=$(xdo search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
window_gone() { # id
  for _ in $(seq 100); do
    xdo getwindowname "$1" >/dev/null 2>&1 || return 0
    xdo search --onlyvisible --name "." 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.1
  done
  return 1
}
only_region_differs() { # region picture picture
  local out; out=$(timeout 20 "$compare" "$2" "$3") || true
  grep -q '^text areas: 0 of' <<<"$out" && ! grep '^differs' <<<"$out" | grep -vq "^differs: $1,"
}
only_button_differs() { only_region_differs button "$@"; }
# Types a path into the chooser's location field (Control-L opens it, so no
# keystroke is lost to the field appearing) and confirms it.
type_into_chooser() { # window path
  xdo windowfocus --sync "$1" || true
  xdo key ctrl+l; sleep 0.3
  xdo type --delay 15 "$2"; sleep 0.3
  xdo key Return
}
# Clicks the load button: a plain click, press and release at once, as a
# touchpad tap gives it. The button counts as pressed until an idle has
# redrawn it after its last press, so leave the host time to idle first.
press_load_button() {
  sleep 0.5
  xdo mousemove $((panel_x + 50)) $((panel_y + 72)) click 1
}
# The host answers a command within the given seconds (its thread is free).
answers_within() { # seconds text
  local deadline=$((SECONDS + $1)) start; start=$(wc -l <"$log")
  echo "echo $2" >&3
  while [ $SECONDS -le $deadline ]; do
    tail -n +$((start + 1)) "$log" | grep -qxF "ok echo $2" && { seen=$(wc -l <"$log"); return 0; }
    sleep 0.05
  done
  return 1
}

echo "x11: display $DISPLAY, pictures in $pictures"
start_host main "$module"
cmd new
cmd open 0 10 10
note_panel
check "the editor opens in the host's window (effEditOpen answers 1)" grep -q '^opened 0 result 1 ' <<<"$reply"
check "the panel is 400 x 290 at the host window's origin" grep -q " at 10 10 size 400 290$" <<<"$reply"
check "the panel's class hint is Plugin%08x" grep -qE ' class Plugin[0-9a-f]{8} ' <<<"$reply"
cmd idle 300
check "the panel as shown matches the headless picture" compare_with_headless 0 opened

# --- knobs ------------------------------------------------------------------
# Knob i occupies panel (50+80i, 120)-(110+80i, 180); its centre is 30 px in.
knob_cx() { echo $((panel_x + 80 + 80 * $1)); }
knob_cy() { echo $((panel_y + 150)); }
for i in 0 1 2 3; do
  cx=$(knob_cx $i); cy=$(knob_cy $i)
  before=$(param 0 $i)
  cmd echo "drag $i"
  # Circular: round the knob from the lower left over the top to the right.
  drag $((cx - 20)) $((cy + 18)) $((cx - 25)) $((cy - 5)) $((cx - 10)) $((cy - 25)) $((cx + 10)) $((cy - 25)) $((cx + 22)) $((cy - 10))
  cmd idle 100
  after=$(param 0 $i)
  edits=$(edits_of 0 $i)
  check "circular drag moves knob $i ($before -> $after)" [ "$before" != "$after" ]
  check "knob $i: the host sees begin-edit, automation, end-edit ($edits)" [ "$edits" = "beginEdit automate endEdit " ]
  check "knob $i: no other parameter is touched" not others_edited 0 $i
done
check "the panel after the circular drags matches the headless picture" compare_with_headless 0 circular

cmd knobmode 2
check "effSetEditKnobMode 2 answers 1" grep -q '^knobmode 0 1$' <<<"$reply"
for i in 0 1 2 3; do
  cx=$(knob_cx $i); cy=$(knob_cy $i)
  cmd setparam 0 $i 0.3
  cmd idle 60
  cmd echo "linear $i"
  # Linear: straight up and to the right raises the value.
  drag $cx $cy $((cx + 5)) $((cy - 5)) $((cx + 10)) $((cy - 10)) $((cx + 15)) $((cy - 15))
  cmd idle 100
  after=$(param 0 $i)
  edits=$(edits_of 0 $i)
  check "linear drag raises knob $i (0.3 -> $after)" awk -v v="$after" 'BEGIN { exit !(v > 0.35) }'
  check "knob $i linear: begin-edit, automation, end-edit ($edits)" [ "$edits" = "beginEdit automate endEdit " ]
done
cmd knobmode 0
for i in 0 1 2 3; do
  cx=$(knob_cx $i); cy=$(knob_cy $i)
  cmd setparam 0 $i 0.9
  cmd idle 60
  xdo mousemove $cx $cy keydown ctrl mousedown 1; sleep 0.3; xdo mouseup 1 keyup ctrl; sleep 0.1
  cmd idle 60
  check "Control-click returns knob $i to 0.5" [ "$(param 0 $i)" = "0.500000" ]
done
# A plain click (no hold) on a knob's left side turns it there.
for i in 0 1 2 3; do
  cx=$(knob_cx $i); cy=$(knob_cy $i)
  cmd setparam 0 $i 0.9
  cmd idle 60
  cmd echo "click $i"
  xdo mousemove $((cx - 20)) $((cy - 2)) click 1; sleep 0.2
  cmd idle 60
  after=$(param 0 $i)
  check "a click turns knob $i (0.9 -> $after)" awk -v v="$after" 'BEGIN { exit !(v < 0.5) }'
  check "knob $i click: begin-edit, automation, end-edit ($(edits_of 0 $i))" [ "$(edits_of 0 $i)" = "beginEdit automate endEdit " ]
  cmd setparam 0 $i 0.5
done
cmd idle 60
check "the panel after the linear drags and Control-clicks matches the headless picture" compare_with_headless 0 knobs

# --- loading a sample through the chooser ------------------------------------
cp resources/samples/default.wav "$work/voice one.wav"
printf 'RIFF\x04\x00\x00\x00WAVEjunk' >"$work/broken.wav"
cmd setparam 0 3 0      # no scatter, so two renders of one state agree
cmd idle 60
cmd render 0
render_before=$(field "render 0" 4)
cmd capture 0 "$pictures/before-load.png"

press_load_button
if chooser=$(wait_window "Load Sample"); then
  pass "the load button opens the chooser titled 'Load Sample' on a plain click"
  check "the host keeps answering while the chooser is open" answers_within 3 "host free"
  # The panel keeps painting under the dialog: cover it, uncover it, read it.
  xdo windowmove "$chooser" 0 0; sleep 0.4
  xdo windowmove "$chooser" 560 380; sleep 0.6
  timeout 20 "$host" capture "$panel_id" "$pictures/under-dialog.png" || true
  check "the panel repaints while the chooser is open (only the pressed button differs)" \
    only_button_differs "$pictures/under-dialog.png" "$pictures/before-load.png"
  type_into_chooser "$chooser" "$work/voice one.wav"
  check "the chooser closes" window_gone "$chooser"
else
  fail "the load button opens the chooser titled 'Load Sample'"
fi
cmd idle 300
check "the load tells the host the plug-in's state changed" grep -qx 'host 0 updateDisplay' <<<"$reply"
cmd path 0
check "the chosen file is the program's sample" grep -qxF "path 0 $work/voice one.wav" <<<"$reply"
check "the panel shows the new path and matches the headless picture" compare_with_headless 0 loaded
cmd render 0
render_after=$(field "render 0" 4)
render_peak=$(field "render 0" 6)
cmd renderclone 0
check "the next render uses the new sample ($render_before -> $render_after)" [ "$render_after" != "$render_before" ]
check "and it sounds (peak $render_peak)" awk -v p="$render_peak" 'BEGIN { exit !(p > 0.001) }'
check "it plays what a reload of the project plays" [ "$(field "renderclone 0" 4)" = "$render_after" ]

# The chooser hands back a typed name even when no such file exists; the
# backend holds to the must-exist rule, so nothing loads and nothing complains.
press_load_button
if chooser=$(wait_window "Load Sample"); then
  type_into_chooser "$chooser" "$work/missing.wav"
  check "the chooser closes on a name of no file" window_gone "$chooser"
  cmd idle 500
  cmd path 0
  check "a file that does not exist is no choice: the sample stays" grep -qxF "path 0 $work/voice one.wav" <<<"$reply"
  check "and no error box comes up" not xdo search --onlyvisible --name '^Error$'
else
  fail "the chooser opens a second time"
fi

press_load_button
if chooser=$(wait_window "Load Sample"); then
  type_into_chooser "$chooser" "$work/broken.wav"
  if box=$(wait_window "Error"); then
    pass "a bad file shows a box titled 'Error'"
    xdo windowfocus --sync "$box" || true
    xdo key Return
    check "Return closes the error box" window_gone "$box"
  else
    fail "a bad file shows a box titled 'Error'"
  fi
else
  fail "the chooser opens a third time"
fi
cmd idle 200
cmd path 0
check "the failed load keeps the loaded sample" grep -qxF "path 0 $work/voice one.wav" <<<"$reply"

# --- dropping a file on the panel --------------------------------------------
# Drag sources look at the host's top-level only: it names the panel as the
# window that takes its drops.
window_property() { timeout 10 xprop -id "$1" "$2" 2>/dev/null || true; }
proxy_of() { window_property "$1" XdndProxy | grep -o '0x[0-9a-f]*$' || true; }
check "the host's window names the panel as its drop proxy" [ "$(proxy_of "$host_window")" = "$panel_id" ]
check "and the panel names itself" [ "$(proxy_of "$panel_id")" = "$panel_id" ]
cp resources/samples/default.wav "$work/dragged.wav"
sum_before=$(sha256sum "$work/dragged.wav" | cut -d' ' -f1)
cmd capture 0 "$pictures/before-drop.png"
drop_x=$((panel_x + 200)); drop_y=$((panel_y + 72))
xdo mousemove $drop_x $drop_y
timeout 20 "$host" drag $drop_x $drop_y "$work/dragged.wav" >"$work/drag.out" 2>&1 || true
sed 's/^/    /' "$work/drag.out"
cmd idle 200
check "the drag addresses the host's window and reaches the panel" \
  grep -qx "drag target $host_window recipient $panel_id" "$work/drag.out"
check "the panel takes part in the drag (status and finish answered)" grep -q '^drag finished' "$work/drag.out"
check "a WAV file is accepted while dragged, as a copy" grep -qx 'drag status accept 1 action copy' "$work/drag.out"
check "the drop is taken as a copy, never a move" grep -qx 'drag finished accept 1 action copy' "$work/drag.out"
check "the drop is never reported as a move" not grep -qE 'action move|would delete' "$work/drag.out"
check "the dragged file is still there, unchanged" [ "$(sha256sum "$work/dragged.wav" 2>/dev/null | cut -d' ' -f1)" = "$sum_before" ]
check "the drop tells the host the plug-in's state changed" grep -qx 'host 0 updateDisplay' <<<"$reply"
cmd path 0
check "the dropped file is the program's sample" grep -qxF "path 0 $work/dragged.wav" <<<"$reply"
cmd capture 0 "$pictures/after-drop.png"
check "the drop changes the path display" not cmp -s "$pictures/before-drop.png" "$pictures/after-drop.png"
# Anything but a WAV file is refused while it is dragged and changes nothing.
echo "some words" >"$work/notes.txt"
timeout 20 "$host" drag $drop_x $drop_y "$work/notes.txt" >"$work/drag-text.out" 2>&1 || true
cmd idle 200
check "a file that is no WAV file is refused while dragged" grep -qx 'drag status accept 0 action none' "$work/drag-text.out"
cmd path 0
check "the refused drop keeps the sample" grep -qxF "path 0 $work/dragged.wav" <<<"$reply"

# The same from GTK 3's own drag code, as a file manager drags.
gtk_runs() {
  /usr/bin/python3 -c 'import gi; gi.require_version("Gtk", "3.0"); from gi.repository import Gtk' 2>/dev/null
}
gtk_drag() { # out-name file...
  local out=$work/gtk-$1.out; shift
  timeout 40 /usr/bin/python3 tools/gtkdrag/file-drag.py $((panel_x + 200)) $((panel_y + 72)) "$@" >"$out" 2>&1 || true
  sed 's/^/    /' "$out"
  cmd idle 200
}
gtk_drop_checks() { # what
  cp resources/samples/default.wav "$work/drop me.wav"
  echo "some words" >"$work/notes.txt"
  gtk_drag "$1-wav" "$work/drop me.wav"
  check "$1: a GTK drag of 'drop me.wav' ends as a copy" grep -qx 'gtk-drag end succeeded 1 action copy' "$work/gtk-$1-wav.out"
  check "$1: and tells the host the state changed" grep -qx 'host 0 updateDisplay' <<<"$reply"
  cmd path 0
  check "$1: 'drop me.wav' is the program's sample" grep -qxF "path 0 $work/drop me.wav" <<<"$reply"
  gtk_drag "$1-txt" "$work/notes.txt"
  check "$1: a .txt dragged by GTK is refused" grep -qx 'gtk-drag end succeeded 0 action none' "$work/gtk-$1-txt.out"
  cmd path 0
  check "$1: and the sample stays" grep -qxF "path 0 $work/drop me.wav" <<<"$reply"
}
# A large file dropped by GTK's drag code loads in the background: the test
# host goes on answering at once, the old sample stays until the new one is
# read, and then the new one is the program's.
large_gtk_drop_checks() {
  local large="$work/large drop.wav"
  python3 - "$large" <<'PY'
import struct, sys
size = 600 << 20  # 16-bit stereo at 48 kHz: about 55 minutes
with open(sys.argv[1], "wb") as f:
    f.write(b"RIFF" + struct.pack("<I", 36 + size) + b"WAVEfmt " + struct.pack("<IHHIIHH", 16, 1, 2, 48000, 192000, 4, 16))
    f.write(b"data" + struct.pack("<I", size))
    piece = bytes(range(256)) * 4096
    for _ in range(size // len(piece)):
        f.write(piece)
PY
  gtk_drag large-wav "$large"
  check "a large GTK drop ends as a copy" grep -qx 'gtk-drag end succeeded 1 action copy' "$work/gtk-large-wav.out"
  local asked=$EPOCHREALTIME
  cmd echo still here
  local took=$(( (${EPOCHREALTIME/./} - ${asked/./}) / 1000 ))
  check "the host answers at once while it loads (${took} ms)" [ "$took" -lt 1000 ]
  cmd path 0
  check "the sample before it stays the program's while it loads" grep -qxF "path 0 $work/drop me.wav" <<<"$reply"
  local tries=0
  until grep -qxF "path 0 $large" <<<"$reply" || [ $tries -ge 120 ]; do
    cmd idle 500
    cmd path 0
    tries=$((tries + 1))
  done
  check "then the large file is the program's sample" grep -qxF "path 0 $large" <<<"$reply"
  rm -f "$large"
  # Back to the sample the pictures below show.
  gtk_drag back-wav "$work/drop me.wav"
  cmd path 0
  check "and a small drop after it loads again" grep -qxF "path 0 $work/drop me.wav" <<<"$reply"
}
if gtk_runs; then
  gtk_drop_checks "without a window manager"
  large_gtk_drop_checks
else
  skip_part "the GTK 3 drops (Debian's python3-gi and gir1.2-gtk-3.0 are not installed, see scripts/install-deps)"
fi

# --- closing, reopening, two instances, a host that destroys its window -------
cmd close 0
check "closing the editor removes its window" grep -q '^closed 0 panel gone' <<<"$reply"
cmd open 0 10 10
note_panel
cmd idle 300
check "the reopened panel matches the headless picture" compare_with_headless 0 reopened

cmd new
cmd open 1 10 300
note_panel
check "a second instance's panel opens beside the first" grep -q '^opened 1 result 1 .* at 10 300 size 400 290$' <<<"$reply"
cmd idle 300
cmd echo "second"
cx=$(knob_cx 0); cy=$(knob_cy 0)
drag $((cx - 20)) $((cy + 18)) $((cx - 25)) $((cy - 5)) $((cx - 10)) $((cy - 25)) $((cx + 10)) $((cy - 25))
cmd idle 100
check "a drag on the second panel edits the second instance" [ "$(edits_of 1 0)" = "beginEdit automate endEdit " ]
check "and leaves the first alone" not grep -q '^host 0 ' <<<"$reply"
check "the second panel matches its headless picture" compare_with_headless 1 second
check "the first panel still matches its headless picture" compare_with_headless 0 first-beside-second

cmd destroyhost 1
cmd idle 200
cmd close 1
cmd echo "still here"
check "a host that destroys its window before effEditClose does not bring the plug-in down" grep -qx "still here" <<<"$reply"
cmd open 1 10 300
check "the second instance opens again in a new window" grep -q '^opened 1 result 1 ' <<<"$reply"
cmd idle 200

# A host whose window takes drags itself keeps them: the panel's drop
# target is never made its proxy.
cmd new
cmd open 2 450 300 takesdrags
note_panel
aware_window=$host_window
cmd idle 200
check "a host window that takes drags itself is not made the panel's proxy" [ -z "$(proxy_of "$aware_window")" ]
timeout 20 "$host" drag $((panel_x + 200)) $((panel_y + 72)) "$work/dragged.wav" >"$work/drag-aware.out" 2>&1 || true
cmd idle 200
check "a drag over it goes to the host's window" grep -qx "drag target $aware_window recipient $aware_window" "$work/drag-aware.out"
check "which answers it itself" grep -qx 'host 2 refused a drop on its window' <<<"$reply"
cmd path 2
check "and the panel's sample stays as it was" grep -qxF "path 2 (none)" <<<"$reply"
cmd quit
wait "$host_pid" && host_status=0 || host_status=$?
host_pid=
check "the host closes both instances and exits cleanly" [ "$host_status" -eq 0 ]
exec 3>&-

# --- the desktop's file chooser portal ---------------------------------------
# A session bus of the stage's own that starts the portal and its GTK chooser
# when asked, as a desktop session does; zenity stays on the PATH, so only
# the chooser's window class tells which one answered.
timeout 10 env XDG_CURRENT_DESKTOP=GNOME dbus-daemon --session --fork --print-address=1 --print-pid=1 \
  >"$work/bus" 2>"$work/bus.log"
bus_pid=$(sed -n 2p "$work/bus")
bus_address=$(sed -n 1p "$work/bus")
# The portal must answer on this machine before it is the module's to use:
# a machine where the desktop's portal cannot start is told, not failed.
portal_version() {
  DBUS_SESSION_BUS_ADDRESS=$bus_address XDG_CURRENT_DESKTOP=GNOME timeout 20 dbus-send --session --print-reply \
    --reply-timeout=15000 --dest=org.freedesktop.portal.Desktop /org/freedesktop/portal/desktop \
    org.freedesktop.DBus.Properties.Get string:org.freedesktop.portal.FileChooser string:version 2>&1
}
if [ ! -x /usr/libexec/xdg-desktop-portal ]; then
  portal_runs=0
  skip_part "the desktop's file chooser portal is not installed (scripts/install-deps could not install it); the stand-in portal test covers the module's side"
elif portal_reply=$(portal_version) && grep -q uint32 <<<"$portal_reply"; then
  portal_runs=1
else
  portal_runs=0
  skip_part "the desktop's file chooser portal does not start on this machine ($(tail -1 <<<"$portal_reply")); the stand-in portal test covers the module's side"
fi
if [ "$portal_runs" -eq 1 ]; then
  DBUS_SESSION_BUS_ADDRESS=$bus_address start_host portal "$module"
  cmd new
  cmd open 0 10 10
  note_panel
  cmd idle 300
  press_load_button
  if chooser=$(wait_window "Load Sample"); then
    check "with a portal on the session bus, the load button opens the portal's chooser" \
      grep -q '"xdg-desktop-portal-gtk"' <<<"$(window_property "$chooser" WM_CLASS)"
    check "the portal's chooser stays above the host's window" \
      grep -q "# $host_window\$" <<<"$(window_property "$chooser" WM_TRANSIENT_FOR)"
    check "the host keeps answering while the portal's chooser is open" answers_within 3 "host free"
    type_into_chooser "$chooser" "$work/voice one.wav"
    check "the portal's chooser closes" window_gone "$chooser"
  else
    fail "the load button opens the portal's chooser titled 'Load Sample'"
  fi
  cmd idle 300
  cmd path 0
  check "the file chosen through the portal is the program's sample" grep -qxF "path 0 $work/voice one.wav" <<<"$reply"
  cmd quit
  wait "$host_pid" || true
  host_pid=
  exec 3>&-
fi
kill "$bus_pid" 2>/dev/null || true
bus_pid=

# --- a window manager ----------------------------------------------------------
# Under a window manager the host's window sits in a frame and is the one
# with WM_STATE; GTK's drag code looks for that one.
if ! command -v openbox >/dev/null || ! gtk_runs; then
  skip_part "the GTK 3 drops with a window manager (openbox, python3-gi or gir1.2-gtk-3.0 not installed, see scripts/install-deps)"
else
  timeout 200 openbox --sm-disable >"$work/openbox.log" 2>&1 &
  wm_pid=$!
  for _ in $(seq 100); do timeout 10 xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.05; done
  start_host wm "$module"
  cmd new
  cmd open 0 10 10
  note_panel
  cmd idle 300
  check "under a window manager the host's window is managed (WM_STATE)" grep -q 'window state' <<<"$(window_property "$host_window" WM_STATE)"
  check "and names the panel as its drop proxy" [ "$(proxy_of "$host_window")" = "$panel_id" ]
  gtk_drop_checks "with a window manager"
  cmd quit
  wait "$host_pid" || true
  host_pid=
  exec 3>&-
  kill "$wm_pid" 2>/dev/null || true
  wait "$wm_pid" 2>/dev/null || true
  wm_pid=
fi

# --- no chooser on the system ---------------------------------------------------
# A host whose PATH has no zenity or kdialog, and no session bus for a portal.
start_nochooser_host() {
  mkfifo "$work/commands.nochooser"
  host_err=$work/host-nochooser.err
  timeout 240 env -u DBUS_SESSION_BUS_ADDRESS PATH=/nonexistent "$host" host "$module" \
    <"$work/commands.nochooser" >"$log" 2>"$host_err" &
  host_pid=$!
  exec 3>"$work/commands.nochooser"
  seen=0
}
start_nochooser_host
cmd new
cmd open 0 10 10
note_panel
cmd idle 300
press_load_button
cmd idle 300
cmd capture 0 "$pictures/no-chooser.png"
box_pixel() { timeout 20 "$compare" --pixel "$pictures/$1.png" 30 155; }
check "without a chooser the panel draws a box saying why ($(box_pixel no-chooser))" [ "$(box_pixel no-chooser)" = "181828" ]
check "and says nothing on standard error" not grep -q "chooser" "$host_err"
xdo mousemove $((panel_x + 200)) $((panel_y + 100)) click 1
cmd idle 300
cmd capture 0 "$pictures/no-chooser-closed.png"
check "a click closes the drawn box" [ "$(box_pixel no-chooser-closed)" != "181828" ]
check "and the panel is as before" compare_with_headless 0 no-chooser-closed
cmd quit
wait "$host_pid" || true
host_pid=
exec 3>&-

# --- a module whose editor shows nothing ---------------------------------------
# The host interface's test module has an editor object that opens no window.
if [ -e "$build/tests/vst2/testfx.so" ]; then
  start_host plain "$build/tests/vst2/testfx.so"
  cmd new
  cmd open 0 10 10
  check "a module whose editor makes no window is handled" grep -qE '^(noeditor 0|opened 0 .* panel 0x0 )' <<<"$reply"
  cmd idle 100
  cmd close 0
  cmd quit
  wait "$host_pid" || true
  host_pid=
  exec 3>&-
fi

# --- a high-resolution screen ------------------------------------------------
# A screen that asks for 192 dots per inch shows the panel twice as big; the
# panel's own coordinates are half the screen's inside it.
printf 'Xft.dpi:\t192\n' | xrdb -merge
start_host scaled "$module"
cmd new
cmd open 0 10 10
note_panel
echo "    $(grep "^opened" <<<"$reply")"
check "at Xft.dpi 192 the panel opens at 800 x 580" grep -q " at 10 10 size 800 580$" <<<"$reply"
cmd idle 300
cmd capture 0 "$pictures/scaled.png"
# Width and height are the big-endian words at bytes 16 and 20 of a PNG.
check "the enlarged panel is captured at 800 x 580" [ "$(od -An -tu1 -j16 -N8 "$pictures/scaled.png" | tr -s ' ')" = " 0 0 3 32 0 0 2 68" ]
cx=$((panel_x + 2 * 80)); cy=$((panel_y + 2 * 150))
before=$(param 0 0)
cmd echo "scaled drag"
drag $((cx - 40)) $((cy + 36)) $((cx - 50)) $((cy - 10)) $((cx - 20)) $((cy - 50)) $((cx + 20)) $((cy - 50)) $((cx + 44)) $((cy - 20))
cmd idle 100
after=$(param 0 0)
edits=$(edits_of 0 0)
check "a circular drag on the enlarged knob moves it ($before -> $after)" [ "$before" != "$after" ]
check "the enlarged knob: begin-edit, automation, end-edit ($edits)" [ "$edits" = "beginEdit automate endEdit " ]
check "the enlarged knob: no other parameter is touched" not others_edited 0 0
cmd quit
wait "$host_pid" || true
host_pid=
exec 3>&-
xrdb -remove

# --- the sample strip ----------------------------------------------------------
# Under the panel, at scale 1 and 2: no sample, a sample, twelve notes held at
# the densest setting (the test host renders them in real time on an audio
# thread of its own, as hosts do), and a file dropped on the strip itself.
# Still pictures are compared with the headless ones; while notes sound only
# the strip's waveform box may change.
cp resources/samples/default.wav "$work/strip.wav"
cp resources/samples/default.wav "$work/strip-dropped.wav"
for scale in 1 2; do
  if [ "$scale" = 2 ]; then printf 'Xft.dpi:\t192\n' | xrdb -merge; fi
  start_host "strip$scale" "$module"
  cmd new
  cmd open 0 10 10
  note_panel
  cmd idle 300
  check "scale $scale: the strip without a sample matches the headless picture" compare_with_headless 0 "strip-none-$scale"
  cmd sample 0 "$work/strip.wav"
  cmd setparam 0 2 1.0
  cmd idle 300
  check "scale $scale: the strip shows the sample as the headless picture does" compare_with_headless 0 "strip-sample-$scale"
  cmd play 0 12
  cmd idle 300
  cmd capture 0 "$pictures/strip-playing-$scale-a.png"
  cmd idle 200
  cmd capture 0 "$pictures/strip-playing-$scale-b.png"
  check "scale $scale: the grains move while notes sound" \
    not cmp -s "$pictures/strip-playing-$scale-a.png" "$pictures/strip-playing-$scale-b.png"
  check "scale $scale: and only the strip's waveform box changes" \
    only_region_differs "strip waveform" "$pictures/strip-playing-$scale-a.png" "$pictures/strip-playing-$scale-b.png"
  cmd stop 0
  cmd idle 300
  check "scale $scale: once the notes are over the strip matches the headless picture again" \
    compare_with_headless 0 "strip-stopped-$scale"
  drop_x=$((panel_x + 200 * scale)); drop_y=$((panel_y + 235 * scale))
  xdo mousemove $drop_x $drop_y
  timeout 20 "$host" drag $drop_x $drop_y "$work/strip-dropped.wav" >"$work/drag-strip.out" 2>&1 || true
  cmd idle 200
  cmd path 0
  check "scale $scale: a WAV file dropped on the strip becomes the program's sample" \
    grep -qxF "path 0 $work/strip-dropped.wav" <<<"$reply"
  cmd quit
  wait "$host_pid" || true
  host_pid=
  exec 3>&-
  if [ "$scale" = 2 ]; then xrdb -remove; fi
done

# --- the module without a display ----------------------------------------------
check "the module loads and renders with no display" \
  env -u DISPLAY timeout 60 "$render" --tail 0 -o "$work/no-display.wav" >/dev/null 2>&1

for said in "$work"/host-*.err; do
  [ -s "$said" ] || continue
  echo "  the test host said on standard error ($(basename "$said")):"
  sed 's/^/    /' "$said" | head -40
done
if [ "$failures" -eq 0 ] && [ "$not_run" -eq 0 ]; then
  echo "x11: all checks passed"
elif [ "$failures" -eq 0 ]; then
  echo "x11: the checks that ran passed; $not_run part(s) could not run on this machine (said above)"
else
  echo "x11: $failures check(s) failed"
  exit 1
fi
