#!/bin/bash
# Runs the fuzz targets of a fuzz build, each for SECONDS over its seeds
# (tests/fuzz/seeds/TARGET) and the inputs that once broke it
# (tests/fuzz/regress/TARGET). New inputs are kept in BUILD/fuzz/corpus, the
# log in BUILD/fuzz/TARGET.log, and an input that breaks a target in
# BUILD/fuzz/crashes. Exit status 1 when a target found a crash, a hang, a
# leak, a sanitizer report or a broken check. With FUZZRUNS=N in the
# environment a target also stops after N executions, whichever comes first.
#   run.sh BUILD SECONDS [TARGET...]     (no target: every one)
set -u
build=$(cd "$1" && pwd)
secs=$2
shift 2
src=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$src"/fz_*.cpp; do
    n=$(basename "$f" .cpp)
    targets+=("${n#fz_}")
  done
fi

# A small quarantine: freed memory is still checked, without the process
# growing to hundreds of megabytes and spending its time on fresh pages. No
# allocation stacks: PROJ's many allocations would fill the sanitizer's
# store of them without end; an input that breaks a target is run again
# with them when it is looked into.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16:malloc_context_size=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

limit=()
[ -n "${FUZZRUNS:-}" ] && limit=(-runs="$FUZZRUNS")

status=0
for t in "${targets[@]}"; do
  corpus=$build/fuzz/corpus/$t
  crashes=$build/fuzz/crashes
  log=$build/fuzz/$t.log
  mkdir -p "$corpus" "$crashes"
  dirs=("$corpus" "$src/seeds/$t")
  [ -d "$src/regress/$t" ] && dirs+=("$src/regress/$t")
  "$build/fz_$t" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -reload=0 \
    "${limit[@]}" -print_final_stats=1 -artifact_prefix="$crashes/$t-" "${dirs[@]}" >"$log" 2>&1
  rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  # A run ended by FUZZRUNS takes less than SECONDS: libFuzzer's own time.
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  took=${took:-$secs}
  rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  files=$(find "$corpus" -type f | wc -l)
  printf '%-9s %s s: %s executions (%s/s), coverage %s edges, %s features, corpus %s files, peak RSS %s MB' \
    "$t" "$took" "${execs:-?}" "$(( ${execs:-0} / (took > 0 ? took : 1) ))" "${cov:-?}" "${ft:-?}" "$files" "${rss:-?}"
  if [ $rc -ne 0 ]; then
    status=1
    echo " - FAILED (exit $rc), log: $log"
    grep -m1 -B2 -A30 -E '^==[0-9]+==ERROR|runtime error|fuzz check failed|ALARM|Test unit written' "$log" | head -60
  else
    echo
  fi
done
exit $status
