// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the core's trace in the desktop's build and in WebAssembly under Node,
// with the same seeds, and fails at the first line where they part.
// node compare_traces.mjs <native core_trace> <core_trace.js>
import { execFileSync } from 'node:child_process';
import { existsSync } from 'node:fs';

const [native, wasm] = process.argv.slice(2);
if (!existsSync(native)) {
  console.error(`No desktop build of the trace at ${native}: build the check preset first (make test does).`);
  process.exit(1);
}

const run = (command, args) => execFileSync(command, args, { maxBuffer: 1 << 30, encoding: 'utf8' }).split('\n');
let failed = false;
for (const seed of ['1', '2', '3']) {
  const expected = run(native, [seed, '16']);
  const actual = run(process.execPath, [wasm, seed, '16']);
  const steps = expected.filter((line) => / tijd /.test(line)).length;
  const messages = expected.filter((line) => / message /.test(line)).length;
  const length = Math.max(expected.length, actual.length);
  let differs = -1;
  for (let i = 0; i < length && differs < 0; ++i) {
    if (expected[i] !== actual[i])
      differs = i;
  }
  if (differs >= 0) {
    failed = true;
    console.log(`seed ${seed}: the builds part at line ${differs + 1}`);
    for (let i = Math.max(0, differs - 5); i < differs; ++i)
      console.log(`    ${expected[i]}`);
    console.log(`  desktop: ${expected[differs] ?? '(end)'}`);
    console.log(`  wasm:    ${actual[differs] ?? '(end)'}`);
  } else if (steps < 1000 || messages < 10) {
    failed = true;
    console.log(`seed ${seed}: too little happened to compare (${steps} steps, ${messages} messages)`);
  } else {
    console.log(`seed ${seed}: ${expected.length} lines alike, ${steps} steps and ${messages} refused texts among them`);
  }
}
process.exit(failed ? 1 : 0);
