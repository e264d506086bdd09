#!/bin/sh
# Installs the build into a scratch folder as `make install DESTDIR=...` does and validates the
# desktop entry and the AppStream metainfo there, with the icons they name.
set -eu
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr/local >/dev/null
share="$stage/usr/local/share"
for f in "$stage/usr/local/bin/quadrivo" "$stage/usr/local/bin/quadrivo-cli" \
         "$share/icons/hicolor/scalable/apps/org.quadrivo.Quadrivo.svg" \
         "$share/icons/hicolor/48x48/apps/org.quadrivo.Quadrivo.png"; do
    [ -e "$f" ] || { echo "not installed: $f"; exit 1; }
done
desktop-file-validate "$share/applications/org.quadrivo.Quadrivo.desktop"
appstreamcli validate --no-net "$share/metainfo/org.quadrivo.Quadrivo.metainfo.xml"
echo "install tree valid"
