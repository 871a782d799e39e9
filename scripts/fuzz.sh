#!/usr/bin/env bash
# Builds the fuzz targets with clang as the README documents (build-fuzz/), then runs each one for
# FUZZ_SECONDS (default 30) from its seed corpus. New inputs go to fuzz-corpus-work/<target>/, so
# the committed corpus stays as it is; a crash stops the script with the target's own report.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
seconds=${FUZZ_SECONDS:-30}
CXX=clang++ BUILD_DIR=build-fuzz scripts/build.sh -DGLANMAIL_FUZZ=ON -DGLANMAIL_SANITIZE=ON -DGLANMAIL_QT=OFF \
    -DGLANMAIL_BENCH=OFF
for corpus in fuzz/corpus/fuzz_*; do
    name=$(basename "$corpus")
    work=fuzz-corpus-work/$name
    mkdir -p "$work"
    echo "== $name, ${seconds} s"
    build-fuzz/fuzz/"$name" -max_total_time="$seconds" -print_final_stats=0 -artifact_prefix="$work/" "$work" \
        "$corpus" 2>&1 | tail -n 3
    [ "${PIPESTATUS[0]}" -eq 0 ] || exit 1
done
