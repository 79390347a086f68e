#!/usr/bin/env bash
# Installs what is missing, builds Velmora with the release preset and starts
# it, with the demo shop beside it on a free loopback port: paste the address
# printed below into the window to watch the shop's stock sell. The shop stops
# when Velmora exits. The window needs a display; without one this says so
# instead of letting Qt abort.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release --target velmora velmora_demo_shop

program=build/release/app/velmora

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<MESSAGE
run: Velmora is built ($program) but there is no display to show its window
run: (neither DISPLAY nor WAYLAND_DISPLAY is set).
run: Start it from a desktop session, or give it a virtual display:
run:     xvfb-run -a bash scripts/run.sh
MESSAGE
  exit 1
fi

shop=build/release/tools/demo_shop/velmora_demo_shop
shop_output=$(mktemp)
"$shop" --port 0 --interval-ms 3000 >"$shop_output" &
shop_pid=$!
stop_shop() {
  kill "$shop_pid" 2>/dev/null || true
  wait "$shop_pid" 2>/dev/null || true
  rm -f "$shop_output"
}
trap stop_shop EXIT

# The shop's first line on stdout is its item page's address.
for _ in $(seq 50); do
  [ -s "$shop_output" ] && break
  kill -0 "$shop_pid" 2>/dev/null || break
  sleep 0.1
done
shop_url=$(head -n 1 "$shop_output")
if [ -n "$shop_url" ]; then
  echo "run: demo shop running; paste this address into Velmora:"
  echo
  echo "    $shop_url"
  echo
else
  echo "run: the demo shop did not start; Velmora starts without it" >&2
fi

echo "run: starting $program"
"$program"
