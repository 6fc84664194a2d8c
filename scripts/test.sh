#!/usr/bin/env bash
# Set-up, build and every test, in stages: the plain build and its tests, the same under
# AddressSanitizer and UndefinedBehaviorSanitizer, a short run of every fuzz target, then
# the Windows builds under Wine. Each stage ends with one line saying what it ran and how it
# ended; the last lines sum the stages up. A stage whose input failed is not run.
# TARNVIK_NO_32BIT=1 treats the machine as one that cannot run 32-bit programs.
set -uo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = -h ] || [ "${1:-}" = --help ]; then
  echo "Usage: scripts/test.sh   (TARNVIK_NO_32BIT=1: skip the i686 Wine tests as on a 64-bit-only kernel;"
  echo "                          TARNVIK_FUZZ_SECONDS=N: fuzz each target N seconds, default 5)"
  exit 0
fi
[ $# -eq 0 ] || { echo "test: takes no arguments, got '$*' (see --help)" >&2; exit 2; }

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

summary=()
failed=0
declare -A outcome

record() {  # name, what, outcome (passed, FAILED, not run), why (or ""), seconds
  outcome[$1]=$3
  local line
  line=$(printf '%-14s %-8s %5s s  %s' "$1" "$3" "$5" "$2")
  [ -n "$4" ] && line+=" ($4)"
  summary+=("$line")
  echo "stage $1: $2: $3${4:+ ($4)} in $5 s"
}

# Runs one stage unless a stage it needs did not pass.
stage() {  # name, what, needed stages (space separated), command...
  local name=$1 what=$2 needs=$3
  shift 3
  for need in $needs; do
    if [ "${outcome[$need]:-}" != passed ]; then
      record "$name" "$what" "not run" "stage $need did not pass" 0
      return
    fi
  done
  echo "== stage $name: $what"
  local start=$SECONDS
  if "$@"; then
    record "$name" "$what" passed "" $((SECONDS - start))
  else
    record "$name" "$what" FAILED "exit status $?" $((SECONDS - start))
    failed=$((failed + 1))
  fi
}

jobs=$(nproc)
stage setup "scripts/setup.sh" "" bash scripts/setup.sh
stage build "scripts/build.sh build" setup bash scripts/build.sh build
stage tests "ctest --test-dir build" build ctest --test-dir build --output-on-failure -j "$jobs"
stage build-asan "scripts/build.sh build-asan (ASan+UBSan)" setup \
  bash scripts/build.sh build-asan -DTARNVIK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
stage tests-asan "ctest --test-dir build-asan" build-asan ctest --test-dir build-asan --output-on-failure -j "$jobs"
stage fuzz "scripts/fuzz.sh --seconds ${TARNVIK_FUZZ_SECONDS:-5}" setup \
  bash scripts/fuzz.sh --seconds "${TARNVIK_FUZZ_SECONDS:-5}"
stage windows-build "scripts/test-windows.sh build (MinGW i686, x86-64)" setup bash scripts/test-windows.sh build
stage wine-x86_64 "scripts/test-windows.sh test win64" windows-build bash scripts/test-windows.sh test win64
if reason=$(bash scripts/can-run-32bit.sh); then
  stage wine-i686 "scripts/test-windows.sh test win32" windows-build bash scripts/test-windows.sh test win32
else
  record wine-i686 "scripts/test-windows.sh test win32" "not run" "$reason" 0
fi

echo
echo "Stages of the test command:"
for line in "${summary[@]}"; do echo "  $line"; done
if [ "$failed" -gt 0 ]; then
  echo "test: $failed stage(s) failed"
  exit 1
fi
echo "test: every stage that could run passed"
