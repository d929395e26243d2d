#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for a
# bounded time on a copy of its seed corpus (fuzz/corpus/<target>). Fails on
# a crash, a sanitizer report or a broken property; the input that did it is
# kept in build-fuzz/run/<target>/.
#
#   scripts/fuzz.sh [seconds per target] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-8}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(scan_route_fuzz page_lines_fuzz contact_domain_fuzz results_text_fuzz
        codepage_fuzz complaint_fuzz)
fi

cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBRINDLE_FUZZ=ON -DBRINDLE_TESTS=OFF -DBRINDLE_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"${BRINDLE_JOBS:-$(nproc)}" --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0

build=$PWD/build-fuzz
for t in "${targets[@]}"; do
    run=$PWD/build-fuzz/run/$t
    rm -rf "$run"
    mkdir -p "$run/corpus"
    cp -r "fuzz/corpus/$t/." "$run/corpus/"
    echo "== $t: ${seconds}s"
    # Run in its own folder: artifacts (and the complaint file) land there.
    if ! (cd "$run" && "$build/fuzz/$t" -max_total_time="$seconds" -timeout=10 \
        -artifact_prefix="$run/" -print_final_stats=1 "$run/corpus" >log.txt 2>&1); then
        tail -n 60 "$run/log.txt"
        echo "FAILED: $t (log and input in $run)" >&2
        exit 1
    fi
    grep -E '^(stat::number_of_executed_units|#[0-9]+ *DONE)' "$run/log.txt" || true
done
