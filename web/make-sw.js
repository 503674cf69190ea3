#!/usr/bin/env node
// Writes FOLDER/sw.js, the page's service worker (web/sw.js), for the build in
// FOLDER: its cache is named after a digest of the page's files and of the
// shipped demos beside them, so any change to any of them is a new cache.
//   node web/make-sw.js FOLDER
'use strict';
const crypto = require('crypto');
const fs = require('fs');
const path = require('path');

// The page's files, all needed to start and play (web-zip packs the same).
const FILES = ['index.html', 'delve.js', 'delve.wasm', 'delve.data', 'touch.js', 'manifest.webmanifest',
  'icon-192.png', 'icon-512.png'];

const folder = process.argv[2];
if (!folder) {
  console.error('usage: make-sw.js FOLDER');
  process.exit(2);
}
const demos = fs.existsSync(path.join(folder, 'demos'))
  ? fs.readdirSync(path.join(folder, 'demos')).filter((f) => f.endsWith('.dem')).sort().map((f) => 'demos/' + f)
  : [];
const digest = crypto.createHash('sha256');
for (const file of [...FILES, ...demos]) {
  // The name too: the same bytes under another name are another build.
  digest.update(file + '\0');
  digest.update(fs.readFileSync(path.join(folder, file)));
}
const template = fs.readFileSync(path.join(__dirname, 'sw.js'), 'utf8');
const worker = template.replace('@CONTENT@', digest.digest('hex').slice(0, 16))
  .replace('@FILES@', JSON.stringify(FILES))
  .replace('@EXTRAS@', JSON.stringify(demos));
fs.writeFileSync(path.join(folder, 'sw.js'), worker);
