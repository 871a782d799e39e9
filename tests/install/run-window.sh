#!/usr/bin/env bash
# Starts an installed glanmail on a store as a desktop would (glanmail STORE), for a user
# with a configuration file, and checks that it opens the store, shows its window and
# ends cleanly on SIGTERM without touching its configuration.
#   run-window.sh PREFIX STORE
set -euo pipefail
prefix=$1
store=$2
user=$(mktemp -d)
trap 'rm -rf "$user"' EXIT
export HOME=$user/home XDG_CONFIG_HOME=$user/config WINEPREFIX=$user/wine
mkdir -p "$HOME/Documents Glanmail" "$XDG_CONFIG_HOME/glanmail"
ini=$XDG_CONFIG_HOME/glanmail/Glanmail.ini
printf '%s\r\n\r\n 0 \r\n' "$HOME/Documents Glanmail" >"$ini"
cp "$ini" "$user/ini.before"

# In a sanitizer build, the system's D-Bus and fontconfig libraries keep blocks for the life of
# the process; they are not the program's leaks.
printf 'leak:libdbus-1.so\nleak:libfontconfig.so\n' >"$user/lsan.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$user/lsan.supp"
"$prefix/bin/glanmail" "$store" >"$user/out" 2>&1 &
pid=$!
# The store stays open, read-only, while it is listed: the program holds it.
opened=no
for _ in $(seq 100); do
    if ls -l "/proc/$pid/fd" 2>/dev/null | grep -qF -- "$store"; then
        opened=yes
        break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
status=0
if [ "$opened" != yes ]; then
    echo "glanmail did not open $store" >&2
    status=1
fi
if [ -n "${DISPLAY:-}" ] && command -v xwininfo >/dev/null; then
    # The store is read while the window comes up: wait for it to be mapped.
    shown=no
    for _ in $(seq 100); do
        if xwininfo -root -tree | grep -q "Extraction des messages d'un fichier dbx"; then
            shown=yes
            break
        fi
        sleep 0.1
    done
    [ "$shown" = yes ] || { echo "no glanmail window on the display" >&2; status=1; }
fi
kill -TERM "$pid" 2>/dev/null || true
code=0
wait "$pid" || code=$?
if [ "$code" -ne 0 ]; then
    echo "glanmail ended with status $code:" >&2
    cat "$user/out" >&2
    status=1
fi
cmp -s "$ini" "$user/ini.before" || { echo "the configuration was changed without a Yes" >&2; status=1; }
exit $status
