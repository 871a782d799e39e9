#!/usr/bin/env bash
# Installs the build tree into a temporary prefix and checks what a desktop needs: each
# file in its place, the programs running from there, and each file passing its validator.
#   check-install.sh BUILD_DIR with-window|no-window SOURCE_DIR
set -euo pipefail
build=$1
window=$2
source=$3
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
need() { [ -s "$prefix/$1" ] || fail "$1 is not installed"; }

cmake --install "$build" --prefix "$prefix" >/dev/null

need bin/glanmail-cli
[ "$window" = with-window ] && need bin/glanmail
for f in Glanmail.html sound16.wav Exemple.dbx; do need "share/glanmail/$f"; done
for f in applications/glanmail.desktop mime/packages/glanmail.xml metainfo/glanmail.metainfo.xml \
         man/man1/glanmail.1 man/man1/glanmail-cli.1 icons/hicolor/scalable/apps/glanmail.svg \
         icons/hicolor/48x48/apps/glanmail.png; do
    need "share/$f"
done

# The installed command line reads the installed sample store.
"$prefix/bin/glanmail-cli" list "$prefix/share/glanmail/Exemple.dbx" >/dev/null ||
    fail "glanmail-cli cannot list the installed sample store"

# The installed window opens a store given to it, as a file manager passes it (Exec=glanmail %f),
# on a virtual display when there is one to make, else off screen.
if [ "$window" = with-window ]; then
    if command -v xvfb-run >/dev/null; then
        env -u QT_QPA_PLATFORM xvfb-run -a bash "$here/run-window.sh" "$prefix" "$prefix/share/glanmail/Exemple.dbx" ||
            fail "the installed glanmail does not open the installed sample store"
    else
        QT_QPA_PLATFORM=offscreen bash "$here/run-window.sh" "$prefix" "$prefix/share/glanmail/Exemple.dbx" ||
            fail "the installed glanmail does not open the installed sample store"
    fi
fi

desktop-file-validate "$prefix/share/applications/glanmail.desktop" || fail "desktop entry"
grep -qx 'Exec=glanmail %f' "$prefix/share/applications/glanmail.desktop" || fail "desktop entry: Exec"
grep -qx 'MimeType=application/x-outlook-express-dbx;' "$prefix/share/applications/glanmail.desktop" ||
    fail "desktop entry: MimeType"

# The MIME database built from the package knows stores by name and by their first bytes.
xmllint --noout "$prefix/share/mime/packages/glanmail.xml" || fail "MIME package is not well-formed XML"
update-mime-database "$prefix/share/mime" || fail "update-mime-database"
[ -s "$prefix/share/mime/application/x-outlook-express-dbx.xml" ] || fail "MIME type not registered"
grep -q ':application/x-outlook-express-dbx:\*\.dbx' "$prefix/share/mime/globs2" || fail "MIME glob *.dbx"
grep -q "$(printf '\xcf\xad\x12\xfe')" "$prefix/share/mime/magic" 2>/dev/null || fail "MIME magic CF AD 12 FE"

appstreamcli validate --no-net "$prefix/share/metainfo/glanmail.metainfo.xml" >/dev/null || fail "AppStream metadata"
# Its screenshot is the README's, under the same path.
readme_shot=$(sed -n 's/^!\[[^]]*\](\(.*\))$/\1/p' "$source/README.md" | head -n1)
[ -n "$readme_shot" ] && [ -s "$source/$readme_shot" ] || fail "the README shows no screenshot"
grep -q "<image>https://[^<]*/$readme_shot</image>" "$prefix/share/metainfo/glanmail.metainfo.xml" ||
    fail "the AppStream screenshot is not the README's ($readme_shot)"

for page in glanmail glanmail-cli; do
    warnings=$(MANWIDTH=80 man -l "$prefix/share/man/man1/$page.1" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man page $page: $warnings"
done

# A 48x48 PNG: the width and height stand at bytes 16 to 23 of its header.
size=$(od -An -tx1 -j16 -N8 "$prefix/share/icons/hicolor/48x48/apps/glanmail.png" | tr -d ' \n')
[ "$size" = 0000003000000030 ] || fail "the PNG icon is not 48x48 ($size)"
xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/glanmail.svg" || fail "SVG icon"
xmllint --noout --html "$prefix/share/glanmail/Glanmail.html" 2>/dev/null || fail "help is not readable HTML"

[ "$failures" -eq 0 ] || exit 1
echo "installation checked in $prefix"
