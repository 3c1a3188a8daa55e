#!/usr/bin/env bash
# The built bundle against the LV2 format's own schemas: lv2_validate
# (lv2-dev) runs sord_validate (sordi) over the bundle's Turtle files and
# the installed LV2 vocabularies. Any error or warning fails; exits 77 (CTest
# skips) where the validator is not installed.
set -uo pipefail
bundle=$1
for tool in lv2_validate sord_validate; do
  if ! command -v "$tool" >/dev/null; then
    echo "NOT RUN: $tool is not installed (scripts/install-deps: lv2-dev, sordi)"
    exit 77
  fi
done
for file in manifest.ttl parvolino.ttl presets.ttl parvolino_dsp.so parvolino_ui.so; do
  [ -f "$bundle/$file" ] || { echo "FAIL: $bundle/$file is missing"; exit 1; }
done
out=$(lv2_validate "$bundle"/*.ttl 2>&1)
rc=$?
report=$(grep -v '^Skipping file' <<<"$out")
echo "$report"
[ $rc -eq 0 ] || { echo "FAIL: lv2_validate exited with $rc"; exit 1; }
if grep -qiE '^(error|warning)' <<<"$report"; then
  echo "FAIL: lv2_validate reports the problems above"
  exit 1
fi
grep -q 'Found 0 errors' <<<"$report" || { echo "FAIL: lv2_validate gave no verdict"; exit 1; }
