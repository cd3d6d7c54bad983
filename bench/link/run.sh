#!/usr/bin/env bash
# 256 simulated boxes at 1 Hz plus a command to all, then a heartbeat burst.
set -euo pipefail
build=${1:-build}
"$build/bin/linkbench" "$build/bin/boxsim" "${BENCH_SECONDS:-20}" "${BURST_PER_SECOND:-10000}"
