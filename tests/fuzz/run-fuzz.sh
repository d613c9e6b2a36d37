#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a set time each, starting from the
# checked-in seeds (left untouched: new inputs go to a scratch corpus inside
# the build folder). Fails when any target finds a crash, a leak, a timeout or
# a broken invariant; the input that did it is kept under <build>/fuzz-artifacts.
# Usage: run-fuzz.sh BUILD_DIR SECONDS_PER_TARGET
set -euo pipefail

build=${1:?build folder}
seconds=${2:-60}
here="$(cd "$(dirname "$0")" && pwd)"
work="$build/fuzz-work"
artifacts="$build/fuzz-artifacts"
mkdir -p "$work" "$artifacts"

status=0
summary=()
for seeds in "$here"/corpus/*/; do
    name=$(basename "$seeds")
    bin="$build/tests/fuzz/$name"
    if [ ! -x "$bin" ]; then
        echo "missing fuzz target $bin" >&2
        status=1
        continue
    fi
    mkdir -p "$work/$name"
    log="$work/$name.log"
    echo "== $name: ${seconds}s"
    if "$bin" "$work/$name" "$seeds" \
        -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=8192 \
        -print_final_stats=1 -artifact_prefix="$artifacts/$name-" >"$log" 2>&1; then
        result=ok
    else
        result=FAILED
        status=1
        tail -n 40 "$log"
    fi
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
    cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1 || echo "cov: ?")
    summary+=("$(printf '%-22s %-7s runs: %-10s %s' "$name" "$result" "$runs" "$cov")")
done

printf '%s\n' "${summary[@]}"
exit $status
