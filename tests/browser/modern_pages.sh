#!/usr/bin/env bash
# Converts texts with the real torvex in its modern style and checks every
# page as readers get it (check-pages.js): the samples (also keeping every
# line break, and none), the test texts that read as documents, a split FAQ,
# and real documents made from this machine's files
# (documents.sh), one of them in ISO 8859-1.
# Usage: modern_pages.sh TORVEX SOURCE_DIR WORK_DIR
set -euo pipefail
torvex=$1 src=$2 work=$3
here=$src/tests/browser
command -v node >/dev/null || { echo "FAIL: no node to run the browser tests: install them with \`bash scripts/deps.sh\` (as root)" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work/texts" "$work/pages" "$work/keep" "$work/none" "$work/faq"

bash "$here/documents.sh" "$work/texts" man-find man-tar news-sed changelog-make changelog-diffutils \
     licence-GPL-3 copyright-dpkg readme-googletest
iconv -f UTF-8 -t ISO-8859-1//TRANSLIT "$work/texts/copyright-dpkg.txt" > "$work/texts/copyright-latin1.txt"
cp "$src"/samples/*.txt "$src"/tests/data/{links,utf8,faq}.txt "$src/tests/data/cli/scene/links-context.txt" \
   "$work/texts/"
"$torvex" --style=modern -d "$work/pages" "$work"/texts/*.txt
for mode in keep none; do
    "$torvex" --style=modern --line-breaks=$mode -d "$work/$mode" "$src"/samples/*.txt "$src"/tests/data/links.txt
done
cp "$src/tests/data/faq.txt" "$work/faq/"
"$torvex" --style=modern --split "$work/faq/faq.txt"
node "$here/check-pages.js" "$work"/{pages,keep,none,faq}/*.html
