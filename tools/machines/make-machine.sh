#!/usr/bin/env bash
# Lays out a fresh simulated machine from a profile: make-machine.sh PROFILE_DIR MACHINE_DIR.
# The machine folder is replaced, so every run starts from the profile's state.
set -euo pipefail
profile=$1
machine=$2
[ -f "$profile/machine.json" ] || { echo "make-machine: $profile/machine.json not found" >&2; exit 1; }
rm -rf "$machine"
mkdir -p "$machine/state"
cp -r "$profile/." "$machine/"
# The program's skins lie in its folder, as the installer puts them there.
program=$(sed -n 's/.*"path": *"\([A-Za-z]\):\\\\\(.*\)\\\\[^\\]*".*/\1\/\2/p' "$profile/machine.json" | head -1 | sed 's/\\\\/\//g')
if [ -n "$program" ]; then
  mkdir -p "$machine/drives/$program"
  cp -r "$(dirname "$0")/../../skin" "$machine/drives/$program/skin"
fi
