#!/usr/bin/env bash
# Lays out a fresh simulated machine from a profile: make-machine.sh PROFILE_DIR MACHINE_DIR.
# The machine folder is replaced, so every run starts from the profile's state. The
# download library (XLDL_LIBRARY, by default the build's bin/libxldl.so) is put beside the
# program as xldl.dll, where the program loads it from. The fake external tools of the
# install path come from the build's bin folder (TARNVIK_BIN_DIR, by default build/bin)
# into the program's tool\ folder, with stand-ins of the shipped boot files there and in PE\.
set -euo pipefail
usage="usage: make-machine.sh PROFILE_DIR MACHINE_DIR   (tools/machines/README.md)"
if [ "${1:-}" = --help ]; then echo "$usage"; exit 0; fi
[ $# -eq 2 ] || { echo "$usage" >&2; exit 2; }
profile=$1
machine=$2
bin=${TARNVIK_BIN_DIR:-$(dirname "$0")/../../build/bin}
library=${XLDL_LIBRARY:-$bin/libxldl.so}
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

# A file the profile put in a folder (under any case of its name) stays.
in_profile() { [ -n "$(find "$1" -maxdepth 1 -iname "$2" -print -quit)" ]; }

# The fakes, under the names the program runs them by (tools/machines/README.md).
tool_folder="$machine/drives/$drive$folder/tool"
mkdir -p "$tool_folder"
# Copies the fake $1 into the Windows folder $3 (host folder $2) as $4, unless the profile
# brings that file.
lay_fake() {
  in_profile "$2" "$4" && return 0
  if [ -f "$bin/$1" ]; then
    cp "$bin/$1" "$2/$4"
  else
    echo "make-machine: $bin/$1 not found: the machine has no $3\\$4 (build the target $1)" >&2
  fi
}
for pair in fake_isocmd:IsoCmd.exe fake_7z:7z.exe fake_bcdedit:bcdedit.dll fake_bootsect:bootsect.exe \
    fake_gdisk:Gdisk.exe fake_fbinst:fbinst.exe; do
  lay_fake "${pair%%:*}" "$tool_folder" tool "${pair#*:}"
done

# The Windows commands that are programs, in the system directory ("windows":
# { "systemDirectory": "C:\\Windows\\system32" }), where cmd.exe finds them.
system=$(sed -n 's/.*"systemDirectory"[[:space:]]*:[[:space:]]*"\([^"]*\)".*/\1/p' "$machine/machine.json" | head -n 1)
system=${system//\\\\//}
system_drive=${system:0:1}
system_folder="$machine/drives/${system_drive^^}${system:2}"
mkdir -p "$system_folder"
for name in chkdsk.exe label.exe convert.exe; do
  lay_fake fake_volume_tools "$system_folder" "${system//\//\\}" "$name"
done

# The emulator of the stick test, in the program's simu\ folder.
simu_folder="$machine/drives/$drive$folder/simu"
mkdir -p "$simu_folder"
lay_fake fake_qemu "$simu_folder" simu qemu.exe

# The tools driven through their windows are simulated inside the program's process: their
# files only say which simulated application they stand for.
for pair in iso-writer:iso.dll bootice:bootice.exe; do
  in_profile "$tool_folder" "${pair#*:}" ||
    printf 'tarnvik window application: %s\n' "${pair%%:*}" >"$tool_folder/${pair#*:}"
done

# Stand-ins of the boot files the program ships: small texts that say what they stand for.
pe_folder="$machine/drives/$drive$folder/PE"
mkdir -p "$pe_folder"
for file in "$tool_folder/bootmgfw.efi" "$pe_folder/SDone.SDI" "$pe_folder/jszc" "$pe_folder/grldr"; do
  in_profile "$(dirname "$file")" "$(basename "$file")" ||
    printf 'Tarnvik stand-in for %s\n' "$(basename "$file")" >"$file"
done
