#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (AddressSanitizer and UBSan on) in
# build-fuzz, then runs each on its seeds and saved regressions and fuzzes it further.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  cat <<'TEXT'
Usage: scripts/fuzz.sh [--seconds N] [TARGET...]
  Runs every fuzz target (or the named ones: catalogue, payload_cipher, task_list,
  pe_descriptor, response_plan, partial_info, volume_table, shrink_size, skin_xml,
  machine_config) for N seconds each (default 60) after its seeds and the inputs of
  fuzz/regressions/TARGET. New inputs go to build-fuzz/corpus/TARGET; an input that
  crashes or hangs a parser is saved as build-fuzz/crashes/TARGET/... and the run fails.
  Copy it to fuzz/regressions/TARGET/ once the fault is fixed.
TEXT
}

seconds=60
targets=()
while [ $# -gt 0 ]; do
  case $1 in
    --seconds)
      [[ ${2:-} =~ ^[0-9]+$ ]] || { echo "fuzz: --seconds needs a whole number, got '${2:-}'" >&2; exit 2; }
      seconds=$2; shift 2 ;;
    -h | --help) usage; exit 0 ;;
    -*) echo "fuzz: unknown option $1" >&2; usage >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
all=(catalogue payload_cipher task_list pe_descriptor response_plan partial_info volume_table
     shrink_size skin_xml machine_config)
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")
for t in "${targets[@]}"; do
  [[ " ${all[*]} " == *" $t "* ]] || { echo "fuzz: no target '$t' (targets: ${all[*]})" >&2; exit 2; }
done

mkdir -p build-fuzz
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTARNVIK_FUZZ=ON \
  > build-fuzz/configure.log 2>&1 || { cat build-fuzz/configure.log; echo "fuzz: configuring build-fuzz failed" >&2; exit 1; }
cmake --build build-fuzz -j "$(nproc)" --target fuzz_targets || { echo "fuzz: building the fuzz targets failed" >&2; exit 1; }

# The seeds of each target: its own, plus the fixtures and files of the program that fit it.
prepare_seeds() {  # target, folder
  mkdir -p "$2"
  cp fuzz/seeds/"$1"/* "$2"/ 2>/dev/null || true
  case $1 in
    volume_table | shrink_size)
      local fixtures=tests/fixtures/diskpart/list_volume
      [ "$1" = shrink_size ] && fixtures=tests/fixtures/diskpart/shrink_querymax
      for f in "$fixtures"/*.txt; do sh tests/fixtures/diskpart/to-cp936.sh "$f" "$2/$(basename "$f")"; done ;;
    skin_xml) cp skin/*.xml "$2"/ ;;
    machine_config) cp tools/machines/demo/machine.json "$2"/demo.json ;;
  esac
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for t in "${targets[@]}"; do
  seeds=build-fuzz/seeds/$t corpus=build-fuzz/corpus/$t crashes=build-fuzz/crashes/$t
  rm -rf "$seeds"
  prepare_seeds "$t" "$seeds"
  mkdir -p "$corpus" "$crashes" build-fuzz/logs
  inputs=("$corpus" "$seeds")
  [ -d "fuzz/regressions/$t" ] && inputs+=("fuzz/regressions/$t")
  log=build-fuzz/logs/$t.log
  if build-fuzz/bin/fuzz_"$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$crashes/" "${inputs[@]}" > "$log" 2>&1; then
    echo "fuzz $t: passed, $(ls "$seeds" | wc -l) seeds and ${seconds} s of fuzzing, corpus of $(ls "$corpus" | wc -l)"
  else
    tail -n 30 "$log"
    input=$(grep -o 'Test unit written to .*' "$log" | tail -n 1 | cut -d' ' -f5)
    echo "fuzz $t: FAILED on the input saved as ${input:-(none: see the log)} (log $log)"
    failed+=("$t")
  fi
done
[ ${#failed[@]} -eq 0 ] || { echo "fuzz: failed targets: ${failed[*]}" >&2; exit 1; }
