#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: scripts/fuzz.sh [total seconds, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."

total=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

fuzzers=(build/fuzz/fuzz/fuzz_*)
per=$(( total / ${#fuzzers[@]} ))
(( per > 0 )) || per=1
for f in "${fuzzers[@]}"; do
  name=$(basename "$f")
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  echo "fuzz: $name for ${per}s"
  "$f" -max_total_time="$per" -print_final_stats=1 "$corpus"
done
