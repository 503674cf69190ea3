#!/usr/bin/env node
// Times demos in headless Chromium: each demo's ?timedemo= page, several runs,
// optionally with Chromium's CPU slowed (as a low-end phone would run it).
// The figures of the README's browser table come from it; compare two builds
// by running it on each, minutes apart, since the machine's speed drifts.
//   timedemo.js WEB_BUILD DEMO.dem [DEMO.dem...] [--runs N] [--throttle RATE]
// Prints each run's timedemo line, then the fastest run of each demo.
'use strict';
const path = require('path');
const puppeteer = require('puppeteer-core');
const { serve } = require('../../web/serve.js');
const { parseTimedemo } = require('./probes.js');

const args = process.argv.slice(2);
let runs = 3;
let throttle = 1;
const files = [];
for (let i = 0; i < args.length; i++) {
  if (args[i] === '--runs') runs = Number(args[++i]);
  else if (args[i] === '--throttle') throttle = Number(args[++i]);
  else files.push(args[i]);
}
const [webBuild, ...demos] = files;
if (!webBuild || demos.length === 0 || !(runs >= 1) || !(throttle >= 1)) {
  console.error('usage: timedemo.js WEB_BUILD DEMO.dem [DEMO.dem...] [--runs N] [--throttle RATE]');
  process.exit(2);
}

// One timedemo of a demo served under demos/, its line parsed; null when it failed.
async function timeOnce(browser, base, demo) {
  const page = await browser.newPage();
  if (throttle > 1) {
    const cdp = await page.target().createCDPSession();
    await cdp.send('Emulation.setCPUThrottlingRate', { rate: throttle });
  }
  await page.setViewport({ width: 1400, height: 1100 });
  await page.goto(`${base}?timedemo=demos/${path.basename(demo)}`, { waitUntil: 'load' });
  await page.waitForFunction('window.delve && (delve.state === "over" || delve.state === "failed")',
    { timeout: 600000, polling: 500 });
  const line = await page.evaluate(() => document.getElementById('status').textContent);
  await page.close();
  console.log(`${path.basename(demo)}: ${line}`);
  return parseTimedemo(line);
}

async function main() {
  const server = await serve(webBuild, 0);
  const base = `http://127.0.0.1:${server.address().port}/`;
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage', '--mute-audio'],
  });
  let failed = false;
  try {
    for (const demo of demos) {
      const results = [];
      for (let i = 0; i < runs; i++) results.push(await timeOnce(browser, base, demo));
      const good = results.filter((r) => r !== null);
      failed = failed || good.length !== runs;
      const best = good.reduce((a, b) => (b.fps > a.fps ? b : a), { fps: 0 });
      const slowed = throttle > 1 ? `, CPU slowed ${throttle}x` : '';
      console.log(`${path.basename(demo)}: fastest of ${runs}${slowed}: ${best.fps.toFixed(1)} frames per second`);
    }
  } finally {
    await browser.close();
    server.close();
  }
  process.exit(failed ? 1 : 0);
}

main().catch((e) => {
  console.error(e.stack || String(e));
  process.exit(1);
});
