#!/usr/bin/env bash
# Runs every test: the whole suite built against JUCE 7 (Debian 12's package)
# and against JUCE 8 (the sources fetched by the setup script), each in its own
# Debug build folder. The editor's end-to-end tests need an X server: without
# one (no DISPLAY), the tests run under a private Xvfb, and a failure to start
# it fails the run.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bash "$REPO_ROOT/scripts/setup.sh"

# Xvfb resets itself whenever its last client leaves and drops the
# connections that arrive meanwhile, as the next test's would: -noreset.
with_display()
{
    if [ -n "${DISPLAY:-}" ]; then
        "$@"
    else
        xvfb-run -a -s "-screen 0 1600x1200x24 -nolisten tcp -noreset" "$@"
    fi
}

for juce_major in 7 8; do
    folder=debug-juce$juce_major
    echo "== JUCE $juce_major: build and test =="
    configure_and_build "$folder" Debug "$juce_major"
    with_display ctest --test-dir "$REPO_ROOT/build/$folder" --output-on-failure --parallel "$JOBS"
done

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, the
# threaded tests under ThreadSanitizer, and the bundle's tests under valgrind.
with_display bash "$REPO_ROOT/scripts/check-sanitizers.sh"

# libFuzzer targets under the sanitizers, a minute each, side by side.
bash "$REPO_ROOT/scripts/fuzz.sh" 60
