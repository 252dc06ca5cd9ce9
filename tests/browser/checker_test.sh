#!/usr/bin/env bash
# The page checker fails what it must: each edit of a page that passes
# breaks one check, which the checker must name, and no other; a classic
# page fails three; without Chromium it stops, saying how to install it.
# Usage: checker_test.sh TORVEX SOURCE_DIR WORK_DIR
set -euo pipefail
torvex=$1 src=$2 work=$3
here=$src/tests/browser
command -v node >/dev/null || { echo "FAIL: no node to run the browser tests: install them with \`bash scripts/deps.sh\` (as root)" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

# page           checks failed   edit of pages/good.html
cases='
good             -               s/^//
href             vnu             s/a%5Bb%5D/a|b/
dark-contrast    axe             s/a { color: #9cf; }/& p { color: #333; }/
small-text       text            s/^footer {/p { font-size: 87.5%; } &/
wide-pre         sideways        s/^pre { overflow-x: auto; }//
cut-off-pre      sideways        s/overflow-x: auto/overflow-x: hidden/
clipped-body     sideways        s/^pre { overflow-x: auto; }/body { overflow-x: hidden; }/
'
while read -r name checks edit; do
    [ -n "$name" ] && sed "$edit" "$here/pages/good.html" > "$work/$name.html"
done <<< "$cases"
"$torvex" "$src/samples/readme.txt" "$work/classic.html"
cases+="classic axe,text,vnu"

status=0
node "$here/check-pages.js" "$work"/*.html > "$work/out.txt" || status=$?
cat "$work/out.txt"
[ $status -eq 1 ] || fail "check-pages.js exited with $status, not 1"
# The checks PAGE failed, sorted, joined by commas ("-" for none).
checks_of() {
    awk -v page="$1" '/^(ok|FAIL) / { on = ($2 == page); if (on) seen = 1; next }
                      on && /^  / { sub(/:.*/, ""); print $1 }
                      END { if (!seen) print "(not reported)" }' "$work/out.txt" |
        sort -u | paste -sd, | sed 's/^$/-/'
}
while read -r name checks edit; do
    [ -z "$name" ] || [ "$(checks_of "$work/$name.html")" = "$checks" ] ||
        fail "$name.html: failed $(checks_of "$work/$name.html"), expected $checks"
done <<< "$cases"

status=0
CHROMIUM=/nonexistent node "$here/check-pages.js" "$work/good.html" 2> "$work/err.txt" || status=$?
[ $status -eq 2 ] && grep -q 'no Chromium at /nonexistent: install them with `bash scripts/deps.sh`' "$work/err.txt" ||
    fail "without Chromium: status $status, $(cat "$work/err.txt")"
echo "the checker failed every page it had to"
