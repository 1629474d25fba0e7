// SPDX-License-Identifier: GPL-3.0-or-later
// The few lines the page tests share: named checks that run one after
// another, each reported, and a closing count.
import assert from 'node:assert/strict';

export { assert };

// A control's box [left, top, width, height] in CSS pixels against the expected one.
export function assertBox(actual, expected, what) {
  for (let i = 0; i < 4; ++i)
    assert.ok(Math.abs(actual[i] - expected[i]) < 0.05, `${what}: ${actual} is not ${expected}`);
}

export async function runChecks(name, checks, { before, after } = {}) {
  let passed = 0;
  let failed = 0;
  const context = before ? await before() : {};
  try {
    for (const [title, check] of checks) {
      const started = Date.now();
      try {
        await check(context);
        ++passed;
        console.log(`ok    ${name}: ${title} (${Date.now() - started} ms)`);
      } catch (error) {
        ++failed;
        console.log(`FAIL  ${name}: ${title}\n      ${String(error?.stack ?? error).split('\n').join('\n      ')}`);
      }
    }
  } finally {
    if (after)
      await after(context);
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exitCode = failed || passed === 0 ? 1 : 0;
}
