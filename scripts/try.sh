#!/usr/bin/env bash
# Builds Glanmail and opens the window on the bundled sample store. Without a display it
# says so and prints the command line's listing of the store instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/src/ui/glanmail build/samples/Exemple.dbx
fi
echo "Pas d'affichage (ni DISPLAY ni WAYLAND_DISPLAY) : voici la liste que la fenêtre montrerait." >&2
build/src/cli/glanmail-cli list build/samples/Exemple.dbx
