#!/usr/bin/env bash
# Builds the request fuzzer with clang++ in BUILD_DIR and runs it for SECONDS (default 20) over
# the seeds, plus whatever it found before in BUILD_DIR/corpus. By hand, for longer:
#   tests/fuzz/run-fuzz.sh /tmp/lumeno-fuzz 3600
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:?usage: run-fuzz.sh BUILD_DIR [SECONDS]}"
seconds="${2:-20}"
cmake -S "$here/target" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release \
  >/dev/null
cmake --build "$build" --parallel "$(nproc)" >/dev/null
mkdir -p "$build/corpus"
# Qt and Leptonica keep a few allocations for the life of the process.
export ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}"
exec "$build/fuzz_request_reader" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
  -max_len=65536 -print_final_stats=1 "$build/corpus" "$here/seeds"
