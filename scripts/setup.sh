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
  clang libclang-rt-14-dev
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ] || [ -n "${need_update:-}" ]; then
  [ "$(id -u)" -eq 0 ] || { echo "setup: run as root to install: ${missing[*]}" >&2; exit 1; }
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  if [ "${#missing[@]}" -gt 0 ]; then
    apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}"
  fi
fi
