#!/usr/bin/env bash
# Installs what is missing, builds, and starts the player. Without a display it starts a virtual
# one (Xvfb) first. Arguments are passed to the player (a file to play).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Warnings stay warnings here (the test command turns them into errors in the same folder).
scripts/build.sh -DORVO_BUILD_TESTS=OFF -DORVO_BUILD_BENCH=OFF -DORVO_WERROR=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display; starting the player on a virtual X display (xvfb-run)"
  exec xvfb-run -a -s "-screen 0 1280x800x24" build/OrvoPlayer/OrvoPlayer "$@"
fi
exec build/OrvoPlayer/OrvoPlayer "$@"
