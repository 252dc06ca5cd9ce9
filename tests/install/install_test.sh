#!/usr/bin/env bash
# Installs into a temporary prefix, checks what landed and that it runs,
# checks the manual and the desktop entry, and builds and lists the .deb.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
for f in bin/torvex share/man/man1/torvex.1 share/applications/torvex.desktop \
         share/icons/hicolor/scalable/apps/torvex.svg share/bash-completion/completions/torvex \
         share/doc/torvex/README.md; do
    [ -e "$tmp/prefix/$f" ] || fail "not installed: $f"
done
[ "$("$tmp/prefix/bin/torvex" --version)" = "torvex V2.5" ] || fail "installed binary: wrong version"
printf 'Hello\n' > "$tmp/a.txt"
env -i SOURCE_DATE_EPOCH=0 "$tmp/prefix/bin/torvex" "$tmp/a.txt" "$tmp/a.html" Installed
grep -q '<H1>Installed</H1>' "$tmp/a.html" || fail "installed binary did not convert"

warnings=$(groff -ww -z -man "$tmp/prefix/share/man/man1/torvex.1" 2>&1)
[ -z "$warnings" ] || fail "manual: $warnings"
MANWIDTH=80 man -l "$tmp/prefix/share/man/man1/torvex.1" 2>&1 >/dev/null | grep . && fail "man -l warned"
desktop-file-validate "$tmp/prefix/share/applications/torvex.desktop" || fail "desktop entry"
bash -n "$tmp/prefix/share/bash-completion/completions/torvex" || fail "completion script"

# The Debian package: its files, its dependencies, and a binary that runs from it.
(cd "$build" && cpack -G DEB -B "$tmp/deb" >/dev/null)
deb=$(ls "$tmp"/deb/*.deb)
echo "== contents of $(basename "$deb")"
dpkg-deb -c "$deb" | awk '{print $6}'
echo "== $(dpkg-deb -f "$deb" Depends)"
for f in ./usr/bin/torvex ./usr/share/man/man1/torvex.1 ./usr/share/applications/torvex.desktop \
         ./usr/share/icons/hicolor/scalable/apps/torvex.svg ./usr/share/bash-completion/completions/torvex; do
    dpkg-deb -c "$deb" | awk '{print $6}' | grep -qx "$f" || fail "package lacks $f"
done
dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "package has no dependencies"
dpkg-deb -x "$deb" "$tmp/root"
[ "$("$tmp/root/usr/bin/torvex" --version)" = "torvex V2.5" ] || fail "packaged binary does not run"
echo "install test passed"
