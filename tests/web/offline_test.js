#!/usr/bin/env node
// The browser build installable and playable offline, in Debian's Chromium:
// after one visit the page's files are kept, a second visit fetches none of
// them, the page starts and plays the shipped demo with the server gone, a
// rebuilt delve.wasm replaces the kept build whole on the next visit, and the
// manifest and its icons are sound. Works on a copy of the build it serves
// itself, which it rebuilds in place.
//   offline_test.js WEB_BUILD DEMO_STATE
// (DEMO_STATE: the shipped demo's recorded state digest, tests/demos/descent.state.)
// Ends with "N passed, M failed"; exit status 1 when a check failed.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const puppeteer = require('puppeteer-core');
const { serve } = require('../../web/serve.js');
const { Checks, withTimeout, sleep } = require('./checks.js');
const probes = require('./probes.js');

const [webBuild, stateFile] = process.argv.slice(2);
if (!stateFile) {
  console.error('usage: offline_test.js WEB_BUILD DEMO_STATE');
  process.exit(2);
}
const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';
const WHOLE_TEST_MS = 180000;
const PAGE_FILES = ['index.html', 'delve.js', 'delve.wasm', 'delve.data'];

const checks = new Checks();
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'delve-offline-'));
const site = path.join(scratch, 'site');

// The build's files a host would serve (what web-zip packs, and the demos).
function copySite() {
  fs.mkdirSync(path.join(site, 'demos'), { recursive: true });
  const zipped = /^WEB_FILES = (.*)$/m.exec(fs.readFileSync(path.join(__dirname, '../../Makefile'), 'utf8'))[1].split(' ');
  for (const f of zipped) fs.copyFileSync(path.join(webBuild, f), path.join(site, f));
  for (const f of fs.readdirSync(path.join(webBuild, 'demos'))) {
    fs.copyFileSync(path.join(webBuild, 'demos', f), path.join(site, 'demos', f));
  }
  return zipped;
}

// A server that can go away and come back at the same address (the same
// origin, so the same service worker).
async function startServer(port) {
  const server = await serve(site, port);
  const sockets = new Set();
  server.on('connection', (s) => { sockets.add(s); s.on('close', () => sockets.delete(s)); });
  // What it sent, request by request: the path and the body's bytes.
  server.sent = [];
  server.on('request', (req, res) => {
    const end = res.end;
    res.end = function (body, ...rest) {
      server.sent.push({ url: req.url, bytes: body ? body.length : 0 });
      return end.call(this, body, ...rest);
    };
  });
  server.stop = () => new Promise((resolve) => { server.close(resolve); for (const s of sockets) s.destroy(); });
  return server;
}

async function visit(browser, url, watchNetwork = false) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1000, height: 800 });
  const fetched = [];  // requests that went to the network: url, bytes
  if (watchNetwork) {
    const cdp = await page.createCDPSession();
    await cdp.send('Network.enable');
    const urls = new Map();
    cdp.on('Network.responseReceived', (e) => { if (!e.response.fromServiceWorker) urls.set(e.requestId, e.response.url); });
    cdp.on('Network.loadingFinished', (e) => {
      if (urls.has(e.requestId)) fetched.push({ url: urls.get(e.requestId), bytes: e.encodedDataLength });
    });
  }
  await page.goto(url, { waitUntil: 'load' }).catch((e) => fetched.push({ url, error: e.message }));
  const shown = await page.waitForFunction('window.delve && delve.firstFrameMs !== null', { timeout: 15000 })
    .then(() => true, () => false);
  return { page, shown, fetched };
}

// The names of the page's caches.
function cacheNames(page) {
  return page.evaluate(() => caches.keys());
}

async function kept(browser, base, server) {
  const first = await visit(browser, base);
  // Ready: the worker is active, so every file is in its cache.
  await first.page.evaluate(() => navigator.serviceWorker.ready.then(() => true));
  const names = await cacheNames(first.page);
  checks.check('after the first visit the page\'s files are kept in one cache named after their content',
    first.shown && names.length === 1 && /^delve-[0-9a-f]{16}$/.test(names[0]), JSON.stringify(names));
  await first.page.close();

  server.sent = [];
  const second = await visit(browser, base, true);
  await sleep(500);  // the worker's own look for a newer build
  const pathOf = (f) => new URL(f.url).pathname;
  const files = second.fetched.filter((f) => f.url && (pathOf(f) === '/' || PAGE_FILES.some((p) => pathOf(f) === '/' + p)));
  const served = server.sent.filter((f) => f.url === '/' || PAGE_FILES.some((p) => f.url.startsWith('/' + p)));
  const bytes = server.sent.reduce((sum, f) => sum + f.bytes, 0);
  checks.check('a second visit fetches none of the four files', second.shown && files.length === 0 && served.length === 0,
    `the page fetched ${second.fetched.map((f) => f.url.replace(base, '/')).join(', ') || 'nothing'}; ` +
    `the server sent ${server.sent.map((f) => f.url).join(', ') || 'nothing'}`);
  checks.figure('bytes the server sent on a second visit (bodies)',
    `${bytes} (${server.sent.map((f) => `${f.url} ${f.bytes}`).join(', ') || 'nothing'})`);
  await second.page.close();
  return names[0];
}

async function offline(browser, base, server, expected) {
  await server.stop();
  const { page, shown } = await visit(browser, base);
  const reloaded = await page.reload({ waitUntil: 'load' }).then(
    () => page.waitForFunction('delve.firstFrameMs !== null', { timeout: 15000 }).then(() => true, () => false),
    () => false);
  const message = await page.evaluate(() => document.getElementById('message').textContent);
  checks.check('with the server gone the page starts and reloads, showing its first frame',
    shown && reloaded && message === '', message);
  await page.close();

  const demo = await visit(browser, base + '?timedemo=demos/descent.dem');
  await demo.page.waitForFunction('delve.state === "over" || delve.state === "failed"', { timeout: 60000 }).catch(() => {});
  const line = await demo.page.evaluate(() => document.getElementById('status').textContent);
  const run = probes.parseTimedemo(line);
  checks.check('offline, ?timedemo= of the shipped demo ends in the desktop\'s digest', run !== null && run.state === expected,
    line);
  await demo.page.close();
}

// A rebuilt delve.wasm (the same program with a section no loader reads),
// its worker written again as the build writes it.
function rebuild() {
  const wasm = path.join(site, 'delve.wasm');
  const name = Buffer.from('delve-rebuilt');
  const section = Buffer.concat([Buffer.from([0, name.length + 1 + 4, name.length]), name, Buffer.from('test')]);
  fs.appendFileSync(wasm, section);
  execFileSync('node', [path.join(__dirname, '../../web/make-sw.js'), site]);
  return fs.statSync(wasm).size;
}

async function update(browser, base, oldCache) {
  const size = rebuild();
  const { page, shown } = await visit(browser, base);
  const got = await page.evaluate(() => delve.wasmBytes);
  const names = await cacheNames(page);
  checks.check('a rebuilt delve.wasm is played on the next online visit', shown && got === size, `${got} bytes, built ${size}`);
  checks.check('the old build\'s cache is gone, the new one alone kept',
    names.length === 1 && names[0] !== oldCache && /^delve-/.test(names[0]), `${oldCache} -> ${JSON.stringify(names)}`);
  await page.close();
}

async function manifest(browser, base) {
  const page = await browser.newPage();
  await page.goto(base, { waitUntil: 'load' });
  const m = await page.evaluate(async () => {
    const link = document.querySelector('link[rel="manifest"]');
    const json = await (await fetch(link.href)).json();
    const icons = await Promise.all(json.icons.map((icon) => new Promise((resolve) => {
      const img = new Image();
      img.onload = () => resolve({ sizes: icon.sizes, got: `${img.naturalWidth}x${img.naturalHeight}` });
      img.onerror = () => resolve({ sizes: icon.sizes, got: 'none' });
      img.src = new URL(icon.src, link.href).href;
    })));
    return { json, icons };
  });
  const j = m.json;
  checks.check('the manifest names the game, full screen in landscape, in the page\'s colours',
    j.name === 'delve' && j.short_name && ['standalone', 'fullscreen'].includes(j.display) && j.orientation === 'landscape' &&
    /^#/.test(j.background_color) && /^#/.test(j.theme_color) && j.start_url, JSON.stringify(j));
  const sizes = m.icons.map((i) => i.got).sort();
  checks.check('its icons of 192 and 512 pixels load at their sizes',
    m.icons.every((i) => i.got === i.sizes) && sizes.join() === '192x192,512x512', JSON.stringify(m.icons));
  await page.close();
}

// Where a page can have no service worker it plays online, with no message.
async function noWorker(browser, base) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.evaluateOnNewDocument(() => { delete Navigator.prototype.serviceWorker; });
  await page.goto(base + '?no-worker', { waitUntil: 'load' });
  const shown = await page.waitForFunction('delve.firstFrameMs !== null', { timeout: 15000 }).then(() => true, () => false);
  const message = await page.evaluate(() => document.getElementById('message').textContent + document.getElementById('status').textContent);
  checks.check('a browser that gives the page no service worker plays as before, with no message', shown && message === '', message);
  await context.close();
}

async function main() {
  const expected = fs.readFileSync(stateFile, 'utf8').trim();
  const zipped = copySite();
  checks.check('web-zip packs the manifest, the icons, the service worker and the touch controls',
    ['manifest.webmanifest', 'icon-192.png', 'icon-512.png', 'sw.js', 'touch.js'].every((f) => zipped.includes(f)), zipped.join(' '));
  let server = await startServer(0);
  const port = server.address().port;
  const base = `http://127.0.0.1:${port}/`;
  const browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage', '--mute-audio'],
  });
  try {
    await manifest(browser, base);
    const cache = await kept(browser, base, server);
    await offline(browser, base, server, expected);
    server = await startServer(port);
    await update(browser, base, cache);
    await noWorker(browser, base);
  } finally {
    await browser.close();
    await server.stop();
  }
}

withTimeout(main(), WHOLE_TEST_MS)
  .catch((e) => checks.check('the test ran to its end', false, e.stack || String(e)))
  .finally(() => {
    fs.rmSync(scratch, { recursive: true, force: true });
    process.exit(checks.finish());
  });
