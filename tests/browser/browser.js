'use strict';
// Reads pages as their readers get them: in headless Chromium on a phone and
// on a desktop, with axe-core, and through the W3C validator. Shared by the
// page checker, the shape benchmark and the screenshot script.
const fs = require('fs');
const path = require('path');
const { execFile } = require('child_process');

const INSTALL = 'install them with `bash scripts/deps.sh` (as root)';
const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';

const PHONE = {
  viewport: { width: 390, height: 844, isMobile: true, hasTouch: true, deviceScaleFactor: 2 },
  userAgent: 'Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 ' +
             '(KHTML, like Gecko) Chrome/126.0.0.0 Mobile Safari/537.36',
};
const DESKTOP = { viewport: { width: 1280, height: 800 }, userAgent: '' };

function need(name, load = require) {
  try {
    return load(name);
  } catch (e) {
    throw new Error(`cannot load the npm package ${name.split('/')[0]} from ${__dirname}/node_modules: ${INSTALL}`);
  }
}

async function launch() {
  if (!fs.existsSync(CHROMIUM)) throw new Error(`no Chromium at ${CHROMIUM}: ${INSTALL}`);
  // The background services would only knock on a closed network.
  return need('puppeteer-core').launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
  });
}

// Opens FILE in a new tab of BROWSER as SCREEN (PHONE or DESKTOP) shows it.
async function open(browser, file, screen, { dark = false } = {}) {
  const page = await browser.newPage();
  await page.emulate(screen);
  await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: dark ? 'dark' : 'light' }]);
  await page.goto('file://' + path.resolve(file), { waitUntil: 'load' });
  return page;
}

// Runs in the page. The smallest text a reader sees outside code and the
// footer (all text when there is nothing else), in CSS px times the zoom the
// browser chose; the page's width as seen, with the element that makes it
// wider than the screen; and the first element that cuts off its content
// instead of letting it scroll.
function readLayout() {
  const scale = visualViewport.scale;
  const smallest = { prose: null, any: null };
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  for (let node; (node = walker.nextNode());) {
    const el = node.parentElement;
    if (!node.data.trim() || el.closest('footer') || el.getClientRects().length === 0) continue;
    const seen = { px: parseFloat(getComputedStyle(el).fontSize) * scale, tag: el.tagName.toLowerCase() };
    if (!smallest.any || seen.px < smallest.any.px) smallest.any = seen;
    if (!el.closest('pre, code, samp, kbd, tt, sup, sub') && (!smallest.prose || seen.px < smallest.prose.px))
      smallest.prose = seen;
  }
  const elements = [document.documentElement, document.body, ...document.body.querySelectorAll('*')];
  const overflow = (el) => getComputedStyle(el).overflowX;
  const scrolls = (el) => {
    for (let a = el.parentElement; a && a !== document.body; a = a.parentElement)
      if (/auto|scroll/.test(overflow(a))) return true;
    return false;
  };
  const width = document.documentElement.scrollWidth * scale;
  // The innermost box whose content spills out of it, or that reaches past
  // the screen itself.
  const wide = width > screen.width + 1 && elements.findLast((el) => {
    const r = el.getBoundingClientRect();
    const spills = overflow(el) === 'visible' && el.clientWidth > 0 && el.scrollWidth > el.clientWidth + 1;
    return (spills || r.right * scale > screen.width + 1) && !scrolls(el);
  });
  const cut = elements.find((el) => /hidden|clip/.test(overflow(el)) && el.scrollWidth > el.clientWidth + 1);
  const tag = (el) => el && el.tagName.toLowerCase();
  return { text: smallest.prose || smallest.any, scale, screen: screen.width, layout: innerWidth,
           width: Math.round(width), wide: tag(wide), cut: tag(cut) };
}

// The rules axe-core finds broken on PAGE: [{id, impact, nodes, target}].
async function axeViolations(page) {
  await page.evaluate(need('axe-core').source);
  const result = await page.evaluate(() => axe.run(document, { resultTypes: ['violations'] }));
  return result.violations.map((v) => ({ id: v.id, impact: v.impact, nodes: v.nodes.length,
                                         target: String(v.nodes[0].target) }));
}

// The validator's errors for each of FILES, in one run of the validator:
// a Map from the file as given to its messages ("LINE.COL: message").
function validate(files) {
  return new Promise((resolve, reject) => {
    const jar = path.join(path.dirname(need('vnu-jar/package.json', require.resolve)), 'build/dist/vnu.jar');
    execFile('java', ['-jar', jar, '--errors-only', '--format', 'gnu', '--stdout', ...files.map((f) => path.resolve(f))],
      { maxBuffer: 256 << 20 }, (err, stdout, stderr) => {
        if (err && err.code === 'ENOENT') return reject(new Error(`no java to run the validator: ${INSTALL}`));
        if (err && err.code !== 1) return reject(new Error(`the validator failed: ${stderr || err.message}`));
        const byPath = new Map(files.map((f) => [path.resolve(f), []]));
        for (const line of stdout.split('\n')) {
          const m = /^"(?:file:)?(.*?)":(\d+(?:\.\d+)?)[^:]*: (?:error|fatal): (.*)$/.exec(line);
          if (m && byPath.has(m[1])) byPath.get(m[1]).push(`${m[2]}: ${m[3]}`);
          else if (line.trim()) return reject(new Error(`the validator said: ${line}`));
        }
        resolve(new Map(files.map((f) => [f, byPath.get(path.resolve(f))])));
      });
  });
}

module.exports = { PHONE, DESKTOP, launch, open, readLayout, axeViolations, validate };
