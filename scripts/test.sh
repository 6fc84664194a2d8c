#!/usr/bin/env bash
# Set-up, build and every test, in stages: the plain build and its tests, the same under
# AddressSanitizer and UndefinedBehaviorSanitizer, the threaded test programs under
# ThreadSanitizer, a short run of every fuzz target, then the Windows builds under Wine.
# Each stage ends with one line saying what it ran and how it ended; the last lines sum
# the stages up. A stage whose input failed is not run.
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
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
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

# The test programs whose parts run on threads: workers, sends, marshalled updates, queues,
# the program runner that reads a child's pipes side by side, the install worker and the
# simulated machine's cmd.exe threads.
tsan_tests=(app_tests download_tests stats_tests skin_tests ui_tests testing_support_tests reinstall_tests platform_tests
  usbmaker_tests)
# The programs those tests start.
tsan_programs=(Tarnvik tarnvikctl fake_tools)

build_tsan() {
  mkdir -p build-tsan
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS=-fsanitize=thread -DCMAKE_CXX_FLAGS=-fsanitize=thread \
    -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread \
    > build-tsan/configure.log 2>&1 || { cat build-tsan/configure.log; return 1; }
  cmake --build build-tsan -j "$jobs" --target "${tsan_tests[@]}" "${tsan_programs[@]}"
}

# Runs each program whole (ctest would list the programs not built here as failures); a
# program that hangs is stopped after ten minutes.
tests_tsan() {
  local test status=0
  for test in "${tsan_tests[@]}"; do
    echo "-- $test under ThreadSanitizer"
    TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp halt_on_error=1 second_deadlock_stack=1" \
      timeout 600 "build-tsan/bin/$test" --gtest_brief=1 || { echo "$test: exit status $?"; status=1; }
  done
  return $status
}

jobs=$(nproc)
stage setup "scripts/setup.sh" "" bash scripts/setup.sh
stage build "scripts/build.sh build" setup bash scripts/build.sh build
stage tests "ctest --test-dir build" build ctest --test-dir build --output-on-failure -j "$jobs"
stage build-asan "scripts/build.sh build-asan (ASan+UBSan)" setup \
  bash scripts/build.sh build-asan -DTARNVIK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
stage tests-asan "ctest --test-dir build-asan" build-asan ctest --test-dir build-asan --output-on-failure -j "$jobs"
stage build-tsan "build the threaded test programs under ThreadSanitizer" setup build_tsan
stage tests-tsan "${tsan_tests[*]} under ThreadSanitizer" build-tsan tests_tsan
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
