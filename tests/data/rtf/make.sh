#!/usr/bin/env bash
# Writes the RTF files of the rich-text reader's tests from sample.html, with two word
# processors (Debian's pandoc and libreoffice-writer-nogui), and the page layout test's files
# from layout.fodt with LibreOffice Writer. Not part of the build.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
pandoc -s -f html -t rtf --lua-filter colour.lua sample.html -o pandoc.rtf
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
soffice --headless --convert-to 'rtf:Rich Text Format' --outdir "$out" sample.html >/dev/null
mv "$out/sample.rtf" libreoffice.rtf

# layout.rtf: a bordered table of three columns (1, 2 and 1.5 inches) with a bold header row
# and a cell of two paragraphs, quadrants.png (64 x 48, four solid colours) shown 1.5 inches
# wide, a paragraph with a left, a centre, a right and a decimal tab stop, its words in four
# colours, and two lines exactly 3/8 inch apart. Written by hand as flat ODF, which sets tab
# stops and borders exactly; the picture is embedded as-char under the "Graphics" frame style,
# which makes Writer export it as \shppict with a \nonshppict metafile beside it (a frame of
# its own style becomes a SHAPE field instead).
# quadrants.png: convert -size 32x24 xc:'#FF0000' -size 32x24 xc:'#00A000' +append top.png;
#   convert -size 32x24 xc:'#0000FF' -size 32x24 xc:'#FFD800' +append bottom.png;
#   convert top.png bottom.png -append -strip -define png:color-type=2 quadrants.png
sed "s|@QUADRANTS_PNG@|$(base64 -w0 quadrants.png)|" layout.fodt >"$out/layout.fodt"
soffice --headless --convert-to 'rtf:Rich Text Format' --outdir "$out" "$out/layout.fodt" >/dev/null
mv "$out/layout.rtf" layout.rtf
# layout.png: LibreOffice's own rendering of that RTF (its page, 6.5 x 4.5 inches with
# quarter-inch margins, at 96 dots an inch), the reference RichTextPageTest compares with.
soffice --headless --convert-to png --outdir "$out" layout.rtf >/dev/null
convert "$out/layout.png" -strip -colors 64 layout.png
