#!/usr/bin/env bash
# Runs every test: the whole suite built against JUCE 7 (Debian 12's package)
# and against JUCE 8 (the sources fetched by the setup script), each in its own
# Debug build folder.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bash "$REPO_ROOT/scripts/setup.sh"

for juce_major in 7 8; do
    folder=debug-juce$juce_major
    echo "== JUCE $juce_major: build and test =="
    configure_and_build "$folder" Debug "$juce_major"
    ctest --test-dir "$REPO_ROOT/build/$folder" --output-on-failure --parallel "$JOBS"
done
