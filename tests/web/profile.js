#!/usr/bin/env node
// Where the browser build's time goes: Chromium's sampling profiler over one
// timedemo, its samples summed by function (self time). Function names need a
// build linked with --profiling-funcs, e.g.
//   emcmake cmake -S . -B build-web-prof -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXE_LINKER_FLAGS=--profiling-funcs
//   profile.js WEB_BUILD DEMO.dem [TOP]
'use strict';
const path = require('path');
const puppeteer = require('puppeteer-core');
const { serve } = require('../../web/serve.js');

const [webBuild, demo, top = '20'] = process.argv.slice(2);
if (!webBuild || !demo) {
  console.error('usage: profile.js WEB_BUILD DEMO.dem [TOP]');
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
    // Self time per function: each sample is charged to the node it was taken in.
    const byId = new Map(profile.nodes.map((n) => [n.id, n]));
    const self = new Map();
    for (let i = 0; i < profile.samples.length; i++) {
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
