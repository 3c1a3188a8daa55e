#!/usr/bin/env bash
# Makes default.wav, the sample the plug-in's renderer plays when given none:
# a spoken phrase from espeak-ng without pauses (grains travelling through a
# pause go quiet), resampled to 44.1 kHz 16-bit mono, with a little room
# sound so that grains cut from it blend. The WAV is committed;
# this script only has to run again to change it.
set -euo pipefail
cd "$(dirname "$0")"

need=()
command -v espeak-ng >/dev/null || need+=(espeak-ng)
command -v sox >/dev/null || need+=(sox)
if [ ${#need[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

phrase="Parvolino plays a thousand tiny grains of sound"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

espeak-ng -v en+f3 -s 135 -p 45 -w "$tmp/voice.wav" "$phrase"
# Dither is off so that the same espeak-ng output always gives the same file.
sox -D "$tmp/voice.wav" -r 44100 -b 16 -c 1 default.wav \
  rate -v 44100 highpass 70 reverb 25 50 60 silence 1 0.01 0.1% reverse silence 1 0.01 0.1% \
  fade q 0.1 reverse fade q 0.005 gain -n -1
soxi default.wav
