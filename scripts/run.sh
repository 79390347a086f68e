#!/usr/bin/env bash
# Installs what is missing, builds Velmora with the release preset and starts
# it. The window needs a display; without one this says so instead of letting
# Qt abort.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release --target velmora

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

echo "run: starting $program"
exec "$program"
