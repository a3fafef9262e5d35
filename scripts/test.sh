#!/usr/bin/env bash
# Builds everything twice (optimised, and with AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs every test in both builds; then the test programs that run threads once more under
# ThreadSanitizer. The optimised build also checks the lock rules (GUARDED_BY, REQUIRES): a
# violation is a compile error.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test
jobs=$(nproc)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
# ccache keeps a second run on the same machine to what changed; paths inside the clone are made
# relative so another clone of the same tree hits the same cache.
export CCACHE_BASEDIR="$PWD"
# The sanitizer trees build with -g: without this the clone's folder is part of every cache key.
export CCACHE_NOHASHDIR=1
# A precompiled header is part of what ccache hashes; its defines and time stamp are not.
export CCACHE_SLOPPINESS=pch_defines,time_macros
launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
# clang with per-target precompiled headers, linked by lld: the same tests at well under half of
# g++'s compile time, which is what a small CI machine waits for.
launcher+=(-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
           -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld)

cmake -S . -B build -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
      -DORASCHEME_THREAD_SAFETY=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build -j "$jobs" --output-on-failure --no-tests=error

cmake -S . -B build-asan -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Debug -DORASCHEME_SANITIZE=ON -DORASCHEME_BENCH=OFF \
      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan -j "$jobs" --output-on-failure --no-tests=error

# Only the test programs that run threads (orascheme_tests ... THREADS), at -O1.
cmake -S . -B build-tsan -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Debug -DORASCHEME_TSAN=ON \
      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" >/dev/null
cmake --build build-tsan -j "$jobs" --target thread_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir build-tsan -j "$jobs" --output-on-failure --no-tests=error

