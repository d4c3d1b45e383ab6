// node read_vcards.mjs EXPECTED FILE...: reads vCard files with ical.js (Mozilla's parser
// of iCalendar and vCard, from npm) and compares each card's properties with EXPECTED,
// in the form read_vcards.py describes. Prints each difference, else "N cards agree".
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

async function loadIcal() {
  try {
    return (await import('ical.js')).default;
  } catch {
    // installed globally (npm install -g): beside node's own prefix
    const global = path.join(path.dirname(process.execPath), '..', 'lib', 'node_modules', 'ical.js', 'dist', 'ical.js');
    return (await import(pathToFileURL(global).href)).default;
  }
}

const ICAL = await loadIcal();
const SKIP = new Set(['VERSION', 'PRODID']);

// A value ical.js does not know the type of is handed over as written: unescape it.
function unescape(text) {
  return text.replace(/\\([\\,;nN])/g, (_, c) => (c === 'n' || c === 'N' ? '\n' : c));
}

// ical.js reads "\;" as a semicolon only in compound values (N, ADR, ORG), as RFC 6350
// has it; RFC 2426's text grammar escapes every semicolon, so a 3.0 card's other text
// values still hold "\;" for one.
function semicolons(value, version) {
  if (version !== '3.0') return value;
  if (typeof value === 'string') return value.replace(/\\;/g, ';');
  return Array.isArray(value) ? value.map((v) => semicolons(v, version)) : value;
}

function component(value) {
  if (Array.isArray(value)) return value.filter((v) => v !== '');
  return value ? [value] : [];
}

function types(params) {
  let found = [];
  for (const value of [].concat(params.type ?? [])) found.push(...value.split(',').filter(Boolean).map((t) => t.toLowerCase()));
  if (params.pref !== undefined) found.push('pref');
  return found.sort();
}

function facts(jcard) {
  const out = [];
  const version = jcard[1].find(([name]) => name === 'version')?.[3];
  for (const [lowerName, params, type, ...rawValues] of jcard[1]) {
    const name = lowerName.toUpperCase();
    if (SKIP.has(name)) continue;
    const values = type === 'unknown' ? rawValues : rawValues.map((v) => semicolons(v, version));
    let value = type === 'unknown' ? unescape(String(values[0])) : values[0];
    if (name === 'N' || name === 'ADR') {
      value = [].concat(values[0]).map(component);
      while (value.length < (name === 'N' ? 5 : 7)) value.push([]);
      if (params['sort-as'] !== undefined) out.push(['SORT-AS', [], [].concat(params['sort-as']).join(',')]);
    } else if (name === 'CATEGORIES' || name === 'NICKNAME') {
      value = values.flat().map(String).sort();
    } else if (name === 'ORG') {
      value = [].concat(values[0]);
    } else if (['BDAY', 'ANNIVERSARY', 'X-ANNIVERSARY', 'REV'].includes(name)) {
      value = String(value).replace(/[-:]/g, '');
    }
    out.push([name, types(params), value]);
  }
  return out;
}

const [expectedFile, ...files] = process.argv.slice(2);
const expected = JSON.parse(fs.readFileSync(expectedFile, 'utf8'));
const cards = [];
for (const file of files) {
  const parsed = ICAL.parse(fs.readFileSync(file, 'utf8'));
  cards.push(...(typeof parsed[0] === 'string' ? [parsed] : parsed));
}
const problems = [];
const got = cards.map(facts);
if (got.length !== expected.length) problems.push(`ical.js: ${got.length} cards, expected ${expected.length}`);
got.forEach((have, i) => {
  if (i >= expected.length) return;
  const key = (list) => list.map((f) => JSON.stringify(f)).sort();
  const h = key(have), w = key(expected[i]);
  for (const f of w) if (!h.includes(f)) problems.push(`ical.js: card ${i} lacks ${f}`);
  for (const f of h) if (!w.includes(f)) problems.push(`ical.js: card ${i} has ${f}`);
  if (h.length !== w.length) problems.push(`ical.js: card ${i} has ${h.length} properties, expected ${w.length}`);
});
const uids = new Set(got.flatMap((card) => card.filter(([n]) => n === 'UID').map(([, , v]) => v)));
got.forEach((card, i) => {
  for (const [name, , value] of card)
    if ((name === 'MEMBER' || name === 'X-ADDRESSBOOKSERVER-MEMBER') && value.startsWith('urn:') && !uids.has(value))
      problems.push(`ical.js: card ${i}'s member ${value} is no card's UID`);
});
console.log(problems.join('\n') || `${got.length} cards agree`);
process.exit(problems.length ? 1 : 0);
