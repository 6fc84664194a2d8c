#!/usr/bin/env bash
# Exits 0 when this machine runs 32-bit x86 programs (the i686 Wine loader among them);
# otherwise prints why not and exits 1. TARNVIK_NO_32BIT=1 makes it answer no, to try
# the test command as it runs on a kernel without 32-bit support.
set -uo pipefail
if [ "${1:-}" = -h ] || [ "${1:-}" = --help ]; then
  echo "Usage: scripts/can-run-32bit.sh   (exit 0: runs 32-bit programs; 1: prints why not)"
  exit 0
fi
loader=/usr/lib/wine/wine
if [ "${TARNVIK_NO_32BIT:-}" = 1 ]; then
  echo "TARNVIK_NO_32BIT=1 says this machine cannot run 32-bit programs"
  exit 1
fi
if [ ! -x "$loader" ]; then
  echo "the 32-bit Wine loader $loader is not installed (package wine32:i386)"
  exit 1
fi
if ! output=$("$loader" --version 2>&1); then
  echo "this machine cannot run 32-bit programs: $loader did not start: ${output:-no message}" | head -n 1
  exit 1
fi
exit 0
