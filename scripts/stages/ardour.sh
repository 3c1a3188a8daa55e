#!/usr/bin/env bash
# A host nobody on this team wrote: Ardour 7, headless. It scans the built
# module, plays a score through it in a session whose saved chunk names a
# sample, renders the session, and saves and reloads it. The render must
# equal parvolino-render's output of the same score sample for sample, after
# the host's 256-frame delay. Then the sample file goes: the session, saved
# with the sample kept inside it, is reloaded, saved again and rendered, and
# must still sound the same. Run from the repository root after build/.
set -uo pipefail

root=$(pwd)
build=${PARVOLINO_BUILD_DIR:-$root/build}   # another build folder for a local run
module=$build/parvolino.so
renderer=$build/tools/parvolino-render
tools=$root/tools/ardour
scanner=/usr/lib/ardour7/ardour-vst-scanner
rate=48000
block=256
length=120000   # frames in the session range
offset=256      # the host's events reach the plug-in this many frames late
started=$(date +%s)

work=$(mktemp -d /tmp/parvolino-ardour.XXXXXX)
stage=ardour
source "$root/scripts/stages/lib/host-steps.bash"

[ -f "$module" ] || fail "$module is missing: build first"
[ -x "$renderer" ] || fail "$renderer is missing: the comparison needs it"
for tool in "$scanner" ardour7-lua ardour7-export; do
  if ! command -v "$tool" >/dev/null; then
    echo "ardour stage: NOT RUN: $tool is not installed (scripts/install-deps could not install Ardour here)"
    exit 77
  fi
done

# A copy of our own: it is deleted half-way.
sample=$work/sample.wav
if [ -f "$root/resources/samples/default.wav" ]; then
  cp "$root/resources/samples/default.wav" "$sample"
else
  timeout 30 sox -n -r 44100 -b 16 -c 1 "$sample" synth 1.5 sine 220 sine 331 vol 0.5 ||
    fail "could not make a sample with sox"
fi

# The host's own state: a scratch home (its plug-in cache lives there), our
# score sender among its scripts, and the module alone in its VST path. The
# module must be older than its cache entry or the session tool ignores it.
export HOME=$work/home LXVST_PATH=$work/vst
mkdir -p "$HOME/.config/ardour7/scripts" "$LXVST_PATH"
cp "$tools/note-sender.lua" "$HOME/.config/ardour7/scripts/parvolino-test-notes.lua"
cp "$module" "$LXVST_PATH/parvolino.so"
touch -d '-2 minutes' "$LXVST_PATH/parvolino.so"
plugin=$LXVST_PATH/parvolino.so

# 1. Scan. The scanner exits 0 even when it fails: its output is the verdict.
step scan 60 env LD_LIBRARY_PATH=/usr/lib/ardour7 "$scanner" -f -v "$plugin"
grep -q 'Found Plugin:' "$work/scan.log" || { show scan; fail "the scanner did not find the plug-in"; }
info=$(grep -o '<VST2Info [^>]*>' "$work/scan.log")
for want in 'id="1214599265"' 'name="Parvolino"' 'creator="Hevarun"' 'category="Instrument"' \
            'n_inputs="0"' 'n_outputs="2"' 'n_midi_inputs="1"' 'is_instrument="1"'; do
  [[ $info == *"$want"* ]] || fail "the scanner reports ${info:-nothing}; expected $want"
done

# 2. A session: the score sender and the instrument on a MIDI track, Length
# 0.3, Density 0.7 and Random 0 set from the host (no scatter, so the two
# renders can be compared exactly).
session=$work/session
step create 120 ardour7-lua "$tools/session-create.lua" "$plugin" "$session" session $rate $block $length \
  1=0.3 2=0.7 3=0 || { show create; fail "could not create the session"; }

# 3. What a user's saved project holds: program 0 names the sample.
step patch 30 ardour7-lua "$tools/session-patch.lua" "$session/session.ardour" "$sample" ||
  { show patch; fail "could not edit the saved chunk"; }

# 4. Reload: the chunk goes back through effSetChunk, which loads the sample;
# the host lists the parameters and programs; save again as "reloaded".
step reload 120 ardour7-lua "$tools/session-readback.lua" "$session" session $rate $block reloaded ||
  { show reload; fail "could not reload the session"; }
expect_line reload '^plugin name=Parvolino maker=Hevarun unique_id=1214599265 params=4$' "the host does not see Parvolino's identity"
expect_session_values reload
[ "$(grep -c '^program ' "$work/reload.log")" -eq 4 ] || { show reload 30; fail "the host does not list four programs"; }

# 5. The chunk the host saved after the reload: our names, path and values.
step chunk 30 ardour7-lua "$tools/chunk-print.lua" "$session/reloaded.ardour" "$work/bank.bin" ||
  { show chunk; fail "the re-saved session has no usable chunk"; }
expect_line chunk "^program 0 Stage 1\|$sample\|0\.500000 0\.300000 0\.700000 0\.000000$" \
  "program 0 lost its name, sample path or values in the host's round trip"
for p in 1 2 3; do
  expect_line chunk "^program $p Stage $((p + 1))\|\|" "program $p lost its name in the host's round trip"
done
kept=$(sed -n 's/^kept \([0-9]*\)$/\1/p' "$work/chunk.log")
[ "${kept:-0}" -gt "$(stat -c %s "$sample")" ] || fail "the saved chunk does not keep the sample (${kept:-no} bytes after the bank)"

# 6. The host renders the re-saved session; we render the same score from the same bank.
export_session export "$work/ardour.wav" "$session" reloaded ||
  { show export; fail "the host's export failed"; }
[ -s "$work/ardour.wav" ] || { show export; fail "the host's export wrote nothing"; }
step score 30 ardour7-lua "$tools/score-export.lua" $rate $((length - offset)) "$work/score.txt" ||
  { show score; fail "could not write the score for our renderer"; }
step render 120 "$renderer" --plugin "$module" --score "$work/score.txt" --chunk "$work/bank.bin" \
  --sample "$sample" --block $block --format float -o "$work/ours.wav" ||
  { show render; fail "parvolino-render failed"; }

# 7. Sample for sample.
step compare 120 ardour7-lua "$tools/wav-compare.lua" "$work/ardour.wav" "$work/ours.wav" $offset 0 ||
  { show compare; fail "the host's render differs from ours"; }

summary=$(grep '^compared' "$work/compare.log")

# 8. The sample file goes. The session reloads with the sample kept in it,
# saves again (the sample must stay in the chunk without its file), and its
# render still equals ours from the same chunk.
rm "$sample"
step reload-kept 120 ardour7-lua "$tools/session-readback.lua" "$session" reloaded $rate $block kept ||
  { show reload-kept; fail "could not reload the session without the sample file"; }
step chunk-kept 30 ardour7-lua "$tools/chunk-print.lua" "$session/kept.ardour" "$work/bank-kept.bin" ||
  { show chunk-kept; fail "the session saved without the sample file has no usable chunk"; }
cmp -s "$work/bank.bin" "$work/bank-kept.bin" ||
  fail "saved again without its file, the chunk lost the sample or changed ($(grep '^kept' "$work/chunk-kept.log"))"
export_session export-kept "$work/ardour-kept.wav" "$session" kept ||
  { show export-kept; fail "the host's export without the sample file failed"; }
step render-kept 120 "$renderer" --plugin "$module" --score "$work/score.txt" --chunk "$work/bank-kept.bin" \
  --block $block --format float -o "$work/ours-kept.wav" || { show render-kept; fail "parvolino-render failed on the kept sample"; }
expect_line render-kept 'plays from the project' "parvolino-render did not play the sample kept in the chunk"
step compare-kept 120 ardour7-lua "$tools/wav-compare.lua" "$work/ardour-kept.wav" "$work/ours-kept.wav" $offset 0 ||
  { show compare-kept; fail "without the sample file, the host's render differs from ours"; }

session_kb=$(( $(stat -c %s "$session/kept.ardour") / 1024 ))
rm -rf "$work"
echo "ardour stage: ok in $(($(date +%s) - started)) s: scanned, restored, reloaded, and the host's render equals ours ($summary);" \
  "with the sample file gone it plays from the ${kept}-byte chunk kept in the ${session_kb} KB session"
