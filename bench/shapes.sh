#!/usr/bin/env bash
# How well pages keep the shape of real documents, beside the peer txt2html.
#
#   bench/shapes.sh [TORVEX]
#
# Builds 36 documents from files every Debian 12 machine has (manual pages
# saved as text, READMEs, NEWS files, changelogs, licences, copyright files:
# tests/browser/documents.sh), converts each as a new user would, with
# torvex's classic page, its modern page (when the binary has --style) and
# txt2html, reads every page in headless Chromium on a 390 px phone and
# prints, side by side: how many lines with aligned columns are shown as
# written, list items as list items (and the lines that go on from an item
# inside it), prose and indented prose lines outside pre; pages whose body
# text is under 16 px; axe-core violations; W3C validator errors. bench/shapes.js says how lines are labelled. The pages
# and a list of the lines each converter lost stay in $TMPDIR/torvex-shapes.
# Needs what the browser tests need (bash scripts/deps.sh) and txt2html.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
torvex=${1:-$here/../build/ui/torvex}
[ -x "$torvex" ] || { echo "no torvex binary at $torvex (build first)" >&2; exit 2; }
command -v txt2html >/dev/null || { echo "needs txt2html (apt-get install txt2html)" >&2; exit 2; }
work=${TMPDIR:-/tmp}/torvex-shapes
rm -rf "$work"
mkdir -p "$work/pages"

bash "$here/../tests/browser/documents.sh" "$work/corpus"
converters=(classic)
"$torvex" --help | grep -q -- '--style' && converters+=(modern)
converters+=(txt2html)
for c in "${converters[@]}"; do mkdir -p "$work/pages/$c"; done
for text in "$work"/corpus/*.txt; do
    name=$(basename "$text" .txt)
    "$torvex" "$text" "$work/pages/classic/$name.html"
    [ ! -d "$work/pages/modern" ] || "$torvex" --style=modern "$text" "$work/pages/modern/$name.html"
    txt2html --infile "$text" --outfile "$work/pages/txt2html/$name.html" --titlefirst
done
node "$here/shapes.js" "$work/corpus" "$work/pages" "${converters[@]}"
