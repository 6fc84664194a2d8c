#!/usr/bin/env bash
# Writes the demo content of the local service into a folder:
#   make-demo-content.sh DIR [BASE_URL]
# DIR/images/ small OS images (.gho, and an .iso holding sources\install.wim), DIR/pe/ the
# WinPE component (an ISO holding WEPE\WEPE64.WIM), and
# DIR/catalogue.json, the catalogue that lists them with their true sizes and checksums
# as the local service serves them (BASE_URL/files/..., BASE_URL http://127.0.0.1:18080 by
# default). Images already there are kept.
set -euo pipefail
dir=$1
base=${2:-http://127.0.0.1:18080}
mkdir -p "$dir/images" "$dir/pe"

# name, size in KiB
make_file() {
  [ -f "$1" ] || head -c "$(( $2 * 1024 ))" /dev/urandom > "$1"
}
make_file "$dir/images/win10_x64_pro.gho" 3072
make_file "$dir/images/win10_x86_pro.gho" 2048
make_file "$dir/images/win7_x64_ultimate.gho" 2560
make_file "$dir/images/win7_x86_ultimate.gho" 1024
make_file "$dir/images/winxp_sp3_pro.gho" 512

# ISO image, then files in it as relative path and size in KiB: real ISO 9660 images with
# Joliet names, as the virtual drive tool and 7-Zip read them.
make_iso() {
  local iso=$1 tree
  shift
  [ -f "$iso" ] && return
  tree=$(mktemp -d)
  while [ $# -gt 0 ]; do
    mkdir -p "$tree/$(dirname "$1")"
    head -c "$(( $2 * 1024 ))" /dev/urandom > "$tree/$1"
    shift 2
  done
  # xorriso writes its banner to stderr: show what it wrote only when it fails.
  xorriso -report_about FAILURE -as mkisofs -J -R -V DEMO -o "$iso" "$tree" 2> "$tree.log" \
    || { cat "$tree.log" >&2; rm -rf "$tree" "$tree.log"; exit 1; }
  rm -rf "$tree" "$tree.log"
}
make_iso "$dir/images/win7_x64_ultimate.iso" sources/install.wim 1536 sources/boot.wim 512 setup.exe 64
make_iso "$dir/pe/WEPE64_2.1.iso" WEPE/WEPE64.WIM 768 WEPE/WEPE.INI 1

size() { stat -c %s "$1"; }
md5() { md5sum "$1" | cut -d' ' -f1; }

# index, display name, bitness, file name, date
entry() {
  local file="$dir/images/$4"
  printf '"%s":{"os_name":"%s","digit":"%s","file_name":"%s","file_time":"%s","url":"%s","md5":"%s","size":"%s","flag":"0"}' \
    "$1" "$2" "$3" "$4" "$5" "$base/files/images/$4" "$(md5 "$file")" "$(size "$file")"
}

pe="$dir/pe/WEPE64_2.1.iso"
{
  printf '{"count":6,'
  entry 0 "Windows 10 专业版 64位" 64 win10_x64_pro.gho 2018-06-15; printf ','
  entry 1 "Windows 10 专业版 32位" 32 win10_x86_pro.gho 2018-06-15; printf ','
  entry 2 "Windows 7 旗舰版 64位" 64 win7_x64_ultimate.gho 2018-03-01; printf ','
  entry 3 "Windows 7 旗舰版 64位 (ISO)" 64 win7_x64_ultimate.iso 2017-11-20; printf ','
  entry 4 "Windows 7 旗舰版 32位" 32 win7_x86_ultimate.gho 2018-03-01; printf ','
  entry 5 "Windows XP SP3 专业版" 32 winxp_sp3_pro.gho 2015-04-01; printf ','
  printf '"pe_row":[{"pe_name":"WEPE64_2.1.iso","pe_url":"%s","pe_size":"%s"}]}\n' "$base/files/pe/WEPE64_2.1.iso" "$(size "$pe")"
} > "$dir/catalogue.json"
