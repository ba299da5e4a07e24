#!/usr/bin/env bash
# Installs what is missing, builds, and starts DUNMERE Harlune on the built-in demo phone.
# Extra arguments go to the program (e.g. --debug).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc 2>/dev/null || echo 2)"

if [ -x build/src/app/harlune ]; then
  # Without a display (a server, a container) the program runs on a virtual one.
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
    echo "No display found: starting on a virtual X display (xvfb-run)."
    exec xvfb-run -a build/src/app/harlune --stack=sim "$@"
  fi
  exec build/src/app/harlune --stack=sim "$@"
fi

echo "The GUI is not built yet; running a short session against the emulated phone instead."
exec build/src/cli/harlune-cli --help
