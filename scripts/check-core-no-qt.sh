#!/usr/bin/env bash
# Fails when any file of the Qt-free core includes a Qt header.
set -euo pipefail
cd "$(dirname "$0")/.."
if grep -rnE '^\s*#\s*include\s*[<"]Q' src/core; then
    echo "the core includes Qt (above)" >&2
    exit 1
fi
echo "core is free of Qt"
