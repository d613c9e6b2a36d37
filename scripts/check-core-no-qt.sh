#!/usr/bin/env bash
# Fails when any file of the Qt-free core includes a Qt header. The core is
# every .h/.cpp listed in a src/*/CMakeLists.txt under quorvel_core.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
for list in src/*/CMakeLists.txt; do
    dir=$(dirname "$list")
    # Pull the file names out of the target_sources(quorvel_core ...) block.
    files=$(awk '/target_sources\(quorvel_core/{on=1;next} on&&/\)/{on=0} on{print $1}' "$list")
    for f in $files; do
        for g in "$dir/$f" "$dir/${f%.cpp}.h"; do
            [ -f "$g" ] || continue
            if grep -nE '^\s*#\s*include\s*[<"]Q' "$g"; then
                echo "core file includes Qt: $g" >&2
                status=1
            fi
        done
    done
done
[ $status -eq 0 ] && echo "core is free of Qt"
exit $status
