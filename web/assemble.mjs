// SPDX-License-Identifier: GPL-3.0-or-later
// Puts the page together: node assemble.mjs <source root> <folder with the
// built core> <output folder>. Writes the served site (its service worker
// listing every file) and tarvelin.html, the whole program in one file.
import { createHash } from 'node:crypto';
import { copyFileSync, mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

const [sourceRoot, coreDir, outDir] = process.argv.slice(2);
if (!outDir) {
  console.error('usage: node assemble.mjs <source root> <core folder> <output folder>');
  process.exit(2);
}
const web = join(sourceRoot, 'web');
const assets = join(sourceRoot, 'assets');
const icons = ['16.png', '24.png', '32.png', '48.png', '64.png', '128.png', '256.png', 'scalable.svg'];

mkdirSync(join(outDir, 'icons'), { recursive: true });
const site = [
  [join(web, 'index.html'), 'index.html'],
  [join(web, 'tarvelin.css'), 'tarvelin.css'],
  [join(web, 'tarvelin.js'), 'tarvelin.js'],
  [join(web, 'manifest.webmanifest'), 'manifest.webmanifest'],
  [join(assets, 'pause.jpg'), 'pause.jpg'],
  [join(coreDir, 'tarvelin_core.js'), 'tarvelin_core.js'],
  [join(coreDir, 'tarvelin_core.wasm'), 'tarvelin_core.wasm'],
  ...icons.map((icon) => [join(assets, 'icons', icon), join('icons', icon)]),
];
const version = createHash('sha256');
for (const [from, to] of site) {
  copyFileSync(from, join(outDir, to));
  version.update(to).update(readFileSync(from));
}

const files = ['./', ...site.map(([, to]) => to)];
const worker = readFileSync(join(web, 'sw.js.in'), 'utf8')
  .replace('@VERSION@', version.digest('hex').slice(0, 16))
  .replace('@FILES@', JSON.stringify(files));
writeFileSync(join(outDir, 'sw.js'), worker);

// One file that runs from a folder or a USB stick by double-click: no server,
// so no worker and no manifest; the wasm is inside the core's script.
const dataUri = (file, type) => `data:${type};base64,${readFileSync(file).toString('base64')}`;
const inline = (file) => {
  const text = readFileSync(file, 'utf8');
  return text.replaceAll('</script', '<\\/script');
};
let single = readFileSync(join(web, 'index.html'), 'utf8');
const replaceOnce = (from, to) => {
  if (!single.includes(from))
    throw new Error(`index.html no longer holds: ${from}`);
  single = single.replace(from, () => to);
};
replaceOnce('<link rel="manifest" href="manifest.webmanifest">\n', '');
replaceOnce('<link rel="icon" href="icons/32.png" sizes="32x32">',
  `<link rel="icon" href="${dataUri(join(assets, 'icons', '32.png'), 'image/png')}" sizes="32x32">`);
replaceOnce('<link rel="icon" href="icons/scalable.svg" type="image/svg+xml">\n', '');
replaceOnce('<link rel="apple-touch-icon" href="icons/256.png">\n', '');
replaceOnce('<link rel="stylesheet" href="tarvelin.css">',
  `<style>\n${readFileSync(join(web, 'tarvelin.css'), 'utf8')}</style>`);
replaceOnce('src="pause.jpg"', `src="${dataUri(join(assets, 'pause.jpg'), 'image/jpeg')}"`);
replaceOnce('<script src="tarvelin_core.js"></script>',
  `<script>\n${inline(join(coreDir, 'tarvelin_core_single.js'))}</script>`);
replaceOnce('<script type="module" src="tarvelin.js"></script>',
  `<script type="module">\n${inline(join(web, 'tarvelin.js'))}</script>`);
writeFileSync(join(outDir, 'tarvelin.html'), single);
