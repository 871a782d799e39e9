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
    /usr/bin/time -f "wall %e s, peak RSS %M KiB" "$build/bench/reader/glanmail-list-once" "$store"
done

GLANMAIL_BIG_STORE=$big GLANMAIL_SMALL_STORE=$small "$build/bench/reader/reader_bench" \
    --benchmark_counters_tabular=true "${@:2}"
