// SPDX-License-Identifier: GPL-3.0-or-later
// Put into the page by the browser bench before the page's own scripts, as a
// user's extension could be: it watches, from outside the program, every frame
// callback and every time the stimulus or the pause picture comes or goes.
(() => {
  const bench = { frames: [], changes: [], settingsShownAt: null, startedAt: null };
  window.__bench = bench;
  const requestFrame = window.requestAnimationFrame.bind(window);
  let observer = null;
  // Whether an element shows, from the value its watched attribute takes; set by __benchWatch.
  let shows = null;
  const state = new Map();
  // Every record is a change of the attribute; its new value is the next
  // record's old one, or the present one for the last. So changes undone
  // within one frame are still each seen.
  const take = (records, frame) => {
    const at = readClock();
    records.forEach((record, i) => {
      const element = record.target;
      const later = records.slice(i + 1).find((r) => r.target === element);
      const now = shows(element, later ? later.oldValue : element.getAttribute(record.attributeName));
      if (state.get(element) === now)
        return;
      state.set(element, now);
      bench.changes.push({ what: element.dataset.benchName, shown: now, at, frame });
    });
  };
  // A change made inside a frame callback belongs to that frame.
  window.requestAnimationFrame = (callback) => requestFrame((time) => {
    const ran = readClock();
    const frames = bench.frames;
    if (frames.length === 0 || frames[frames.length - 1].time !== time)
      frames.push({ time, ran });
    try {
      callback(time);
    } finally {
      if (observer)
        take(observer.takeRecords(), time);
    }
  });
  // Our page hides with the hidden attribute; the setInterval page with styles.
  window.__benchWatch = (stimulusId, pauseId, kind) => {
    const stimulus = document.getElementById(stimulusId);
    const pause = document.getElementById(pauseId);
    stimulus.dataset.benchName = 'stimulus';
    pause.dataset.benchName = 'pause';
    const attribute = kind === 'ours' ? 'hidden' : 'style';
    shows = kind === 'ours'
      ? (element, value) => value === null
      : (element, value) => element === stimulus ? /visibility:\s*visible/.test(value ?? '') : /display:\s*block/.test(value ?? '');
    for (const element of [stimulus, pause])
      state.set(element, shows(element, element.getAttribute(attribute)));
    observer = new MutationObserver((records) => take(records, null));
    for (const element of [stimulus, pause])
      observer.observe(element, { attributes: true, attributeOldValue: true, attributeFilter: [attribute] });
    // A page that never asks for frames is shown frames all the same; see them.
    if (kind !== 'ours') {
      const loop = () => window.requestAnimationFrame(loop);
      loop();
    }
  };
  // When the exercise's timeline begins: the first clock reading after the
  // Start click, which is the one its pacing timer starts from (what runs
  // first after a click, compiling the code it calls among it, can take some
  // ms). A page that reads no clock begins at the click.
  const readClock = performance.now.bind(performance);
  let awaitingStart = false;
  performance.now = () => {
    const now = readClock();
    if (awaitingStart) {
      awaitingStart = false;
      bench.startedAt = now;
    }
    return now;
  };
  document.addEventListener('click', () => {
    if (bench.startedAt === null) {
      bench.startedAt = readClock();
      awaitingStart = true;
    }
  }, true);
  new MutationObserver(() => {
    const settings = document.getElementById('frm_hoofd');
    if (bench.settingsShownAt === null && settings && !settings.hidden)
      bench.settingsShownAt = readClock();
  }).observe(document, { attributes: true, subtree: true, attributeFilter: ['hidden'] });
})();
