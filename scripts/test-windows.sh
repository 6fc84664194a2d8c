#!/usr/bin/env bash
# Builds Molvane for 32-bit and 64-bit Windows with MinGW-w64 and tests the builds under Wine:
# the readers' unit tests, then every case of tests/partition_tool/cases.txt end to end,
# molvane.exe driving a fake diskpart.exe through the shell and Wine's cmd.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

usage() {
  cat <<'TEXT'
Usage: scripts/test-windows.sh [build | test ARCH... | all]
  build      builds build-win32 (i686) and build-win64 (x86-64)
  test ARCH  tests the built win32 and/or win64 under Wine
  all        (default) builds, tests win64, and tests win32 when this machine runs
             32-bit programs (scripts/can-run-32bit.sh; TARNVIK_NO_32BIT=1 says it cannot)
TEXT
}

build() {
  for arch in win32 win64; do
    local toolchain=cmake/mingw-i686.cmake
    [ "$arch" = win64 ] && toolchain=cmake/mingw-x86_64.cmake
    mkdir -p "build-$arch"
    cmake -S . -B "build-$arch" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      > "build-$arch/configure.log" 2>&1 || { cat "build-$arch/configure.log"; return 1; }
    cmake --build "build-$arch" -j "$(nproc)"
  done
}

mode=${1:-all}
[ $# -gt 0 ] && shift
arches=()
case $mode in
  -h | --help) usage; exit 0 ;;
  build) build; exit ;;
  test)
    arches=("$@")
    [ ${#arches[@]} -gt 0 ] || { echo "test-windows: 'test' needs win32 and/or win64" >&2; exit 2; }
    for arch in "${arches[@]}"; do
      [ "$arch" = win32 ] || [ "$arch" = win64 ] || { echo "test-windows: no build '$arch' (win32, win64)" >&2; exit 2; }
      [ -f "build-$arch/bin/molvane.exe" ] || { echo "test-windows: build-$arch is not built: run 'build' first" >&2; exit 2; }
    done ;;
  all)
    build
    arches=(win64)
    if reason=$(bash scripts/can-run-32bit.sh); then
      arches+=(win32)
    else
      echo "win32: not run: $reason"
    fi ;;
  *) echo "test-windows: unknown mode '$mode'" >&2; usage >&2; exit 2 ;;
esac

# Wine's 64-bit loader runs everything: /usr/bin/wine would pick the 32-bit one, which a
# kernel without 32-bit support cannot start. The 32-bit programs of win32 are handed to
# the 32-bit loader by Wine itself.
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || { echo "test-windows: Wine's 64-bit loader $wine is missing (package wine64)" >&2; exit 1; }
export WINELOADER=$wine

# One 64-bit prefix serves both builds; the 32-bit one runs in its WOW64 part.
export WINEPREFIX=$root/build-wine/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot -i </dev/null >/dev/null 2>&1 ||
    { echo "test-windows: $wine wineboot -i could not make the prefix $WINEPREFIX (status $?)" >&2; exit 1; }
fi
# Wine's services keep the descriptors they start with, so start them away from any pipe.
wineserver -p </dev/null >/dev/null 2>&1 || true  # already running is fine
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
"$wine" cmd /c exit </dev/null >/dev/null 2>&1 ||
  { echo "test-windows: $wine cmd /c exit did not run (status $?)" >&2; exit 1; }

drive_c=$WINEPREFIX/drive_c
system32=$drive_c/windows/system32
syswow64=$drive_c/windows/syswow64
install_fakes() {
  cp build-win64/bin/fake_diskpart.exe "$system32/diskpart.exe"
  cp build-win32/bin/fake_diskpart.exe "$syswow64/diskpart.exe"
}
install_fakes

passed=0
failed=0
failures=()
report() {  # name, outcome ("" when passed)
  if [ -z "$2" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failures+=("$1: $2")
    echo "FAILED $1: $2"
  fi
}

# Windows path of a file under the prefix's C: drive.
windows_path() { echo "C:${1#"$drive_c"}" | tr / '\\'; }

# Runs molvane.exe of one build in its own folder through cmd, which records the full exit
# code; leaves out.txt (console) and rc.txt (exit code) in that folder.
run_molvane() {  # arch, arguments...
  local folder=$drive_c/molvane-$1
  shift
  find "$folder" -mindepth 1 ! -name molvane.exe -delete
  local program
  program=$(windows_path "$folder/molvane.exe")
  printf '@echo off\r\n"%s" %s > "%s"\r\necho %%ERRORLEVEL%% > "%s"\r\n' "$program" "$*" \
    "$(windows_path "$folder/out.txt")" "$(windows_path "$folder/rc.txt")" > "$folder/run.bat"
  "$wine" cmd /c "$(windows_path "$folder/run.bat")" </dev/null >/dev/null 2>&1 || true
}

# Checks one finished run against the expected console text, exit code and last script.
check_run() {  # arch, console, exit code, script ("none": no script written)
  local folder=$drive_c/molvane-$1
  if [ ! -f "$folder/rc.txt" ]; then
    echo "molvane.exe did not run"
    return
  fi
  local code
  code=$(tr -d ' \r\n' < "$folder/rc.txt")
  printf '%b' "$2" > "$folder/expected.out"
  if ! cmp -s "$folder/expected.out" "$folder/out.txt"; then
    echo "console was '$(od -An -c "$folder/out.txt" | tr -s ' ')'"
  elif [ "$code" != "$3" ]; then
    echo "exit code $code, expected $3"
  elif [ "$4" = none ]; then
    [ ! -e "$folder/ctemp.txt" ] || echo "a script was written"
  else
    # Written in text mode: each LF of the script reaches the file as CR LF.
    printf '%b' "$4" | sed '$!s/$/\r/' > "$folder/expected.txt"
    cmp -s "$folder/expected.txt" "$folder/ctemp.txt" ||
      echo "script was '$(od -An -c "$folder/ctemp.txt" | tr -s ' ')'"
  fi
}

fixtures_for() { echo "Z:$root/build-$1/fixtures/diskpart" | tr / '\\'; }

for arch in "${arches[@]}"; do
  mkdir -p "$drive_c/molvane-$arch"
  cp "build-$arch/bin/molvane.exe" "$drive_c/molvane-$arch/"

  # A 32-bit program that fails to load exits 0 without a word: look for the summary.
  unit_log=build-$arch/molvane_unit_tests.log
  "$wine" "build-$arch/bin/molvane_unit_tests.exe" </dev/null >"$unit_log" 2>&1 || true
  if grep -q '^\[  PASSED  \]' "$unit_log" && ! grep -q '^\[  FAILED  \]' "$unit_log"; then
    report "$arch/unit_tests" ""
  else
    report "$arch/unit_tests" "see $unit_log"
  fi

  export FAKE_DISKPART_FIXTURES
  FAKE_DISKPART_FIXTURES=$(fixtures_for "$arch")
  while IFS='|' read -r name set arguments console code script; do
    case $name in '' | '#'*) continue ;; esac
    export FAKE_DISKPART_SET=$set
    [ "$set" = - ] && rm -f "$system32/diskpart.exe" "$syswow64/diskpart.exe"
    run_molvane "$arch" $arguments
    [ "$set" = - ] && install_fakes
    report "$arch/$name" "$(check_run "$arch" "$console" "$code" "$script")"
  done < tests/partition_tool/cases.txt

  # The batch file names diskpart where this build's cmd will find the real one.
  expected_diskpart='C:\windows\system32\diskpart.exe'
  [ "$arch" = win32 ] && expected_diskpart='C:\windows\Sysnative\diskpart.exe'
  export FAKE_DISKPART_SET=list_volume=basic,shrink_querymax=mb
  run_molvane "$arch" -H D
  folder=$drive_c/molvane-$arch
  grep -qF "\"$expected_diskpart\" /s \"C:\\molvane-$arch\\ctemp.txt\" > \"C:\\molvane-$arch\\cout.txt\"" \
    "$folder/ctemp_bat.bat" &&
    report "$arch/batch_file_names_diskpart" "" ||
    report "$arch/batch_file_names_diskpart" "batch file was '$(cat "$folder/ctemp_bat.bat")'"
done

# A 32-bit Molvane must reach the real System32, where diskpart lives, not SysWOW64.
if [[ " ${arches[*]} " == *" win32 "* ]]; then
  rm -f "$syswow64/diskpart.exe"
  export FAKE_DISKPART_FIXTURES
  FAKE_DISKPART_FIXTURES=$(fixtures_for win32)
  export FAKE_DISKPART_SET=list_volume=basic,shrink_querymax=mb
  run_molvane win32 -H D
  report win32/diskpart_only_in_native_system32 "$(check_run win32 '4096\r\n' 4096 \
    'select volume 3\r\nshrink querymax')"
  install_fakes
fi

total=$((passed + failed))
echo
echo "${arches[*]}: $(( total ? passed * 100 / total : 0 ))% tests passed, $failed tests failed out of $total"
for failure in "${failures[@]+"${failures[@]}"}"; do echo "  $failure"; done
[ "$failed" -eq 0 ]
