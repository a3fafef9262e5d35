#!/usr/bin/env bash
# Builds the program and starts it; arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target orascheme
exec build/app/orascheme "$@"
