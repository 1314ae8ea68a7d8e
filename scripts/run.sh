#!/usr/bin/env bash
# The main job: set up the machine, build everything in Release and measure the
# loop engine and the processor.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bash "$REPO_ROOT/scripts/setup.sh"
configure_and_build release Release 7
"$REPO_ROOT/build/release/benchmarks/engine_benchmark" --benchmark_min_time=0.5
"$REPO_ROOT/build/release/benchmarks/processor_benchmark" --benchmark_min_time=0.5
