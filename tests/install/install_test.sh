#!/usr/bin/env bash
# Installs into a temporary prefix and checks what landed and that it runs:
# the program and its window module on the shared library, the manual, the
# desktop entry, the bash completion made from the option table; the
# library's header, pkg-config and CMake files, through which the examples
# build and convert as the program does; then the Debian packages.
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
library="$libdir/libtorvex.so.1"
development="include/torvex.h $libdir/libtorvex.so $libdir/pkgconfig/torvex.pc $libdir/cmake/Torvex/TorvexConfig.cmake"
module=$libdir/torvex/libtorvex-window.so
[ -e "$build/ui/libtorvex-window.so" ] && files="$files $module"
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
for f in $files $library $development share/doc/torvex/README.md; do [ -e "$tmp/prefix/$f" ] || fail "not installed: $f"; done
[ "$("$tmp/prefix/bin/torvex" --version)" = "torvex $version" ] || fail "installed binary: wrong version"
# One engine in a process: the program and its window use the installed library.
found=$(env -i ldd "$tmp/prefix/bin/torvex" | sed -n 's/.*libtorvex.so.1 => \(.*\) (.*/\1/p')
[ "$(readlink -f "$found")" = "$(readlink -f "$tmp/prefix/$library")" ] ||
    fail "installed binary finds its library at '$found'"
for binary in bin/torvex $module; do
    [ -e "$tmp/prefix/$binary" ] || continue
    nm -C --defined-only "$tmp/prefix/$binary" | grep -q 'torvex::Engine::' && fail "$binary has an engine of its own"
    readelf -d "$tmp/prefix/$binary" | grep -q 'NEEDED.*\[libtorvex.so.1\]' || fail "$binary does not use the library"
done
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

# The example built through pkg-config and through find_package(Torvex)
# writes the program's bytes.
export PKG_CONFIG_PATH="$tmp/prefix/$libdir/pkgconfig"
cc -std=c99 -Wall -Werror -o "$tmp/pc-example" "$2/examples/convert.c" $(pkg-config --cflags --libs torvex) ||
    fail "example: no build through pkg-config"
cmake -S "$2/examples" -B "$tmp/cmake-example" -DCMAKE_PREFIX_PATH="$tmp/prefix" >/dev/null &&
    cmake --build "$tmp/cmake-example" >/dev/null || fail "example: no build through find_package(Torvex)"
text="$2/samples/languages.txt"
"$tmp/prefix/bin/torvex" -n "$text" "$tmp/program.html" "Many languages"
LD_LIBRARY_PATH="$tmp/prefix/$libdir" "$tmp/pc-example" "$text" "$tmp/pc.html" "Many languages"
"$tmp/cmake-example/convert" "$text" "$tmp/cmake.html" "Many languages"
cmp "$tmp/program.html" "$tmp/pc.html" || fail "example through pkg-config: another page"
cmp "$tmp/program.html" "$tmp/cmake.html" || fail "example through find_package: another page"

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

# The Debian packages: their files, their dependencies, and a binary that
# runs from them.
(cd "$build" && cpack -G DEB -B "$tmp/deb" >/dev/null)
package() {  # NAME FILES...: the package NAME holds FILES; its dependencies
    local deb="$tmp/deb/$1_${version#V}_$(dpkg --print-architecture).deb" f
    [ -e "$deb" ] || fail "no package $1: $(ls "$tmp/deb")"
    dpkg-deb -c "$deb" | awk '{print $6}' > "$tmp/contents"
    for f in "${@:2}"; do grep -qx ".$prefix/$f" "$tmp/contents" || fail "$1 lacks $f"; done
    dpkg-deb -x "$deb" "$tmp/root"
    dpkg-deb -f "$deb" Depends
}
depends=$(package torvex $files)
echo "$depends" | grep -q 'libc6' || fail "torvex has no dependencies"
echo "$depends" | grep -qF "libtorvex1 (= ${version#V})" || fail "torvex does not depend on its library: $depends"
[ -e "$build/ui/libtorvex-window.so" ] && { echo "$depends" | grep -q libqt6widgets6 || fail "torvex does not depend on Qt"; }
package libtorvex1 $library | grep -q 'libstdc++6' || fail "libtorvex1 does not depend on the C++ library"
depends=$(package libtorvex-dev $development)
[ "$depends" = "libtorvex1 (= ${version#V})" ] || fail "libtorvex-dev depends on $depends"
[ "$(env -i "$tmp/root$prefix/bin/torvex" --version)" = "torvex $version" ] || fail "packaged binary does not run"
echo "install test passed"
