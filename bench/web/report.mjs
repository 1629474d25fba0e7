// SPDX-License-Identifier: GPL-3.0-or-later
// The browser bench's report (docs/performance-web.md), its verdict, and the
// picture of every change's frame error (docs/timing-web.svg).
import { writeFileSync } from 'node:fs';

import { percentile } from './analysis.mjs';

const fixed = (value, digits = 2) => (Number.isFinite(value) ? value.toFixed(digits) : '–');

// The targets, each: what it says, the figure, the limit, and whether it is met.
function targets(results) {
  const ours = results.filter((r) => r.kind === 'ours');
  const list = [];
  for (const run of ours) {
    const a = run.analysis;
    const share = a.judged ? 100 * a.nearest / a.judged : 0;
    const leftOut = a.changes.length ? 100 * a.leftOut / a.changes.length : 100;
    list.push([`${run.pace}: changes in the frame nearest their moment, % of judged`, fixed(share, 2), '≥ 99.9', share >= 99.9 && !a.mismatch]);
    list.push([`${run.pace}: changes left out as dropped frames or stalls, %`, fixed(leftOut, 2), '≤ 3', leftOut <= 3]);
    list.push([`${run.pace}: half cycles not the nearest whole frames (one off allowed only at a tie or over a dropped frame)`,
      `${a.halfCycleMisses.length} of ${a.halfCycles}`, '0', a.halfCycleMisses.length === 0 && a.halfCycles > 0]);
    if (run.pace === 2000) {
      list.push([`${run.pace}: drift over ${fixed(a.driftSpan / 60, 1)} minutes, ms`, fixed(a.drift, 3),
        `< one frame (${fixed(a.period)})`, Math.abs(a.drift) < a.period]);
      list.push([`${run.pace}: renderer's CPU, % of a core`, fixed(100 * a.cpu.renderer, 2), '< 2', a.cpu.renderer < 0.02]);
    }
  }
  return list;
}

export function report(results, visits, path, quick) {
  const list = targets(results);
  const met = list.every(([, , , ok]) => ok);
  const lines = [];
  const out = (line = '') => lines.push(line);
  out('# The browser page\'s timing, measured');
  out();
  out(`Written by \`make bench-web\` on ${new Date().toISOString().slice(0, 16).replace('T', ' ')} UTC`
    + `${quick ? ' (a short look, not a verdict)' : ''}. How it is measured and what these figures cannot say:`
    + ' [timing.md](timing.md#in-the-browser). Headed Chromium on Xvfb, with software compositing and no real'
    + ' screen, on a shared virtual machine; not a Chromebook or an iPad.');
  out();
  out(`**Verdict: ${met ? 'every target met' : 'a target missed'}.**`);
  out();
  out('| target | figure | limit | met |');
  out('|---|---:|---:|---|');
  for (const [what, figure, limit, ok] of list)
    out(`| ${what} | ${figure} | ${limit} | ${ok ? 'yes' : '**no**'} |`);
  out();
  out('## Each pace, ours beside the setInterval page');
  out();
  out('Frame error: the frame a change was made in (its callback\'s time) less the change\'s moment on the engine\'s'
    + ' exact timeline, in ms; nearest frame: within half a frame period. Pixels: when the X server received the'
    + ' change, after the frame\'s time and after the moment.');
  out();
  out('| pace (ms) | page | changes | frame (ms) | nearest frame, % of judged | left out: dropped frame / stall / moved on / no frame | half cycles off (and one off at a tie / over a dropped frame) | frame error p50 / p99 / max | drift, first tenth to last | pixels after frame p50 / p99 | pixels after moment p50 / p99 | CPU, % of a core: renderer / GPU / browser |');
  out('|---:|---|---:|---:|---:|---|---:|---|---:|---|---|---|');
  for (const run of results) {
    const a = run.analysis;
    const c = a.causes;
    out(`| ${run.pace} | ${run.kind} | ${a.changes.length} | ${fixed(a.period)} | ${a.judged ? fixed(100 * a.nearest / a.judged) : '–'}`
      + ` | ${c['dropped frame']} / ${c['machine stall']} / ${c['timeline moved on after a stall']} / ${c['no frame seen']}`
      + ` | ${a.halfCycleMisses.length} of ${a.halfCycles} (${a.halfCyclesAtTies} / ${a.halfCyclesOverDroppedFrames})`
      + ` | ${fixed(a.error.p50)} / ${fixed(a.error.p99)} / ${fixed(a.error.max)} | ${fixed(a.drift, 3)}`
      + ` | ${fixed(a.pixels.afterFrameP50)} / ${fixed(a.pixels.afterFrameP99)} | ${fixed(a.pixels.afterMomentP50)} / ${fixed(a.pixels.afterMomentP99)}`
      + ` | ${fixed(100 * a.cpu.renderer)} / ${fixed(100 * a.cpu.gpu)} / ${fixed(100 * a.cpu.browser)} |`);
  }
  out();
  out('Run lengths: ' + results.filter((r) => r.kind === 'ours').map((r) => `${r.pace} ms for ${r.seconds} s`).join(', ')
    + '; the setInterval page at the lowest priority on an X server of its own, at the same time. p99 is given from'
    + ' 100 samples on; under that it is the largest.');
  const mismatches = results.filter((r) => r.analysis.mismatch);
  for (const run of mismatches)
    out(`\nThe ${run.kind} page at ${run.pace} parted from the timeline: ${run.analysis.mismatch}.`);
  out();
  out('## First visit');
  out();
  const shown = visits.map((v) => v.shownAt);
  const files = visits[0].files;
  out(`From navigation to the settings view, ${visits.length} fresh visits: median ${fixed(percentile(shown, 0.5), 1)} ms,`
    + ` largest ${fixed(Math.max(...shown), 1)} ms. What the first visit loads (${files.length} responses, the service`
    + ` worker's copies among them): ${fixed(files.reduce((s, f) => s + f.bytes, 0) / 1024, 1)} KB,`
    + ` ${fixed(files.reduce((s, f) => s + f.gzipped, 0) / 1024, 1)} KB gzipped.`);
  out();
  writeFileSync(path, lines.join('\n'));
  const verdict = [`bench-web: ${met ? 'every target met' : 'a target missed'}`];
  for (const [what, figure, limit, ok] of list)
    verdict.push(`  ${ok ? 'ok  ' : 'MISS'} ${what}: ${figure} (${limit})`);
  return { met, lines: verdict };
}

// Every change's frame error against its moment, ours and the setInterval
// page's, one panel a pace.
export function picture(results) {
  const paces = [...new Set(results.map((r) => r.pace))];
  const width = 900;
  const panel = 220;
  const height = paces.length * panel + 40;
  const colours = { ours: '#1f6fb2', setInterval: '#d0542c' };
  const parts = [`<svg xmlns="http://www.w3.org/2000/svg" width="${width}" height="${height}" font-family="sans-serif" font-size="12">`,
    `<rect width="100%" height="100%" fill="#fff"/>`];
  paces.forEach((pace, row) => {
    const top = 20 + row * panel;
    const runs = results.filter((r) => r.pace === pace);
    const points = runs.flatMap((r) => r.analysis.changes.filter((c) => c.error !== null && Math.abs(c.error) < 500));
    const span = Math.max(...runs.map((r) => r.seconds * 1000));
    const limit = Math.max(20, ...points.map((c) => Math.abs(c.error)));
    const x = (at) => 60 + (at / span) * (width - 80);
    const y = (error) => top + panel / 2 - 10 - (error / limit) * (panel / 2 - 30);
    const period = runs[0].analysis.period;
    parts.push(`<text x="60" y="${top + 12}">pace ${pace} ms: frame error (ms) of each change over ${span / 1000} s;`
      + ` band: half a frame either way</text>`);
    parts.push(`<rect x="60" y="${y(period / 2)}" width="${width - 80}" height="${y(-period / 2) - y(period / 2)}" fill="#eef4ea"/>`);
    parts.push(`<line x1="60" x2="${width - 20}" y1="${y(0)}" y2="${y(0)}" stroke="#999"/>`);
    for (const value of [-limit, 0, limit])
      parts.push(`<text x="55" y="${y(value) + 4}" text-anchor="end">${fixed(value, 0)}</text>`);
    for (const run of runs) {
      for (const change of run.analysis.changes) {
        if (change.error === null || Math.abs(change.error) >= 500)
          continue;
        parts.push(`<circle cx="${x(change.at).toFixed(1)}" cy="${y(change.error).toFixed(1)}" r="1.6" fill="${colours[run.kind]}" fill-opacity="0.6"/>`);
      }
    }
  });
  parts.push(`<text x="60" y="${height - 8}" fill="${colours.ours}">● ours</text>`);
  parts.push(`<text x="140" y="${height - 8}" fill="${colours.setInterval}">● setInterval page</text>`);
  parts.push('</svg>');
  return parts.join('\n');
}
