#!/usr/bin/env bash
# Set-up, build, and Tarnvik's main job on the simulated demo machine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
machine=build/demo-machine
bash tools/machines/make-machine.sh tools/machines/demo "$machine"
TARNVIK_MACHINE="$machine" build/bin/Tarnvik
