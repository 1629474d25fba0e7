// SPDX-License-Identifier: GPL-3.0-or-later
// `make bench-web`: the browser page's timing, measured from outside it, beside
// the same exercise written on setInterval, in one run. Both run in a headed
// Chromium, each on an X server of its own (the setInterval page's at the
// lowest priority), so that pixels reach an X server and are seen there.
// node bench_web.mjs <site> <plain page folder> <core_trace> <damage_watch> <report.md> <picture.svg>
import { execFileSync, spawn } from 'node:child_process';
import { copyFileSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { gzipSync } from 'node:zlib';

import { chromium } from '../../tests/web/node_modules/playwright-core/index.mjs';
import { serve } from '../../tests/web/serve.mjs';
import { analyse, summary } from './analysis.mjs';
import { picture, report } from './report.mjs';

const [site, plainFolder, coreTrace, damageWatch, reportPath, picturePath] = process.argv.slice(2).map((p) => resolve(p));
const instrument = readFileSync(new URL('./instrument.js', import.meta.url), 'utf8');
const quick = process.env.BENCH_WEB_QUICK === '1'; // a short look while working on the bench; never a verdict

// Each pace, and how long it is watched: the slow one long enough to show drift.
const paces = quick ? [[2000, 30], [300, 15], [20, 10]] : [[2000, 300], [300, 60], [20, 60]];
const kinds = ['ours', 'setInterval'];

const pause = (ms) => new Promise((done) => setTimeout(done, ms));

async function startX() {
  const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
    { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
  const display = await new Promise((done, fail) => {
    xvfb.once('exit', (code) => fail(new Error(`Xvfb ended with ${code}`)));
    xvfb.stdio[3].once('data', (data) => done(`:${String(data).trim()}`));
  });
  return { xvfb, display };
}

// The engine's exact timeline of one pace: when the stimulus and the pause
// picture come and go, in ms after the pacing starts.
function nominalTimeline(interval, seconds) {
  const lines = execFileSync(coreTrace, ['--nominal', String(interval), '100', String(seconds + 5)],
    { encoding: 'utf8', maxBuffer: 1 << 28 }).split('\n');
  const state = { stimulus: false, pause: false };
  const changes = [];
  for (const line of lines) {
    const [time, what, detail] = line.split(' ');
    if (what !== 'stimulus' && what !== 'pause')
      continue;
    const shown = detail === 'shown';
    if (state[what] === shown)
      continue;
    state[what] = shown;
    changes.push({ what, shown, at: (Number(time) - 3600e9) / 1e6 });
  }
  return changes;
}

// CPU seconds so far of the browser's processes, by kind, found below the one
// whose command line names our profile folder.
function cpuByKind(profile) {
  const processes = new Map();
  for (const name of readdirSync('/proc')) {
    if (!/^\d+$/.test(name))
      continue;
    try {
      const stat = readFileSync(`/proc/${name}/stat`, 'utf8');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      // Chromium's children write their command line back as one string.
      const command = readFileSync(`/proc/${name}/cmdline`, 'utf8').split(/[\0 ]/);
      processes.set(Number(name), { parent: Number(fields[1]), cpu: (Number(fields[11]) + Number(fields[12])) / 100, command });
    } catch {
      // a process that ended meanwhile
    }
  }
  // The browser itself: not its crash handler, which names the profile too.
  const root = [...processes].find(([, p]) => /\/chromium$/.test(p.command[0])
    && p.command.some((arg) => arg.includes(profile)) && !p.command.some((arg) => arg.startsWith('--type=')));
  const totals = { renderer: 0, gpu: 0, browser: 0, other: 0 };
  if (!root)
    return totals;
  const below = (pid) => {
    for (let p = processes.get(pid); p; p = processes.get(p.parent)) {
      if (p.parent === root[0])
        return true;
    }
    return false;
  };
  totals.browser = root[1].cpu;
  for (const [pid, p] of processes) {
    if (pid === root[0] || !below(pid))
      continue;
    const type = p.command.find((arg) => arg.startsWith('--type='))?.slice(7);
    // The browser's own tab strip and menus are drawn by a renderer too; not the page's.
    const page = type === 'renderer' && !p.command.includes('--top-chrome-webui');
    totals[page ? 'renderer' : type === 'gpu-process' ? 'gpu' : 'other'] += p.cpu;
  }
  return totals;
}

async function runPace(kind, pace, seconds, url, display) {
  const profile = mkdtempSync(join(tmpdir(), `tarvelin-bench-${kind}-`));
  const executable = kind === 'ours' ? '/usr/bin/chromium' : join(profile, 'chromium-niced');
  if (kind !== 'ours')
    writeFileSync(executable, '#!/bin/sh\nexec nice -n 19 /usr/bin/chromium "$@"\n', { mode: 0o755 });
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: executable,
    headless: false,
    env: { ...process.env, DISPLAY: display },
    viewport: { width: 1100, height: 800 },
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--disable-quic', '--window-position=0,0', '--window-size=1150,950'],
  });
  const damage = spawn(damageWatch, [], { env: { ...process.env, DISPLAY: display }, stdio: ['pipe', 'pipe', 'inherit'] });
  let damageText = '';
  damage.stdout.on('data', (data) => { damageText += data; });
  try {
    await context.addInitScript(instrument);
    const page = context.pages()[0] ?? await context.newPage();
    if (kind === 'ours') {
      await page.goto(url);
      await page.locator('#frm_hoofd').waitFor({ state: 'visible' });
      await page.locator('#frm_hoofd-txt_start').fill(String(pace));
      await page.evaluate(() => window.__benchWatch('frm_werk-txt_string', 'frm_werk-Picture1', 'ours'));
    } else {
      await page.goto(`${url}?interval=${pace}`);
      await page.evaluate(() => window.__benchWatch('woord', 'pauze', 'setInterval'));
    }
    await pause(1000); // the first paint and the watcher settle
    const cpuBefore = cpuByKind(profile);
    const wallBefore = performance.now();
    await page.locator(kind === 'ours' ? '#frm_hoofd-cmd_start' : '#start').click();
    await pause(seconds * 1000);
    const cpuAfter = cpuByKind(profile);
    const wall = (performance.now() - wallBefore) / 1000;
    const seen = await page.evaluate(() => ({ ...window.__bench, timeOrigin: performance.timeOrigin }));
    damage.stdin.end();
    await new Promise((done) => damage.once('exit', done));
    const pixels = damageText.split('\n').filter((line) => /^\d+$/.test(line))
      .map((ns) => Number(BigInt(ns) - BigInt(Math.round(seen.timeOrigin * 1e6))) / 1e6);
    const cpu = Object.fromEntries(Object.keys(cpuAfter).map((k) => [k, (cpuAfter[k] - cpuBefore[k]) / wall]));
    return { kind, pace, seconds, seen, pixels, cpu };
  } finally {
    damage.kill();
    await context.close();
    rmSync(profile, { recursive: true, force: true });
  }
}

// What a first visit loads, and how soon the settings view shows.
async function firstVisit(url, display) {
  const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', headless: false, env: { ...process.env, DISPLAY: display },
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync'] });
  const loads = [];
  const context = await browser.newContext();
  await context.addInitScript(instrument);
  const page = await context.newPage();
  page.on('response', (response) => loads.push(response));
  await page.goto(url);
  await page.locator('#frm_hoofd').waitFor({ state: 'visible' });
  const shownAt = await page.evaluate(() => window.__bench.settingsShownAt);
  await pause(2000); // the service worker fetches its copies
  const files = [];
  for (const response of loads) {
    const body = await Promise.race([response.body().catch(() => null), pause(5000).then(() => null)]);
    if (body)
      files.push({ url: response.url(), bytes: body.length, gzipped: gzipSync(body).length });
  }
  await browser.close();
  return { shownAt, files };
}

// The setInterval page with the same pause picture beside it.
const plainSite = mkdtempSync(join(tmpdir(), 'tarvelin-plain-'));
copyFileSync(join(plainFolder, 'index.html'), join(plainSite, 'index.html'));
copyFileSync(join(site, 'pause.jpg'), join(plainSite, 'pause.jpg'));

const [ours, plain] = [await startX(), await startX()];
const servers = [await serve(site), await serve(plainSite)];
const results = [];
try {
  const visits = [];
  for (let i = 0; i < (quick ? 1 : 5); ++i)
    visits.push(await firstVisit(servers[0].url, ours.display));
  console.log(`first visit: settings view after ${visits.map((v) => v.shownAt?.toFixed(1)).join(', ')} ms`);
  for (const [pace, seconds] of paces) {
    console.log(`pace ${pace}: ${seconds} s, ours and setInterval side by side`);
    const pair = await Promise.all([
      runPace('ours', pace, seconds, servers[0].url, ours.display),
      runPace('setInterval', pace, seconds, servers[1].url, plain.display),
    ]);
    const nominal = nominalTimeline(pace, seconds);
    for (const run of pair) {
      run.analysis = analyse(run, nominal);
      if (process.env.BENCH_WEB_DATA)
        writeFileSync(join(process.env.BENCH_WEB_DATA, `${run.kind}-${pace}.json`), JSON.stringify({ run, nominal }));
      console.log(`  ${run.kind}: ${summary(run.analysis)}`);
      results.push(run);
    }
  }
  const verdict = report(results, visits, reportPath, quick);
  writeFileSync(picturePath, picture(results));
  console.log(verdict.lines.join('\n'));
  process.exitCode = verdict.met ? 0 : 1;
} finally {
  for (const { server } of servers)
    server.close();
  ours.xvfb.kill();
  plain.xvfb.kill();
  rmSync(plainSite, { recursive: true, force: true });
}
