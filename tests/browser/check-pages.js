'use strict';
// Checks pages as their readers get them. A page passes when the W3C
// validator finds no error in it, axe-core finds no violation on a phone (in
// the light scheme) nor on a desktop (in the dark one), and on a 390 px phone
// its text outside code is at least 16 px as seen and the page does not
// scroll sideways (a wide block may scroll inside its own box).
// Usage: node check-pages.js PAGE...
// Prints "ok PAGE" or "FAIL PAGE" with one line per failed check
// ("  vnu: ...", "  axe: ...", "  text: ...", "  sideways: ..."); exit 1 when
// a page failed, 2 when the checks could not run.
const b = require('./browser');

const SMALLEST_TEXT = 16;

async function check(browser, file) {
  const failures = [];
  const phone = await b.open(browser, file, b.PHONE);
  const layout = await phone.evaluate(b.readLayout);
  const violations = new Map((await b.axeViolations(phone)).map((v) => [v.id, v]));
  await phone.close();
  const desktop = await b.open(browser, file, b.DESKTOP, { dark: true });
  for (const v of await b.axeViolations(desktop)) if (!violations.has(v.id)) violations.set(v.id, v);
  await desktop.close();

  if (layout.text && layout.text.px < SMALLEST_TEXT)
    failures.push(`text: ${layout.text.px.toFixed(1)} px as seen on the phone (<${layout.text.tag}>; ` +
                  `laid out ${layout.layout} px wide, zoomed to ${layout.scale.toFixed(2)})`);
  if (layout.width > layout.screen + 1)
    failures.push(`sideways: the page is ${layout.width} px wide as seen on a ${layout.screen} px phone` +
                  (layout.wide ? `; <${layout.wide}> reaches past the screen's edge` : ''));
  if (layout.cut) failures.push(`sideways: <${layout.cut}> cuts off what is wider than the screen`);
  for (const v of violations.values())
    failures.push(`axe: ${v.id} (${v.impact}, ${v.nodes} element${v.nodes > 1 ? 's' : ''}, first ${v.target})`);
  return failures;
}

async function main(files) {
  if (files.length === 0) throw new Error('usage: check-pages.js PAGE...');
  const browser = await b.launch();
  const validation = b.validate(files);
  validation.catch(() => {}); // reported below, once the browser is closed
  const failures = new Map();
  try {
    for (const file of files) failures.set(file, await check(browser, file));
  } finally {
    await browser.close();
  }
  for (const [file, errors] of await validation) {
    for (const e of errors.slice(0, 5)) failures.get(file).push(`vnu: ${e}`);
    if (errors.length > 5) failures.get(file).push(`vnu: ... and ${errors.length - 5} more errors`);
  }
  let failed = 0;
  for (const [file, list] of failures) {
    console.log(`${list.length ? 'FAIL' : 'ok'} ${file}`);
    for (const f of list) console.log(`  ${f}`);
    if (list.length) failed++;
  }
  console.log(`${files.length - failed} passed, ${failed} failed`);
  return failed ? 1 : 0;
}

main(process.argv.slice(2)).then((status) => { process.exitCode = status; }, (e) => {
  console.error(`check-pages: ${e.message}`);
  process.exitCode = 2;
});
