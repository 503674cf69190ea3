#!/usr/bin/env node
// Where the browser build's time goes: Chromium's sampling profiler over one
// timedemo, its samples from the game's first frame to its last summed by
// function (self time); with --first MS only those of the first MS
// milliseconds (the start, while the browser still optimises the code).
// Function names need a build linked with --profiling-funcs, e.g.
//   emcmake cmake -S . -B build-web-prof -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXE_LINKER_FLAGS=--profiling-funcs
//   profile.js WEB_BUILD DEMO.dem [TOP] [--first MS]
'use strict';
const path = require('path');
const puppeteer = require('puppeteer-core');
const { serve } = require('../../web/serve.js');

const args = process.argv.slice(2);
const firstAt = args.indexOf('--first');
const firstMs = firstAt >= 0 ? Number(args.splice(firstAt, 2)[1]) : Infinity;
const [webBuild, demo, top = '20'] = args;
if (!webBuild || !demo || !(firstMs > 0)) {
  console.error('usage: profile.js WEB_BUILD DEMO.dem [TOP] [--first MS]');
  process.exit(2);
}

async function main() {
  const server = await serve(webBuild, 0);
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage', '--mute-audio'],
  });
  try {
    const page = await browser.newPage();
    const cdp = await page.target().createCDPSession();
    await cdp.send('Profiler.enable');
    await cdp.send('Profiler.setSamplingInterval', { interval: 200 });
    await cdp.send('Profiler.start');
    const url = `http://127.0.0.1:${server.address().port}/?timedemo=demos/${path.basename(demo)}`;
    await page.goto(url, { waitUntil: 'load' });
    await page.waitForFunction('window.delve && (delve.state === "over" || delve.state === "failed")',
      { timeout: 600000, polling: 500 });
    const { profile } = await cdp.send('Profiler.stop');
    console.log(await page.evaluate(() => document.getElementById('status').textContent));
    // The samples taken inside the game's frames: from the first to the last
    // whose stack holds the page's frame loop.
    const byId = new Map(profile.nodes.map((n) => [n.id, n]));
    const parent = new Map();
    for (const n of profile.nodes) for (const c of n.children || []) parent.set(c, n.id);
    const inFrames = (id) => {
      for (let k = id; k !== undefined; k = parent.get(k))
        if (byId.get(k).callFrame.functionName.includes('Tick()')) return true;
      return false;
    };
    let first = -1, last = -1;
    for (let i = 0; i < profile.samples.length; i++) {
      if (!inFrames(profile.samples[i])) continue;
      if (first < 0) first = i;
      last = i;
    }
    // Self time per function: each sample is charged to the node it was taken in.
    const self = new Map();
    let elapsed = 0;
    for (let i = first + 1; first >= 0 && i <= last; i++) {
      elapsed += profile.timeDeltas[i] || 0;
      if (elapsed > firstMs * 1000) break;
      const n = byId.get(profile.samples[i]);
      const name = n.callFrame.functionName || `(${n.callFrame.url.split('/').pop() || 'program'})`;
      self.set(name, (self.get(name) || 0) + (profile.timeDeltas[i] || 0));
    }
    const total = [...self.values()].reduce((a, b) => a + b, 0);
    [...self.entries()].sort((a, b) => b[1] - a[1]).slice(0, Number(top)).forEach(([name, us]) =>
      console.log(`${(100 * us / total).toFixed(1).padStart(5)} %  ${(us / 1000).toFixed(0).padStart(6)} ms  ${name}`));
  } finally {
    await browser.close();
    server.close();
  }
}

main().catch((e) => {
  console.error(e.stack || String(e));
  process.exit(1);
});
