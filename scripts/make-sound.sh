#!/usr/bin/env bash
# Makes data/sound/sound16.wav, the short chime played when an output command ends: two
# soft sine notes (A5 then E6) with fading tails, 16-bit mono at 22,050 Hz. Needs sox.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -D -n -r 22050 -b 16 -c 1 "$work/a.wav" synth 0.11 sine 880 fade q 0.005 0.11 0.04 vol 0.35
sox -D -n -r 22050 -b 16 -c 1 "$work/b.wav" synth 0.32 sine 1318.5 fade q 0.005 0.32 0.28 vol 0.35
sox -D "$work/a.wav" "$work/b.wav" data/sound/sound16.wav
soxi data/sound/sound16.wav
