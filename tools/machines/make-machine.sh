#!/usr/bin/env bash
# Lays out a fresh simulated machine from a profile: make-machine.sh PROFILE_DIR MACHINE_DIR.
# The machine folder is replaced, so every run starts from the profile's state. The
# download library (XLDL_LIBRARY, by default the build's bin/libxldl.so) is put beside the
# program as xldl.dll, where the program loads it from.
set -euo pipefail
profile=$1
machine=$2
library=${XLDL_LIBRARY:-$(dirname "$0")/../../build/bin/libxldl.so}
[ -f "$profile/machine.json" ] || { echo "make-machine: $profile/machine.json not found" >&2; exit 1; }
rm -rf "$machine"
mkdir -p "$machine/state"
cp -r "$profile/." "$machine/"

# The program's folder from "program": { "path": "D:\\Tarnvik\\Tarnvik.exe" }: the first
# "path" member of the profile.
program=$(sed -n 's/.*"path"[[:space:]]*:[[:space:]]*"\([^"]*\)".*/\1/p' "$machine/machine.json" | head -n 1)
program=${program//\\\\//}
drive=${program:0:1}
folder=$(dirname "${program:2}")
if [ -f "$library" ]; then
  mkdir -p "$machine/drives/$drive$folder"
  cp "$library" "$machine/drives/$drive$folder/xldl.dll"
else
  echo "make-machine: $library not found: the machine has no download library" >&2
fi

# The program's skins lie in its folder, as the installer puts them there.
mkdir -p "$machine/drives/$drive$folder"
cp -r "$(dirname "$0")/../../skin" "$machine/drives/$drive$folder/skin"
