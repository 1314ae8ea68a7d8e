#!/usr/bin/env bash
# Fuzzes the looper: builds the libFuzzer targets in build/fuzz (clang, with
# the address and undefined-behaviour sanitizers) and runs them side by side
# for SECONDS seconds each (default 60), each on a temporary copy of its seed
# corpus in tests/fuzz/corpus/<target>, so the committed seeds never change.
# A crash, a sanitizer report, a leak, a hang or a broken invariant fails the
# run; libFuzzer's reproducer is kept in build/fuzz/findings/<target>.
#
#   bash scripts/fuzz.sh [SECONDS]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

seconds=${1:-60}
targets=(fuzz_processor_state fuzz_clap_state fuzz_clap_process fuzz_clap_param_text)
build=$REPO_ROOT/build/fuzz

echo "== Fuzzing: each target for $seconds s =="
CC=clang CXX=clang++ configure_build_folder fuzz RelWithDebInfo 7 \
    -DRAVELWICK_SANITIZE=address,undefined -DRAVELWICK_BUILD_FUZZERS=ON -DRAVELWICK_BUILD_BENCHMARKS=OFF
# Only the fuzzers: the test programs in this folder are not run here.
cmake --build "$build" --parallel "$JOBS" --target "${targets[@]}"

# LeakSanitizer's handling of dynamic thread-local storage crashes on this
# glibc once the bundle's thread_local variables are in use.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}intercept_tls_get_addr=0
export UBSAN_OPTIONS=${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}print_stacktrace=1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pids=()
for target in "${targets[@]}"; do
    mkdir -p "$work/$target" "$build/findings/$target"
    cp -r "$REPO_ROOT/tests/fuzz/corpus/$target/." "$work/$target/"
    "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$target/" "$work/$target" > "$work/$target.log" 2>&1 &
    pids+=($!)
done

failed=0
for i in "${!targets[@]}"; do
    target=${targets[$i]}
    if wait "${pids[$i]}"; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
        coverage=$(grep -o 'cov: [0-9]* ft: [0-9]* corp: [0-9]*' "$work/$target.log" | tail -n 1)
        echo "$target: ${runs:-?} runs in $seconds s, $coverage, nothing found"
    else
        failed=1
        echo "$target: FAILED, reproducer in $build/findings/$target; its report:"
        report=$(sed -n '/ERROR\|fuzzing:\|runtime error\|Tracer caught/,$p' "$work/$target.log" | head -n 80)
        echo "${report:-$(tail -n 40 "$work/$target.log")}"
    fi
done

exit "$failed"
