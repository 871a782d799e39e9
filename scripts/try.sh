#!/usr/bin/env bash
# Builds what the first look needs, in build-try/ (the window, the command line and the sample
# store, not the tests), and opens the window on the bundled sample store. Without a display it
# says so and prints the command line's listing of the store instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=build-try TARGETS="glanmail glanmail-cli sample_store" scripts/build.sh -DGLANMAIL_BENCH=OFF
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build-try/src/ui/glanmail build-try/samples/Exemple.dbx
fi
echo "Pas d'affichage (ni DISPLAY ni WAYLAND_DISPLAY) : voici la liste que la fenêtre montrerait." >&2
build-try/src/cli/glanmail-cli list build-try/samples/Exemple.dbx
