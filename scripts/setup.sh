#!/usr/bin/env bash
# Installs the Debian packages Slatewick needs that this machine lacks, then
# configures and builds. Sourced by run.sh and test.sh; BUILD_DIR,
# BUILD_TYPE, BUILD_TARGET, CMAKE_EXTRA and EXTRA_PACKAGES (space separated)
# may be set by the caller.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$here/build}"

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-svg-dev libqt6svg6
          qt6-l10n-tools qt6-tools-dev qt6-translations-l10n dpkg-dev
          libmount-dev libblkid-dev libudev-dev libxxhash-dev nlohmann-json3-dev libpugixml-dev nettle-dev
          libgtest-dev libgmock-dev
          xxhash e2fsprogs util-linux rsync xvfb x11-utils fonts-dejavu-core ${EXTRA_PACKAGES:-})
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing missing packages: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  # Keep services that come with a package (the system's sshd) from starting; the tests start their own.
  policy=/usr/sbin/policy-rc.d
  own_policy=
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' | "${sudo_cmd[@]}" tee "$policy" >/dev/null
    "${sudo_cmd[@]}" chmod 755 "$policy"
    own_policy=1
    trap '"${sudo_cmd[@]}" rm -f "$policy"' EXIT
  fi
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
  if [ -n "$own_policy" ]; then
    "${sudo_cmd[@]}" rm -f "$policy"
    trap - EXIT
  fi
fi

cmake -S "$here" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" ${CMAKE_EXTRA:-} >/dev/null
cmake --build "$BUILD_DIR" ${BUILD_TARGET:+--target "$BUILD_TARGET"}
