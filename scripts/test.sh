#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   1. formatting check of the sources;
#   2. the whole suite on the normal build (build/), warnings as errors;
#   3. the library tests again on an address/undefined-behaviour sanitizer build (build-asan/).
# Set ORVO_CORPUS=/path/to/corpus for the extended mode on real-world files (skipped when absent).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
JOBS=${JOBS:-$(nproc)}

scripts/check-format.sh

scripts/build.sh -DORVO_WERROR=ON
(cd build && ctest --output-on-failure --timeout 600 -j "$JOBS")

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Sanitize -DORVO_WERROR=ON -DORVO_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan --parallel "$JOBS" --target orvo_lib_tests
(cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
   LSAN_OPTIONS=suppressions="$PWD/../tests/lsan.supp" \
   ctest --output-on-failure --timeout 900 -L lib -j "$JOBS")
