#!/usr/bin/env bash
# Writes the RTF files of the rich-text reader's tests from sample.html, with two word
# processors (Debian's pandoc and libreoffice-writer-nogui). Not part of the build.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
pandoc -s -f html -t rtf --lua-filter colour.lua sample.html -o pandoc.rtf
out=$(mktemp -d)
soffice --headless --convert-to 'rtf:Rich Text Format' --outdir "$out" sample.html >/dev/null
mv "$out/sample.rtf" libreoffice.rtf
rmdir "$out"
