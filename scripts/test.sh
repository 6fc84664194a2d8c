#!/usr/bin/env bash
# Set-up, build and every test: the plain build, then the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows builds under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

bash scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$(nproc)"

bash scripts/build.sh build-asan -DTARNVIK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"

if [ -f scripts/test-windows.sh ]; then
  bash scripts/test-windows.sh
fi
