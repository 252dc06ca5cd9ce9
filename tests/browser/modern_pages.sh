#!/usr/bin/env bash
# Converts texts with the real torvex in its modern style and checks every
# page as readers get it (check-pages.js): the samples, the test texts that
# read as documents, a split FAQ in ISO 8859-1 and one in UTF-8, and real
# documents made from this machine's files (documents.sh).
# Usage: modern_pages.sh TORVEX SOURCE_DIR WORK_DIR
set -euo pipefail
torvex=$1 src=$2 work=$3
here=$src/tests/browser
command -v node >/dev/null || { echo "FAIL: no node to run the browser tests: install them with \`bash scripts/deps.sh\` (as root)" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work/texts" "$work/pages" "$work/faq" "$work/latin1"

bash "$here/documents.sh" "$work/texts" man-find man-tar news-sed changelog-make changelog-diffutils \
     licence-GPL-3 copyright-dpkg readme-googletest
cp "$src"/samples/*.txt "$src"/tests/data/{links,utf8,faq}.txt "$src/tests/data/cli/scene/links-context.txt" \
   "$work/texts/"
"$torvex" --style=modern -d "$work/pages" "$work"/texts/*.txt
cp "$src/tests/data/faq.txt" "$work/faq/"
"$torvex" --style=modern --split "$work/faq/faq.txt"
cp "$src/tests/data/sets/latin1_set.txt" "$work/latin1/"
"$torvex" --style=modern --line-breaks=keep --split "$work/latin1/latin1_set.txt"
node "$here/check-pages.js" "$work"/pages/*.html "$work"/faq/*.html "$work"/latin1/*.html
