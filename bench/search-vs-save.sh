#!/usr/bin/env bash
# A search of every message's text against saving every message as text, on the same store:
#   bench/search-vs-save.sh BUILD_DIR STORE WORKDIR
# Runs each three times, alternating (the save into a fresh folder of WORKDIR each time), and
# prints the best wall time, its processor time and the peak memory of each, then the ratio.
set -euo pipefail
build=$1 store=$2 work=$3
cli="$build/src/cli/glanmail-cli"
mkdir -p "$work"
best() { sort -n | head -1; }
measure() { # label, command...: "wall user+sys maxKiB" lines into $work/label.times
    local label=$1
    shift
    /usr/bin/time -f "%e %U %S %M" -a -o "$work/$label.times" "$@" >/dev/null
}
rm -f "$work"/*.times
for _ in 1 2 3; do
    rm -rf "$work/out"
    sync
    measure save "$cli" save "$store" --txt --storage "$work/out"
    sync
    measure search "$cli" search "$store" "zq introuvable qz" --body
done
rm -rf "$work/out"
for label in save search; do
    read -r wall user sys kib < <(sort -n "$work/$label.times" | head -1)
    printf '%-7s best wall %6.2f s, processor %6.2f s, peak %4d MiB\n' "$label" "$wall" "$(echo "$user + $sys" | bc)" \
        $((kib / 1024))
done
save=$(sort -n "$work/save.times" | head -1 | cut -d' ' -f1)
search=$(sort -n "$work/search.times" | head -1 | cut -d' ' -f1)
echo "search / save (wall): $(echo "scale=3; $search / $save" | bc)"
