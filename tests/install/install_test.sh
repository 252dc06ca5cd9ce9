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

prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
for f in bin/torvex share/man/man1/torvex.1 share/applications/torvex.desktop \
         share/icons/hicolor/scalable/apps/torvex.svg share/bash-completion/completions/torvex \
         share/doc/torvex/README.md; do
    [ -e "$tmp/prefix/$f" ] || fail "not installed: $f"
done
[ "$("$tmp/prefix/bin/torvex" --version)" = "torvex V2.5" ] || fail "installed binary: wrong version"
if [ -e "$build/ui/libtorvex-window.so" ]; then
    # The module lands in the library folder; a program moved elsewhere
    # looks for it only beside itself and in the folder it was built for.
    [ -e "$tmp/prefix/$libdir/torvex/libtorvex-window.so" ] || fail "window module not installed"
    status=0
    env -i "$tmp/prefix/bin/torvex" 2> "$tmp/window.err" || status=$?
    expected="torvex: cannot open the window: no window module at $tmp/prefix/bin/libtorvex-window.so or $prefix/$libdir/torvex/libtorvex-window.so"
    if [ -e "$prefix/$libdir/torvex/libtorvex-window.so" ]; then expected="torvex: no display to open the window on"; fi
    [ $status -eq 2 ] && grep -qF "$expected" "$tmp/window.err" || fail "installed window: $(head -1 "$tmp/window.err")"
    # Beside the program, the installed module opens (and then finds no display).
    cp "$tmp/prefix/$libdir/torvex/libtorvex-window.so" "$tmp/prefix/bin/"
    status=0
    env -i "$tmp/prefix/bin/torvex" 2> "$tmp/window.err" || status=$?
    [ $status -eq 2 ] && grep -q '^torvex: no display to open the window on' "$tmp/window.err" \
        || fail "installed window module: $(head -1 "$tmp/window.err")"
    rm "$tmp/prefix/bin/libtorvex-window.so"
fi
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
for f in bin/torvex share/man/man1/torvex.1 share/applications/torvex.desktop \
         share/icons/hicolor/scalable/apps/torvex.svg share/bash-completion/completions/torvex; do
    f=".$prefix/$f"
    dpkg-deb -c "$deb" | awk '{print $6}' | grep -qx "$f" || fail "package lacks $f"
done
dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "package has no dependencies"
dpkg-deb -x "$deb" "$tmp/root"
[ "$("$tmp/root$prefix/bin/torvex" --version)" = "torvex V2.5" ] || fail "packaged binary does not run"
if [ -e "$build/ui/libtorvex-window.so" ]; then
    dpkg-deb -c "$deb" | awk '{print $6}' | grep -qx ".$prefix/$libdir/torvex/libtorvex-window.so" || fail "package lacks the window"
    dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "package does not depend on Qt"
fi
echo "install test passed"
