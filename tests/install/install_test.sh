#!/usr/bin/env bash
# Installs into a temporary prefix and checks what landed and that it runs:
# the program and its window module, the manual, the desktop entry, the bash
# completion made from the option table; then the Debian package.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
version=$(sed -n 's/.*ProductVersion = "\(.*\)".*/\1/p' "$2/engine/product.h")
files="bin/torvex share/man/man1/torvex.1 share/applications/torvex.desktop share/bash-completion/completions/torvex
       share/icons/hicolor/scalable/apps/torvex.svg"
module=$libdir/torvex/libtorvex-window.so
[ -e "$build/ui/libtorvex-window.so" ] && files="$files $module"
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
for f in $files share/doc/torvex/README.md; do [ -e "$tmp/prefix/$f" ] || fail "not installed: $f"; done
[ "$("$tmp/prefix/bin/torvex" --version)" = "torvex $version" ] || fail "installed binary: wrong version"
# The window, on a display that is named but not there.
window() {
    status=0
    env -i DISPLAY=:5917 XAUTHORITY=/nonexistent HOME=/nonexistent "$tmp/prefix/bin/torvex" 2>"$tmp/window.err" || status=$?
    [ $status -eq 2 ] && grep -qF "$1" "$tmp/window.err"
}
if [ -e "$build/ui/libtorvex-window.so" ]; then
    # A program moved elsewhere looks for its module only beside itself and
    # in the folder it was built for; beside it, the module opens (and then
    # cannot reach the display).
    unreached="torvex: cannot open the window: the display could not be reached"
    expected="torvex: cannot open the window: no window module at $tmp/prefix/bin/libtorvex-window.so or $prefix/$module"
    [ -e "$prefix/$module" ] && expected=$unreached
    window "$expected" || fail "installed window: $(head -1 "$tmp/window.err")"
    cp "$tmp/prefix/$module" "$tmp/prefix/bin/"
    window "$unreached" || fail "module beside the program: $(head -1 "$tmp/window.err")"
    rm "$tmp/prefix/bin/libtorvex-window.so"
fi
printf 'Hello\n' > "$tmp/a.txt"
env -i "$tmp/prefix/bin/torvex" "$tmp/a.txt" "$tmp/a.html" Installed
grep -q '<H1>Installed</H1>' "$tmp/a.html" || fail "installed binary did not convert"

warnings=$(groff -ww -z -man "$tmp/prefix/share/man/man1/torvex.1" 2>&1)
[ -z "$warnings" ] || fail "manual: $warnings"
MANWIDTH=80 man -l "$tmp/prefix/share/man/man1/torvex.1" 2>&1 >/dev/null | grep . && fail "man -l warned"
desktop-file-validate "$tmp/prefix/share/applications/torvex.desktop" || fail "desktop entry"
offers() {  # what the installed completion offers for the words of a command line
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _torvex; echo "${COMPREPLY[*]}"' \
        _ "$tmp/prefix/share/bash-completion/completions/torvex" "$@" 2>/dev/null
}
[ "$(offers torvex --enc)" = "--encoding=" ] || fail "completion of --enc: $(offers torvex --enc)"
[ "$(offers torvex --line-breaks = '')" = "keep add none" ] || fail "completion of --line-breaks="
[ "$(offers torvex -t '')" = "" ] || fail "completion of a title"
[ "$(cd "$tmp" && offers torvex --files-from=a.)" = "a.html a.txt" ] || fail "completion of --files-from="

# The Debian package: its files, its dependencies, and a binary that runs from it.
(cd "$build" && cpack -G DEB -B "$tmp/deb" >/dev/null)
deb=$(ls "$tmp"/deb/*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' > "$tmp/contents"
for f in $files; do grep -qx ".$prefix/$f" "$tmp/contents" || fail "package lacks $f"; done
dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "package has no dependencies"
[ -e "$build/ui/libtorvex-window.so" ] && { dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "package does not depend on Qt"; }
[ "$(dpkg-deb -f "$deb" Version)" = "${version#V}" ] || fail "package version"
dpkg-deb -x "$deb" "$tmp/root"
[ "$("$tmp/root$prefix/bin/torvex" --version)" = "torvex $version" ] || fail "packaged binary does not run"
echo "install test passed"
