#!/usr/bin/env bash
# Writes the metafiles of the picture loader's tests and the pictures to compare them with, with
# LibreOffice (Debian's libreoffice-draw-nogui) and ImageMagick. Not part of the build.
#   drawing.svg        a drawing: filled and outlined shapes, a thick line and a small bitmap
#   drawing.emf/.wmf   LibreOffice Draw's export of it (an EMF with EMF+ records and a
#                      STRETCHDIBITS bitmap; a placeable WMF at 2540 units an inch with a
#                      STRETCHDIB bitmap)
#   drawing-emf.png    LibreOffice's own drawing of each metafile (it opens the file and exports
#   drawing-wmf.png    its page as PNG at 96 dots an inch), cut to what is not white
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for kind in emf wmf; do
    soffice --headless --convert-to "$kind" --outdir "$out" drawing.svg >/dev/null
    cp "$out/drawing.$kind" .
    mkdir -p "$out/$kind"
    soffice --headless --convert-to png --outdir "$out/$kind" "drawing.$kind" >/dev/null
    convert "$out/$kind/drawing.png" -trim +repage -strip "drawing-$kind.png"
done
