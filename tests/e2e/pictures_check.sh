#!/bin/bash
# Checks that LibreOffice shows the metafiles our writer produces at their size and in
# their colours: a 100 x 50 picture, red left half and blue right half, in PNG, JPEG
# and 8-bit BMP form and as a Windows metafile of a rectangle and a polygon, each
# wrapped as an enhanced and as a Windows metafile.
#   tests/e2e/pictures_check.sh [path/to/vorn_picture_rtf]
# Needs soffice, pdftoppm and ImageMagick's convert. Takes about ten seconds, so it is
# run by hand rather than by CTest.
set -euo pipefail

tool="${1:-$(dirname "$0")/../../build/tests/imaging/vorn_picture_rtf}"
[ -x "$tool" ] || { echo "vorn_picture_rtf not found: $tool" >&2; exit 2; }
tool="$(realpath "$tool")"
data="$(realpath "$(dirname "$0")/../data_files/pictures")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

convert -size 100x50 xc:'#FF0000' -fill '#0000FF' -draw 'rectangle 50,0 99,49' halves.png
convert halves.png -quality 95 halves.jpg
convert halves.png -type Palette -compress None BMP3:halves.bmp
cp "$data/halves.wmf" .

failures=0
check() {  # name, expected "W H", sample x,y and its colour, sample x,y and its colour
  local name="$1" size="$2"
  pdftoppm -r 96 -png "$name.pdf" "$name"
  local page="$name-1.png"
  # Anti-aliasing may add one pixel of edge.
  read -r w h x y < <(convert "$page" -trim -format '%w %h %X %Y\n' info:)
  read -r ew eh <<<"$size"
  if (( w < ew || w > ew + 1 || h < eh || h > eh + 1 )); then
    echo "FAIL $name: shown ${w}x${h}, expected ${ew}x${eh}"; failures=$((failures + 1)); return
  fi
  x=${x#+}; y=${y#+}
  local left right
  left=$(convert "$page" -format "%[pixel:p{$((x + 25)),$((y + 25))}]" info:)
  right=$(convert "$page" -format "%[pixel:p{$((x + 75)),$((y + 25))}]" info:)
  if ! near "$left" 255 0 0 || ! near "$right" 0 0 255; then
    echo "FAIL $name: colours $left / $right"; failures=$((failures + 1)); return
  fi
  echo "ok   $name: ${w}x${h}, $left / $right"
}
near() {  # "srgb(r,g,b)" r g b: each channel within 16
  local rgb="${1#srgb(}"; rgb="${rgb%)}"
  IFS=, read -r r g b <<<"$rgb"
  (( ${r%.*} - $2 < 17 && $2 - ${r%.*} < 17 && ${g%.*} - $3 < 17 && $3 - ${g%.*} < 17 &&
     ${b%.*} - $4 < 17 && $4 - ${b%.*} < 17 ))
}

for source in halves.png halves.jpg halves.bmp halves.wmf; do
  for kind in emf wmf; do
    "$tool" "$source" "${source/./_}_$kind.rtf" "$kind"
  done
done
# A profile of its own, so a word processor running elsewhere cannot lock this one out.
soffice -env:UserInstallation="file://$work/profile" --headless --convert-to pdf ./*.rtf \
  >/dev/null 2>&1
for rtf in ./*.rtf; do check "$(basename "$rtf" .rtf)" "100 50"; done

if (( failures > 0 )); then echo "$failures picture check(s) failed"; exit 1; fi
echo "all picture checks passed"
