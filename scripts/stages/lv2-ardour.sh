#!/usr/bin/env bash
# The LV2 bundle in Ardour 7, headless (ardour7-lua, the Dummy backend): a
# session with the plug-in on a MIDI track after the score sender, Length
# 0.3, Density 0.7 and Random 0 set from the host; the sample set in the
# plug-in's state as a user's saved project holds it; reloaded, re-saved and
# exported. The export must equal parvolino-render's output of the same
# score through the VST 2 module sample for sample. Then the sample file
# goes: the session, reloaded, saved again and exported, must still sound
# the same from the copy kept in its state.
#
# While parvolino_dsp.so is the stand-in DSP (it holds the text
# PARVOLINO_LV2_DSP_STUB), the checks that need the instrument's sound or its
# saved sample say NOT RUN; the real DSP turns them on by itself.
# Run from the repository root after build/.
set -uo pipefail

root=$(pwd)
build=${PARVOLINO_BUILD_DIR:-$root/build}
bundle=$build/parvolino.lv2
lv2host=$build/tools/parvolino-lv2host
module=$build/parvolino.so
renderer=$build/tools/parvolino-render
tools=$root/tools/ardour
uri=urn:parvolino:instrument
rate=48000
block=256
length=120000   # frames in the session range
offset=256      # the host's events reach the plug-in this many frames late
started=$(date +%s)
not_run=0

for tool in ardour7-lua ardour7-export; do
  if ! command -v "$tool" >/dev/null; then
    echo "lv2-ardour stage: NOT RUN: $tool is not installed (scripts/install-deps could not install Ardour here)"
    exit 77
  fi
done

work=$(mktemp -d /tmp/parvolino-lv2-ardour.XXXXXX)
stage=lv2-ardour
source "$root/scripts/stages/lib/host-steps.bash"
skip_part() { not_run=$((not_run + 1)); echo "  NOT RUN: $*"; }
stub_dsp() { grep -qa PARVOLINO_LV2_DSP_STUB "$bundle/parvolino_dsp.so"; }

for built in "$bundle/manifest.ttl" "$bundle/parvolino_dsp.so" "$lv2host" "$module" "$renderer"; do
  [ -e "$built" ] || fail "$built is missing: build first"
done

# A copy of our own: it is deleted half-way.
sample=$work/sample.wav
cp "$root/resources/samples/default.wav" "$sample" || fail "no bundled sample to play"

# The host's own state: a scratch home, our score sender among its scripts,
# and only this bundle besides the system's LV2 folder (an installed copy in
# ~/.lv2 must not stand in for the one built here).
export HOME=$work/home LV2_PATH=$work/lv2:/usr/lib/lv2
mkdir -p "$HOME/.config/ardour7/scripts" "$work/lv2"
cp "$tools/note-sender.lua" "$HOME/.config/ardour7/scripts/parvolino-test-notes.lua"
ln -s "$bundle" "$work/lv2/parvolino.lv2"

# 1. A session: the score sender and the instrument on a MIDI track, the
# control ports set from the host; the render range made the session range.
session=$work/session
step create 120 ardour7-lua "$tools/session-create.lua" $uri "$session" session $rate $block $length \
  1=0.3 2=0.7 3=0 || { show create; fail "could not create the session with the LV2 plug-in"; }
step patch 30 ardour7-lua "$tools/session-patch.lua" "$session/session.ardour" ||
  { show patch; fail "could not set the session range"; }

# 2. What a user's saved project holds once the sample is loaded: the
# plug-in's state, as our lilv host saves it after setting the sample
# through a patch message, in the folder the session names for it (saved
# there, so the links lilv makes to outside files point the right way).
state_dir=$(grep -o 'state-dir="[^"]*"' "$session/session.ardour" | head -n 1 | cut -d'"' -f2)
state_path=$(find "$session/plugins" -mindepth 2 -maxdepth 2 -type d -name "$state_dir" 2>/dev/null | head -n 1)
[ -n "$state_dir" ] && [ -d "$state_path" ] || fail "the session keeps no LV2 state folder (state-dir '${state_dir}')"
rm -rf "$state_path"
step state 60 "$lv2host" --bundle "$bundle" --uri $uri --rate $rate --sample "$sample" \
  --set length=0.3 --set density=0.7 --set random=0 --save-state "$state_path" ||
  { show state; fail "parvolino-lv2host could not save a state with the sample into the session"; }

# 3. Reload: the host restores the state through lilv and lists the
# control ports and presets; saved again as "reloaded".
step reload 120 ardour7-lua "$tools/session-readback.lua" "$session" session $rate $block reloaded ||
  { show reload; fail "could not reload the session"; }
expect_line reload "^plugin name=Parvolino uri=$uri\$" "the host does not see the LV2 plug-in"
expect_session_values reload
for p in 1 2 3 4; do
  expect_line reload "^program $((p - 1)) Program $p\$" "the host does not list the preset Program $p"
done
echo "  ok: Ardour loads the plug-in by URI, keeps its control ports over a save and a reload, lists its four presets"

# 4. The state the host saved after the reload names the sample (a mapped path).
saved_state=$(grep -l "$uri#sample" "$session"/plugins/*/*/state.ttl 2>/dev/null | head -n 1)
if stub_dsp; then
  skip_part "the re-saved state names the sample: parvolino_dsp.so is the stand-in DSP, which keeps no state"
elif [ -z "$saved_state" ]; then
  fail "no state the host saved names the sample ($uri#sample)"
else
  echo "  ok: the host's re-saved state names the sample ($saved_state)"
fi

# 5. The host exports the re-saved session.
export_session export "$work/ardour.wav" "$session" reloaded ||
  { show export; fail "the host's export failed"; }
[ -s "$work/ardour.wav" ] || { show export; fail "the host's export wrote nothing"; }
echo "  ok: Ardour exported the session with the LV2 plug-in"

# 6. Sample for sample against parvolino-render through the VST 2 module.
step score 30 ardour7-lua "$tools/score-export.lua" $rate $((length - offset)) "$work/score.txt" ||
  { show score; fail "could not write the score for our renderer"; }
if stub_dsp; then
  skip_part "the host's export equals parvolino-render's (VST 2 module) render: parvolino_dsp.so is the stand-in DSP"
else
  step render 120 "$renderer" --plugin "$module" --score "$work/score.txt" --sample "$sample" \
    --param Length=0.3 --param Density=0.7 --param Random=0 --block $block --format float -o "$work/ours.wav" ||
    { show render; fail "parvolino-render failed"; }
  step compare 120 ardour7-lua "$tools/wav-compare.lua" "$work/ardour.wav" "$work/ours.wav" $offset 0 ||
    { show compare; fail "the host's render of the LV2 plug-in differs from ours of the VST 2 module"; }
  echo "  ok: $(grep '^compared' "$work/compare.log")"
fi

# 7. The sample file goes: reloaded, saved again and exported, the session
# plays the copy kept in the plug-in's state.
rm "$sample"
if stub_dsp; then
  skip_part "the session plays from the kept copy once the sample file is gone: parvolino_dsp.so is the stand-in DSP"
else
  step reload-kept 120 ardour7-lua "$tools/session-readback.lua" "$session" reloaded $rate $block kept ||
    { show reload-kept; fail "could not reload the session without the sample file"; }
  export_session export-kept "$work/ardour-kept.wav" "$session" kept ||
    { show export-kept; fail "the host's export without the sample file failed"; }
  step compare-kept 120 ardour7-lua "$tools/wav-compare.lua" "$work/ardour-kept.wav" "$work/ours.wav" $offset 0 ||
    { show compare-kept; fail "without the sample file, the host's render differs from ours"; }
  echo "  ok: without the sample file: $(grep '^compared' "$work/compare-kept.log")"
fi

rm -rf "$work"
if [ $not_run -eq 0 ]; then
  echo "lv2-ardour stage: ok in $(($(date +%s) - started)) s"
else
  echo "lv2-ardour stage: the checks that ran passed in $(($(date +%s) - started)) s; $not_run part(s) could not run (said above)"
fi
