#!/usr/bin/env bash
# Set-up, build, and Tarnvik's main job on the simulated demo machine, with the local
# service playing the outside services: start-up (its statistics reach the service), the
# unattended reinstall through the program's reinstall controller: the system check against
# the demo catalogue, the choice of the recommended image, the download of the image and the
# WinPE component, the image's checksum, and the install up to the restart into the WinPE.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
machine=build/demo-machine
bash tools/machines/make-machine.sh tools/machines/demo "$machine"

# The local service on the configured port, in the background.
port=${TARNVIK_DEMO_PORT:-18080}
base="http://127.0.0.1:$port"
content=build/demo-content
bash tools/demo/make-demo-content.sh "$content" "$base"
build/bin/tarnvikctl serve --root "$content" --port "$port" &
service=$!
trap 'kill "$service" 2>/dev/null || true; wait "$service" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  kill -0 "$service" 2>/dev/null || { echo "run: the local service did not start" >&2; exit 1; }
  sleep 0.1
done

TARNVIK_SERVICE_BASE="$base" TARNVIK_MACHINE="$machine" build/bin/Tarnvik

echo
echo "Unattended reinstall of the demo machine: check, choice, backup, download, checksum, install:"
TARNVIK_SERVICE_BASE="$base" build/bin/tarnvikctl reinstall --machine "$machine" --backup desktop,documents --auto --yes
