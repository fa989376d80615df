#!/usr/bin/env bash
# Installs every Debian package that building, testing, fuzzing, benchmarking
# and running Lanternyx needs. Safe to run again.
set -euo pipefail
SUDO=
[ "$(id -u)" = 0 ] || SUDO=sudo
pkgs=(
  build-essential g++ cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libansilove-dev libpng-dev
  libsdl2-2.0-0 libsdl2-dev
  xvfb xauth xdotool x11-utils x11-apps x11-xkb-utils imagemagick xterm xclip vttest
  lrzsz openssh-server openssh-client
  libssh-4 libssh-dev
  inetutils-telnetd
  python3
  file desktop-file-utils appstream
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
