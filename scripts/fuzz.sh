#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: scripts/fuzz.sh [total seconds, default 60] [seed, default random]
# CI passes a seed, so its short run from an empty corpus tries the same
# inputs every time; longer runs without one explore further.
set -euo pipefail
cd "$(dirname "$0")/.."

total=${1:-60}
seed=${2:-0}
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
  "$f" -max_total_time="$per" -seed="$seed" -print_final_stats=1 "$corpus"
done
