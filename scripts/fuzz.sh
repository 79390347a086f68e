#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: scripts/fuzz.sh [total seconds, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."

total=${1:-60}
cmake --preset fuzz >/dev/null
fuzzers=(fuzz_text)
cmake --build --preset fuzz -j "$(nproc)" --target "${fuzzers[@]}"

per=$(( total / ${#fuzzers[@]} ))
(( per > 0 )) || per=1
for name in "${fuzzers[@]}"; do
  f="build/fuzz/fuzz/$name"
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  echo "fuzz: $name for ${per}s"
  "$f" -max_total_time="$per" -print_final_stats=1 "$corpus"
done
