#!/usr/bin/env bash
# Makes the README's screenshot: the window on the sample store with a message shown,
# grabbed off screen (no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh >/dev/null
out=${1:-doc/glanmail.png}
mkdir -p "$(dirname "$out")"
QT_QPA_PLATFORM=offscreen build/tools/screenshot/glanmail-screenshot build/samples/Exemple.dbx "$out"
echo "$out"
