#!/usr/bin/env bash
# Runs the benchmarks built in Release; pass a filter as the second argument.
set -euo pipefail
build=${1:-build-bench}
filter=${2:-.}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
"$build/bench/quorvel_bench" --benchmark_filter="$filter" --benchmark_min_time=0.5
