#!/usr/bin/env bash
# Sets up and builds, then starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: start it on a virtual one with  xvfb-run -a build/zirt" >&2
  exit 1
fi
exec build/zirt "$@"
