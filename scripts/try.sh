#!/usr/bin/env bash
# Builds Glanmail and opens the bundled sample store.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build/src/cli/glanmail-cli list build/samples/Exemple.dbx
