#!/usr/bin/env bash
# Builds the program and starts it; arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# A build folder of its own: the test command's builds use other types and would rebuild everything.
export CCACHE_BASEDIR="$PWD"
export CCACHE_SLOPPINESS=pch_defines,time_macros
cmake -S . -B build-run -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache \
      -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
      -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORASCHEME_TESTS=OFF -DORASCHEME_BENCH=OFF >/dev/null
cmake --build build-run -j "$(nproc)" --target orascheme
exec build-run/app/orascheme "$@"
