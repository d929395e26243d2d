#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test,
# then does the same in an AddressSanitizer + UndefinedBehaviorSanitizer build,
# and runs each fuzz target for a few seconds.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRINDLE_WERROR=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DBRINDLE_WERROR=ON -DBRINDLE_SANITIZE=ON \
    -DBRINDLE_BENCH=OFF
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

# Under a minute in all: a crash or a broken property fails the run.
./scripts/fuzz.sh 8
