#!/usr/bin/env bash
# The speed targets side by side in one run, store and output in memory (tmpfs): the list of
# 100,000 messages (whole command, best of three), saving 20,000 messages whole and as text
# against writing the same files, saving the attachments of 100,000 messages against writing
# the same files, and show of each 20 MB pathological message. The machine's load is printed
# before and after, as it sways every wall time.
#   bench/speed-targets.sh [BUILD_DIR] [WORK_DIR]    (a Release build; WORK_DIR on tmpfs)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
work=${2:-/dev/shm/glanmail-speed}
mkdir -p "$work"
big=$work/big-100000.dbx
mid=$work/big-20000.dbx
[ -s "$big" ] || "$build/bench/reader/glanmail-make-big-store" "$big" > /dev/null
[ -s "$mid" ] || "$build/bench/reader/glanmail-make-big-store" "$mid" --messages 20000 > /dev/null
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

echo "== glanmail-cli list of 100,000 messages (three runs)"
for _ in 1 2 3; do
    /usr/bin/time -f "wall %e s, user %U s, system %S s, peak RSS %M KiB" \
        "$build/src/cli/glanmail-cli" list "$big" > /dev/null
done

for form in --complete --txt; do
    echo "== save $form of 20,000 messages"
    rm -rf "$work/save" && mkdir -p "$work/save"
    "$build/bench/output/glanmail-save-bench" "$mid" "$work/save" "$form"
done
echo "== save --attachments of 100,000 messages"
rm -rf "$work/save" && mkdir -p "$work/save"
"$build/bench/output/glanmail-save-bench" "$big" "$work/save" --attachments
rm -rf "$work/save"

echo "== show of each 20 MB pathological message"
bench/content/show-pathological.sh "$build" "$work"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
