#!/usr/bin/env bash
# Builds Glanmail under AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ and runs
# every test there.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=build-asan scripts/build.sh -DGLANMAIL_SANITIZE=ON -DGLANMAIL_BENCH=OFF
cd build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 QT_QPA_PLATFORM=offscreen \
    ctest --output-on-failure -j"$(nproc)"
