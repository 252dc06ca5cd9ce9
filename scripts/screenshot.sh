#!/usr/bin/env bash
# Takes pictures of the window on a virtual 1280x800 X display: the README's
# picture (docs/window.png, the window at the usual scale) and the whole
# screen at twice that scale (docs/window-200.png), where every control and
# button must still be on the screen. The window opens on samples/readme.txt,
# with no settings of an earlier run.
# Needs: xvfb xauth x11-apps imagemagick (Debian packages), and a built
# program (bash scripts/build.sh), or give its path as the first argument.
set -euo pipefail
cd "$(dirname "$0")/.."
program="$(realpath "${1:-build/ui/torvex}")"
docs="$(realpath docs)"
[ -x "$program" ] || { echo "screenshot: no program at $program; build it first" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "screenshot: needs xvfb-run (apt-get install xvfb xauth x11-apps imagemagick)" >&2; exit 1; }
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT

# shot SCALE WINDOW OUT: the program at QT_SCALE_FACTOR=SCALE, captured as
# the X window WINDOW ("Torvex", or "root" for the whole screen).
shot() {
    PROGRAM="$program" SCALE=$1 WINDOW=$2 OUT=$3 XDG_CONFIG_HOME="$settings" \
    xvfb-run -a -s "-screen 0 1280x800x24" sh -c '
        QT_SCALE_FACTOR=$SCALE "$PROGRAM" samples/readme.txt & pid=$!
        # Wait until the window exists: xwd fails at once while it does not.
        for i in $(seq 1 100); do
            xwd -name Torvex -silent >/dev/null 2>&1 && break
            sleep 0.1
        done
        sleep 1  # let it paint
        status=0
        timeout 10 import -window "$WINDOW" "$OUT.tmp.png" || status=$?
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        exit $status
    '
    # Strip the time stamps so that an unchanged window gives an unchanged file.
    /usr/bin/convert "$3.tmp.png" -strip "$3"
    rm -f "$3.tmp.png"
    echo "Saved $3"
}

shot 1 Torvex "$docs/window.png"
shot 2 root "$docs/window-200.png"
