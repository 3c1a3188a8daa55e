#!/usr/bin/env bash
# The Windows DLLs as a Windows host sees them, run under Wine on a virtual X
# display: for parvolino-x86.dll and parvolino-x64.dll the record and identity,
# the import table, a render that must equal the Linux module's bit for bit,
# the editor panel (captured and compared with the headless picture), a real
# mouse drag on a knob, the load button's file dialog and error box, and a
# file drop. Run from the repository root after build/, build-win32/ and
# build-win64/ are built.
set -uo pipefail

root=$(pwd)
build=${PARVOLINO_BUILD_DIR:-$root/build}        # other build folders for a local run
win32=${PARVOLINO_WIN32_DIR:-$root/build-win32}
win64=${PARVOLINO_WIN64_DIR:-$root/build-win64}
started=$(date +%s)
work=$build/wine-stage
failures=0

say() { echo "wine stage: $*"; }
fail() { say "FAIL: $*"; failures=$((failures + 1)); }
fatal() { say "FAIL: $* (after $(($(date +%s) - started)) s; files in $work)"; exit 1; }

if ! command -v wineserver >/dev/null; then
  say "NOT RUN: Wine is not installed (scripts/install-deps could not install it here)"
  exit 77
fi
for tool in Xvfb xdotool sox; do
  command -v "$tool" >/dev/null || fatal "$tool is missing: scripts/install-deps installs it"
done
renderer=$build/tools/parvolino-render
compare=$build/tests/win32/parvolino-capture-compare
for file in "$build/parvolino.so" "$renderer" "$compare" \
            "$win32/parvolino-x86.dll" "$win64/parvolino-x64.dll" \
            "$win32/tools/wintesthost/parvolino-wintesthost.exe" \
            "$win64/tools/wintesthost/parvolino-wintesthost.exe" \
            "$win32/tools/wintesthost/tests/parvolino-win32-tests.exe" \
            "$win64/tools/wintesthost/tests/parvolino-win32-tests.exe"; do
  [ -e "$file" ] || fatal "$file is missing: build first"
done

rm -rf "$work"
mkdir -p "$work"

# Wine: its own prefix under the build folder, quiet, without the .NET and
# HTML engines or menu entries.
export WINEPREFIX=$build/wineprefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

# Wine's 32-bit loader runs only where the kernel runs 32-bit programs (some
# virtual machines' kernels do not: "Exec format error") and the 32-bit Wine
# could be installed (the registry's i386 packages may not match). Otherwise
# the 64-bit loader runs everything 64-bit and the x86 DLL is checked without
# running it.
wine32_loader=/usr/lib/wine/wine
wine64_loader=/usr/lib/wine/wine64
if "$wine32_loader" --version >/dev/null 2>&1; then
  wine=wine
  run_x86=1
elif [ -x "$wine64_loader" ] && "$wine64_loader" --version >/dev/null 2>&1; then
  wine=$wine64_loader
  export WINELOADER=$wine64_loader
  run_x86=0
  if [ -x "$wine32_loader" ]; then why="this kernel runs no 32-bit programs ($("$wine32_loader" --version 2>&1 | tail -1))"
  else why="the 32-bit Wine is not installed (scripts/install-deps says why)"; fi
  say "$why: the x86 DLL is checked without running it"
else
  fatal "no Wine loader runs here: scripts/install-deps installs wine"
fi

# Runs a Wine program with a time limit (a modal window nobody closes would
# block for ever), Wine's carriage returns stripped.
run_wine() { # seconds program args...
  local seconds=$1; shift
  timeout -k 5 "$seconds" "$wine" "$@" 2>&1 | tr -d '\r'
  return "${PIPESTATUS[0]}"
}
windows_path() { local p=$1; echo "Z:${p//\//\\}"; }

# A display of our own, and everything started here gone at the end.
display=
for n in $(seq 91 99); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { display=$n; break; }
done
[ -n "$display" ] || fatal "no free X display number"
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
host_pid=
cleanup() {
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null
  timeout 20 wineserver -k >/dev/null 2>&1
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
export DISPLAY=:$display
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
xdotool getmouselocation >/dev/null 2>&1 || fatal "the virtual display did not start ($(tail -1 "$work/xvfb.log"))"

# The first start makes the prefix (about 20 s). Without a window manager,
# managed windows stall about 2 s on every teardown, so Wine manages none.
if [ ! -f "$WINEPREFIX/.parvolino-ready" ]; then
  say "creating the Wine prefix"
  timeout 180 "$wine" wineboot -i >"$work/wineboot.log" 2>&1 || fatal "wineboot failed (see $work/wineboot.log)"
  run_wine 60 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >"$work/reg.log" ||
    fatal "could not turn off managed windows"
  timeout 60 wineserver -w
  touch "$WINEPREFIX/.parvolino-ready"
fi

# --- The sound: one score rendered by the Linux module and by both DLLs.
sample=$root/resources/samples/default.wav
[ -f "$sample" ] || fatal "$sample is missing"
score_body="rate 44100
length 66150
param 3 0.3
at 0 on 60 100
at 4000 on 67 90 2
at 9000 bend 0 80
at 15000 param 1 0.8
at 20000 off 60
at 26000 on 48 110 16
at 31000 param 2 0.9
at 40000 cc 123 0
at 41000 on 72 64
at 60000 off 72 0"
printf 'sample %s\n%s\n' "$sample" "$score_body" >"$work/linux.score"
printf 'sample %s\n%s\n' "$(windows_path "$sample")" "$score_body" >"$work/windows.score"
timeout 120 "$renderer" --plugin "$build/parvolino.so" --score "$work/linux.score" --format float \
  -o "$work/linux.wav" >"$work/linux-render.log" 2>&1 || fatal "the Linux render failed"
sox "$work/linux.wav" -t f32 "$work/linux.raw" 2>/dev/null || fatal "cannot read the Linux render"

# A file the open dialog can pick that is no WAV file, for the error box.
mkdir -p "$work/dialog"
echo "not a wave file" >"$work/dialog/bad.wav"
printf 'L\0\0\0' >"$work/dialog/sample.lnk"   # a shortcut that cannot be resolved
cp resources/samples/default.wav "$work/dialog/dropped.WAV"  # what the drop loads

# The editor session writes Wine's raw output to LOG.raw while it runs; these
# read it with the carriage returns taken out.
lines_of() { [ -f "$1.raw" ] && tr -d '\r' <"$1.raw"; }
matches() { # log pattern
  local n
  n=$(lines_of "$1" | grep -cE -- "$2")
  echo "${n:-0}"
}
# Waits until the log has count lines matching the pattern, or times out.
wait_for() { # log pattern seconds [count]
  local log=$1 pattern=$2 seconds=$3 count=${4:-1} i
  for ((i = 0; i < seconds * 10; i++)); do
    [ "$(matches "$log" "$pattern")" -ge "$count" ] && return 0
    kill -0 "$host_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ "$(matches "$log" "$pattern")" -ge "$count" ]
}
# The log has lines matching the patterns, in this order.
in_order() { # log pattern...
  local log=$1 line_no=0 pattern found; shift
  for pattern in "$@"; do
    found=$(lines_of "$log" | awk -v from="$line_no" -v re="$pattern" 'NR > from && $0 ~ re { print NR; exit }')
    [ -n "$found" ] || return 1
    line_no=$found
  done
}

check_dll() { # arch folder
  local arch=$1 dir=$2 bits dll host log expected objdump rc
  dll=$dir/parvolino-$arch.dll
  host=$dir/tools/wintesthost/parvolino-wintesthost.exe
  [ "$arch" = x86 ] && bits=32 || bits=64
  [ "$arch" = x86 ] && objdump=i686-w64-mingw32-objdump || objdump=x86_64-w64-mingw32-objdump

  # Imports: system DLLs only, everything else is linked in.
  local imports
  imports=$("$objdump" -p "$dll" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
  for name in $imports; do
    case $name in
      kernel32.dll | user32.dll | gdi32.dll | comdlg32.dll | ole32.dll | oleaut32.dll | shell32.dll | \
        advapi32.dll | msvcrt.dll) ;;
      *) fail "$arch: imports $name, which is not a system DLL" ;;
    esac
  done
  say "$arch: imports $imports"

  # Where 32-bit programs cannot run, the x86 DLL is checked as a file: a
  # 32-bit image exporting both entry points.
  if [ "$arch" = x86 ] && [ "$run_x86" -eq 0 ]; then
    "$objdump" -f "$dll" | grep -q 'file format pei-i386' || fail "x86: $dll is not a 32-bit Windows image"
    local exports
    exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
    for name in VSTPluginMain main; do
      grep -qE "\] $name\$" <<<"$exports" || fail "x86: $dll does not export $name"
    done
    say "x86: NOT RUN on this machine (no 32-bit Wine runs here): the image and its exports checked only"
    return
  fi

  # The backend and the toolkit on the real system calls.
  log=$work/win32-tests-$arch.log
  run_wine 120 "$dir/tools/wintesthost/tests/parvolino-win32-tests.exe" >"$log"
  rc=$?
  if [ $rc -eq 0 ]; then
    say "$arch: Windows-side tests: $(tail -1 "$log")"
  else
    fail "$arch: Windows-side tests exited $rc: $(grep -E 'FAILED' "$log" | head -5 | tr '\n' ' ')"
  fi

  # The record and identity as a host reads them.
  log=$work/identity-$arch.log
  run_wine 60 "$host" identity "$(windows_path "$dll")" >"$log"
  rc=$?
  [ $rc -eq 0 ] || fail "$arch: identity check exited $rc ($(grep FAILED "$log" | head -3 | tr '\n' ' '))"
  expected="pointerBits=$bits
recordSize=$([ $bits = 32 ] && echo 144 || echo 192)
exports.main=1
exports.VSTPluginMain=1
numPrograms=4
numParams=4
numInputs=0
numOutputs=2
flags=0x131
ioRatio=1
uniqueID=HePa
version=1
identify=NvEf
vstVersion=2200
category=2
vendor=Hevarun
product=Parvolino
canDo.receiveVstEvents=1
canDo.receiveVstMidiEvent=1
canDo.offline=-1
param0=Speed
param1=Length
param2=Density
param3=Random
programName=Default
chunkSize=1200
editRect=0 0 290 400
close=1"
  while IFS= read -r line; do
    grep -qFx -- "$line" "$log" || fail "$arch: identity lacks '$line' (got: $(grep -F "${line%%=*}=" "$log" | head -1))"
  done <<<"$expected"

  # The render, bit for bit the Linux module's.
  log=$work/render-$arch.log
  run_wine 120 "$host" render "$(windows_path "$dll")" "$(windows_path "$work/windows.score")" \
    "$(windows_path "$work/render-$arch.wav")" >"$log" || fail "$arch: render failed ($(tail -1 "$log"))"
  if sox "$work/render-$arch.wav" -t f32 "$work/render-$arch.raw" 2>/dev/null; then
    cmp -s "$work/render-$arch.raw" "$work/linux.raw" ||
      fail "$arch: the render differs from the Linux module's ($(cmp "$work/render-$arch.raw" "$work/linux.raw" | head -1))"
  else
    fail "$arch: the render is not a readable WAV file"
  fi

  # The panel, driven by the real mouse and keyboard.
  log=$work/editor-$arch.log
  local quit=$work/quit-$arch
  rm -f "$quit"
  (cd "$work/dialog" && exec timeout -k 5 120 "$wine" "$host" editor "$(windows_path "$dll")" --pos 40 40 \
     --capture "$(windows_path "$work/panel-$arch.bmp")" \
     --final-capture "$(windows_path "$work/panel-$arch-after.bmp")" \
     --drop "$(windows_path "$work/dialog/bad.wav")" --drop "$(windows_path "$work/dialog/sample.lnk")" \
     --drop "$(windows_path "$work/dialog/dropped.WAV")" --drop-capture "$(windows_path "$work/panel-$arch-drop.bmp")" \
     --quit-file "$(windows_path "$quit")" >"$log.raw" 2>&1) &
  host_pid=$!
  if ! wait_for "$log" '^ready' 60; then
    fail "$arch: the panel did not open ($(lines_of "$log" | tail -3 | tr '\n' ' '))"
  else
    "$compare" png "$work/panel-$arch.bmp" "$work/panel-$arch.png"
    # The panel is at screen (40, 40); knob 1 spans (130..190, 120..180).
    if "$compare" panel "$work/panel-$arch.bmp" "$work/headless.png" >"$work/compare-$arch.log"; then
      say "$arch: panel matches the headless picture; $(tail -1 "$work/compare-$arch.log")"
    else
      fail "$arch: panel differs from the headless picture: $(tr '\n' ' ' <"$work/compare-$arch.log")"
    fi
    # WAV files among the dragged ones: the copy cursor, and the first that
    # loads becomes the program's sample (the unreadable one is passed over).
    [ "$(matches "$log" '^drag result 0x40100 final effect 1 feedback 1$')" -eq 1 ] ||
      fail "$arch: the file drop was not answered with the copy cursor and effect ($(lines_of "$log" | grep 'drag result'))"
    lines_of "$log" | grep -qxF "drag sample '$(windows_path "$work/dialog/dropped.WAV")'" ||
      fail "$arch: the drop did not load the dropped file ($(lines_of "$log" | grep 'drag sample'))"
    cmp -s "$work/panel-$arch.bmp" "$work/panel-$arch-drop.bmp" &&
      fail "$arch: the path display did not change with the drop"
    # The strip shows the dropped sample as the headless backend draws it.
    "$compare" png "$work/panel-$arch-drop.bmp" "$work/panel-$arch-drop.png"
    if "$compare" panel "$work/panel-$arch-drop.bmp" "$work/headless-dropped.png" >"$work/compare-drop-$arch.log"; then
      say "$arch: the strip with the dropped sample matches the headless picture"
    else
      fail "$arch: the panel with the dropped sample differs from the headless picture: $(tr '\n' ' ' <"$work/compare-drop-$arch.log")"
    fi

    # A drag on the Length knob from 12 o'clock towards 4 o'clock.
    xdotool mousemove 200 165; sleep 0.2
    xdotool mousedown 1; sleep 0.3
    xdotool mousemove 215 172; sleep 0.2
    xdotool mousemove 225 190; sleep 0.3
    xdotool mouseup 1
    wait_for "$log" '^host endEdit 1$' 10 ||
      fail "$arch: the knob drag did not end its edit"
    in_order "$log" '^host beginEdit 1$' '^host automate 1 0\.8' '^host endEdit 1$' ||
      fail "$arch: the knob drag did not give begin-edit, automation to about 0.83, end-edit"

    # The load button opens the file dialog; Escape cancels it.
    xdotool mousemove 90 112 mousedown 1; sleep 0.3; xdotool mouseup 1
    if wait_for "$log" "^dialog 'Load Sample'" 30; then
      sleep 0.3
      xdotool key Escape
      wait_for "$log" '^dialog closed$' 10 || fail "$arch: Escape did not close the file dialog"
    else
      fail "$arch: the load button did not open the file dialog"
    fi

    # A file that is no WAV file: the "Error" box with the reader's message.
    # The button counts as pressed until the host's next idle redraws it, so a
    # press that comes too soon after the dialog closed is not seen: give the
    # host time to idle, and press again if the dialog does not come.
    sleep 1
    second_dialog=1
    for attempt in 1 2 3; do
      xdotool mousemove 90 112 mousedown 1; sleep 0.3; xdotool mouseup 1
      wait_for "$log" "^dialog 'Load Sample'" 10 2 && { second_dialog=0; break; }
    done
    if [ $second_dialog -eq 0 ]; then
      sleep 0.3
      xdotool type --delay 20 bad.wav
      xdotool key Return
      if wait_for "$log" "^dialog 'Error'" 30; then
        sleep 0.3
        xdotool key Return
        wait_for "$log" '^dialog closed$' 10 3 || fail "$arch: Return did not close the error box"
        [ "$(matches "$log" "^dialog text 'WAV-File has bad type'$")" -eq 1 ] ||
          fail "$arch: the error box does not show the reader's message"
        [ "$(matches "$log" '^dialog icon error$')" -eq 1 ] || fail "$arch: the error box has no error icon"
      else
        fail "$arch: loading a file that is no WAV file showed no error box"
      fi
    else
      fail "$arch: the load button did not open the file dialog a second time"
    fi
  fi
  touch "$quit"
  wait "$host_pid"
  rc=$?
  host_pid=
  lines_of "$log" >"$log"
  [ $rc -eq 0 ] || fail "$arch: the editor session exited $rc: $(grep FAILED "$log" | head -3 | tr '\n' ' ')"
  grep -q '^closed$' "$log" || fail "$arch: the editor session did not close cleanly"

  # After the drag only the Length knob (and its value text) has changed
  # since the drop.
  if [ -f "$work/panel-$arch-after.bmp" ]; then
    "$compare" png "$work/panel-$arch-after.bmp" "$work/panel-$arch-after.png"
    local changed
    changed=$("$compare" panel "$work/panel-$arch-after.bmp" "$work/panel-$arch-drop.png" | sed -n 's/^differs: \([^,]*\),.*/\1/p' | tr '\n' ',')
    [ "$changed" = "knob 1," ] || fail "$arch: after the drag the panel changed in '$changed', not just knob 1"
  fi
}

# The panel as the headless backend draws it, set up as the test host sets
# the DLLs up: 44.1 kHz and the default program, which names no sample; and
# once more with the sample the drop loads (its path and name are text,
# which is not compared).
printf 'length 1\n' >"$work/panel.score"
timeout 60 "$renderer" --plugin "$build/parvolino.so" --score "$work/panel.score" --sample '' --allow-silence \
  -o "$work/panel-render.wav" --panel "$work/headless.png" >"$work/headless.log" 2>&1 ||
  fatal "the headless panel picture failed"
timeout 60 "$renderer" --plugin "$build/parvolino.so" --score "$work/panel.score" --sample "$work/dialog/dropped.WAV" \
  -o "$work/panel-render.wav" --panel "$work/headless-dropped.png" >>"$work/headless.log" 2>&1 ||
  fatal "the headless panel picture with a sample failed"
# A high-resolution screen: with 192 DPI and a DPI-aware host the panel opens
# twice as big, and a knob drag still works (the panel sees half the screen's
# distances). Wine reads the DPI when a program starts.
check_scaled() { # arch folder
  local arch=$1 dll=$2/parvolino-$1.dll host=$2/tools/wintesthost/parvolino-wintesthost.exe quit=$work/quit-scaled-$1 log
  log=$work/editor-scaled-$arch.log
  rm -f "$quit"
  run_wine 60 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f >"$work/reg.log" ||
    { fail "$arch: could not set 192 DPI"; return; }
  (cd "$work/dialog" && exec timeout -k 5 120 "$wine" "$host" editor "$(windows_path "$dll")" --pos 40 40 --dpi-aware --capture "$(windows_path "$work/panel-scaled-$arch.bmp")" \
     --quit-file "$(windows_path "$quit")" >"$log.raw" 2>&1) &
  host_pid=$!
  if ! wait_for "$log" '^ready' 60; then
    fail "$arch: the scaled panel did not open ($(lines_of "$log" | tail -3 | tr '\n' ' '))"
  else
    [ "$(matches "$log" '^rect 0 0 580 800$')" -eq 1 ] || fail "$arch: at 192 DPI the editor does not report 800 x 580"
    [ "$(matches "$log" '^panel 40 40 800 580$')" -eq 1 ] ||
      fail "$arch: at 192 DPI the panel is not 800 x 580 ($(lines_of "$log" | grep '^panel'))"
    # Every pixel, the strip's included, is the headless picture's enlarged.
    if "$compare" panel "$work/panel-scaled-$arch.bmp" "$work/headless.png" >"$work/compare-scaled-$arch.log"; then
      say "$arch: the panel at 192 DPI matches the headless picture twice as big"
    else
      fail "$arch: the panel at 192 DPI differs from the headless picture: $(tr '\n' ' ' <"$work/compare-scaled-$arch.log")"
    fi
    # The Length knob's drag of the unscaled case, at twice the distances.
    xdotool mousemove 360 290; sleep 0.2
    xdotool mousedown 1; sleep 0.3
    xdotool mousemove 390 304; sleep 0.2
    xdotool mousemove 410 340; sleep 0.3
    xdotool mouseup 1
    wait_for "$log" '^host endEdit 1$' 10 || fail "$arch: the knob drag on the scaled panel did not end its edit"
    in_order "$log" '^host beginEdit 1$' '^host automate 1 0\.8' '^host endEdit 1$' ||
      fail "$arch: the knob drag on the scaled panel did not give begin-edit, automation to about 0.83, end-edit"
  fi
  touch "$quit"
  wait "$host_pid"
  host_pid=
  lines_of "$log" >"$log"
  run_wine 60 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >"$work/reg.log" ||
    fail "could not set 96 DPI back"
  grep -q '^closed$' "$log" || fail "$arch: the scaled editor session did not close cleanly"
  say "$arch: scaled panel checked"
}

check_dll x86 "$win32"
check_dll x64 "$win64"
check_scaled x64 "$win64"

elapsed=$(($(date +%s) - started))
if [ "$failures" -eq 0 ]; then
  if [ "$run_x86" -eq 1 ]; then
    say "both DLLs pass under Wine in $elapsed s (pictures in $work)"
  else
    say "the x64 DLL passes under Wine in $elapsed s; the x86 DLL could not run here (pictures in $work)"
  fi
  exit 0
fi
say "$failures check(s) failed in $elapsed s (files in $work)"
exit 1
