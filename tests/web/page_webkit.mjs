// SPDX-License-Identifier: GPL-3.0-or-later
// The page in WebKitGTK, the engine family of the iPad's Safari, through its
// WebDriver. WebKit has no virtual clock to lend, so these checks wait on
// real time with bounds far beyond what any machine needs, and judge what is
// shown, not when.
// node page_webkit.mjs <site folder>
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

import { settingsLayout, stimulusForm } from './expected.mjs';
import { assert, assertBox, runChecks } from './harness.mjs';
import { serve } from './serve.mjs';
import { keys, startWebKit } from './webdriver.mjs';

const site = resolve(process.argv[2] ?? '.');

const focused = (browser) => browser.run('return document.activeElement ? document.activeElement.id : ""');
const text = (browser, id) => browser.run(
  'const e = document.getElementById(arguments[0]); return e instanceof HTMLInputElement ? e.value : e.textContent', id);
const shown = (id) => `return !document.getElementById('${id}').hidden`;

async function open(browser, url) {
  await browser.go(url);
  await browser.until(shown('frm_hoofd'), 30, 'the settings view');
}

const checks = [
  ['the settings view: texts, layout, first focus and Tab', async ({ browser, url }) => {
    await open(browser, url);
    assert.equal(await browser.title(), 'Form1');
    assert.equal(await focused(browser), 'frm_hoofd-txt_start');
    for (const [name, caption, expected] of settingsLayout) {
      assert.equal((await text(browser, `frm_hoofd-${name}`)).trim(), caption, name);
      const box = await browser.run(`const view = document.getElementById('frm_hoofd').getBoundingClientRect();
        const r = document.getElementById(arguments[0]).getBoundingClientRect();
        return [r.left - view.left, r.top - view.top, r.width, r.height];`, `frm_hoofd-${name}`);
      assertBox(box, expected, name);
    }
    for (const next of ['frm_hoofd-txt_speed', 'frm_hoofd-cmd_start', 'frm_hoofd-cmd_exit', 'frm_hoofd-txt_start']) {
      await browser.press(keys.tab);
      assert.equal(await focused(browser), next);
    }
  }],

  ['a bad number gets the Dutch message and keeps the text', async ({ browser, url }) => {
    await open(browser, url);
    await browser.type('#frm_hoofd-txt_start', '12abc');
    await browser.click('#frm_hoofd-cmd_start');
    await browser.until('return document.getElementById("message").open', 10, 'the message');
    const message = await text(browser, 'message-text');
    assert.equal(message.split('\n')[0], 'Het start interval „12abc” is geen geheel getal.');
    assert.equal(await text(browser, 'message-title'), 'Ongeldige invoer');
    await browser.click('#message-ok');
    await browser.until('return document.activeElement.id === "frm_hoofd-txt_start"', 10, 'the focus back in the field');
    assert.equal(await text(browser, 'frm_hoofd-txt_start'), '12abc');
    assert.equal(await browser.title(), 'Form1');
  }],

  ['Alt+S starts; flashes, versnel, the pause picture; Alt+E ends', async ({ browser, url }) => {
    await open(browser, url);
    await browser.type('#frm_hoofd-txt_start', '400');
    await browser.press('s', keys.alt);
    await browser.until(shown('frm_werk'), 10, 'the exercise view');
    assert.equal(await browser.title(), 'Tarvelin');
    assert.equal(await focused(browser), 'frm_werk-cmd_exit');
    await browser.until(shown('frm_werk-txt_string'), 30, 'the first flash');
    assert.match(await text(browser, 'frm_werk-txt_string'), stimulusForm);
    assert.equal(await text(browser, 'frm_werk-Label1'), '400');
    assert.equal(await text(browser, 'frm_werk-Label3'), '1');
    await browser.click('#frm_werk-Command1');
    await browser.until('return document.getElementById("frm_werk-Label1").textContent === "300"', 30, 'tijd 300');
    await browser.until(shown('frm_werk-Picture1'), 60, 'the pause picture');
    assert.equal(await browser.run(shown('frm_werk-txt_string')), false, 'only the picture shows in a pause');
    await browser.until(`return document.getElementById('frm_werk-Picture1').hidden`, 60, 'the end of the pause');
    await browser.press('e', keys.alt);
    await browser.until(shown('ended'), 10, 'the ended notice');
    assert.equal(await browser.run(shown('frm_werk')), false);
  }],

  ['tarvelin.html runs from a folder', async ({ browser }) => {
    await open(browser, pathToFileURL(join(site, 'tarvelin.html')).href);
    assert.equal(await text(browser, 'frm_hoofd-txt_start'), '2000');
    assert.equal(await text(browser, 'frm_hoofd-txt_speed'), '100');
    await browser.type('#frm_hoofd-txt_start', '200');
    await browser.click('#frm_hoofd-cmd_start');
    await browser.until(shown('frm_werk-txt_string'), 30, 'a flash');
  }],
];

await runChecks('WebKitGTK', checks, {
  before: async () => {
    const { server, url } = await serve(site);
    const browser = await startWebKit();
    console.log(`      WebKitGTK ${browser.version}`);
    return { server, url, browser };
  },
  after: async ({ server, browser }) => {
    await browser?.close();
    server?.close();
  },
});
