#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   1. formatting check of the sources;
#   2. the whole suite on the normal build (build/), warnings as errors;
#   3. the library tests again on an address/undefined-behaviour sanitizer build (build-asan/);
#   4. the fuzz targets, built with clang (build-fuzz/): each runs its seeds, and in the extended
#      mode fuzzes for ORVO_FUZZ_SECONDS (default 25) seconds.
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

cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Fuzz -DORVO_BUILD_FUZZ=ON \
  -DORVO_BUILD_TESTS=OFF -DORVO_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --parallel "$JOBS" --target orvo_fuzz
(cd build-fuzz && ctest --output-on-failure -L fuzz -j "$JOBS")
