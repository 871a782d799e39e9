#!/usr/bin/env bash
# Makes the Debian package glanmail_<version>_<arch>.deb at the top of the tree: a Release build
# of the two programs and the sample store in build-package/ (with Debian's hardening flags),
# packed by CPack, then checked by lintian, which must report no error. Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh package >&2
build=build-package
# Debian's build flags, every hardening among them (stack protector, fortified functions,
# read-only relocations bound at start).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
BUILD_DIR=$build BUILD_TYPE=Release TARGETS="glanmail glanmail-cli sample_store glanmail_icon_png" scripts/build.sh \
    -DGLANMAIL_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)" >&2
rm -f "$build"/glanmail_*.deb
(cd "$build" && cpack -G DEB >&2)
deb=$(basename "$(ls "$build"/glanmail_*.deb)")
rm -f glanmail_*.deb
mv "$build/$deb" .

# Lintian must find no error, and today finds no warning either. Its notes (lintian -I) that are
# kept on purpose:
#   package-contains-documentation-outside-usr-share-doc: Glanmail.html is the help the window
#     opens with F1, read from /usr/share/glanmail like the sound and the sample store;
#   spelling-error-in-binary, typo-in-manual-page: French words ("dont", "exemple", "complet")
#     taken for misspelt English;
#   binary-has-unneeded-section .comment: the compiler's version string, left by CPack's strip.
lintian --fail-on error "$deb" >&2
echo "$PWD/$deb"
