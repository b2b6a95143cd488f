#!/bin/bash
# Installs a build into a temporary prefix and checks what a Debian system would see there: the
# two programs, their manual pages (rendered without warnings, naming every command and option
# the programs take), the desktop entry (valid, and agreeing with the MIME type and the icon),
# the game file's MIME type, found by the file name and by the file's first bytes, the AppStream
# metadata, the documents with their links, and the example games, which play from there.
#
# usage: install_test.sh BUILD_DIR GAME.qvf VERSION [CMAKE]
set -u

build=$1
game=$2
version=$3
cmake=${4:-cmake}

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
prefix=$work/prefix
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
docdir=$prefix/share/doc/velkaro

if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install failed" >&2
    exit 1
fi

# Every file in its place.
for f in bin/velkaro bin/qvf; do
    [ -x "$prefix/$f" ] || fail "$f is not installed as a program"
done
for f in share/man/man6/velkaro.6 share/man/man1/qvf.1 share/applications/velkaro.desktop \
    share/mime/packages/velkaro.xml share/icons/hicolor/scalable/apps/velkaro.svg; do
    [ -s "$prefix/$f" ] || fail "$f is not installed"
done

# The installed programs run from there.
out=$("$prefix/bin/velkaro" --version 2>&1)
[ "$out" = "velkaro $version" ] || fail "velkaro --version says \"$out\", not \"velkaro $version\""
out=$("$prefix/bin/qvf" --version 2>&1)
[ "$out" = "qvf $version" ] || fail "qvf --version says \"$out\", not \"qvf $version\""
"$prefix/bin/qvf" --help >"$work/qvf-help.txt" 2>&1 || fail "qvf --help failed"

# The manual pages render without a warning.
for page in share/man/man6/velkaro.6 share/man/man1/qvf.1; do
    warnings=$(groff -man -ww -z "$prefix/$page" 2>&1)
    [ -z "$warnings" ] || fail "groff warns about $page: $warnings"
    if command -v man >/dev/null; then
        warnings=$(MANWIDTH=80 man --warnings -l "$prefix/$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "man warns about $page: $warnings"
    fi
done

# They describe every command and option the programs accept: the commands qvf --help lists,
# the options of the usage lines of qvf run, check and pack, and velkaro's own options from its
# --help.
render() { MANWIDTH=200 man -l "$1" 2>/dev/null | col -b; }
qvf_page=$(render "$prefix/share/man/man1/qvf.1")
velkaro_page=$(render "$prefix/share/man/man6/velkaro.6")
commands=$(sed -n 's/^  qvf \([a-z][a-z-]*\) .*/\1/p' "$work/qvf-help.txt" | sort -u)
[ -n "$commands" ] || fail "qvf --help lists no command"
for command in $commands; do
    grep -q "qvf $command" <<<"$qvf_page" || fail "qvf.1 does not describe qvf $command"
done
for command in run check pack; do
    options=$("$prefix/bin/qvf" $command 2>&1 | grep -o -- '--[a-z][a-z-]*' | sort -u)
    [ -n "$options" ] || fail "qvf $command names no option in its usage"
    for option in $options; do
        # Each option has an entry of its own: a line that begins with it.
        grep -qE -- "^ +$option( |\$)" <<<"$qvf_page" ||
            fail "qvf.1 does not describe qvf $command $option"
    done
done
for option in $("$prefix/bin/velkaro" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -qE -- "^ +$option( |\$)" <<<"$velkaro_page" || fail "velkaro.6 does not describe $option"
done
for key in F1 F4 Escape; do
    grep -q "$key" <<<"$velkaro_page" || fail "velkaro.6 does not describe the key $key"
done
for section in "EXIT STATUS" "SEE ALSO"; do
    grep -q "^$section" <<<"$qvf_page" || fail "qvf.1 has no $section"
    grep -q "^$section" <<<"$velkaro_page" || fail "velkaro.6 has no $section"
done

# The pages' headers carry the version being installed (written by hand: a new version needs them).
for page in share/man/man6/velkaro.6 share/man/man1/qvf.1; do
    grep -q "^\.TH .*\"velkaro $version\"" "$prefix/$page" ||
        fail "the header of $page does not name velkaro $version"
done

# The desktop entry is valid and names what is installed: the program, the icon, the MIME type.
desktop=$prefix/share/applications/velkaro.desktop
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate warns: $out"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$prefix/bin/$exec_program" ] || fail "the desktop entry starts $exec_program, not installed"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
    fail "the desktop entry's icon $icon is not installed"
entry_type=$(sed -n 's/^MimeType=\([^;]*\);.*/\1/p' "$desktop")
grep -q "<mime-type type=\"$entry_type\">" "$prefix/share/mime/packages/velkaro.xml" ||
    fail "the desktop entry's type $entry_type is not the installed MIME type"

# The MIME type: a game file is recognised by its name, and by its first bytes without the
# name; files that only look alike are not.
if ! update-mime-database "$prefix/share/mime" >"$work/mime.log" 2>&1; then
    cat "$work/mime.log" >&2
    fail "update-mime-database failed"
fi
mkdir -p "$work/files" "$work/home"
cp "$game" "$work/files/game.qvf"
cp "$game" "$work/files/game-without-extension"
# The version number right, but not the options section's 12 bytes further in.
printf '\x2c\x01\x00\x00\x29\x00\x00\x00\xa4\x00\x00\x00\x2b\x01\x00\x00' >"$work/files/alike"
printf 'just some text\n' >"$work/files/text"
query() {
    env -i PATH="$PATH" HOME="$work/home" XDG_DATA_HOME="$work/home/share" \
        XDG_DATA_DIRS="$prefix/share:/usr/share" xdg-mime query filetype "$1" 2>&1
}
for f in game.qvf game-without-extension; do
    out=$(query "$work/files/$f")
    [ "$out" = application/x-qvf-game ] || fail "xdg-mime takes $f for \"$out\""
done
for f in alike text; do
    out=$(query "$work/files/$f")
    [ "$out" != application/x-qvf-game ] || fail "xdg-mime takes $f for a game file"
done

# The AppStream metadata is valid and names what is installed: its desktop entry, its version.
metainfo=("$prefix"/share/metainfo/*.metainfo.xml)
if [ ${#metainfo[@]} -ne 1 ] || [ ! -f "${metainfo[0]}" ]; then
    fail "not one AppStream file in share/metainfo"
elif ! command -v appstreamcli >/dev/null; then
    echo "SKIP: appstreamcli is not installed; the AppStream metadata is not validated" >&2
else
    # validate-tree also finds the desktop entry the metadata launches.
    out=$(appstreamcli validate-tree --no-net --strict "$prefix" 2>&1) ||
        fail "appstreamcli validate-tree: $out"
    grep -q "<release version=\"$version\"" "${metainfo[0]}" ||
        fail "the AppStream releases do not name $version"
fi

# The documents are those of the source, in the same layout, so that every relative link of
# theirs, and of the examples' READMEs beside them, leads to an installed file.
(cd "$source_dir" && ls docs/language.md docs/language/*.md docs/game-description.md \
    docs/headless.md docs/player.md docs/authoring.md docs/reliability.md) >"$work/docs.txt"
while read -r f; do
    cmp -s "$source_dir/$f" "$docdir/$f" || fail "$f is not installed as share/doc/velkaro/$f"
done <"$work/docs.txt"
links=0
while read -r page; do
    for target in $(grep -o '](\([^)# ]*\)[)#]' "$page" | sed 's/^](//; s/[)#]$//'); do
        case $target in '' | *://* | mailto:*) continue ;; esac
        links=$((links + 1))
        [ -e "$(dirname "$page")/$target" ] ||
            fail "${page#"$docdir"/} links to $target, which is not installed"
    done
done < <(find "$docdir" -name '*.md')
[ "$links" -gt 20 ] || fail "only $links links between the installed documents"
# qvf's help names the documents where they are installed.
for help in "--help" "run --help"; do
    named=$("$prefix/bin/qvf" $help | grep -oE '(^| )/[^ ]*\.md' | tr -d ' ')
    [ -n "$named" ] || fail "qvf $help names no installed document"
    for f in $named; do
        [ -f "$f" ] && [[ $(realpath "$f") == "$(realpath "$docdir")"/* ]] ||
            fail "qvf $help names $f, not an installed document"
    done
done

# Every example game is installed packed, with its data folder, and plays from there; its
# description, installed for game authors, packs into that same game file.
examples=$prefix/share/velkaro/examples
count=0
for dir in "$source_dir"/examples/*/; do
    name=$(basename "$dir")
    [ -f "$dir/$name.json" ] || continue
    count=$((count + 1))
    # Its data folder as in the source, less what playing a game writes there.
    diff -r -x iodata -x values -x scores "$dir/${name}_data" "$examples/${name}_data" \
        >"$work/$name.diff" 2>&1 ||
        fail "the installed ${name}_data differs: $(<"$work/$name.diff")"
    "$prefix/bin/qvf" run "$examples/$name.qvf" --steps 30 --seed 1 >"$work/$name.jsonl" \
        2>"$work/$name.err" || fail "the installed $name does not play: $(<"$work/$name.err")"
    "$prefix/bin/qvf" pack "$docdir/examples/$name/$name.json" -o "$work/$name.qvf" \
        >/dev/null 2>&1 && cmp -s "$work/$name.qvf" "$examples/$name.qvf" ||
        fail "the installed description of $name does not pack into the installed $name.qvf"
done
[ "$count" -gt 0 ] || fail "no example game found in $source_dir/examples"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "install layout: all checks passed"
