#!/usr/bin/env bash
# Regenerates the delivered art from scripts/artgen: every picture under res/ (with its @2x
# sibling), the icons (and the theme sizes of the program icon in player/desktop/icons/), the
# busy spinner res/checknew.gif, the backgrounds skin/1..4 and skinlist.xml. The output is deterministic; commit what it writes.
#   ARTGEN_BUILD_DIR  where the generator is built (default build/artgen)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${ARTGEN_BUILD_DIR:-build/artgen}
command -v convert >/dev/null || { echo "make-art: ImageMagick's convert is missing (scripts/install-deps.sh)" >&2; exit 1; }

cmake -S scripts/artgen -B "$BUILD" >/dev/null
cmake --build "$BUILD" --parallel "${JOBS:-2}" >/dev/null
"$BUILD/orvo-artgen" .

frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
"$BUILD/orvo-artgen" --spinner "$frames"
# Full frames, each replacing the last; no optimisation, so every frame decodes on its own.
convert -delay 8 -loop 0 -dispose previous "$frames"/spin_*.png res/checknew.gif
"$BUILD/orvo-artgen" --check .
echo "make-art: wrote res/, skin/ and skinlist.xml"
