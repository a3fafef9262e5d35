#!/usr/bin/env bash
# Installs what the program needs on Debian 12; does nothing when all is there.
#   bash scripts/deps.sh        to build and run it (the stand-in client library and the fake
#                               listener build from the same tree, so their libraries are here)
#   bash scripts/deps.sh test   the same, and what the tests and benchmarks compare against
set -euo pipefail
# clang builds every tree (it reads a precompiled header lazily, so a test file compiles in a
# third of g++'s time) and checks the lock rules; its sanitizer runtimes are only recommended by
# its package, so they are named; lld links the large test programs in a fraction of ld's time.
pkgs=(cmake ninja-build g++ clang libclang-rt-dev lld pkg-config ccache
      zlib1g-dev libisal-dev libjpeg-dev qt6-base-dev libgl-dev libfontconfig-dev
      libsqlite3-dev libssl-dev)  # the stand-in client library's and the fake listener's
if [ "${1:-}" = test ]; then
  pkgs+=(gzip python3
         isal                    # igzip, the expansion benchmark's peer
         libgtest-dev libgmock-dev libbenchmark-dev
         libgif-dev imagemagick  # the GIF tests' outside peers
         tshark                  # text2pcap and tshark judge the wire bytes
         locales)                # a locale with a decimal comma, for the number-format tests
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
if ((${#missing[@]})); then
  # Another apt (an unattended upgrade, a second shell) may hold a lock: wait for it rather than
  # fail. dpkg's lock is waited for by apt itself; the package lists' lock by trying again.
  apt_wait=(-o DPkg::Lock::Timeout=600)
  for try in $(seq 60); do
    $sudo apt-get "${apt_wait[@]}" update -qq && break
    [ "$try" = 60 ] && exit 1
    echo "apt is busy; trying again in 10 s" >&2
    sleep 10
  done
  # tshark's package would ask whether ordinary users may capture: answer no, never ask.
  echo 'wireshark-common wireshark-common/install-setuid boolean false' | $sudo debconf-set-selections
  DEBIAN_FRONTEND=noninteractive $sudo apt-get "${apt_wait[@]}" install -y -qq --no-install-recommends "${missing[@]}"
fi
# The number-format tests compare against a locale whose decimal separator is a comma.
if [ "${1:-}" = test ] && ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
