#!/usr/bin/env bash
# The main job: set up the machine, build everything in Release, install the
# plug-in into ~/.clap, measure the engine, the processor and the wrapper, and render
# the looper's demo.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bash "$REPO_ROOT/scripts/setup.sh"
configure_and_build release Release 7
cmake --install "$REPO_ROOT/build/release"
"$REPO_ROOT/build/release/benchmarks/engine_benchmark" --benchmark_min_time=0.5
"$REPO_ROOT/build/release/benchmarks/processor_benchmark" --benchmark_min_time=0.5
"$REPO_ROOT/build/release/benchmarks/wrapper_benchmark" --benchmark_min_time=0.5

demo_dir=$REPO_ROOT/build/release/demo
mkdir -p "$demo_dir"
# Prints where the WAV file, its picture and the installed bundle are.
"$REPO_ROOT/build/release/tools/ravelwick-looper-demo" "$HOME/.clap/RavelwickLooper.clap" "$demo_dir"
