#!/usr/bin/env bash
# Takes the README's picture of the window (docs/window.png): runs the real
# program on a virtual X display and captures its window.
# Needs: xvfb xauth x11-apps imagemagick (Debian packages), and a built
# program (bash scripts/build.sh), or give its path as the first argument.
set -euo pipefail
cd "$(dirname "$0")/.."
program="$(realpath "${1:-build/ui/torvex}")"
out="$(realpath -m "${2:-docs/window.png}")"
[ -x "$program" ] || { echo "screenshot: no program at $program; build it first" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "screenshot: needs xvfb-run (apt-get install xvfb xauth x11-apps imagemagick)" >&2; exit 1; }

export PROGRAM="$program" OUT="$out"
xvfb-run -a -s "-screen 0 800x600x24" sh -c '
    "$PROGRAM" & pid=$!
    # Wait until the window exists: xwd fails at once while it does not.
    for i in $(seq 1 100); do
        xwd -name Torvex -silent >/dev/null 2>&1 && break
        sleep 0.1
    done
    sleep 1  # let it paint
    status=0
    timeout 10 import -window Torvex "$OUT.tmp.png" || status=$?
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    exit $status
'
# Strip the time stamps so that an unchanged window gives an unchanged file.
/usr/bin/convert "$out.tmp.png" -strip "$out"
rm -f "$out.tmp.png"
echo "Saved $out"
