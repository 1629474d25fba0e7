// SPDX-License-Identifier: GPL-3.0-or-later
// What the browser bench makes of one run: each change against the engine's
// exact timeline, counted in the frames the browser actually made.

// A frame is nearest to a moment within half a period. A page's clock and
// its frames' time stamps are coarsened to 0.1 ms; nearer than that the
// bench cannot tell two frames apart, nor could the page.
const slack = 0.1;
// A gap between frames this long is the machine, not the screen.
const stallGap = 50;
// A change this far from its moment means the timeline itself was moved on, as
// the program does after a stall of a second or more.
const movedTimeline = 500;

export function percentile(values, p) {
  if (values.length === 0)
    return NaN;
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.max(0, Math.ceil(p * sorted.length) - 1))];
}

function median(values) {
  return percentile(values, 0.5);
}

function framePeriod(frames) {
  const gaps = [];
  for (let i = 1; i < frames.length; ++i) {
    const gap = frames[i].time - frames[i - 1].time;
    if (gap > 0 && gap < stallGap)
      gaps.push(gap);
  }
  if (gaps.length === 0)
    return 1000 / 60;
  // The median gap says how many frames each spans; the span over the frames
  // is exact to far below the page's clock, which is coarsened to 0.1 ms.
  const typical = median(gaps);
  const spanned = gaps.reduce((sum, gap) => sum + Math.max(1, Math.round(gap / typical)), 0);
  return gaps.reduce((sum, gap) => sum + gap, 0) / spanned;
}

// The gaps between the frames made from `from` to `to`, longest first.
function gapsBetween(frames, from, to) {
  const gaps = [];
  for (let i = 1; i < frames.length; ++i) {
    if (frames[i].time > from && frames[i - 1].time < to)
      gaps.push(frames[i].time - frames[i - 1].time);
  }
  return gaps.sort((a, b) => b - a);
}

export function analyse(run, nominal) {
  const { frames, changes, startedAt } = run.seen;
  const period = framePeriod(frames);
  const result = {
    period, frames: frames.length, changes: [], mismatch: null, halfCycles: 0, halfCycleMisses: [],
    halfCyclesOverDroppedFrames: 0, halfCyclesAtTies: 0,
    causes: { 'dropped frame': 0, 'machine stall': 0, 'timeline moved on after a stall': 0, 'no frame seen': 0 },
  };
  let offset = 0;
  let pixel = 0;
  const pixels = run.pixels;
  for (let i = 0; i < changes.length; ++i) {
    const change = changes[i];
    const due = nominal[i];
    if (!due || due.what !== change.what || due.shown !== change.shown) {
      result.mismatch = `change ${i}: ${change.what} ${change.shown ? 'shown' : 'hidden'}, the timeline has `
        + (due ? `${due.what} ${due.shown ? 'shown' : 'hidden'}` : 'nothing');
      break;
    }
    const moment = startedAt + due.at + offset;
    // A change made inside a frame callback is in that frame; one made
    // elsewhere shows with the first frame whose callbacks ran after it.
    const frame = change.frame ?? frames.find((f) => f.ran > change.at)?.time ?? null;
    const entry = { at: due.at, what: change.what, shown: change.shown, moment, frame, error: null, cause: null };
    result.changes.push(entry);
    if (frame === null) {
      entry.cause = 'no frame seen';
      ++result.causes[entry.cause];
      continue;
    }
    entry.error = frame - moment;
    if (Math.abs(entry.error) > movedTimeline) {
      offset += entry.error;
      entry.cause = 'timeline moved on after a stall';
      ++result.causes[entry.cause];
      continue;
    }
    entry.nearest = Math.abs(entry.error) <= period / 2 + slack;
    if (!entry.nearest) {
      const gaps = gapsBetween(frames, moment - 2 * period, frame);
      if (change.frame === null && run.kind === 'ours' || (gaps[0] ?? 0) >= stallGap)
        entry.cause = 'machine stall';
      else if ((gaps[0] ?? 0) > 1.5 * period)
        entry.cause = 'dropped frame';
      if (entry.cause)
        ++result.causes[entry.cause];
    }
    while (pixel < pixels.length && pixels[pixel] <= Math.max(frame, change.at))
      ++pixel;
    if (pixel < pixels.length) {
      entry.pixelsAfterMoment = pixels[pixel] - moment;
      entry.pixelsAfterFrame = pixels[pixel] - frame;
    }
  }

  // Each half cycle in whole frames: the nearest number or the one above, as
  // its two moments fall against the frames; one more only over a dropped frame.
  const judged = result.changes.filter((c) => c.error !== null && !c.cause);
  for (let i = 1; i < result.changes.length; ++i) {
    const [a, b] = [result.changes[i - 1], result.changes[i]];
    if (a.error === null || b.error === null || a.cause || b.cause)
      continue;
    ++result.halfCycles;
    const lasted = Math.round((b.frame - a.frame) / period);
    const nominalFrames = (b.moment - a.moment) / period;
    const [fewest, most] = [Math.floor(nominalFrames + 1e-6), Math.ceil(nominalFrames - 1e-6)];
    const fits = lasted === fewest || lasted === most;
    const dropped = gapsBetween(frames, a.frame, b.frame).some((gap) => gap > 1.5 * period);
    // A moment within the clock's resolution of halfway between two frames is
    // as near to one as to the other; the count may then be one off either way.
    const atTie = (change) => Math.abs(change.error) >= period / 2 - slack;
    if (fits)
      continue;
    if (lasted === most + 1 && dropped)
      ++result.halfCyclesOverDroppedFrames;
    else if ((lasted === fewest - 1 || lasted === most + 1) && (atTie(a) || atTie(b)))
      ++result.halfCyclesAtTies;
    else
      result.halfCycleMisses.push({ at: a.at, lasted, nominal: nominalFrames });
  }

  const errors = judged.map((c) => c.error);
  result.judged = judged.length;
  result.nearest = judged.filter((c) => c.nearest).length;
  result.leftOut = result.changes.length - judged.length;
  result.unexplained = judged.filter((c) => !c.nearest).length;
  result.error = { p50: percentile(errors.map(Math.abs), 0.5), p99: percentile(errors.map(Math.abs), 0.99),
    max: Math.max(0, ...errors.map(Math.abs)), mean: errors.reduce((s, e) => s + e, 0) / (errors.length || 1) };
  // Drift: the mean error over the run's last tenth less that over its first
  // tenth; each change's error is within half a frame wherever the timeline
  // holds, so only a timeline that slides can move this by a frame.
  const tenth = Math.max(1, Math.floor(judged.length / 10));
  const mean = (list) => list.reduce((s, c) => s + c.error, 0) / (list.length || 1);
  result.drift = judged.length >= 20 ? mean(judged.slice(-tenth)) - mean(judged.slice(0, tenth)) : NaN;
  result.driftSpan = judged.length >= 20 ? (judged[judged.length - 1].at - judged[0].at) / 1000 : NaN;
  const toPixels = judged.filter((c) => c.pixelsAfterFrame !== undefined);
  result.pixels = {
    n: toPixels.length,
    afterFrameP50: percentile(toPixels.map((c) => c.pixelsAfterFrame), 0.5),
    afterFrameP99: percentile(toPixels.map((c) => c.pixelsAfterFrame), 0.99),
    afterMomentP50: percentile(toPixels.map((c) => c.pixelsAfterMoment), 0.5),
    afterMomentP99: percentile(toPixels.map((c) => c.pixelsAfterMoment), 0.99),
  };
  result.cpu = run.cpu;
  return result;
}

export function summary(a) {
  const share = a.judged ? (100 * a.nearest / a.judged).toFixed(2) : '–';
  return `${a.changes.length} changes, ${share} % in the nearest frame of ${a.judged} judged, ${a.leftOut} left out, `
    + `${a.halfCycleMisses.length} of ${a.halfCycles} half cycles off, frame ${a.period.toFixed(2)} ms, `
    + `renderer ${(100 * a.cpu.renderer).toFixed(2)} % of a core${a.mismatch ? `, MISMATCH ${a.mismatch}` : ''}`;
}
