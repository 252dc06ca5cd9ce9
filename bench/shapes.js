'use strict';
// How well pages keep the shape of their text, read in headless Chromium.
// Usage: node bench/shapes.js CORPUS PAGES CONVERTER...
// reads CORPUS/NAME.txt and, for each CONVERTER, PAGES/CONVERTER/NAME.html;
// prints the figures side by side and writes PAGES/misses.txt, the lines each
// converter lost.
//
// Each line of a text is labelled from the text alone, never from a page:
// - aligned: its spacing carries meaning. A box row (starts and ends with
//   "|" or "+", or holds box-drawing characters), or a line with a gap of
//   two or more spaces between words that is not the padding of justified
//   prose nor sentence spacing (up to three spaces after . ? ! or :), where
//   the line above or below has a word starting after a gap at the same
//   column, or with two gaps of three or more (a lone wide gap, as before a
//   right-aligned "(Closes: #123)", is not a column). The head of
//   a hanging paragraph ("-L     Follow symbolic links.  When find"), whose
//   text goes on below at the column after the gap, is not aligned.
// - justified prose: a line that reaches the text's right margin (the most
//   common length of its lines of 60 characters or more) and whose gaps
//   differ by at most one space, not counting a space more after a
//   sentence's end. It is prose, not aligned.
// - item: starts, after its indent, with a bullet (* - + • · o) or a number
//   or letter (1. 1) (1) a. a) (a) iv.) followed by a space and text; the
//   lines right below it, indented further (or as far, where the item is
//   indented too, as in a ChangeLog), go on with it. A page shows these
//   inside the item's <li>.
// - prose: five words or more, 30 characters or more, mostly letters;
//   "indented" when the line does not start at the left margin.
// Everything else (headings, short lines, code without gaps, lines inside
// Markdown code fences but for aligned ones) is not counted.
//
// A page shows an aligned line as written when a line of its visible text
// (what the reader sees: runs of spaces collapse outside preformatted text)
// is the same line, indent aside. An item is shown as a list item when an
// <li> starts with the item's text. A prose line is outside pre unless its
// words form a line of text that keeps its line breaks and spaces (white-space
// pre, pre-wrap or break-spaces).
const fs = require('fs');
const path = require('path');
const b = require('../tests/browser/browser');

const BULLET = /^(?:[*+•·‣◦▪o]|-(?!-))\s+\S/;
const NUMBER = /^(?:\d{1,3}[.)]|\(\d{1,3}\)|[a-z][.)]|\([a-z]\)|[ivx]{1,4}[.)]|\([ivx]{1,4}\))\s+\S/;
const MARKER = /^(?:[*+•·‣◦▪o-]|\d{1,3}[.)]|\(\d{1,3}\)|[a-z][.)]|\([a-z]\)|[ivx]{1,4}[.)]|\([ivx]{1,4}\))\s+/;

const expandTabs = (line) => line.replace(/[^\t]*\t/g, (run) => run.slice(0, -1).padEnd((Math.floor((run.length - 1) / 8) + 1) * 8));
const collapse = (s) => s.replace(/\s+/g, ' ').trim();

// The gaps of two or more spaces between words: [{end, len, after}], end
// being the column of the word that follows.
function gaps(line) {
  const found = [];
  const re = /(\S) {2,}(?=\S)/g;
  for (let m; (m = re.exec(line));) found.push({ end: re.lastIndex, len: m[0].length - 1, after: m[1] });
  return found;
}

function justified(line, margin) {
  if (line.length < margin - 1) return false;
  const runs = [...line.trim().matchAll(/(\S)( +)(?=\S)/g)].map((m) => ({ len: m[2].length, stop: /[.?!:]/.test(m[1]) }));
  const wide = runs.filter((r) => r.len >= 2);
  if (wide.length < 2) return false;
  const k = Math.min(...wide.filter((r) => !r.stop).map((r) => r.len));
  // Single spaces are the ones the formatter may not stretch ("grep -E").
  return (k <= 3 || wide.length === runs.length) && wide.every((r) => r.len >= k && r.len <= k + (r.stop ? 2 : 1));
}

function label(text) {
  const lines = text.replace(/\r/g, '').split('\n').map((l) => expandTabs(l).trimEnd());
  const lengths = new Map();
  for (const l of lines) if (l.length >= 60) lengths.set(l.length, (lengths.get(l.length) || 0) + 1);
  const margin = lengths.size ? [...lengths].sort((x, y) => y[1] - x[1] || y[0] - x[0])[0][0] : Infinity;
  // Gaps that may part columns: none in justified prose, and after a
  // sentence's end only gaps wider than sentence spacing.
  const columnGaps = lines.map((l) => justified(l, margin) ? []
    : gaps(l).filter((g) => g.len >= 4 || !/[.?!:]/.test(g.after)));
  const nearby = (i, step) => { // the next line that is not blank
    for (let j = i + step; j >= 0 && j < lines.length; j += step) if (lines[j]) return j;
    return -1;
  };
  const firstWord = (l) => l.trim().split(' ')[0];
  let fenced = false;
  const labels = lines.map((line, i) => {
    const trimmed = line.trim();
    if (/^(```|~~~)/.test(trimmed)) fenced = !fenced;
    const below = nearby(i, 1);
    const neighbours = [nearby(i, -1), below].filter((j) => j >= 0);
    const linedUp = (g, differs = () => true) =>
      neighbours.some((j) => differs(j) && columnGaps[j].some((h) => h.end === g.end));
    const box = /^[|+].*[|+]$/.test(trimmed) && trimmed.length > 2 || /[─│┌┐└┘├┤┬┴┼═║]/.test(trimmed);
    const marker = BULLET.test(trimmed) && !/^[-*+](\s+[-*+])+$/.test(trimmed) || NUMBER.test(trimmed);
    // The head of a hanging paragraph ("-L     Follow symbolic links.  When")
    // is a term and its text, which goes on below at the column after the gap.
    const hanging = below >= 0 && columnGaps[i].length > 0 && !columnGaps[below].length &&
                    lines[below].length - lines[below].trimStart().length === columnGaps[i][0].end;
    // A bullet followed by a gap is a table's row only where a neighbour
    // starting with something else lines up with it ("-      (hyphen) do not
    // pad" above "_      (underscore) pad with spaces").
    const row = !marker || columnGaps[i].length > 0 &&
                linedUp(columnGaps[i][0], (j) => firstWord(lines[j]) !== firstWord(line));
    // A gap lined up with a neighbour's parts columns; so do two gaps of
    // three or more, but one alone is a wide space ("fixed.      (Closes: #1)").
    const wide = columnGaps[i].filter((g) => g.len >= 3).length >= 2;
    if (box || !hanging && row && (wide || columnGaps[i].some((g) => linedUp(g))))
      return { kind: 'aligned', line };
    if (fenced) return { kind: 'code', line };
    if (marker) return { kind: 'item', line };
    const words = trimmed.split(/\s+/).length;
    const letters = trimmed.replace(/[^\p{L}]/gu, '').length / trimmed.replace(/\s/g, '').length;
    if (!hanging && words >= 5 && trimmed.length >= 30 && letters >= 0.7)
      return { kind: line === trimmed ? 'prose' : 'indented', line };
    return { kind: 'other', line };
  });
  // The lines that go on from an item, indented further (or as far, where
  // a ChangeLog's tab indents the items too).
  let item = -1; // the indent of the item going on, or -1
  return labels.map((l) => {
    const indent = l.line.length - l.line.trimStart().length;
    if (l.kind === 'item') item = indent;
    else if (!l.line || l.kind === 'aligned' || l.kind === 'code') item = -1;
    else if (item >= 0 && (indent > item || indent === item && item > 0)) return { kind: 'continued', line: l.line };
    else item = -1;
    return l;
  });
}

// Runs in the page: its visible lines, the text of its list items, and the
// lines of text that keep their breaks and spaces.
function readShape() {
  const frozen = (el) => /^(pre|pre-wrap|break-spaces)$/.test(getComputedStyle(el).whiteSpace);
  const kept = [];
  for (const el of document.body.querySelectorAll('*'))
    if (frozen(el) && !frozen(el.parentElement)) kept.push(...el.innerText.split('\n'));
  return { lines: document.body.innerText.split('\n'), items: [...document.querySelectorAll('li')].map((li) => li.innerText),
           kept };
}

function bag(list, key) {
  const counts = new Map();
  for (const k of list.map(key)) if (k) counts.set(k, (counts.get(k) || 0) + 1);
  return counts;
}
const take = (counts, k) => counts.get(k) > 0 && counts.set(k, counts.get(k) - 1);
const asWritten = (s) => expandTabs(s.replace(/\u00a0/g, ' ')).trim();

// Which labelled lines the page shows as their kind asks: {kind: [shown, of]}.
function score(labels, shape, misses) {
  const lines = bag(shape.lines, asWritten);
  const kept = bag(shape.kept, collapse);
  const items = shape.items.map(collapse);
  const used = new Set();
  let last = -1; // the list item that showed the last item line
  const figures = { aligned: [0, 0], item: [0, 0], continued: [0, 0], prose: [0, 0], indented: [0, 0] };
  for (const { kind, line } of labels) {
    let shown;
    if (kind === 'aligned') {
      shown = take(lines, asWritten(line));
    } else if (kind === 'item') {
      const text = collapse(line.trim().replace(MARKER, ''));
      last = items.findIndex((t, n) => !used.has(n) && (t.startsWith(text) || t.replace(MARKER, '').startsWith(text)));
      shown = last >= 0 && used.add(last);
    } else if (kind === 'continued') {
      shown = last >= 0 && items[last].includes(collapse(line));
    } else if (kind === 'prose' || kind === 'indented') {
      shown = !take(kept, collapse(line));
    } else {
      continue;
    }
    figures[kind][1]++;
    if (shown) figures[kind][0]++;
    else misses.push(`${kind}: ${line}`);
  }
  return figures;
}

async function main([corpus, pages, ...converters]) {
  const names = fs.readdirSync(corpus).filter((f) => f.endsWith('.txt')).map((f) => f.slice(0, -4)).sort();
  const files = converters.flatMap((c) => names.map((n) => path.join(pages, c, n + '.html')));
  const validation = b.validate(files);
  validation.catch(() => {}); // reported when awaited
  const browser = await b.launch();
  const totals = new Map(converters.map((c) => [c, {
    aligned: [0, 0], item: [0, 0], continued: [0, 0], prose: [0, 0], indented: [0, 0], small: 0, smallest: Infinity, axe: 0, vnu: 0 }]));
  const report = [];
  try {
    for (const name of names) {
      const labels = label(fs.readFileSync(path.join(corpus, name + '.txt'), 'utf8'));
      for (const c of converters) {
        const page = await b.open(browser, path.join(pages, c, name + '.html'), b.PHONE);
        const [shape, layout, violations] = [await page.evaluate(readShape), await page.evaluate(b.readLayout),
                                             await b.axeViolations(page)];
        await page.close();
        const misses = [];
        const figures = score(labels, shape, misses);
        const t = totals.get(c);
        for (const k of Object.keys(figures)) figures[k].forEach((v, n) => { t[k][n] += v; });
        const px = layout.text ? layout.text.px : Infinity;
        if (px < 16) t.small++;
        t.smallest = Math.min(t.smallest, px);
        t.axe += violations.length;
        report.push(`== ${name} (${c}): ${Object.entries(figures).map(([k, [s, n]]) => `${k} ${s}/${n}`).join(', ')}` +
                    `; text ${px.toFixed(1)} px; axe ${violations.map((v) => v.id).join(' ') || 'none'}`,
                    ...misses.map((m) => '  ' + m));
      }
    }
  } finally {
    await browser.close();
  }
  for (const [file, errors] of await validation) totals.get(path.basename(path.dirname(file))).vnu += errors.length;
  fs.writeFileSync(path.join(pages, 'misses.txt'), report.join('\n') + '\n');

  const percent = ([shown, of]) => of ? `${Math.floor(100 * shown / of)} %` : '-';
  const rows = [
    ['lines with aligned columns shown as written', (t) => percent(t.aligned)],
    ['list items shown as list items', (t) => percent(t.item)],
    ['lines going on from an item inside its list item', (t) => percent(t.continued)],
    ['prose lines outside pre', (t) => percent(t.prose)],
    ['indented prose lines outside pre', (t) => percent(t.indented)],
    [`pages with body text under 16 px on a phone`, (t) => `${t.small} of ${names.length}` +
                                                             (t.small ? ` (${t.smallest.toFixed(1)} px)` : '')],
    ['axe-core violations (rules broken, page by page)', (t) => t.axe.toLocaleString('en')],
    ['W3C validator errors', (t) => t.vnu.toLocaleString('en')],
  ];
  const t0 = totals.get(converters[0]);
  console.log(`${names.length} documents: ${t0.aligned[1]} aligned lines, ${t0.item[1]} list items ` +
              `(going on over ${t0.continued[1]} more lines), ${t0.prose[1]} prose lines, ` +
              `${t0.indented[1]} indented prose lines`);
  console.log(['', ...converters].map((c, n) => n ? c.padStart(20) : c.padEnd(50)).join(''));
  for (const [title, cell] of rows)
    console.log(title.padEnd(50) + converters.map((c) => cell(totals.get(c)).padStart(20)).join(''));
  console.log(`lost lines, document by document: ${path.join(pages, 'misses.txt')}`);
}

if (require.main === module) {
  main(process.argv.slice(2)).catch((e) => {
    console.error(`shapes: ${e.message}`);
    process.exitCode = 2;
  });
}
