#!/usr/bin/env bash
# Checks the code's form: clang-format over every C++ file, clang-tidy (the checks in .clang-tidy,
# faults rather than style) over the core. Needs a configured build/ for its compile commands.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}

echo "== clang-format"
git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'samples/*.cpp' 'tools/*.cpp' 'tools/*.h' \
    'samples/*.h' | xargs clang-format --dry-run --Werror

echo "== clang-tidy (core)"
git ls-files 'src/common/*.cpp' 'src/content/*.cpp' 'src/reader/*.cpp' 'src/output/*.cpp' 'src/app/*.cpp' \
    'src/shell/*.cpp' | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build_dir" --quiet
