#!/usr/bin/env bash
# Makes the Debian package (scripts/package.sh), installs it on this machine with apt-get as a
# user would, checks the installed programs and what the desktop makes of them, then removes it
# and checks that none of its files is left. It changes the system: run it as root (or with sudo)
# on a machine where Glanmail is not otherwise installed, as CI is.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(scripts/package.sh)
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
installed() { dpkg-query -W -f='${Status}' glanmail 2>/dev/null | grep -q "ok installed"; }

# A copy left by an earlier run would hide what this one installs.
if installed; then "${sudo_cmd[@]}" apt-get remove --purge -y -q glanmail >/dev/null; fi

# The package's paths that exist before it comes: the only ones allowed to exist after it goes.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' | grep -v '^$' >"$work/paths"
existing() { while read -r path; do if [ -e "$path" ]; then echo "$path"; fi; done <"$work/paths"; }
existing >"$work/before"

echo "== apt-get install $deb"
"${sudo_cmd[@]}" apt-get install -y -q "$deb"
installed || fail "glanmail is not installed"

# One version everywhere: the package, the command line, the AppStream release, the manual pages.
version=$(dpkg-query -W -f='${Version}' glanmail)
[ "$(glanmail-cli --version)" = "glanmail-cli $version" ] || fail "glanmail-cli --version: $(glanmail-cli --version)"
# The window program answers --version without a display.
answer=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 glanmail --version 2>&1) || true
[ "$answer" = "glanmail $version" ] || fail "glanmail --version: $answer"
grep -q "<release version=\"$version\"" /usr/share/metainfo/glanmail.metainfo.xml || fail "AppStream release"
for page in glanmail glanmail-cli; do
    zgrep -q "\"Glanmail $version\"" "$(man -w $page)" || fail "manual page $page: version"
done

# The installed programs on the installed sample store: the command line lists it, the window
# opens it on a real X server (not Qt's off-screen platform), as a file manager starts it.
listing=$(glanmail-cli list /usr/share/glanmail/Exemple.dbx) || fail "glanmail-cli list: status $?"
grep -q "messages complets/contenus dans le fichier Exemple.dbx" <<<"$listing" || fail "glanmail-cli list: $listing"
env -u QT_QPA_PLATFORM xvfb-run -a bash tests/install/run-window.sh /usr /usr/share/glanmail/Exemple.dbx ||
    fail "the installed glanmail does not open the installed sample store"

# The desktop: the validators pass, Debian's triggers registered the MIME type, and Glanmail is
# the application offered for a .dbx store.
desktop-file-validate /usr/share/applications/glanmail.desktop || fail "desktop entry"
appstreamcli validate --no-net /usr/share/metainfo/glanmail.metainfo.xml >/dev/null || fail "AppStream metadata"
[ -s /usr/share/mime/application/x-outlook-express-dbx.xml ] || fail "MIME type not in the MIME database"
mkdir -p "$work/home"
offered=$(HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
    xdg-mime query default application/x-outlook-express-dbx)
[ "$offered" = glanmail.desktop ] || fail "the desktop offers '$offered' for a .dbx store"
# A file manager (GIO's view of the MIME database) knows a store by its name, and renamed, by
# its first bytes.
cp /usr/share/glanmail/Exemple.dbx "$work/renamed.bin"
for store in /usr/share/glanmail/Exemple.dbx "$work/renamed.bin"; do
    type=$(gio info -a standard::content-type "$store" | sed -n 's/^ *standard::content-type: //p')
    [ "$type" = application/x-outlook-express-dbx ] || fail "$store is taken for $type"
done

# A plain remove, as a user would: the package has no configuration files for dpkg to keep.
echo "== apt-get remove glanmail"
"${sudo_cmd[@]}" apt-get remove -y -q glanmail
status=$(dpkg-query -W -f='${db:Status-Abbrev}' glanmail 2>/dev/null || true)
[ -z "$status" ] || [ "$status" = "un " ] || fail "after removal dpkg still has glanmail as '$status'"
existing >"$work/after"
diff "$work/before" "$work/after" >"$work/left" || fail "files left behind: $(grep '^>' "$work/left" | tr '\n' ' ')"
[ -e /usr/share/mime/application/x-outlook-express-dbx.xml ] && fail "the MIME type outlives the package"
grep -qs glanmail /usr/share/applications/mimeinfo.cache && fail "the desktop still offers glanmail.desktop"

[ "$failures" -eq 0 ] || exit 1
echo "package $deb installed, run and removed cleanly"
