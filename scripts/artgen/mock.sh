#!/usr/bin/env bash
# Review aid: renders window mocks of every skin (1x and 2x) and contact sheets of the pictures
# under res/ into OUT (default build/art-review). Run scripts/make-art.sh first.
#   scripts/artgen/mock.sh [OUT] [WIDTH HEIGHT]
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=${ARTGEN_BUILD_DIR:-build/artgen}
OUT=${1:-build/art-review}
W=${2:-316}
H=${3:-560}
[ -x "$BUILD/orvo-artgen" ] || { echo "mock: build the generator first (scripts/make-art.sh)" >&2; exit 1; }
mkdir -p "$OUT"
"$BUILD/orvo-artgen" --mock . "$OUT" "$W" "$H"
montage "$OUT"/mock-[1-4]-1x.png -tile 4x1 -geometry +8+8 -background '#7a7a7a' "$OUT/mocks-1x.png"
montage "$OUT"/mock-[1-4]-2x.png -tile 4x1 -geometry +8+8 -background '#7a7a7a' "$OUT/mocks-2x.png"

# Pictures on a mid-dark backdrop (white glyphs vanish on the viewer's white), at 1x and 2x,
# each magnified so single pixels can be judged.
sheet() {
  local suffix=$1 zoom=$2 dest=$3 files=()
  for f in res/*.png; do
    case "$f" in *@2x.png) [ "$suffix" = "@2x" ] && files+=("$f") ;; *) [ "$suffix" = "" ] && case "$f" in res/orvo*) ;; *) files+=("$f") ;; esac ;; esac
  done
  montage -font DejaVu-Sans -label '%t' -pointsize 10 -fill white -background '#2b3440' \
    "${files[@]}" -filter point -resize "$zoom%" -tile 6x -geometry '+10+10' "$dest"
}
sheet "" 300 "$OUT/pictures-1x.png"
sheet "@2x" 150 "$OUT/pictures-2x.png"
montage -font DejaVu-Sans -label '%t' -pointsize 10 -fill white -background '#2b3440' \
  res/orvo_16.png res/orvo_32.png res/orvo_64.png res/orvo.png \
  res/mp3.ico res/wma.ico res/flac.ico res/ape.ico res/ogg.ico \
  -tile 9x -geometry '+10+10' "$OUT/icons.png"
convert res/checknew.gif -coalesce -background '#efefef' -alpha remove -filter point -resize 300% \
  +append "$OUT/spinner.png"
echo "mock: wrote $OUT"
