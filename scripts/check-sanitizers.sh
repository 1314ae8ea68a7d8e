#!/usr/bin/env bash
# Runs the tests under the sanitizers and under valgrind; any report fails the run.
#   build/asan  clang, AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer: the whole suite
#   build/tsan  clang, ThreadSanitizer: the tests labelled "threads"
#   valgrind    memcheck over bundle_tests of build/debug-juce7, which scripts/test.sh builds first
# Both sanitizer builds are against JUCE 7, JUCE included in the
# instrumentation. The editor's tests need an X server: test.sh runs this
# script on its display.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bundle_tests=$REPO_ROOT/build/debug-juce7/tests/bundle_tests
if [ ! -x "$bundle_tests" ]; then
    echo "check-sanitizers: $bundle_tests is missing: build build/debug-juce7 first (scripts/test.sh does)" >&2
    exit 1
fi

# Clang 14's LeakSanitizer misreads glibc 2.36's blocks of dynamic
# thread-local storage (the dlopened bundle's thread_local variables) and
# crashes while scanning them. Without intercepting __tls_get_addr it leaves
# those blocks out; the bundle's thread_local variables own nothing.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:intercept_tls_get_addr=0:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

# Debug builds, assertions included, at -O1 as the sanitizers advise: the
# instrumented tests run several times faster, and the reports stay exact.
sanitized_debug=(-DCMAKE_C_FLAGS_DEBUG="-g -O1" -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DRAVELWICK_BUILD_BENCHMARKS=OFF)

echo "== AddressSanitizer and UndefinedBehaviorSanitizer: build and test =="
CC=clang CXX=clang++ configure_and_build asan Debug 7 -DRAVELWICK_SANITIZE=address,undefined "${sanitized_debug[@]}"
ctest --test-dir "$REPO_ROOT/build/asan" --output-on-failure --parallel "$JOBS" -LE realtime
ctest --test-dir "$REPO_ROOT/build/asan" --output-on-failure -L realtime

echo "== ThreadSanitizer: build and run the threaded tests =="
CC=clang CXX=clang++ configure_and_build tsan Debug 7 -DRAVELWICK_SANITIZE=thread "${sanitized_debug[@]}"
ctest --test-dir "$REPO_ROOT/build/tsan" --output-on-failure --parallel "$JOBS" -L threads

# The allocation tests replace malloc, which valgrind replaces too.
echo "== valgrind memcheck: the bundle's end-to-end tests =="
valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
    "$bundle_tests" --gtest_filter='-BundleAllocations.*'
