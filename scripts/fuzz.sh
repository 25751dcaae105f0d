#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a short time
# (FUZZ_SECONDS, default 30) from its seed corpus, two at a time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh fuzz
export FUZZ_SECONDS=${FUZZ_SECONDS:-30}

run_one() {
  local bin=$1 name=${1##*/fuzz_}
  local work=out/fuzz/corpus/$name log=out/fuzz/logs/$name.log
  mkdir -p "$work" out/fuzz/logs
  local seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  if "$bin" -seed=1 -max_total_time="$FUZZ_SECONDS" -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
      -print_final_stats=1 -artifact_prefix="out/fuzz/logs/$name-" "$work" "${seeds[@]}" \
      >"$log" 2>&1; then
    echo "fuzz $name: ok ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs)"
  else
    echo "fuzz $name: FAILED"
    tail -n 40 "$log"
    return 1
  fi
}
export -f run_one
ls out/fuzz/fuzz/fuzz_* | xargs -P "${JOBS:-2}" -I{} bash -c 'run_one "$@"' _ {}
