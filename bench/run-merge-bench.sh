#!/usr/bin/env bash
# The page merge over 1,000, 10,000 and 100,000 picture records (no image
# work), with the real field values and with a trivial evaluator. Prints pages
# per second and the cost per picture; fails when the cost per picture at
# 100,000 records is more than three times that at 1,000 (the merge must stay
# linear in the number of pictures).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/dev-build.sh merge_bench >/dev/null
out/dev/bench/merge_bench
out/dev/bench/merge_bench trivial
