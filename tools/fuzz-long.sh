#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, AddressSanitizer + UndefinedBehaviorSanitizer) and
# runs fuzz targets, a few at a time, each from its checked-in seeds plus the corpus it grew in
# earlier runs (build/fuzz/corpus/TARGET). Prints one line per target (executions, speed, peak
# memory, result) and exits non-zero when any target found something; the input that did is kept
# in build/fuzz/artifacts/TARGET/ and the run's log in build/fuzz/logs/TARGET.log.
#
#   tools/fuzz-long.sh [--time SECONDS | --runs COUNT] [--jobs N] [TARGET...]
#
# Defaults: every target (the folders of fuzz/), 600 seconds each, two at a time. Replay a found
# input with: build/fuzz/fuzz/TARGET/fuzz_TARGET build/fuzz/artifacts/TARGET/crash-...
# SPW_FUZZ_BUILD names another build tree (default build/fuzz), for a run that must not be
# disturbed by rebuilds.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=600
runs=""
jobs=2
targets=()
while (($#)); do
  case "$1" in
    --time) seconds="$2"; runs=""; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --jobs) jobs="$2"; shift 2 ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done

all=()
for file in fuzz/*/CMakeLists.txt; do
  all+=("$(basename "$(dirname "$file")")")
done
if ((${#targets[@]} == 0)); then
  targets=("${all[@]}")
fi
for t in "${targets[@]}"; do
  [[ -f "fuzz/$t/CMakeLists.txt" ]] || { echo "no fuzz target $t (known: ${all[*]})" >&2; exit 2; }
done

build="${SPW_FUZZ_BUILD:-build/fuzz}"
bash tools/install-deps.sh >&2
cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target fuzzers -j2

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
mkdir -p "$build/logs"

run_one() {
  local t="$1"
  local program="$build/fuzz/$t/fuzz_$t"
  local corpus="$build/corpus/$t"
  local artifacts="$build/artifacts/$t"
  mkdir -p "$corpus" "$artifacts"
  local limit=(-max_total_time="$seconds")
  [[ -n "$runs" ]] && limit=(-runs="$runs")
  local extra=()
  [[ -f "fuzz/$t/options" ]] && read -r -a extra < "fuzz/$t/options"
  [[ -f "fuzz/$t/$t.dict" ]] && extra+=(-dict="fuzz/$t/$t.dict")
  "$program" "${limit[@]}" "${extra[@]}" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" "fuzz/$t/corpus" > "$build/logs/$t.log" 2>&1
}

declare -A status
running=0
pids=()
names=()
for t in "${targets[@]}"; do
  if ((running >= jobs)); then
    wait -n || true
    running=$((running - 1))
  fi
  echo "fuzzing $t ($([[ -n "$runs" ]] && echo "$runs runs" || echo "$seconds s"))"
  run_one "$t" &
  pids+=($!)
  names+=("$t")
  running=$((running + 1))
done

failed=0
for i in "${!pids[@]}"; do
  if wait "${pids[$i]}"; then status[${names[$i]}]=ok; else status[${names[$i]}]=FAILED; failed=1; fi
done

stat() { grep -m1 "^stat::$2:" "$build/logs/$1.log" | awk '{print $2}'; }
printf '%-18s %12s %10s %8s  %s\n' target executions exec/s rss_mb result
for t in "${targets[@]}"; do
  printf '%-18s %12s %10s %8s  %s\n' "$t" "$(stat "$t" number_of_executed_units)" \
    "$(stat "$t" average_exec_per_sec)" "$(stat "$t" peak_rss_mb)" "${status[$t]}"
  if [[ "${status[$t]}" != ok ]]; then
    grep -E "ERROR|FUZZ CHECK|SUMMARY|Test unit written|artifact" "$build/logs/$t.log" | head -20 | sed 's/^/    /'
  fi
done
exit "$failed"
