#!/usr/bin/env bash
# Installs what building and testing need on Debian 12; does nothing when all is there.
set -euo pipefail
pkgs=(cmake ninja-build g++ clang pkg-config gzip python3 ccache
      libgtest-dev libgmock-dev libbenchmark-dev
      zlib1g-dev libjpeg-dev libsqlite3-dev qt6-base-dev libgl-dev
      libgif-dev imagemagick  # the GIF tests' outside peers
      libssl-dev tshark)      # libcrypto checks our DES; text2pcap and tshark judge the wire bytes
missing=()
for p in "${pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  # tshark's package would ask whether ordinary users may capture: answer no, never ask.
  echo 'wireshark-common wireshark-common/install-setuid boolean false' | $sudo debconf-set-selections
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
