#!/usr/bin/env bash
# Times `glanmail-cli show` of each of the eighteen 20 MB pathological messages as a whole
# command: wall, user and system seconds, peak memory (KiB) and minor page faults, one line each.
#   bench/content/show-pathological.sh BUILD_DIR WORKDIR
set -euo pipefail
build=${1:?build folder}
work=${2:?work folder (tmpfs is best)}
mkdir -p "$work"
store=$work/pathological.dbx
[ -f "$store" ] || "$build/bench/content/glanmail-make-pathological-store" "$store"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "id wall user sys maxKiB minorFaults"
for id in $(seq 1 18); do
    /usr/bin/time -f "$id %e %U %S %M %R" "${GLANMAIL_CLI:-$build/src/cli/glanmail-cli}" show "$store" "$id" >/dev/null
done 2>&1
