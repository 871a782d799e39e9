#!/bin/bash
# Reader figures: makes the benchmark stores in /tmp (once), then measures opening and listing
# (time and peak memory) and extracting the 20 MB message.
#   bench/reader/run.sh [BUILD_DIR]   (a Release build: cmake -DCMAKE_BUILD_TYPE=Release)
set -euo pipefail
build=${1:-build-release}
dir=${GLANMAIL_BENCH_DIR:-/tmp/glanmail-bench}
big=$dir/big-100000.dbx
small=$dir/big-10000.dbx
mkdir -p "$dir"
[ -s "$big" ] || "$build/bench/reader/glanmail-make-big-store" "$big"
[ -s "$small" ] || "$build/bench/reader/glanmail-make-big-store" "$small" --messages 10000
ls -l "$big" "$small"

cat "$big" "$small" > /dev/null  # warm cache
for store in "$small" "$big"; do
    echo "== $store"
    /usr/bin/time -f "wall %e s, user %U s, system %S s, peak RSS %M KiB, minor faults %R" \
        "$build/bench/reader/glanmail-list-once" "$store"
    # What the listing reads of the store: calls and bytes of pread64 (the listing reads the
    # message-info objects, not the messages between them).
    if command -v strace > /dev/null; then
        strace -e trace=pread64 -o "$dir/list-reads.txt" "$build/bench/reader/glanmail-list-once" "$store" > /dev/null
        awk -F'= ' '{ bytes += $NF; calls++ } END { printf "pread64: %d calls, %d bytes\n", calls, bytes }' \
            "$dir/list-reads.txt"
    fi
done

GLANMAIL_BIG_STORE=$big GLANMAIL_SMALL_STORE=$small "$build/bench/reader/reader_bench" \
    --benchmark_counters_tabular=true "${@:2}"
