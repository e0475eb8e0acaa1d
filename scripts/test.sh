#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test:
#   1. formatting check of the sources;
#   2. every suite on the normal build (build/), warnings as errors;
#   3. every suite again with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/);
#   4. the audio suites with ThreadSanitizer (build-tsan/, only the audio targets);
#   5. the fuzz targets, built with clang (build-fuzz/): each runs its seeds, and in the extended
#      mode fuzzes for ORVO_FUZZ_SECONDS (default 25) seconds.
# Set ORVO_CORPUS=/path/to/corpus for the extended mode on real-world files (skipped when absent).
# The sanitizer folders share build/'s generated test media, and leave the real-world corpus to
# build/ and the fuzz targets (it would cost them minutes each).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
JOBS=${JOBS:-$(nproc)}
MEDIA="$PWD/build/test-media"
COMMON=(-DORVO_WERROR=ON -DORVO_BUILD_BENCH=OFF -DORVO_TEST_MEDIA_DIR="$MEDIA")
started=$SECONDS
step() { echo "== test: $* ($((SECONDS - started)) s)"; }

step "format"
scripts/check-format.sh

step "build/"
scripts/build.sh -DORVO_WERROR=ON -DORVO_TEST_MEDIA_DIR="$MEDIA"
(cd build && ctest --output-on-failure --timeout 600 -j "$JOBS")

# A test is tried twice here: under full load a test's exit rarely shows one 152-byte block of
# Qt Core's own as leaked (seen once, not reproducible alone); a second failure still fails.
step "build-asan/ (address, undefined behaviour)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Sanitize "${COMMON[@]}" >/dev/null
cmake --build build-asan --parallel "$JOBS"
(cd build-asan && env -u ORVO_CORPUS ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
   LSAN_OPTIONS=suppressions="$PWD/../tests/lsan.supp":print_suppressions=0 \
   UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
   ctest --output-on-failure --timeout 900 -j "$JOBS" --repeat until-pass:2)

step "build-tsan/ (threads, audio suites)"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=ThreadSanitize "${COMMON[@]}" >/dev/null
cmake --build build-tsan --parallel "$JOBS" --target orvo_audio_tests
(cd build-tsan && env -u ORVO_CORPUS TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
   ctest --output-on-failure --timeout 900 -L audio -j "$JOBS")

step "build-fuzz/ (clang, libFuzzer)"
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Fuzz -DORVO_BUILD_FUZZ=ON \
  -DORVO_BUILD_TESTS=OFF -DORVO_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --parallel "$JOBS" --target orvo_fuzz
(cd build-fuzz && ctest --output-on-failure -L fuzz -j "$JOBS")
step "done"
