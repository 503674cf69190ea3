#!/usr/bin/env node
// The browser build played in Debian's Chromium, headless, against the
// desktop build: the first frame, the keyboard, mouse and wheel through the
// page, focus and blur, the shipped demos' state digests and frame rates, and
// the page's message when a file is missing. Serves the build itself on 127.0.0.1.
//   browser_test.js WEB_BUILD DESKTOP_GAME FIRST_FRAME_TOOL DEMO [DEMO...]
// (each DEMO without its extension: DEMO.dem, .out and .state; the first is
// also replayed at the game's pace). Ends with
// "N passed, M failed"; exit status 1 when a check failed.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const puppeteer = require('puppeteer-core');
const { serve } = require('../../web/serve.js');
const { Checks, withTimeout, sleep, QUIET_MS } = require('./checks.js');
const probes = require('./probes.js');

const [webBuild, desktopGame, firstFrameTool, ...demos] = process.argv.slice(2);
const demo = demos[0];
if (!demo) {
  console.error('usage: browser_test.js WEB_BUILD DESKTOP_GAME FIRST_FRAME_TOOL DEMO [DEMO...]');
  process.exit(2);
}
const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';
const FIRST_FRAME_MS = 3000;   // the page must show its first frame this soon after navigation
const WHOLE_TEST_MS = 360000;  // the whole test, browser start to close

const checks = new Checks();
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'delve-web-'));
// Screenshots of the page, for a person to look at: web-test/ under the working folder.
const pictures = path.resolve('web-test');
fs.mkdirSync(pictures, { recursive: true });

// Timedemos are run this many times on each side, and the fastest run of
// each compared: the machine may be shared, and a busy moment slows one run.
const TIMEDEMO_RUNS = 3;

// The desktop's first frame, as a PNG.
function desktopFirstFrame() {
  const first = path.join(scratch, 'desktop-first.png');
  execFileSync(firstFrameTool, [first], { cwd: path.dirname(desktopGame), stdio: ['ignore', 'ignore', 'inherit'] });
  return fs.readFileSync(first);
}

// A CPU this many times slower than the machine's: a stand-in for a low-end phone.
const PHONE_CPU_SLOWDOWN = 6;

async function openGame(browser, url, viewport, cpuSlowdown = 1, quiet = 0) {
  const page = await browser.newPage();
  await page.setViewport(viewport);
  if (cpuSlowdown > 1) {
    const cdp = await page.createCDPSession();
    await cdp.send('Emulation.setCPUThrottlingRate', { rate: cpuSlowdown });
  }
  const log = [];
  page.on('console', (m) => log.push({ type: m.type(), text: m.text() }));
  page.on('pageerror', (e) => log.push({ type: 'pageerror', text: String(e) }));
  await sleep(quiet);
  await page.goto(url, { waitUntil: 'load' });
  return { page, log };
}

async function firstFrame(browser, base, desktopPng) {
  const { page } = await openGame(browser, base, { width: 1400, height: 1100 });
  const shown = await page.waitForFunction('window.delve && delve.firstFrameMs !== null', { timeout: 10000 })
    .then(() => page.evaluate('delve.firstFrameMs')).catch(() => null);
  checks.check('the first frame shows within 3 s of navigation', shown !== null && shown < FIRST_FRAME_MS,
    `first frame after ${shown === null ? 'never' : shown.toFixed(0) + ' ms'}`);
  checks.figure('time from navigation to the first frame', shown === null ? 'none' : `${shown.toFixed(0)} ms`);
  if (shown === null) return page.close();
  const diff = await probes.compareFirstFrame(page, desktopPng);
  checks.check('the first frame equals the desktop build\'s, pixel for pixel', diff.count === 0,
    `${diff.count} pixels differ${diff.count ? ', within ' + JSON.stringify(diff.box) : ''}`);
  // The page lays the frame out at a whole multiple, crisp.
  const look = await page.evaluate(() => {
    const c = document.getElementById('canvas');
    const r = c.getBoundingClientRect();
    return { w: r.width, h: r.height, rendering: getComputedStyle(c).imageRendering };
  });
  checks.check('the canvas is shown at a whole multiple of 640x480, pixelated',
    look.w % 640 === 0 && look.w / 640 === look.h / 480 && look.w >= 640 && look.rendering === 'pixelated',
    JSON.stringify(look));
  // No touch here: none of the touch controls shows, and the key line speaks of keys.
  const touch = await page.evaluate(() => ({
    shown: [...document.querySelectorAll('#touch button')].filter((b) => b.getBoundingClientRect().width > 0).length,
    count: document.querySelectorAll('#touch button').length,
    keys: document.getElementById('keys').textContent,
  }));
  checks.check('without touch no touch control shows', touch.count > 0 && touch.shown === 0 && /right button dig/.test(touch.keys),
    JSON.stringify(touch));
  await page.screenshot({ path: path.join(pictures, 'page.png') });
  await page.close();
}

async function input(browser, base) {
  // At 2x by CSS in a viewport shorter than the canvas: the page could scroll.
  const { page } = await openGame(browser, base + '?scale=2', { width: 1400, height: 900 });
  await page.waitForFunction('window.delve && delve.firstFrameMs !== null', { timeout: 10000 });
  const g = probes.game(page);
  await sleep(1500);  // the camera glides onto the player in the first frames
  const rect = await g.canvasRect();
  checks.check('the canvas is shown at 2x by CSS', rect.width === 1280 && rect.height === 960, JSON.stringify(rect));
  await g.focusCanvas();

  // The right button dragged over the three tiles right of the player's head.
  const start = await g.probe();
  const col = Math.floor(start.x) + 1;
  const top = Math.ceil(start.y);
  const path1 = [[col, top], [col + 1, top], [col + 2, top]];
  const before = await g.tiles(col - 3, col + 5, top - 4, top + 3);
  await g.drag('right', path1);
  const after = await g.tiles(col - 3, col + 5, top - 4, top + 3);
  const changed = probes.changedTiles(before, after);
  const wanted = path1.map(([c, t]) => `${c},${t}`).sort();
  checks.check('the tiles to dig were solid', path1.every(([c, t]) => before[`${c},${t}`] === 1),
    JSON.stringify(path1.map(([c, t]) => before[`${c},${t}`])));
  checks.check('the right button emptied exactly the tiles under the cursor at 2x',
    JSON.stringify(changed) === JSON.stringify(wanted), `changed ${changed.join(' ')}; wanted ${wanted.join(' ')}`);
  // The left button makes the same tiles solid again, and only those.
  await g.drag('left', path1);
  const refilled = await g.tiles(col - 3, col + 5, top - 4, top + 3);
  const filled = probes.changedTiles(after, refilled);
  checks.check('the left button made exactly those tiles solid again',
    JSON.stringify(filled) === JSON.stringify(wanted) && path1.every(([c, t]) => refilled[`${c},${t}`] === 1),
    `changed ${filled.join(' ')}; wanted ${wanted.join(' ')}`);
  const menu = await page.evaluate(() => {
    const e = new MouseEvent('contextmenu', { bubbles: true, cancelable: true, button: 2 });
    return !document.getElementById('canvas').dispatchEvent(e);
  });
  checks.check('no context menu over the canvas', menu);

  // A corridor to walk in and room overhead to jump: dug with the mouse too.
  const corridor = [];
  for (let t = top - 1; t <= top + 4; t++) for (let c = col - 10; c <= col + 12; c++) corridor.push([c, t]);
  await g.drag('right', corridor, 2 * probes.FRAME_MS);
  await sleep(500);

  const walk = await g.holdKey('KeyD', 700);
  checks.check('D held moves the player right', walk.dx > 0.5, `moved ${walk.dx.toFixed(2)} tiles`);
  await sleep(700);
  const jump = await g.holdKey('KeyW', 300, 600);
  checks.check('W jumps', jump.rise > 1.0, `rose ${jump.rise.toFixed(2)} tiles`);
  await sleep(1500);

  // The wheel zooms by one step a notch, and the page does not scroll.
  const scrollable = await page.evaluate(() => document.documentElement.scrollHeight > window.innerHeight);
  const zoom0 = (await g.probe()).zoom;
  await g.wheel(-100);
  const zoomIn = (await g.probe()).zoom;
  await g.wheel(100);
  await g.wheel(100);
  const zoomOut = (await g.probe()).zoom;
  const scrollY = await page.evaluate(() => window.scrollY);
  checks.check('the wheel zooms one step a notch', zoomIn === zoom0 + 1 && zoomOut === zoom0 - 1,
    `${zoom0} -> ${zoomIn} -> ${zoomOut}`);
  checks.check('the wheel over the game does not scroll the page', scrollable && scrollY === 0,
    `scrollable ${scrollable}, scrollY ${scrollY}`);

  // Focus: keys go elsewhere after a click outside the canvas, and come back
  // with a click on it.
  await g.clickOutside();
  const away = await g.holdKey('KeyA', 500);
  await g.focusCanvas();
  const back = await g.holdKey('KeyA', 500);
  checks.check('keys do not reach the game after a click outside the canvas', Math.abs(away.dx) < 0.01,
    `moved ${away.dx.toFixed(2)}`);
  checks.check('keys work again after a click back on the canvas', back.dx < -0.3, `moved ${back.dx.toFixed(2)}`);

  // A blur while D is held lets D go, and so does the tab being hidden: the
  // player stops by itself.
  for (const how of ['canvas', 'window', 'hidden']) {
    await g.focusCanvas();
    await sleep(800);
    const stopped = await g.blurWhileHolding('KeyD', how);
    const what = how === 'hidden' ? 'the tab hidden' : `a ${how} blur`;
    checks.check(`${what} while D is held stops the player`, stopped.movedBefore > 0.2 && stopped.movedAfter < 0.01,
      `moved ${stopped.movedBefore.toFixed(2)} while held, ${stopped.movedAfter.toFixed(3)} after the blur`);
  }
  await page.screenshot({ path: path.join(pictures, 'play.png') });
  await screenshotKey(page, g);
  await fullscreen(page, g);
  await page.close();
}

// C downloads the frame as a PNG of the frame's size.
async function screenshotKey(page, g) {
  const downloads = path.join(scratch, 'downloads');
  fs.mkdirSync(downloads);
  const cdp = await page.createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  await g.focusCanvas();
  await page.keyboard.press('KeyC');
  const file = path.join(downloads, 'screenshot000.png');
  for (let i = 0; i < 50 && !fs.existsSync(file); i++) await sleep(100);
  const png = fs.existsSync(file) ? fs.readFileSync(file) : Buffer.alloc(0);
  const size = png.length >= 24 && png.toString('latin1', 1, 4) === 'PNG' ? [png.readUInt32BE(16), png.readUInt32BE(20)] : null;
  checks.check('C downloads the frame as a 640x480 PNG', size && size[0] === 640 && size[1] === 480,
    size ? `${size[0]}x${size[1]}` : 'no PNG downloaded');
}

// The fullscreen button: the game alone on the screen, at a whole multiple,
// and the cursor still on the right tile.
async function fullscreen(page, g) {
  // F11, where the browser passes it on, toggles the game's own fullscreen.
  const fullscreenId = () => page.evaluate(() => (document.fullscreenElement ? document.fullscreenElement.id : null));
  await g.focusCanvas();
  await page.keyboard.press('F11');
  await sleep(300);
  const byKey = await fullscreenId();
  await page.keyboard.press('F11');
  await sleep(300);
  const leftByKey = await fullscreenId();
  checks.check('F11 puts the game fullscreen and back', byKey === 'stage' && leftByKey === null, `${byKey}, then ${leftByKey}`);

  await page.click('#fullscreen');
  await sleep(500);
  const full = await fullscreenId();
  const rect = await g.canvasRect();
  checks.check('the fullscreen button puts the game fullscreen at a whole multiple',
    full === 'stage' && rect.width % 640 === 0 && rect.width / 640 === rect.height / 480, `${full} ${JSON.stringify(rect)}`);
  // The nearest solid tile around the player, dug by the right button; not
  // one in the player's own columns, whose loss could drop the player, and the
  // view with it, under the held button.
  await sleep(1000);
  const p = await g.probe();
  const c0 = Math.floor(p.x), t0 = Math.ceil(p.y);
  const before = await g.tiles(c0 - 6, c0 + 6, t0 - 3, t0 + 8);
  const solid = Object.keys(before).filter((k) => before[k] === 1).map((k) => k.split(',').map(Number))
    .filter(([c]) => Math.abs(c - c0) > 1);
  solid.sort((a, b) => Math.hypot(a[0] - c0, a[1] - t0) - Math.hypot(b[0] - c0, b[1] - t0));
  if (!checks.check('a solid tile near the player to dig in fullscreen', solid.length > 0)) return;
  await g.drag('right', [solid[0]]);
  const changed = probes.changedTiles(before, await g.tiles(c0 - 6, c0 + 6, t0 - 3, t0 + 8));
  checks.check('in fullscreen the right button empties exactly the tile under the cursor',
    JSON.stringify(changed) === JSON.stringify([solid[0].join(',')]), `changed ${changed.join(' ')}; wanted ${solid[0]}`);
  await page.evaluate(() => document.exitFullscreen());
}

// Timedemos of a shipped demo on both sides, the desktop's and the
// browser's in turn, so that each pair meets the machine at the same speed
// (it drifts by a fifth or more from minute to minute), each once Chromium
// has been quiet for a moment; then one in the browser on a slowed CPU.
async function timedemo(browser, base, demo) {
  const name = path.basename(demo);
  const expected = fs.readFileSync(demo + '.state', 'utf8').trim();
  const desktopLines = [];
  const desktop = [];
  const runs = [];
  for (let i = 0; i <= TIMEDEMO_RUNS; i++) {
    const slowed = i === TIMEDEMO_RUNS;
    if (!slowed) {
      await sleep(QUIET_MS);
      const d = probes.desktopTimedemo(desktopGame, demo + '.dem');
      desktopLines.push(d.line);
      desktop.push(d.run);
    }
    const { page, log } = await openGame(browser, base + '?timedemo=demos/' + path.basename(demo) + '.dem',
      { width: 1400, height: 1100 }, slowed ? PHONE_CPU_SLOWDOWN : 1, QUIET_MS);
    await page.waitForFunction('window.delve && (delve.state === "over" || delve.state === "failed")',
      { timeout: 120000 });
    const line = await page.evaluate(() => document.getElementById('status').textContent);
    const web = probes.parseTimedemo(line);
    await page.close();
    if (slowed) {
      checks.check(`with the CPU ${PHONE_CPU_SLOWDOWN} times slower the shipped demo ends in the same digest`,
        web !== null && web.state === expected, line);
      const fastDesktop = probes.fastestRun(desktop);
      if (web && fastDesktop) {
        checks.figure(`timedemo frames per second, browser with the CPU ${PHONE_CPU_SLOWDOWN} times slower / desktop`,
          `${web.fps.toFixed(1)} / ${fastDesktop.fps.toFixed(1)}`);
      }
      continue;
    }
    runs.push(web);
    if (i > 0) continue;
    checks.check(`${name}: the timedemo line is shown on the page and in the console`,
      web !== null && log.some((m) => m.text === line), line);
    // The debug lines are the game's standard output, a console line each.
    const out = log.filter((m) => m.type === 'log' && m.text !== line).map((m) => m.text);
    const recorded = fs.readFileSync(demo + '.out', 'utf8').split('\n').filter((l) => l !== '');
    checks.check(`${name}: the debug lines reach the console as the desktop writes them, one per line`,
      JSON.stringify(out) === JSON.stringify(recorded), `${out.length} lines, recorded ${recorded.length}`);
  }
  const desktopBest = probes.fastestRun(desktop);
  const desktopSame = desktopBest !== null && desktop.every((r) => r.state === desktop[0].state);
  checks.check(`${name}: the desktop build ran the shipped demo, the same every run`, desktopSame,
    desktopLines.join('; '));
  const states = runs.map((r) => (r ? r.state : null));
  checks.check(`${name}: the browser ends the shipped demo in the desktop build's state digest, every run`,
    desktopSame && states.every((s) => s === desktopBest.state && s === expected),
    `browser ${states.join(' ')}, desktop ${desktopSame ? desktopBest.state : desktopLines.join('; ')}, recorded ${expected}`);
  const web = probes.fastestRun(runs);
  if (web && desktopBest) {
    checks.figure(`${name}: timedemo frames per second, browser / desktop (fastest of ${TIMEDEMO_RUNS} each, run in turn)`,
      `${web.fps.toFixed(1)} / ${desktopBest.fps.toFixed(1)} = ${(web.fps / desktopBest.fps).toFixed(2)}`);
  }
}

// A timedemo's clock starts with the game: its frames run back to back from
// the very first, not one to an animation frame while the page gets going.
async function timedemoStart(browser, base) {
  const page = await browser.newPage();
  await page.evaluateOnNewDocument(() => {
    // The frames run by each of the page's animation frames once the game has started.
    const seen = [];
    window.framesByAnimationFrame = seen;
    const look = () => {
      if (window.delve && (delve.state === 'running' || delve.state === 'over')) {
        const p = Module._malloc(8 * 11);
        Module._delve_probe(p);
        seen.push(Module.HEAPF64[p / 8 + 7]);
        Module._free(p);
      }
      if (seen.length < 2) requestAnimationFrame(look);
    };
    requestAnimationFrame(look);
    // The frames run when the page first shows one: the page sets Module up
    // with its onFrameShown, which is wrapped as it is set.
    window.framesAtFirstShow = null;
    Object.defineProperty(window, 'Module', {
      configurable: true,
      set(m) {
        const shown = m.onFrameShown;
        m.onFrameShown = (n) => {
          if (window.framesAtFirstShow === null) {
            const p = m._malloc(8 * 11);
            m._delve_probe(p);
            window.framesAtFirstShow = m.HEAPF64[p / 8 + 7];
            m._free(p);
          }
          if (shown) shown(n);
        };
        Object.defineProperty(window, 'Module', { value: m, writable: true, configurable: true });
      },
    });
  });
  await page.goto(base + '?timedemo=demos/' + path.basename(demo) + '.dem', { waitUntil: 'load' });
  await page.waitForFunction('window.delve && (delve.state === "over" || delve.state === "failed")', { timeout: 120000 });
  const seen = await page.evaluate(() => window.framesByAnimationFrame);
  checks.check('a timedemo runs its frames back to back from the first, not one to an animation frame',
    seen.length === 2 && seen[1] >= 3, `frames run by the first two animation frames: ${seen.join(', ')}`);
  // Its rate is known as the window opens: even its first frame waits for the
  // end of a slice to reach the canvas.
  const firstShow = await page.evaluate(() => window.framesAtFirstShow);
  checks.check('a timedemo shows no frame until the end of its first slice', firstShow > 1,
    `frames run when the page first showed one: ${firstShow}`);
  // Most frames of a timedemo never reach the canvas, but the last one stays there.
  const differ = await page.evaluate(() => {
    const shown = Module.delveContext.getImageData(0, 0, 640, 480).data;
    const drawn = Module.HEAPU32.subarray(Module._delve_frame() / 4, Module._delve_frame() / 4 + 640 * 480);
    let count = 0;
    for (let i = 0; i < drawn.length; i++) {
      const p = drawn[i];
      if (shown[4 * i] !== ((p >> 16) & 255) || shown[4 * i + 1] !== ((p >> 8) & 255) || shown[4 * i + 2] !== (p & 255)) count++;
    }
    return count;
  });
  checks.check('the timedemo\'s last frame is the one left on the canvas', differ === 0, `${differ} pixels differ`);
  await page.close();
}

// ?play= replays the demo at the game's pace: the same end, in about its
// frames' time at 30 a second, never faster.
async function play(browser, base) {
  const { page } = await openGame(browser, base + '?play=demos/' + path.basename(demo) + '.dem',
    { width: 1000, height: 800 });
  await page.waitForFunction('window.delve && delve.firstFrameMs !== null', { timeout: 10000 });
  const t0 = Date.now();
  await page.waitForFunction('delve.state === "over" || delve.state === "failed"', { timeout: 60000 });
  const seconds = (Date.now() - t0) / 1000;
  const line = await page.evaluate(() => document.getElementById('status').textContent);
  const m = /^demo: (\d+) frames played, state ([0-9a-f]{16})$/.exec(line);
  const expected = fs.readFileSync(demo + '.state', 'utf8').trim();
  checks.check('?play= ends the shipped demo in its recorded state', m !== null && m[2] === expected, line);
  const paced = m ? Number(m[1]) / 30 : 0;
  checks.check('?play= runs at 30 frames per second, never faster', m !== null && seconds >= paced * 0.97,
    `${m ? m[1] : '?'} frames in ${seconds.toFixed(2)} s`);
  await page.close();
}

async function failures(browser, base) {
  // The same page with its data package missing.
  const bare = path.join(scratch, 'bare');
  fs.mkdirSync(bare);
  for (const f of ['index.html', 'delve.js', 'delve.wasm']) fs.copyFileSync(path.join(webBuild, f), path.join(bare, f));
  const server = await serve(bare, 0);
  try {
    const { page } = await openGame(browser, `http://127.0.0.1:${server.address().port}/`, { width: 1000, height: 800 });
    const text = await page.waitForFunction(() => document.getElementById('message').textContent, { timeout: 10000 })
      .then((h) => h.jsonValue()).catch(() => '');
    const hidden = await page.evaluate(() => document.getElementById('stage').style.display === 'none');
    checks.check('a missing delve.data shows the page\'s message instead of a blank canvas',
      /delve\.data/.test(text) && hidden, text);
    await page.close();
  } finally {
    server.close();
  }
  // A browser whose WebAssembly has no vector instructions.
  {
    const page = await browser.newPage();
    await page.evaluateOnNewDocument(() => { WebAssembly.validate = () => false; });
    await page.goto(base, { waitUntil: 'load' });
    const text = await page.evaluate(() => document.getElementById('message').textContent);
    checks.check('a browser without WebAssembly\'s vector instructions is told so', /vector instructions/.test(text), text);
    await page.close();
  }
  // A browser without WebAssembly.
  const page = await browser.newPage();
  await page.evaluateOnNewDocument(() => { delete window.WebAssembly; });
  await page.goto(base, { waitUntil: 'load' });
  const text = await page.evaluate(() => document.getElementById('message').textContent);
  checks.check('a browser without WebAssembly is told so', /WebAssembly/.test(text), text);
  await page.close();
}

async function main() {
  const desktopPng = desktopFirstFrame();
  const server = await serve(webBuild, 0);
  const base = `http://127.0.0.1:${server.address().port}/`;
  // The test page: the same game with the probes the input checks read.
  const testServer = await serve(path.join(webBuild, 'test'), 0);
  const testBase = `http://127.0.0.1:${testServer.address().port}/`;
  const browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage', '--mute-audio'],
  });
  try {
    await firstFrame(browser, base, desktopPng);
    await input(browser, testBase);
    await timedemoStart(browser, testBase);
    for (const d of demos) await timedemo(browser, base, d);
    await play(browser, base);
    await failures(browser, base);
  } finally {
    await browser.close();
    server.close();
    testServer.close();
  }
}

withTimeout(main(), WHOLE_TEST_MS)
  .catch((e) => checks.check('the test ran to its end', false, e.stack || String(e)))
  .finally(() => {
    fs.rmSync(scratch, { recursive: true, force: true });
    console.log(`screenshots of the page in ${pictures}`);
    process.exit(checks.finish());
  });
