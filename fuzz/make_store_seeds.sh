#!/bin/bash
# Remakes the seed stores of fuzz/corpus/fuzz_store/ with the sample generator of a build folder:
#   fuzz/make_store_seeds.sh BUILD_DIR
# one message; a message and its reply; three messages in a tree two nodes deep.
set -euo pipefail
build=${1:?usage: fuzz/make_store_seeds.sh BUILD_DIR}
make_sample="$build/samples/glanmail-make-sample"
out="$(cd "$(dirname "$0")" && pwd)/corpus/fuzz_store"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out" "$work/one" "$work/pair" "$work/deep"

message() {  # file id subject [parent]
    {
        printf 'Message-ID: <%s@pc>\r\nFrom: "Anne" <anne@free.fr>\r\nSubject: %s\r\n' "$2" "$3"
        [ -n "${4:-}" ] && printf 'In-Reply-To: <%s@pc>\r\n' "$4"
        printf 'Date: Sat, 1 Nov 2003 11:02:18 +0100\r\nContent-Type: text/plain\r\n\r\nBonjour.\r\n'
    } > "$1"
}
message "$work/one/1.eml" a1 "Bonjour"
message "$work/pair/1.eml" b1 "Question"
message "$work/pair/2.eml" b2 "Re: Question" b1
message "$work/deep/1.eml" c1 "Sortie"
message "$work/deep/2.eml" c2 "Re: Sortie" c1
message "$work/deep/3.eml" c3 "Re: Sortie" c2

"$make_sample" "$work/one" "$out/one-message.dbx"
"$make_sample" "$work/pair" "$out/reply-pair.dbx"
"$make_sample" "$work/deep" "$out/two-nodes-deep.dbx" --entries-per-node 1
ls -l "$out"
