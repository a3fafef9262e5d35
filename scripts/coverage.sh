#!/usr/bin/env bash
# Line coverage per folder: builds a tree with gcov's counters, runs the tests, prints a table.
# It tells the program's road (what the tests pass through) from library surface kept for
# completeness. Not part of the test command: a counted build is slow.
#   bash scripts/coverage.sh              every test
#   bash scripts/coverage.sh REGEX        only the ctest tests matching REGEX (and the whole
#                                         tree is still counted, so folders they miss show 0 %)
#   JOBS=3 bash scripts/coverage.sh       at most 3 compilers, tests and gcovs at once
# It ends with an error, after the table, when a test failed or counts were lost.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
dpkg -s gcovr >/dev/null 2>&1 || {
  $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends gcovr
}
export QT_QPA_PLATFORM=offscreen
# JOBS caps the build, the tests and gcov on a shared machine; nproc is the default.
jobs=${JOBS:-$(nproc)}
# Atomic counters: threads counting the same line at once would otherwise leave counts gcov
# cannot read (negative branch counts). ccache passes on any call with -fprofile-update, so the
# counted tree is built without it.
cmake -S . -B build-coverage -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORASCHEME_BENCH=OFF \
      -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g --coverage -fprofile-update=atomic" \
      -DCMAKE_C_FLAGS_DEBUG="-O0 -g --coverage -fprofile-update=atomic" \
      -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage >/dev/null
cmake --build build-coverage -j "$jobs"
find build-coverage -name '*.gcda' -delete
# A test that fails only in the counted build (other timing, -O0) still gets its table, and the
# script then ends with ctest's status so that the failure is not lost under the figures.
tests_status=0
ctest --test-dir build-coverage -j "$jobs" ${1:+-R "$1"} --output-on-failure || tests_status=$?
# One line per source folder; tests/, tools/, fuzz/ and bench/ are the judges, not the judged.
gcovr -r . build-coverage -j "$jobs" --exclude 'tests/' --exclude 'tools/' --exclude 'fuzz/' \
      --exclude 'bench/' --exclude 'build-coverage/' --gcov-ignore-parse-errors \
      --json-summary build-coverage/coverage.json >/dev/null
python3 - build-coverage/coverage.json <<'PY'
import collections, json, os, sys
files = json.load(open(sys.argv[1]))["files"]
total = collections.defaultdict(lambda: [0, 0])
for f in files:
    parts = f["filename"].split(os.sep)
    folder = os.sep.join(parts[:2]) if len(parts) > 2 else parts[0]
    total[folder][0] += f["line_covered"]
    total[folder][1] += f["line_total"]
row = "%-40s %9d %9d %6.1f%%"
print("%-40s %9s %9s %7s" % ("folder", "lines", "covered", "%"))
for folder in sorted(total):
    covered, lines = total[folder]
    print(row % (folder, lines, covered, 100.0 * covered / max(lines, 1)))
covered, lines = map(sum, zip(*total.values()))
print(row % ("all", lines, covered, 100.0 * covered / max(lines, 1)))
# Where the unrun lines are: the files that leave the most of them.
print()
print("%-40s %9s %9s %7s" % ("file", "lines", "unrun", "%"))
for f in sorted(files, key=lambda f: f["line_covered"] - f["line_total"])[:10]:
    print(row % (f["filename"], f["line_total"], f["line_total"] - f["line_covered"],
                 100.0 * f["line_covered"] / max(f["line_total"], 1)))
PY
if [ "$tests_status" -ne 0 ]; then
  echo "coverage.sh: tests failed in the counted build:" >&2
  cat build-coverage/Testing/Temporary/LastTestsFailed.log >&2 2>/dev/null || true
fi
# A counts file left damaged (a write cut short as a process ended) is skipped by every later
# process, which says so only on its own stderr: the table then undercounts in silence.
if grep -q 'libgcov profiling error' build-coverage/Testing/Temporary/LastTest.log 2>/dev/null; then
  echo "coverage.sh: counts were lost, the figures above are too low:" >&2
  grep -o 'libgcov profiling error:.*' build-coverage/Testing/Temporary/LastTest.log | sort | uniq -c >&2
  [ "$tests_status" -ne 0 ] || tests_status=1
fi
exit "$tests_status"
