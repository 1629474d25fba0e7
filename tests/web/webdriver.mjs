// SPDX-License-Identifier: GPL-3.0-or-later
// Just enough of the W3C WebDriver protocol to drive WebKitGTK's MiniBrowser,
// on an X server of its own: both are started here and ended by close().
import { spawn } from 'node:child_process';
import { createServer } from 'node:net';

const elementKey = 'element-6066-11e4-a52e-4f735466cecf';
export const keys = { alt: '\uE00A', shift: '\uE008', tab: '\uE004', enter: '\uE007' };

function freePort() {
  return new Promise((done, fail) => {
    const probe = createServer();
    probe.once('error', fail);
    probe.listen(0, '127.0.0.1', () => {
      const { port } = probe.address();
      probe.close(() => done(port));
    });
  });
}

const pause = (ms) => new Promise((done) => setTimeout(done, ms));

export async function startWebKit() {
  const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
    { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
  const display = await new Promise((done, fail) => {
    xvfb.once('error', fail);
    xvfb.once('exit', (code) => fail(new Error(`Xvfb ended with ${code}`)));
    xvfb.stdio[3].once('data', (data) => done(String(data).trim()));
  });
  const port = await freePort();
  const driver = spawn('WebKitWebDriver', [`--port=${port}`],
    { env: { ...process.env, DISPLAY: `:${display}` }, stdio: 'ignore' });
  const base = `http://127.0.0.1:${port}`;

  const call = async (method, path, body) => {
    const response = await fetch(base + path, {
      method,
      headers: { 'Content-Type': 'application/json' },
      body: body === undefined ? undefined : JSON.stringify(body),
    });
    const answer = await response.json();
    if (!response.ok)
      throw new Error(`${method} ${path}: ${answer.value?.error} ${answer.value?.message}`);
    return answer.value;
  };

  let session = null;
  for (let attempt = 0; !session; ++attempt) {
    try {
      session = await call('POST', '/session', { capabilities: { alwaysMatch: {
        browserName: 'MiniBrowser',
        'webkitgtk:browserOptions': {
          binary: '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser',
          args: ['--automation'],
        },
      } } });
    } catch (error) {
      if (attempt > 50)
        throw error;
      await pause(200); // the driver is still starting
    }
  }
  const id = `/session/${session.sessionId}`;

  const browser = {
    version: session.capabilities.browserVersion,
    go: (url) => call('POST', `${id}/url`, { url }),
    title: () => call('GET', `${id}/title`),
    run: (script, ...args) => call('POST', `${id}/execute/sync`, { script, args }),
    find: async (css) => (await call('POST', `${id}/element`, { using: 'css selector', value: css }))[elementKey],
    click: async (css) => call('POST', `${id}/element/${await browser.find(css)}/click`, {}),
    type: async (css, text) => {
      const element = await browser.find(css);
      await call('POST', `${id}/element/${element}/clear`, {});
      if (text)
        await call('POST', `${id}/element/${element}/value`, { text });
    },
    // Presses `key` with the modifiers held, as a user's fingers do.
    press: (key, ...modifiers) => call('POST', `${id}/actions`, { actions: [{ type: 'key', id: 'keyboard', actions: [
      ...modifiers.map((value) => ({ type: 'keyDown', value })),
      { type: 'keyDown', value: key }, { type: 'keyUp', value: key },
      ...modifiers.reverse().map((value) => ({ type: 'keyUp', value })),
    ] }] }),
    // Waits for the script to return something truthy, at most `seconds` of real time.
    until: async (script, seconds, what) => {
      const deadline = Date.now() + seconds * 1000;
      for (;;) {
        const value = await browser.run(script);
        if (value)
          return value;
        if (Date.now() > deadline)
          throw new Error(`waited ${seconds} s for ${what}`);
        await pause(20);
      }
    },
    close: async () => {
      await call('DELETE', id).catch(() => {});
      driver.kill();
      xvfb.kill();
    },
  };
  return browser;
}
