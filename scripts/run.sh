#!/usr/bin/env bash
# Set-up, build, and Tarnvik's main job on the simulated demo machine, with the local
# service playing the outside services: start-up (its statistics reach the service), the
# system check against the demo catalogue, the download of the recommended image and the
# WinPE component, and the install that leaves the machine ready to restart into the WinPE.
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
echo "System check of the demo machine:"
check=$(TARNVIK_SERVICE_BASE="$base" build/bin/tarnvikctl check --machine "$machine")
echo "$check"

# The check lists the images as "recommended<TAB>bits<TAB>file<TAB>name" and the WinPE
# component as "WinPE:<TAB>file<TAB>size<TAB>url".
image=$(awk -F'\t' '$1 == "1" { print $3; exit }' <<< "$check")
pe=$(awk -F'\t' '$1 == "WinPE:" { print $2; exit }' <<< "$check")
[ -n "$image" ] && [ -n "$pe" ] || { echo "run: the check recommended no image or listed no WinPE" >&2; exit 1; }

echo
echo "Download of $image and $pe:"
build/bin/tarnvikctl fetch "$base/files/images/$image" 'D:\Tarnvik\gho-prlm' --machine "$machine"
build/bin/tarnvikctl fetch "$base/files/pe/$pe" 'D:\Tarnvik\PE' --machine "$machine"

echo
echo "Install on the demo machine:"
build/bin/tarnvikctl install --machine "$machine" --image "D:\\Tarnvik\\gho-prlm\\$image" --pe "$pe"
