#!/usr/bin/env node
// Generates data/trade_calendar.csv: the trading days of the Shanghai and
// Shenzhen stock exchanges from FIRST_YEAR through LAST_YEAR.
//
// A trading day is a weekday that is not a mainland public holiday and not an
// exchange-specific closure. Weekend make-up working days (调休上班) are never
// trading days: the exchanges stay closed on every Saturday and Sunday.
//
// Holidays come from the npm package chinese-days, which follows the State
// Council's yearly holiday notices. For the years after the last one it lists,
// the holidays are estimated from the published rules and each such year is
// marked with a "#" line in the output so users know which years to refresh.
//
// Usage (from tools/):  npm install && node gen_trade_calendar.js [output]
//                       node gen_trade_calendar.js --check   (estimator vs package)
'use strict';

const fs = require('fs');
const path = require('path');
const chineseDays = require('chinese-days');
const packageData = require('chinese-days/dist/chinese-days.json');
const packageVersion = require('chinese-days/package.json').version;

const FIRST_YEAR = 2005;
const LAST_YEAR = 2035;

// Weekdays on which the exchanges were closed although the State Council's
// notice made them working days. Each entry names the exchange notice that
// announced the closure.
const EXCHANGE_CLOSURES = [
  // Spring Festival 2005: the holiday was 9-15 Feb with 5-6 Feb worked; the
  // exchanges closed 7-15 Feb and reopened on the 16th (source: the SSE and
  // SZSE notices on the 2005 Spring Festival market closure).
  ['2005-02-07', 'Spring Festival 2005, exchange closure'],
  ['2005-02-08', 'Spring Festival 2005, exchange closure (New Year\'s Eve)'],
  // Spring Festival 2006: the holiday was 29 Jan-4 Feb with 28 Jan and 5 Feb
  // worked; the exchanges closed 26 Jan-3 Feb and reopened on 6 Feb (source:
  // the SSE and SZSE notices on the 2006 Spring Festival market closure).
  ['2006-01-26', 'Spring Festival 2006, exchange closure'],
  ['2006-01-27', 'Spring Festival 2006, exchange closure'],
  // Spring Festival 2024: the holiday was 10-17 Feb and New Year's Eve, Friday
  // 9 Feb, a working day; the exchanges closed 9-17 Feb (source: the SSE and
  // SZSE notices on the 2024 holiday market closures, December 2023).
  ['2024-02-09', 'Spring Festival 2024, exchange closure (New Year\'s Eve)'],
];

// ---------------------------------------------------------------- dates

function iso(d) {
  return d.toISOString().slice(0, 10);
}

function utc(year, month, day) {
  return new Date(Date.UTC(year, month - 1, day));
}

function addDays(d, n) {
  const r = new Date(d.getTime());
  r.setUTCDate(r.getUTCDate() + n);
  return r;
}

function isWeekend(d) {
  const w = d.getUTCDay();
  return w === 0 || w === 6;
}

function fromIso(s) {
  return utc(Number(s.slice(0, 4)), Number(s.slice(5, 7)), Number(s.slice(8, 10)));
}

// ---------------------------------------------------------------- package years

function lastPackageYear() {
  return Math.max(...Object.keys(packageData.holidays).map((s) => Number(s.slice(0, 4))));
}

// Holidays of a year the package lists (weekdays only matter here).
function packageHolidays(year) {
  const out = new Set();
  for (let d = utc(year, 1, 1); d.getUTCFullYear() === year; d = addDays(d, 1)) {
    if (!isWeekend(d) && !chineseDays.getDayDetail(iso(d)).work) out.add(iso(d));
  }
  return out;
}

// ---------------------------------------------------------------- estimated years

// A one-day holiday is joined to the weekend as the State Council does: on a
// Tuesday the Monday before is also off, on a Thursday the Friday after, on a
// Saturday or Sunday the Monday after.
function oneDayHoliday(d, out) {
  out.add(iso(d));
  switch (d.getUTCDay()) {
    case 2: out.add(iso(addDays(d, -1))); break;
    case 4: out.add(iso(addDays(d, 1))); break;
    case 6: out.add(iso(addDays(d, 2))); break;
    case 0: out.add(iso(addDays(d, 1))); break;
    default: break;
  }
}

function range(from, days, out) {
  for (let k = 0; k < days; ++k) out.add(iso(addDays(from, k)));
}

function lunarToSolar(lunarYear, month, day) {
  const m = String(month).padStart(2, '0');
  const dd = String(day).padStart(2, '0');
  return fromIso(chineseDays.getSolarDateFromLunar(`${lunarYear}-${m}-${dd}`).date);
}

function qingming(year) {
  const terms = chineseDays.getSolarTerms(`${year}-04-01`, `${year}-04-10`);
  const t = terms.find((x) => x.term === 'pure_brightness');
  if (!t) throw new Error(`no Qingming found in ${year}`);
  return fromIso(t.date);
}

// The holidays of a year by the rules in force since 2025: New Year's Day;
// Spring Festival from New Year's Eve through the seventh day of the first
// lunar month (the State Council's 2025 and 2026 schedules both closed that
// span); Qingming; 1-5 May; Dragon Boat; Mid-Autumn; 1-7 October, through 8
// October when Mid-Autumn falls next to it.
function estimatedHolidays(year) {
  const out = new Set();
  oneDayHoliday(utc(year, 1, 1), out);

  const newYear = lunarToSolar(year, 1, 1);
  range(addDays(newYear, -1), 8, out);

  oneDayHoliday(qingming(year), out);
  range(utc(year, 5, 1), 5, out);
  oneDayHoliday(lunarToSolar(year, 5, 5), out);

  const midAutumn = lunarToSolar(year, 8, 15);
  const nationalDay = utc(year, 10, 1);
  const gap = (midAutumn - nationalDay) / 86400000;
  if (gap >= -1 && gap <= 7) {
    range(nationalDay, 8, out);
    out.add(iso(midAutumn));
  } else {
    oneDayHoliday(midAutumn, out);
    range(nationalDay, 7, out);
  }

  for (const s of [...out]) {
    if (Number(s.slice(0, 4)) !== year || isWeekend(fromIso(s))) out.delete(s);
  }
  return out;
}

// ---------------------------------------------------------------- output

function tradingDays(year, holidays, closures) {
  const days = [];
  for (let d = utc(year, 1, 1); d.getUTCFullYear() === year; d = addDays(d, 1)) {
    const s = iso(d);
    if (!isWeekend(d) && !holidays.has(s) && !closures.has(s)) days.push(s.replace(/-/g, ''));
  }
  return days;
}

function checkClosures() {
  for (const [date, why] of EXCHANGE_CLOSURES) {
    const d = fromIso(date);
    if (isWeekend(d)) throw new Error(`closure ${date} (${why}) is a weekend day`);
    if (!chineseDays.getDayDetail(date).work)
      console.warn(`note: closure ${date} (${why}) is already a public holiday in chinese-days`);
  }
}

function generate(outputPath) {
  checkClosures();
  const closures = new Set(EXCHANGE_CLOSURES.map(([d]) => d));
  const lastListed = lastPackageYear();
  const lines = [
    'iDate',
    `# Trading days of the Shanghai and Shenzhen stock exchanges, ${FIRST_YEAR}-01-01 to ${LAST_YEAR}-12-31.`,
    `# Generated by tools/gen_trade_calendar.js from chinese-days ${packageVersion} (State Council holiday`,
    `# notices through ${lastListed}) and ${EXCHANGE_CLOSURES.length} exchange-specific closures; do not edit by hand.`,
  ];
  const counts = [];
  for (let year = FIRST_YEAR; year <= LAST_YEAR; ++year) {
    const estimated = year > lastListed;
    const holidays = estimated ? estimatedHolidays(year) : packageHolidays(year);
    const days = tradingDays(year, holidays, closures);
    if (estimated)
      lines.push(`# ${year}: ESTIMATED from the holiday rules; regenerate once the official ${year} schedule is out.`);
    lines.push(...days);
    counts.push(`${year}:${days.length}${estimated ? '*' : ''}`);
  }
  fs.writeFileSync(outputPath, lines.join('\n') + '\n');
  console.log(`wrote ${outputPath}`);
  console.log(`trading days per year (* estimated): ${counts.join(' ')}`);
}

// Compares the estimator with the years the package lists under the current
// rules, so a change of rules shows up before it is trusted.
function check() {
  let bad = 0;
  for (let year = 2025; year <= lastPackageYear(); ++year) {
    const listed = packageHolidays(year);
    const est = estimatedHolidays(year);
    const missing = [...listed].filter((d) => !est.has(d));
    const extra = [...est].filter((d) => !listed.has(d));
    console.log(`${year}: listed ${listed.size}, estimated ${est.size}` +
                (missing.length ? `, missing ${missing.join(' ')}` : '') +
                (extra.length ? `, extra ${extra.join(' ')}` : ''));
    bad += missing.length + extra.length;
  }
  process.exitCode = bad === 0 ? 0 : 1;
}

if (process.argv[2] === '--check') {
  check();
} else {
  const output = process.argv[2] || path.join(__dirname, '..', 'data', 'trade_calendar.csv');
  generate(output);
}
