#!/usr/bin/env node
// Times demos in headless Chromium: each demo's ?timedemo= page, several runs,
// optionally with Chromium's CPU slowed (as a low-end phone would run it), and
// optionally the desktop game's timedemo of the same demo before each browser
// run, so that both sides meet the machine at the same speed (it drifts by a
// fifth or more from minute to minute). The figures of the README's browser
// tables come from it; compare two builds by running it on each in turn.
//   timedemo.js WEB_BUILD DEMO.dem [DEMO.dem...] [--runs N] [--throttle RATE] [--desktop GAME]
// Prints each run's timedemo line, then the fastest run of each demo (and
// with --desktop the desktop's fastest and the browser's share of it).
'use strict';
const path = require('path');
const puppeteer = require('puppeteer-core');
const { serve } = require('../../web/serve.js');
const { parseTimedemo, fastestRun, desktopTimedemo } = require('./probes.js');
const { sleep, QUIET_MS, BROWSER_START_MS } = require('./checks.js');

const args = process.argv.slice(2);
let runs = 3;
let throttle = 1;
let desktopGame = null;
const files = [];
for (let i = 0; i < args.length; i++) {
  if (args[i] === '--runs') runs = Number(args[++i]);
  else if (args[i] === '--throttle') throttle = Number(args[++i]);
  else if (args[i] === '--desktop') desktopGame = args[++i];
  else files.push(args[i]);
}
const [webBuild, ...demos] = files;
if (!webBuild || demos.length === 0 || !(runs >= 1) || !(throttle >= 1) || desktopGame === undefined) {
  console.error('usage: timedemo.js WEB_BUILD DEMO.dem [DEMO.dem...] [--runs N] [--throttle RATE] [--desktop GAME]');
  process.exit(2);
}

// One desktop timedemo of a demo, its line printed and parsed.
function timeDesktop(demo) {
  const { line, run } = desktopTimedemo(desktopGame, demo);
  console.log(`${path.basename(demo)}: desktop ${line}`);
  return run;
}

// One timedemo of a demo served under demos/, its line parsed; null when it failed.
async function timeOnce(browser, base, demo) {
  const page = await browser.newPage();
  if (throttle > 1) {
    const cdp = await page.target().createCDPSession();
    await cdp.send('Emulation.setCPUThrottlingRate', { rate: throttle });
  }
  await page.setViewport({ width: 1400, height: 1100 });
  await sleep(QUIET_MS);
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
  await sleep(BROWSER_START_MS);
  let failed = false;
  try {
    for (const demo of demos) {
      const results = [];
      const desktop = [];
      for (let i = 0; i < runs; i++) {
        if (desktopGame) {
          await sleep(QUIET_MS);
          desktop.push(timeDesktop(demo));
        }
        results.push(await timeOnce(browser, base, demo));
      }
      const best = fastestRun(results);
      const d = desktopGame ? fastestRun(desktop) : null;
      failed = failed || best === null || (desktopGame !== null && d === null);
      const fps = (r) => (r ? r.fps.toFixed(1) : 'none');
      const slowed = throttle > 1 ? `, CPU slowed ${throttle}x` : '';
      console.log(`${path.basename(demo)}: fastest of ${runs}${slowed}: ${fps(best)} frames per second`);
      if (desktopGame) {
        const share = best && d ? (best.fps / d.fps).toFixed(2) : '-';
        console.log(`${path.basename(demo)}: desktop, fastest of ${runs}: ${fps(d)} frames per second; ` +
          `the browser's share: ${share}`);
      }
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
