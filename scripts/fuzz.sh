#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan), writes their seed
# corpora and runs each target for SECONDS (default 60), two at a time.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# Corpora grow in build-fuzz/corpus/<target>; crashes land in build-fuzz/findings.
# Logs (with libFuzzer's final stats) in build-fuzz/logs/<target>.log.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SECONDS_EACH="${1:-60}"
shift || true
TARGETS=("$@")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(fuzz_scan fuzz_redraw fuzz_settings fuzz_numbers fuzz_jobpad fuzz_tsly_args fuzz_segy fuzz_picks fuzz_deck
  fuzz_velocity_check fuzz_section fuzz_semblance_options)
"$ROOT/scripts/deps.sh" --fuzz
B="${FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$B" -G Ninja -DTESSALY_FUZZ=ON -DBUILD_TESTING=OFF \
  -DTESSALY_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$B" -j "${JOBS:-2}" --target fuzz_all
mkdir -p "$B/corpus" "$B/findings" "$B/logs"
"$B/fuzz/fuzz_seeds" "$B/corpus" >/dev/null
export ASAN_OPTIONS="${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
status=0
run() {
  local t="$1"
  mkdir -p "$B/corpus/$t" "$B/findings/$t"
  nice -n "${FUZZ_NICE:-5}" "$B/fuzz/$t" -max_total_time="$SECONDS_EACH" -timeout="${FUZZ_TIMEOUT:-60}" -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$B/findings/$t/" "$B/corpus/$t" >"$B/logs/$t.log" 2>&1
}
pids=()
names=()
for t in "${TARGETS[@]}"; do
  run "$t" & pids+=($!); names+=("$t")
  if [ ${#pids[@]} -ge "${FUZZ_PARALLEL:-2}" ]; then
    if ! wait "${pids[0]}"; then echo "FAIL ${names[0]} (see $B/logs/${names[0]}.log)"; status=1; else echo "ok   ${names[0]}"; fi
    pids=("${pids[@]:1}"); names=("${names[@]:1}")
  fi
done
for i in "${!pids[@]}"; do
  if ! wait "${pids[$i]}"; then echo "FAIL ${names[$i]} (see $B/logs/${names[$i]}.log)"; status=1; else echo "ok   ${names[$i]}"; fi
done
for t in "${TARGETS[@]}"; do
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$B/logs/$t.log" | grep -o '[0-9]*$' || echo '?')
  rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$B/logs/$t.log" | grep -o '[0-9]*$' || echo '?')
  echo "$t: ${execs} runs, ${rate} exec/s"
done
exit $status
