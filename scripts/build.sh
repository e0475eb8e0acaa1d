#!/usr/bin/env bash
# Configures and builds into build/ (the runnable folder is build/OrvoPlayer/).
# Extra arguments go to the configure step, e.g. scripts/build.sh -DORVO_BUILD_TESTS=OFF
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" "$@" >/dev/null
cmake --build "$BUILD_DIR" --parallel "${JOBS:-$(nproc)}"
