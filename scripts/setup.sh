#!/usr/bin/env bash
# Installs what the builds and tests need from Debian's archive. Safe to run again:
# it only asks apt for packages that are missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git curl openssl ca-certificates time
  libcurl4-openssl-dev libssl-dev libjsoncpp-dev libboost-dev libboost-filesystem-dev
  libgtest-dev libgmock-dev libcpp-httplib-dev libpugixml-dev libbenchmark-dev
  libcairo2-dev libpango1.0-dev libx11-dev libgif-dev fonts-wqy-microhei xvfb xdotool
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 wine32:i386
  clang libclang-rt-14-dev p7zip-full xorriso
)

# First only look: what is missing is found without changing anything, so that a user who
# is not root learns what to install before any step needs root.
need_i386=
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

[ "${#missing[@]}" -gt 0 ] || [ -n "$need_i386" ] || exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: run as root to install:${need_i386:+ the i386 architecture (for wine32)} ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
[ -z "$need_i386" ] || dpkg --add-architecture i386
apt-get -o DPkg::Lock::Timeout=600 update -qq
if [ "${#missing[@]}" -gt 0 ]; then
  apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}"
fi
