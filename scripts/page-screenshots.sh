#!/usr/bin/env bash
# Takes the README's pictures of a modern page: TEXT (samples/readme.txt by
# default) converted by the built program, shown by headless Chromium on a
# 390 px phone (docs/modern-phone.png) and a 1280 px desktop
# (docs/modern-desktop.png), each the first screen of the page.
# Needs what the browser tests need (bash scripts/deps.sh) and a built
# program (bash scripts/build.sh), or give its path as the first argument.
set -euo pipefail
cd "$(dirname "$0")/.."
program="$(realpath "${1:-build/ui/torvex}")"
text="${2:-samples/readme.txt}"
[ -x "$program" ] || { echo "page-screenshots: no program at $program; build it first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# No time stamp: an unchanged page gives unchanged pictures.
"$program" --style=modern --no-time-stamp "$text" "$work/page.html"
node -e '
const b = require("./tests/browser/browser");
(async () => {
  const browser = await b.launch();
  try {
    for (const [screen, out] of [[b.PHONE, "docs/modern-phone.png"], [b.DESKTOP, "docs/modern-desktop.png"]]) {
      const page = await b.open(browser, process.argv[1], screen);
      await page.screenshot({ path: out });
      console.log(`Saved ${out}`);
    }
  } finally {
    await browser.close();
  }
})().catch((e) => { console.error(`page-screenshots: ${e.message}`); process.exitCode = 1; });
' "$work/page.html"
