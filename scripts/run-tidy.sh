#!/usr/bin/env bash
# Runs clang-tidy with the repository's .clang-tidy over every source of the
# libraries and the app, using the compile commands of the given build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
git ls-files 'src/*.cpp' 'app/*.cpp' | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet
