#!/usr/bin/env bash
# Runs the benchmarks built in Release, prints the frame and trigger figures
# beside their goals, then runs the flood measurement against the demo server
# (which prints its own figures and goals). A first argument names the build
# folder, a second filters the benchmarks.
set -euo pipefail
build=${1:-build-bench}
filter=${2:-.}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$build/bench/quorvel_bench" --benchmark_filter="$filter" --benchmark_min_time=0.5 \
    --benchmark_color=false | tee "$out"

# CPU time in milliseconds of the benchmark named exactly $1 (console rows:
# name, time, unit, cpu time, unit, iterations...). These benchmarks run on
# one thread, and CPU time stays honest on a machine others share.
ms() {
    awk -v name="$1" '$1 == name {
        t = $4; u = $5
        if (u == "us") t /= 1000; else if (u == "ns") t /= 1e6; else if (u == "s") t *= 1000
        print t; exit }' "$out"
}

figure() { # name value unit goal-text met(0/1); an empty goal: only reported
    local verdict="NOT MET"
    [ "$5" = 1 ] && verdict="met"
    if [ -z "$4" ]; then
        printf '  %-44s %10s %-8s\n' "$1" "$2" "$3"
    else
        printf '  %-44s %10s %-8s goal %-12s %s\n' "$1" "$2" "$3" "$4" "$verdict"
    fi
}

frame=$(ms BM_FullFrame1080p/repeats:5_median)
base=$(ms BM_BaselineOneColourDrawText1080p/repeats:5_median)
t100=$(ms BM_DecodeTriggerFamilies/100)
t1000=$(ms BM_DecodeTriggerFamilies/1000)
s100=$(ms BM_TriggerFamilies/100)
s1000=$(ms BM_TriggerFamilies/1000)
echo "figures against their goals:"
if [ -n "$frame" ] && [ -n "$base" ]; then
    figure "full 1920x1080 frame, median" "$frame" ms "<= 2" \
        "$(awk -v f="$frame" 'BEGIN { print (f <= 2) }')"
    figure "frame / one-colour drawText baseline" \
        "$(awk -v f="$frame" -v b="$base" 'BEGIN { printf "%.2f", f / b }')" x "<= 1.0" \
        "$(awk -v f="$frame" -v b="$base" 'BEGIN { print (f <= b) }')"
fi
if [ -n "$t100" ] && [ -n "$t1000" ]; then
    figure "decode with trigger families: 1000 / 100 rows" \
        "$(awk -v a="$t1000" -v b="$t100" 'BEGIN { printf "%.2f", a / b }')" x "<= 1.3" \
        "$(awk -v a="$t1000" -v b="$t100" 'BEGIN { print (a <= 1.3 * b) }')"
fi
if [ -n "$s100" ] && [ -n "$s1000" ]; then
    figure "trigger scan alone: 1000 / 100 rows" \
        "$(awk -v a="$s1000" -v b="$s100" 'BEGIN { printf "%.2f", a / b }')" x "" 1
fi
# The road a player runs: a frame through the screen thread, the hand-over
# and the view at 1920x1080; 20 MB of coloured GBK text end to end through a
# window and a loopback socket with 0, 100 and 1000 triggers, then 300 MB of
# it sent in UTF-8 and in Big5 against GBK; ten windows
# through the main frame. The older figures below measure less of the road
# (one reused image, short uncoloured lines at 1280x800, a bare MDI area):
# both are printed for one round so the difference shows.
"$build/bench/quorvel_frame_road"
"$build/bench/quorvel_road_flood"
"$build/bench/quorvel_encoding_flood"
"$build/bench/quorvel_ten_windows"
# A burst long enough for its frame rate and peak memory to mean something.
"$build/bench/quorvel_flood" "$build/tools/demo-server/quorvel-demo-server" 1000000
# A million commands echoed through a window, then a 100 MB burst of escapes.
"$build/bench/quorvel_longsession" 1000000 100
# What TLS adds to the same flood.
"$build/bench/quorvel_tls_flood" "$build/tools/demo-server/quorvel-demo-server" 1000000
# What compression adds to it, and what it saves on the wire.
"$build/bench/quorvel_compressed_flood" "$build/tools/demo-server/quorvel-demo-server" 1000000
