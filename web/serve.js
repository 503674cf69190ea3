#!/usr/bin/env node
// Serves the browser build on 127.0.0.1 for playing and testing: static files
// from one folder, with the types a browser wants for each.
//   node web/serve.js FOLDER [PORT]    (PORT 0 or busy: any free one)
// Prints the page's address on its first line of output. Also a module: the
// web test starts it in-process with serve(folder, port).
'use strict';
const http = require('http');
const fs = require('fs');
const path = require('path');

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
  '.dem': 'application/octet-stream',
  '.png': 'image/png',
  '.webmanifest': 'application/manifest+json',
};

// Starts serving `folder`; resolves to the server once it listens. Files
// outside the folder are never served.
function serve(folder, port, host = '127.0.0.1') {
  const root = path.resolve(folder);
  const server = http.createServer((req, res) => {
    let name;
    try {
      name = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    } catch (e) {
      res.writeHead(400).end();
      return;
    }
    if (name.endsWith('/')) name += 'index.html';
    const file = path.resolve(root, '.' + name);
    if (file !== root && !file.startsWith(root + path.sep)) {
      res.writeHead(403).end();
      return;
    }
    fs.readFile(file, (err, body) => {
      if (err) {
        res.writeHead(404, {'Content-Type': 'text/plain'}).end('not found\n');
        return;
      }
      res.writeHead(200, {
        'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
        'Cache-Control': 'no-cache',
      });
      res.end(body);
    });
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, host, () => resolve(server));
  });
}

module.exports = { serve };

if (require.main === module) {
  const folder = process.argv[2] || 'build-web';
  const wanted = Number(process.argv[3] || 8000);
  if (!fs.existsSync(path.join(folder, 'index.html'))) {
    console.error(`serve: no ${folder}/index.html (make web builds it)`);
    process.exit(1);
  }
  serve(folder, wanted)
    .catch((e) => {
      if (e.code !== 'EADDRINUSE') throw e;
      console.error(`serve: port ${wanted} is taken; using a free one`);
      return serve(folder, 0);
    })
    .then((server) => {
      console.log(`http://127.0.0.1:${server.address().port}/`);
      console.log('Serving ' + path.resolve(folder) + '; Ctrl+C stops.');
    });
}
