#!/usr/bin/env bash
# Runs the benchmarks built in Release, then the flood measurement against the
# demo server. A first argument names the build folder, a second filters the
# benchmarks.
set -euo pipefail
build=${1:-build-bench}
filter=${2:-.}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
"$build/bench/quorvel_bench" --benchmark_filter="$filter" --benchmark_min_time=0.5
"$build/bench/quorvel_flood" "$build/tools/demo-server/quorvel-demo-server" 200000
