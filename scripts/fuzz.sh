#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a short time
# (FUZZ_SECONDS, default 30) from its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh fuzz
seconds=${FUZZ_SECONDS:-30}
for bin in out/fuzz/fuzz/fuzz_*; do
  name=${bin##*/fuzz_}
  work=out/fuzz/corpus/$name
  mkdir -p "$work"
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  echo "== fuzzing $name for ${seconds}s"
  "$bin" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=0 "$work" "${seeds[@]}" 2>&1 | tail -n 3
  [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "fuzz target $name failed"; exit 1; }
done
