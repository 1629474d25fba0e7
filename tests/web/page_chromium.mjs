// SPDX-License-Identifier: GPL-3.0-or-later
// The whole page in Debian's Chromium, driven as a user drives it: by role,
// name, keys, clicks and taps. Time is the browser's virtual clock, so no
// check depends on how fast this machine is.
// node page_chromium.mjs <site folder>   (tarvelin.html is beside the site)
import { chromium } from 'playwright-core';
import { gzipSync } from 'node:zlib';
import { readdirSync, readFileSync, statSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

import { exerciseLayout, settingsLayout, stimulusForm } from './expected.mjs';
import { assert, assertBox, runChecks } from './harness.mjs';
import { serve } from './serve.mjs';

const site = resolve(process.argv[2] ?? '.');
const launchArgs = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
  '--disable-component-update', '--disable-sync'];

// Opens the page on a virtual clock that runs only when a check says so.
async function openPage(context, url) {
  const page = await context.newPage();
  page.errors = [];
  page.on('pageerror', (error) => page.errors.push(error.message));
  await page.clock.install({ time: 0 });
  await page.goto(url);
  await page.locator('#frm_hoofd').waitFor({ state: 'visible' });
  await page.clock.pauseAt(60000); // from here on it moves only by runFor()
  return page;
}

// Writes down every time the stimulus or the pause picture comes or goes,
// with the virtual time of the frame it happened in.
function watchChanges(page) {
  return page.evaluate(() => {
    window.changes = [];
    const watch = (id, name) => new MutationObserver(() => {
      window.changes.push({ at: performance.now(), what: name, shown: !document.getElementById(id).hidden });
    }).observe(document.getElementById(id), { attributes: true, attributeFilter: ['hidden'] });
    watch('frm_werk-txt_string', 'stimulus');
    watch('frm_werk-Picture1', 'pause');
    return performance.now();
  });
}

const changes = (page) => page.evaluate(() => window.changes);
const focused = (page) => page.evaluate(() => document.activeElement?.id ?? '');
const box = (page, id) => page.evaluate((id) => {
  const view = document.getElementById(id).closest('.view').getBoundingClientRect();
  const rect = document.getElementById(id).getBoundingClientRect();
  return [rect.left - view.left, rect.top - view.top, rect.width, rect.height];
}, id);

const badInput = [
  // start, acceleration, the field that keeps the focus, the message's first line
  ['', '100', 'txt_start', 'Het start interval is niet ingevuld.'],
  ['12abc', '100', 'txt_start', 'Het start interval „12abc” is geen geheel getal.'],
  ['2147483648', '100', 'txt_start', 'Het start interval „2147483648” is te groot.'],
  ['1.500', '100', 'txt_start', 'Het start interval „1.500” is geen geheel getal.'],
  ['2000', 'snel', 'txt_speed', 'De versnelling „snel” is geen geheel getal.'],
  ['2000', '  ', 'txt_speed', 'De versnelling is niet ingevuld.'],
  ['x', 'y', 'txt_start', 'Het start interval „x” is geen geheel getal.'],
  ['<img src=x onerror=alert(1)>', '100', 'txt_start', 'Het start interval „<img src=x onerror=alert(1)>” is geen geheel getal.'],
  ['9'.repeat(30000), '100', 'txt_start', `Het start interval „${'9'.repeat(40)}…” is te groot.`],
  ['2000', '\u{1F600}x', 'txt_speed', 'De versnelling „\u{1F600}x” is geen geheel getal.'],
];

const checks = [
  ['the settings view as it opens', async ({ browser, url }) => {
    const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
    const page = await openPage(context, url);
    assert.equal(await page.title(), 'Form1');
    assert.equal(await focused(page), 'frm_hoofd-txt_start');
    for (const [name, text, expected] of settingsLayout) {
      const control = page.locator(`#frm_hoofd-${name}`);
      const shown = await control.evaluate((element) => (element instanceof HTMLInputElement ? element.value : element.textContent));
      assert.equal(shown.trim(), text, name);
      assertBox(await box(page, `frm_hoofd-${name}`), expected, name);
    }
    await page.getByRole('textbox', { name: 'Geef start interval' }).waitFor();
    await page.getByRole('textbox', { name: 'Geef versnelling' }).waitFor();
    assert.equal(await page.getByRole('button', { name: 'Start' }).getAttribute('accesskey'), 's');
    assert.equal(await page.locator('#frm_hoofd-cmd_start u').textContent(), 'S');
    assert.equal(await page.locator('#frm_hoofd-cmd_exit u').textContent(), 'E');
    for (const next of ['frm_hoofd-txt_speed', 'frm_hoofd-cmd_start', 'frm_hoofd-cmd_exit', 'frm_hoofd-txt_start']) {
      await page.keyboard.press('Tab');
      assert.equal(await focused(page), next);
    }
    await page.keyboard.press('Shift+Tab');
    assert.equal(await focused(page), 'frm_hoofd-cmd_exit');
    assert.deepEqual(page.errors, []);
    await context.close();
  }],

  ['a bad number gets its message and keeps the text', async ({ browser, url }) => {
    const context = await browser.newContext();
    const page = await openPage(context, url);
    for (const [start, speed, field, first] of badInput) {
      await page.getByRole('textbox', { name: 'Geef start interval' }).fill(start);
      await page.getByRole('textbox', { name: 'Geef versnelling' }).fill(speed);
      await page.getByRole('button', { name: 'Start' }).click();
      const dialog = page.getByRole('dialog', { name: 'Ongeldige invoer' });
      await dialog.waitFor();
      const text = await page.locator('#message-text').textContent();
      assert.equal(text.split('\n')[0], first);
      assert.match(text, /\n\nGeef een geheel aantal milliseconden tussen -2147483648 en 2147483647, bijvoorbeeld (2000|100)\.$/);
      assert.equal(await focused(page), 'message-ok');
      await page.keyboard.press('Enter');
      await dialog.waitFor({ state: 'hidden' });
      // The dialog's close event, which gives the focus back, comes as a task of its own.
      await page.waitForFunction((id) => document.activeElement?.id === id, `frm_hoofd-${field}`, { timeout: 5000 })
        .catch(() => {});
      assert.equal(await focused(page), `frm_hoofd-${field}`, first);
      const selection = await page.evaluate(() => {
        const input = document.activeElement;
        return [input.selectionStart, input.selectionEnd, input.value.length];
      });
      assert.deepEqual(selection, [0, selection[2], selection[2]], 'the kept text is selected');
      assert.equal(await page.locator('#frm_hoofd-txt_start').inputValue(), start);
      assert.equal(await page.locator('#frm_hoofd-txt_speed').inputValue(), speed);
      assert.equal(await page.title(), 'Form1');
      assert.ok(await page.locator('#frm_werk').isHidden());
    }
    assert.equal(await page.locator('#message-text img').count(), 0, 'typed markup is shown as text');
    assert.deepEqual(page.errors, []);
    await context.close();
  }],

  ['Alt+S starts; flashes of 1000 ms, ten a series, then the pause', async ({ browser, url }) => {
    const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
    const page = await openPage(context, url);
    const start = await watchChanges(page);
    await page.keyboard.press('Alt+S');
    assert.equal(await page.title(), 'Tarvelin');
    assert.equal(await focused(page), 'frm_werk-cmd_exit');
    for (const [name, expected] of exerciseLayout.filter(([name]) => name !== 'txt_string' && name !== 'Picture1'))
      assertBox(await box(page, `frm_werk-${name}`), expected, name);
    assert.equal(await page.locator('#frm_werk-Label1').textContent(), '');
    assert.equal(await page.locator('#frm_werk-Label3').textContent(), '');
    assert.equal(await page.locator('#frm_werk-Label4').textContent(), 'reeks');
    assert.equal(await page.locator('#frm_werk-Label5').textContent(), 'tijd');
    assert.equal(await page.locator('#frm_werk-Command1').textContent(), 'versnel        100 msec');
    assert.equal(await page.locator('#frm_werk-Command2').textContent(), 'vertraag      100 msec');

    await page.clock.runFor(990);
    assert.ok(await page.locator('#frm_werk-txt_string').isHidden(), 'nothing before the first half cycle');
    await page.clock.runFor(30);
    assert.match(await page.locator('#frm_werk-txt_string').textContent(), stimulusForm);
    assert.equal(await page.locator('#frm_werk-Label1').textContent(), '2000');
    assert.equal(await page.locator('#frm_werk-Label3').textContent(), '1');
    assertBox(await box(page, 'frm_werk-txt_string'), exerciseLayout[0][1], 'txt_string');
    assert.equal(await page.locator('#frm_werk-txt_string').evaluate((label) => {
      const style = getComputedStyle(label);
      return [style.fontWeight, style.fontSize, style.textAlign === 'center' || style.justifyContent === 'center'].join(' ');
    }), '700 32px true', 'bold, 24 pt, centred');

    await page.clock.runFor(25000);
    // Twenty steps 1000 ms apart, the pause picture at the 21st, 3500 ms of pause,
    // and the next series' first flash a half cycle later; each change in the
    // frame nearest its moment (the virtual screen draws every 16 ms).
    const expected = [];
    for (let step = 1; step <= 20; ++step)
      expected.push({ at: 1000 * step, what: 'stimulus', shown: step % 2 === 1 });
    expected.push({ at: 21000, what: 'pause', shown: true });
    expected.push({ at: 24500, what: 'pause', shown: false });
    expected.push({ at: 25500, what: 'stimulus', shown: true });
    const state = { stimulus: false, pause: false };
    const seen = (await changes(page)).filter((change) => {
      const moved = state[change.what] !== change.shown;
      state[change.what] = change.shown;
      return moved;
    });
    assert.equal(seen.length, expected.length, JSON.stringify(seen));
    seen.forEach((change, i) => {
      assert.equal(change.what, expected[i].what, `change ${i}`);
      assert.equal(change.shown, expected[i].shown, `change ${i}`);
      const off = change.at - start - expected[i].at;
      assert.ok(Math.abs(off) <= 8.5, `change ${i} came ${off} ms off its moment`);
    });

    // Einde by its access key: everything stops at once.
    await page.keyboard.press('Alt+E');
    await page.getByText('Het programma is beëindigd.').waitFor();
    const atEnd = (await changes(page)).length;
    await page.clock.runFor(5000);
    assert.equal((await changes(page)).length, atEnd, 'nothing moves after Einde');
    assert.ok(await page.locator('#frm_werk').isHidden());
    await page.getByRole('button', { name: 'Opnieuw beginnen' }).click();
    await page.locator('#frm_hoofd').waitFor();
    assert.equal(await page.locator('#frm_hoofd-txt_start').inputValue(), '2000');
    assert.deepEqual(page.errors, []);
    await context.close();
  }],

  ['versnel and vertraag show from the next step on', async ({ browser, url }) => {
    const context = await browser.newContext();
    const page = await openPage(context, url);
    await page.getByRole('textbox', { name: 'Geef start interval' }).fill('600');
    await page.getByRole('button', { name: 'Start' }).click();
    await page.clock.runFor(310);
    assert.equal(await page.locator('#frm_werk-Label1').textContent(), '600');
    await page.getByRole('button', { name: 'versnel 100 msec' }).click();
    assert.equal(await page.locator('#frm_werk-Label1').textContent(), '600');
    await page.clock.runFor(260);
    assert.equal(await page.locator('#frm_werk-Label1').textContent(), '500');
    for (let i = 0; i < 3; ++i)
      await page.getByRole('button', { name: 'vertraag 100 msec' }).click();
    await page.clock.runFor(410);
    assert.equal(await page.locator('#frm_werk-Label1').textContent(), '800');
    assert.equal(await page.locator('#frm_werk-Label3').textContent(), '1');
    assert.deepEqual(page.errors, []);
    await context.close();
  }],

  ['the pause picture, reached by Tab only while it shows', async ({ browser, url }) => {
    const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
    const page = await openPage(context, url);
    await page.getByRole('textbox', { name: 'Geef start interval' }).fill('100');
    await page.getByRole('button', { name: 'Start' }).click();
    const order = async () => {
      const ids = [];
      for (let i = 0; i < 4; ++i) {
        await page.keyboard.press('Tab');
        ids.push(await focused(page));
      }
      return ids;
    };
    assert.deepEqual(await order(), ['frm_werk-Command1', 'frm_werk-Command2', 'frm_werk-cmd_exit', 'frm_werk-Command1']);
    await page.clock.runFor(21 * 50 + 20);
    const picture = page.getByRole('img', { name: 'pauze' });
    assert.ok(await picture.isVisible(), 'the pause picture shows after the 21st step');
    assertBox(await box(page, 'frm_werk-Picture1'), exerciseLayout[1][1], 'Picture1');
    assert.ok(await page.locator('#frm_werk-txt_string').isHidden());
    assert.equal(await picture.evaluate((image) => image.naturalWidth), 150);
    await page.locator('#frm_werk-cmd_exit').focus();
    assert.deepEqual(await order(), ['frm_werk-Picture1', 'frm_werk-Command1', 'frm_werk-Command2', 'frm_werk-cmd_exit']);
    await page.clock.runFor(3500);
    assert.ok(await picture.isHidden());
    await context.close();
  }],

  ['views shrink evenly to fit and never scroll', async ({ browser, url }) => {
    // A Chromebook's 1366 x 768 less the browser's bar; an iPad in both orientations; a large screen.
    for (const [width, height, scale] of [[1366, 657, 657 / 734], [1180, 740, 740 / 734], [820, 1100, 820 / 1016],
      [1920, 1080, 1]]) {
      const context = await browser.newContext({ viewport: { width, height } });
      const page = await openPage(context, url);
      await page.getByRole('button', { name: 'Start' }).click();
      const [rect, scroll] = await page.evaluate(() => {
        const r = document.getElementById('frm_werk').getBoundingClientRect();
        const s = document.scrollingElement;
        return [[r.left, r.top, r.width, r.height], [s.scrollWidth, s.scrollHeight]];
      });
      const what = `${width} x ${height}`;
      assert.ok(Math.abs(rect[2] - 1016 * Math.min(1, scale)) < 0.5, `${what}: width ${rect[2]}`);
      assert.ok(Math.abs(rect[3] - 734 * Math.min(1, scale)) < 0.5, `${what}: height ${rect[3]}`);
      assert.ok(rect[0] >= -0.5 && rect[1] >= -0.5 && rect[0] + rect[2] <= width + 0.5 && rect[1] + rect[3] <= height + 0.5, `${what}: inside`);
      assert.ok(scroll[0] <= width && scroll[1] <= height, `${what}: scrolls to ${scroll}`);
      await context.close();
    }
  }],

  ['every control works by touch', async ({ browser, url }) => {
    const context = await browser.newContext({ viewport: { width: 820, height: 1100 }, hasTouch: true, isMobile: true });
    const page = await openPage(context, url);
    await page.getByRole('textbox', { name: 'Geef start interval' }).tap();
    await page.getByRole('textbox', { name: 'Geef start interval' }).fill('300');
    await page.getByRole('button', { name: 'Start' }).tap();
    await page.clock.runFor(160);
    assert.equal(await page.locator('#frm_werk-Label1').textContent(), '300');
    await page.getByRole('button', { name: 'vertraag 100 msec' }).tap();
    await page.clock.runFor(210);
    assert.equal(await page.locator('#frm_werk-Label1').textContent(), '400');
    await page.getByRole('button', { name: 'versnel 100 msec' }).tap();
    await page.clock.runFor(160);
    assert.equal(await page.locator('#frm_werk-Label1').textContent(), '300');
    await page.getByRole('button', { name: 'Einde' }).tap();
    await page.getByText('Het programma is beëindigd.').waitFor();
    await context.close();
  }],

  ['Einde on the settings view ends the program', async ({ browser, url }) => {
    const context = await browser.newContext();
    const page = await openPage(context, url);
    await page.getByRole('button', { name: 'Einde' }).click();
    await page.getByText('Het programma is beëindigd.').waitFor();
    assert.ok(await page.locator('#frm_hoofd').isHidden());
    assert.equal(await page.title(), 'Tarvelin');
    await context.close();
  }],

  ['installed, it runs with no network after the first visit', async ({ browser }) => {
    const own = await serve(site);
    const context = await browser.newContext();
    const page = await context.newPage();
    await page.goto(own.url);
    await page.evaluate(() => navigator.serviceWorker.ready.then(() => undefined));
    const manifest = await page.evaluate(() => fetch('manifest.webmanifest').then((response) => response.json()));
    assert.equal(manifest.name, 'Tarvelin');
    assert.equal(manifest.lang, 'nl');
    assert.equal(manifest.display, 'standalone');
    for (const icon of manifest.icons)
      assert.equal(await page.evaluate((src) => fetch(src).then((response) => response.status), icon.src), 200, icon.src);
    await new Promise((done) => own.server.close(done));
    own.server.closeAllConnections?.();
    await context.setOffline(true);
    await page.reload();
    await page.locator('#frm_hoofd').waitFor({ state: 'visible' });
    assert.equal(await page.locator('#frm_hoofd-txt_start').inputValue(), '2000');
    await page.getByRole('button', { name: 'Start' }).click();
    await page.locator('#frm_werk-txt_string').waitFor({ state: 'visible', timeout: 20000 });
    await context.close();
  }],

  ['tarvelin.html runs by itself from a folder', async ({ browser }) => {
    const context = await browser.newContext();
    const page = await openPage(context, pathToFileURL(join(site, 'tarvelin.html')).href);
    assert.equal(await page.title(), 'Form1');
    assert.equal(await page.locator('#frm_hoofd-txt_speed').inputValue(), '100');
    await page.getByRole('button', { name: 'Start' }).click();
    await page.clock.runFor(1020);
    assert.match(await page.locator('#frm_werk-txt_string').textContent(), stimulusForm);
    assert.ok(await page.locator('#frm_werk-Picture1').evaluate((image) => image.complete && image.naturalWidth === 150),
      'the pause picture is inside the file');
    assert.deepEqual(page.errors, []);
    await context.close();
  }],

  ['everything the page loads is at most 200 KB gzipped', async () => {
    const files = [];
    const walk = (folder) => {
      for (const name of readdirSync(folder)) {
        const path = join(folder, name);
        if (statSync(path).isDirectory())
          walk(path);
        else if (name !== 'tarvelin.html')
          files.push(path);
      }
    };
    walk(site);
    const total = files.reduce((sum, file) => sum + gzipSync(readFileSync(file), { level: 9 }).length, 0);
    console.log(`      ${files.length} files, ${(total / 1024).toFixed(1)} KB gzipped`);
    assert.ok(files.length >= 10 && total <= 200 * 1024, `${total} bytes`);
  }],
];

await runChecks('Chromium', checks, {
  before: async () => {
    const { server, url } = await serve(site);
    const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: launchArgs });
    return { server, url, browser };
  },
  after: async ({ server, browser }) => {
    await browser?.close();
    server?.close();
  },
});
