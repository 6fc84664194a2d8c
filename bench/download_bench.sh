#!/usr/bin/env bash
# Throughput and CPU time of the download library against the curl command-line tool:
# the same large file from the local file service, fetched alternately through the
# library (tarnvikctl fetch, the program's own path) and with curl, several times.
#
#   bash bench/download_bench.sh [BUILD_DIR]     SIZE_MIB (default 512), RUNS (default 3)
#
# Prints the medians and the ratios library/curl. CPU time is user + system time of the
# downloading process alone (the server is not counted).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
size_mib=${SIZE_MIB:-512}
runs=${RUNS:-3}
tarnvikctl=$build/bin/tarnvikctl

work=$(mktemp -d)
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
# A signal ends the script through exit, so that the work folder goes on every exit.
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -p "$work/serve"
head -c "$((size_mib << 20))" /dev/urandom > "$work/serve/big.bin"
expected=$(sha256sum < "$work/serve/big.bin")

port=$((20000 + RANDOM % 20000))
"$tarnvikctl" serve --root "$work/serve" --port "$port" > "$work/serve.log" 2>&1 &
server_pid=$!
for _ in $(seq 50); do
  curl -sf "http://127.0.0.1:$port/files-sent" > /dev/null && break
  sleep 0.1
done
url=http://127.0.0.1:$port/files/big.bin

XLDL_LIBRARY=$build/bin/libxldl.so bash "$root/tools/machines/make-machine.sh" "$root/tools/machines/demo" "$work/machine"
mkdir -p "$work/machine/drives/D/bench"
target=$work/machine/drives/D/bench/big.bin

# One timed download: prints "wall user sys" in seconds.
timed() {
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" > /dev/null
  cat "$work/time"
}

check() {
  [ "$(sha256sum < "$1")" = "$expected" ] || { echo "download_bench: $1 differs from the served file" >&2; exit 1; }
  rm -f "$1"
}

: > "$work/library.txt"
: > "$work/curl.txt"
for i in $(seq "$runs"); do
  timed "$tarnvikctl" fetch "$url" 'D:\bench' --machine "$work/machine" >> "$work/library.txt"
  check "$target"
  timed curl -sf -o "$work/curl.bin" "$url" >> "$work/curl.txt"
  check "$work/curl.bin"
  echo "run $i: library $(tail -n 1 "$work/library.txt"), curl $(tail -n 1 "$work/curl.txt") (wall user sys, s)"
done

# Medians of throughput (MiB/s) and CPU seconds per GiB, over the runs.
summary() {
  awk -v mib="$size_mib" '{ print mib / $1, ($2 + $3) * 1024 / mib }' "$1" > "$1.rates"
  local tput cpu
  tput=$(cut -d' ' -f1 "$1.rates" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  cpu=$(cut -d' ' -f2 "$1.rates" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  echo "$tput $cpu"
}
read -r lib_tput lib_cpu < <(summary "$work/library.txt")
read -r curl_tput curl_cpu < <(summary "$work/curl.txt")
printf '%s MiB, %s runs each, medians:\n' "$size_mib" "$runs"
printf '  library: %8.1f MiB/s  %6.3f CPU s/GiB\n' "$lib_tput" "$lib_cpu"
printf '  curl:    %8.1f MiB/s  %6.3f CPU s/GiB\n' "$curl_tput" "$curl_cpu"
awk -v a="$lib_tput" -v b="$curl_tput" -v c="$lib_cpu" -v d="$curl_cpu" \
  'BEGIN { printf "  ratio library/curl: throughput %.2f (goal >= 0.90), CPU per GiB %.2f (goal <= 1.50)\n", a / b, c / d }'
