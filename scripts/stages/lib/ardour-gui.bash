# Sourced by the stages that drive Ardour 7's own windows on an X server
# (ardour-gui.sh with the VST 2 module, lv2-ardour-gui.sh with the LV2
# plug-in): the checks' helpers, the host's scratch home, the X server, the
# host itself and the session's title. Set stage (its name in messages),
# root, build and started first; work is made here.

not_run() { rm -rf "$work"; echo "$stage stage: NOT RUN: $*"; exit 77; }
# What every GUI stage needs besides its own programs.
require_gui_tools() { # program...
  local tool
  for tool in ardour ardour7-lua Xvfb xdotool "$@"; do
    command -v "$tool" >/dev/null || not_run "$tool is not installed (scripts/install-deps)"
  done
  /usr/bin/python3 -c 'import gi; gi.require_version("Gtk", "3.0"); from gi.repository import Gtk' 2>/dev/null ||
    not_run "Debian's python3-gi and gir1.2-gtk-3.0 are not installed (scripts/install-deps)"
}

work=$(mktemp -d "/tmp/parvolino-$stage.XXXXXX")
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
  echo "$stage stage: FAIL: $* (after $(($(date +%s) - started)) s; logs and screen.png in $work)"
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

# The host's own state: a scratch home with no first-run wizard, the silent
# engine started at once (it is hidden from the engine dialog unless asked
# for), and our score sender among its scripts.
make_gui_home() {
  export HOME=$work/home
  unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME
  local config=$HOME/.config/ardour7
  mkdir -p "$config/scripts"
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
  cp "$root/tools/ardour/note-sender.lua" "$config/scripts/parvolino-test-notes.lua"
}

# Xvfb, then the host on the session; the plug-in window (its title
# matching the pattern), the main window and the panel are found, and the
# panel's place on the screen.
plugin_window= main_window= panel= panel_x= panel_y=
open_session_in_host() { # session-dir plugin-window-title-pattern
  local session=$1 plugin_title=$2
  timeout 300 Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  within 5 test -s "$work/display" || fail "Xvfb did not start"
  export DISPLAY=:$(head -n1 "$work/display")
  # No session bus: the Load button's chooser is zenity.
  unset DBUS_SESSION_BUS_ADDRESS
  export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
  timeout 150 ardour -n -a "$session" >"$work/ardour.log" 2>&1 &
  ardour_pid=$!
  find_windows() {
    plugin_window=$(xdo search --onlyvisible --name "$plugin_title" 2>/dev/null | head -n1)
    main_window=$(xdo search --name '^\*?session - Ardour$' 2>/dev/null | head -n1)
    panel=$(xdo search --classname '^Plugin[0-9a-f]{8}$' 2>/dev/null | head -n1)
    [ -n "$plugin_window" ] && [ -n "$main_window" ] && [ -n "$panel" ]
  }
  within 60 find_windows || fail "Ardour did not show the plug-in window with the panel"
  pass "Ardour shows the plug-in window '$(xdo getwindowname "$plugin_window")' with the panel in it"
  read -r panel_x panel_y < <(xwininfo -id "$panel" |
    awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4} END {print x, y}')
}
title() { xdo getwindowname "$main_window"; }
modified() { [ "$(title)" = "*session - Ardour" ]; }
clean() { [ "$(title)" = "session - Ardour" ]; }
save() { xdo windowfocus "$main_window"; xdo key ctrl+s; within 10 clean; }
# A file manager's drag of the files onto the panel's path display.
drag() { # file...
  timeout 40 /usr/bin/python3 "$root/tools/gtkdrag/file-drag.py" $((panel_x + 200)) $((panel_y + 72)) "$@" 2>&1
}
# The stage's end: its verdict, and the host closed.
finish_gui_stage() {
  [ "$failures" -eq 0 ] || fail "$failures check(s) failed"
  kill "$ardour_pid" 2>/dev/null; wait "$ardour_pid" 2>/dev/null; ardour_pid=
  rm -rf "$work"
  echo "$stage stage: ok in $(($(date +%s) - started)) s"
}
