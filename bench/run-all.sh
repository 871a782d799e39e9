#!/usr/bin/env bash
# Every benchmark of BENCHMARKS.md, in a Release build (build-release by default).
# The large stores are made once in /tmp/glanmail-bench (about 1.1 GB).
#   bench/run-all.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
BUILD_DIR=$build BUILD_TYPE=Release scripts/build.sh -DGLANMAIL_QT=OFF
dir=${GLANMAIL_BENCH_DIR:-/tmp/glanmail-bench}

echo "== Reader: opening, listing and extracting"
bench/reader/run.sh "$build" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

echo "== Content: decoding, HTML to text, message processing"
"$build/bench/content/content_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
"$build/bench/content/msgprocessing_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
echo "== Content: glanmail-cli show of each 20 MB pathological message, whole command"
bench/content/show-pathological.sh "$build" "$dir"

echo "== Output: print layout"
"$build/bench/output/output_bench"

echo "== Output: saving every message against writing the same files"
work=$(mktemp -d "$dir/save.XXXX")
"$build/bench/output/glanmail-save-bench" "$dir/big-10000.dbx" "$work"
"$build/bench/output/glanmail-save-bench" "$dir/big-10000.dbx" "$work" --txt
rm -rf "$work"

echo "== Search: subjects and senders; every text against saving every text"
GLANMAIL_BIG_STORE="$dir/big-100000.dbx" "$build/bench/app/search_bench"
work=$(mktemp -d "$dir/search.XXXX")
bench/search-vs-save.sh "$build" "$dir/big-100000.dbx" "$work"
rm -rf "$work"

echo "== The speed targets side by side, in tmpfs"
bench/speed-targets.sh "$build"

echo "== Window: the real window off screen on the large store (builds the Qt parts too)"
BUILD_DIR=$build BUILD_TYPE=Release scripts/build.sh -DGLANMAIL_QT=ON
QT_QPA_PLATFORM=offscreen "$build/bench/ui/glanmail-window-bench" "$dir/big-100000.dbx"
