#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs every target for
# SECONDS each (default 60), one after the other, on a working copy of its
# seed corpus and findings. Prints per target the executions, the coverage
# and the findings; a finding's input is kept in build-fuzz/findings/<target>/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# A finding goes into tests/fuzz/findings/<target>/ as a vector file
# ("expect: <outcome>", a comment, a blank line, the input) once it is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true

targets=(container history keyfile authrecord memberlist personalinfo authhistory ini qrimport service cp932 bignumber backupshare)
if [ "$#" -gt 0 ]; then targets=("$@"); fi
# Inputs up to this many bytes; the key files, lists and containers the seeds
# hold fit well inside.
declare -A max_len=([container]=4096 [history]=4096 [memberlist]=2048 [service]=4096 [bignumber]=700)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARIN_FUZZ=ON \
  -DTESSARIN_BUILD_GUI=OFF -DTESSARIN_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"${FUZZ_BUILD_JOBS:-2}" --target $(printf 'fuzz_%s ' "${targets[@]}")

# Scratch files of the file-reading targets go to memory when it can.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
summary=()
status=0
for t in "${targets[@]}"; do
  bin="build-fuzz/tests/fuzz/fuzz_$t"
  work="build-fuzz/work/$t"
  found="build-fuzz/findings/$t"
  mkdir -p "$work" "$found"
  for src in "tests/fuzz/corpus/$t" "tests/fuzz/findings/$t"; do
    [ -d "$src" ] || continue
    find "$src" -maxdepth 1 -type f ! -name '.*' ! -name '*.tzv' -exec cp -f {} "$work/" \;
  done
  stamp="build-fuzz/.fuzz-$t.stamp"
  touch "$stamp"
  log="build-fuzz/fuzz-$t.log"
  echo "== $t: ${seconds}s"
  # One process at a time; after a finding it starts again on the grown
  # corpus for the time left, so one fault does not end the run.
  : >"$log"
  execs=0
  t0=$SECONDS
  while :; do
    left=$((seconds - (SECONDS - t0)))
    [ "$left" -gt 0 ] || break
    set +e
    "$bin" -max_total_time="$left" -max_len="${max_len[$t]:-1024}" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$found/" "$work" >>"$log.run" 2>&1
    rc=$?
    set -e
    n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log.run" | tail -1)
    execs=$((execs + ${n:-0}))
    cat "$log.run" >>"$log"
    last=$(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9]+[a-zA-Z]*' "$log.run" | tail -1 || true)
    [ -z "$last" ] || cov_line="$last"
    rm -f "$log.run"
    [ "$rc" -ne 0 ] && [ "${n:-0}" -gt 0 ] || break
  done
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' <<<"${cov_line:-}")
  corpus=$(grep -oE 'corp: [0-9]+' <<<"${cov_line:-}")
  # Each new input kept is run once more to name what it breaks; of inputs
  # that break the same thing only the first is kept.
  declare -A kinds=()
  new=0
  while IFS= read -r artifact; do
    [ -n "$artifact" ] || continue
    kind=$("$bin" "$artifact" 2>&1 | grep -m1 -oE 'fuzz property failed: .*|SUMMARY: [A-Za-z]+: [^ ]+( [^ ]+)?' || true)
    kind="${kind:-$(basename "$artifact" | cut -d- -f1)}"
    if [ -n "${kinds[$kind]:-}" ]; then rm -f "$artifact"; continue; fi
    kinds[$kind]="$artifact"
    new=$((new + 1))
  done < <(find "$found" -maxdepth 1 -type f -newer "$stamp" | sort)
  line="$t: executions $execs, ${cov:-cov: ?}, ${corpus:-corp: ?} inputs, findings $new"
  echo "$line"
  for kind in "${!kinds[@]}"; do echo "    $kind: ${kinds[$kind]}"; done
  [ "$new" -eq 0 ] || status=1
  summary+=("$line")
  unset kinds cov_line
done
echo
echo "== summary (${seconds}s per target)"
printf '%s\n' "${summary[@]}"
exit "$status"
