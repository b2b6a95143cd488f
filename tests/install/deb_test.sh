#!/bin/bash
# Makes the Debian package of a build with cpack and checks what it holds: its name, version and
# dependencies, the programs, manual pages, desktop entry, MIME type, icon, AppStream metadata,
# documents and example games under /usr, and a copyright file that names every package the
# programs depend on.
#
# usage: deb_test.sh BUILD_DIR VERSION [CPACK]
set -u

build=$1
version=$2
cpack=${3:-cpack}

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# Into a folder of its own, so that the build folder is left as it was.
if ! (cd "$work" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work" \
    >"$work/cpack.log" 2>&1); then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack -G DEB failed" >&2
    exit 1
fi
debs=("$work"/velkaro_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    ls -la "$work" >&2
    echo "FAIL: cpack made no velkaro_*.deb" >&2
    exit 1
fi
deb=${debs[0]}

[ "$(dpkg-deb -f "$deb" Package)" = velkaro ] || fail "the package is not named velkaro"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "the package has no maintainer"
[ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "the package has no description"
depends=$(dpkg-deb -f "$deb" Depends)
for dependency in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libcairo2 libgtk-3-0 libmpv fonts-liberation \
    timgm6mb-soundfont; do
    grep -q "$dependency" <<<"$depends" || fail "the package does not depend on $dependency"
done

listing=$(dpkg-deb -c "$deb")
contents=$(awk '{print $NF}' <<<"$listing")
for f in ./usr/bin/velkaro ./usr/bin/qvf ./usr/share/man/man6/velkaro.6 \
    ./usr/share/man/man1/qvf.1 ./usr/share/applications/velkaro.desktop \
    ./usr/share/mime/packages/velkaro.xml ./usr/share/icons/hicolor/scalable/apps/velkaro.svg \
    ./usr/share/doc/velkaro/copyright ./usr/share/doc/velkaro/docs/language.md \
    ./usr/share/doc/velkaro/docs/authoring.md ./usr/share/velkaro/examples/catch.qvf \
    ./usr/share/velkaro/examples/catch_data/ ./usr/share/doc/velkaro/examples/catch/catch.json; do
    grep -qx -- "$f" <<<"$contents" || fail "the package does not hold $f"
done
grep -qx -- './usr/share/metainfo/[^/]*\.metainfo\.xml' <<<"$contents" ||
    fail "the package holds no AppStream metadata"

# The copyright file is machine-readable, states the licence of the whole, and names every
# package the programs depend on, whose licences it lists.
grep -q -- '^-rw-r--r-- .* ./usr/share/doc/velkaro/copyright$' <<<"$listing" ||
    fail "the copyright file is not readable by all"
copyright=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/velkaro/copyright)
[ "$(head -1 <<<"$copyright")" = \
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
    fail "the copyright file is not in the machine-readable format 1.0"
licence=$(sed -n '/^Files: \*$/,/^$/s/^License: //p' <<<"$copyright")
grep -A1 -x -- "License: ${licence:-none}" <<<"$copyright" | grep -q '^ ' ||
    fail "the copyright file gives no licence, with its text, for Files: *"
# The packages it names: "(libpango-1.0-0, libpangocairo-1.0-0)" beside each licence.
named=$(grep -o '([^)]*)' <<<"$copyright" | tr -d '() ' | tr ',' '\n')
for dependency in $(sed 's/([^)]*)//g; s/[,|]/ /g' <<<"$depends"); do
    # A build with the sanitizers needs their run-time libraries, which a release never does.
    [[ $dependency == lib*san[0-9]* ]] && continue
    grep -qxF -- "$dependency" <<<"$named" ||
        fail "the copyright file does not name the licence of $dependency"
done
# Both programs are executable in the package.
for f in ./usr/bin/velkaro ./usr/bin/qvf; do
    grep -q -- "^-rwxr-xr-x .* $f\$" <<<"$listing" || fail "$f is not executable"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "Debian package: all checks passed"
