#!/usr/bin/env node
// The browser build on phones and a tablet, in Debian's Chromium with touch
// emulated: the frame's size in portrait and landscape, the touch controls
// (thumb-sized, clear of the player, each finger on its own, let go on a
// cancelled touch or a blur), a finger digging and filling, the zoom and the
// pause, and no browser gesture over the game. Serves the build itself.
//   touch_test.js WEB_BUILD
// Ends with "N passed, M failed"; exit status 1 when a check failed.
'use strict';
const fs = require('fs');
const path = require('path');
const puppeteer = require('puppeteer-core');
const { serve } = require('../../web/serve.js');
const { Checks, withTimeout, sleep } = require('./checks.js');
const probes = require('./probes.js');
const { Fingers, PROFILES, CONTROLS, control, playerBox, overlaps } = require('./fingers.js');

const [webBuild] = process.argv.slice(2);
if (!webBuild) {
  console.error('usage: touch_test.js WEB_BUILD');
  process.exit(2);
}
const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';
const WHOLE_TEST_MS = 180000;
const FRAME_MS = probes.FRAME_MS;
const DWELL_MS = 2 * FRAME_MS;  // a sliding finger rests on each tile this long
const MIN_THUMB_PX = 44;        // a control a thumb can hit, CSS pixels
const SETTLE_MS = 1200;         // a player let go slides to rest within this

const checks = new Checks();
const pictures = path.resolve('web-test');
fs.mkdirSync(pictures, { recursive: true });

async function openPhone(browser, base, profile) {
  const page = await browser.newPage();
  await page.setViewport(PROFILES[profile]);
  const cdp = await page.createCDPSession();
  await cdp.send('Emulation.setSafeAreaInsetsOverride', { insets: PROFILES[profile].insets });
  await page.goto(base, { waitUntil: 'load' });
  await page.waitForFunction('window.delve && delve.firstFrameMs !== null', { timeout: 10000 });
  await sleep(1500);  // the camera glides onto the player in the first frames
  return { page, g: probes.game(page), fingers: new Fingers(cdp) };
}

// Each profile: the frame's share of the screen, no sideways scroll, and the
// controls shown, thumb-sized, translucent and clear of the player at rest.
async function layouts(browser, base) {
  for (const profile of Object.keys(PROFILES)) {
    const { page, g } = await openPhone(browser, base, profile);
    const v = PROFILES[profile];
    const rect = await g.canvasRect();
    const landscape = v.width > v.height;
    const share = landscape ? rect.height / v.height : rect.width / v.width;
    checks.check(`${profile}: the frame covers 90 % of the screen's ${landscape ? 'height' : 'width'}`,
      share >= 0.9 && Math.abs(rect.width / rect.height - 4 / 3) < 0.01, `${(share * 100).toFixed(1)} %, ${JSON.stringify(rect)}`);
    const sideways = await page.evaluate(() => {
      window.scrollTo(200, window.scrollY);
      return { scrollX: window.scrollX, wide: document.documentElement.scrollWidth, view: window.innerWidth };
    });
    checks.check(`${profile}: the page does not scroll sideways`, sideways.scrollX === 0 && sideways.wide <= sideways.view,
      JSON.stringify(sideways));
    const boxes = [];
    for (const label of CONTROLS) boxes.push({ label, ...(await control(page, label)) });
    const small = boxes.filter((b) => !b.shown || b.width < MIN_THUMB_PX || b.height < MIN_THUMB_PX);
    checks.check(`${profile}: every control is shown, at least ${MIN_THUMB_PX} pixels square`, small.length === 0,
      small.map((b) => `${b.label} ${b.width}x${b.height}`).join(', '));
    // Clear of the notch and the home bar: inside the safe area, and so is the frame.
    const safe = { left: v.insets.left, top: v.insets.top, right: v.width - v.insets.right, bottom: v.height - v.insets.bottom };
    const unsafe = (b) => b.left < safe.left || b.top < safe.top || b.left + b.width > safe.right + 0.01 ||
      b.top + b.height > safe.bottom + 0.01;
    const outside = boxes.filter(unsafe);
    checks.check(`${profile}: every control and the frame are inside the screen's safe area`,
      outside.length === 0 && !unsafe(rect), outside.map((b) => b.label).join(', ') + ` frame ${JSON.stringify(rect)}`);
    const opaque = boxes.filter((b) => !/rgba\(.*, 0?\.\d+\)$/.test(b.background));
    checks.check(`${profile}: the controls are translucent`, opaque.length === 0, opaque.map((b) => b.background).join(', '));
    const player = await playerBox(g);
    const over = boxes.filter((b) => overlaps(b, player));
    checks.check(`${profile}: no control covers the player at rest`, over.length === 0 && player.width > 0,
      `player ${JSON.stringify(player)}${over.length ? '; under ' + over.map((b) => b.label).join(', ') : ''}`);
    const keys = await page.$eval('#keys', (e) => e.textContent);
    checks.check(`${profile}: the key line names the touch controls`, /walk/.test(keys) && /finger/.test(keys) && !/mouse|button dig/.test(keys), keys);
    await page.screenshot({ path: path.join(pictures, `${profile}.png`) });
    await page.close();
  }
}

// Holds a control for `ms`, and returns how far the player moved by then.
async function hold(g, fingers, page, label, ms) {
  const c = await control(page, label);
  const p0 = await g.probe();
  await fingers.press({ 1: c });
  await sleep(ms);
  const p1 = await g.probe();
  await fingers.lift(1);
  return p1.x - p0.x;
}

// How far the player moves across in `ms` from now.
async function drift(g, ms) {
  const p0 = await g.probe();
  await sleep(ms);
  return (await g.probe()).x - p0.x;
}

// Waits until the player has come to rest (at most a few seconds).
async function rest(g) {
  let last = await g.probe();
  for (let still = 0, i = 0; still < 4 && i < 120; i++) {
    await sleep(FRAME_MS);
    const p = await g.probe();
    still = p.x === last.x && p.y === last.y ? still + 1 : 0;
    last = p;
  }
}

// Digging and filling with a finger, then a corridor dug with a sliding
// finger to walk and jump in.
async function dig(page, g, fingers) {
  const start = await g.probe();
  const col = Math.floor(start.x) + 1;
  const top = Math.ceil(start.y);
  const around = () => g.tiles(col - 3, col + 3, top - 3, top + 3);
  const before = await around();
  const at = await g.tileClientPoint(col, top);
  await fingers.press({ 1: at });
  await sleep(6 * FRAME_MS);
  await fingers.lift(1);
  await sleep(2 * FRAME_MS);
  const dug = probes.changedTiles(before, await around());
  checks.check('a finger held on the tile beside the player empties exactly that tile',
    before[`${col},${top}`] === 1 && JSON.stringify(dug) === JSON.stringify([`${col},${top}`]), `changed ${dug.join(' ')}`);
  const mode = await control(page, 'dig or fill');
  await fingers.tap(mode);
  const pressed = await page.$eval('[aria-label="dig or fill"]', (e) => e.getAttribute('aria-pressed'));
  await fingers.press({ 1: await g.tileClientPoint(col, top) });
  await sleep(6 * FRAME_MS);
  await fingers.lift(1);
  await sleep(2 * FRAME_MS);
  const filled = probes.changedTiles(before, await around());
  checks.check('switched to filling, the same finger fills it back', pressed === 'true' && filled.length === 0,
    `aria-pressed ${pressed}; differs from before: ${filled.join(' ') || 'nothing'}`);
  await fingers.tap(mode);

  // One finger sliding along the rows of a corridor, right and back.
  const first = await g.tileClientPoint(col - 3, top - 1);
  await fingers.press({ 1: first });
  const tiles = [];
  for (let t = top - 1; t <= top + 4; t++) {
    const row = [];
    for (let c = col - 3; c <= col + 14; c++) row.push([c, t]);
    tiles.push(...((t - top) % 2 ? row.reverse() : row));
  }
  const wanted = tiles.map(([c, t]) => `${c},${t}`);
  for (const [c, t] of tiles) {
    await fingers.move(1, await g.tileClientPoint(c, t));
    await sleep(DWELL_MS);
  }
  await fingers.lift(1);
  await sleep(2 * FRAME_MS);
  const after = await g.tiles(col - 3, col + 14, top - 1, top + 4);
  const left = wanted.filter((k) => after[k] !== 0);
  checks.check('a finger sliding over the game digs every tile it rests on', left.length === 0, `still solid: ${left.join(' ')}`);
}

async function buttons(page, g, fingers) {
  await rest(g);
  const walked = await hold(g, fingers, page, 'walk right', 300);
  await sleep(SETTLE_MS);
  const after = await drift(g, 400);
  checks.check('walk right held moves the player right; it stops when the finger lifts', walked > 0.5 && Math.abs(after) < 0.01,
    `moved ${walked.toFixed(2)} tiles, then ${after.toFixed(3)}`);

  // Three fingers at once: walk right, jump, and one held on the rock under
  // the corridor's floor, which digs a trail through it as the view follows
  // the player (the only digging there is).
  const right = await control(page, 'walk right');
  const jump = await control(page, 'jump');
  const p0 = await g.probe();
  const c0 = Math.floor(p0.x), t0 = Math.ceil(p0.y);
  const rock = () => g.tiles(c0 - 4, c0 + 10, t0 - 12, t0 - 4);
  const before = await rock();
  const start = Object.keys(before).map((k) => k.split(',').map(Number))
    .find(([c, t]) => c >= c0 + 2 && t >= t0 - 6 && before[`${c},${t}`] === 1 && before[`${c},${t - 1}`] === 1);
  let top = p0.y;
  if (start) await fingers.press({ 1: right, 2: jump, 3: await g.tileClientPoint(start[0], start[1]) });
  for (let i = 0; start && i < 10; i++) {
    await sleep(FRAME_MS);
    top = Math.max(top, (await g.probe()).y);
  }
  const p1 = await g.probe();
  if (start) await fingers.lift(1, 2, 3);
  const trail = probes.changedTiles(before, await rock());
  checks.check('walk right, jump and dig with three fingers at once: the player moves right and rises, the rock is dug',
    start && p1.x - p0.x > 0.2 && top - p0.y > 1.0 && trail.length > 0,
    `moved ${(p1.x - p0.x).toFixed(2)}, rose ${(top - p0.y).toFixed(2)}, dug ${trail.join(' ') || 'nothing'} from ${start}`);
  await rest(g);

  // A finger sliding off walk right lets it go; onto walk left, presses that.
  const left = await control(page, 'walk left');
  await fingers.press({ 1: right });
  await sleep(300);
  const bare = { x: (left.x + right.x) / 2, y: Math.min(left.top, right.top) - 60 };
  await fingers.move(1, bare);
  await sleep(SETTLE_MS);
  const off = await drift(g, 400);
  await fingers.move(1, left);
  const onto = await drift(g, 400);
  await fingers.lift(1);
  checks.check('a finger sliding off a button lets it go, and onto another presses that one',
    Math.abs(off) < 0.01 && onto < -0.2, `after sliding off ${off.toFixed(3)}, onto walk left ${onto.toFixed(2)}`);

  // Right, then left: the player stays in the corridor.
  for (const [how, button] of [['touchcancel', right], ['blur', left], ['hidden page', right]]) {
    await rest(g);
    await fingers.press({ 1: button });
    await sleep(250);
    if (how === 'touchcancel') await fingers.cancel();
    else if (how === 'blur') await page.evaluate(() => window.dispatchEvent(new FocusEvent('blur')));
    else await page.evaluate(() => {
      Object.defineProperty(document, 'hidden', { value: true, configurable: true });
      document.dispatchEvent(new Event('visibilitychange'));
      delete document.hidden;  // the page is shown again, the finger still down
    });
    await sleep(SETTLE_MS);
    const moved = await drift(g, 400);
    if (how !== 'touchcancel') await fingers.lift(1);
    checks.check(`a ${how} lets go of everything held`, Math.abs(moved) < 0.01, `moved ${moved.toFixed(3)} after it`);
  }
}

async function zoomAndPause(page, g, fingers) {
  const z0 = (await g.probe()).zoom;
  await fingers.tap(await control(page, 'zoom out'));
  await sleep(3 * FRAME_MS);
  const z1 = (await g.probe()).zoom;
  await fingers.tap(await control(page, 'zoom in'));
  await sleep(3 * FRAME_MS);
  const z2 = (await g.probe()).zoom;
  checks.check('the zoom buttons change the zoom by one step', z1 === z0 - 1 && z2 === z0, `${z0} -> ${z1} -> ${z2}`);

  const pause = await control(page, 'pause');
  await fingers.tap(pause);
  await sleep(3 * FRAME_MS);
  const a0 = await g.probe();
  await sleep(500);
  const a1 = await g.probe();
  await fingers.tap(pause);
  await sleep(300);
  const a2 = await g.probe();
  checks.check('pause stops the ticks, and again goes on', a0.paused && a1.angle === a0.angle && !a2.paused && a2.angle !== a1.angle,
    `angle ${a0.angle} -> ${a1.angle} paused, ${a2.angle} after`);
}

// A pinch, a double tap, a drag and a long press on the game move and zoom
// nothing of the page and open no menu; a pinch beside the game still zooms it.
async function gestures(page, g, fingers) {
  await page.evaluate(() => {
    window.menus = 0;
    window.addEventListener('contextmenu', (e) => { if (!e.defaultPrevented) window.menus++; });
  });
  const r = await g.canvasRect();
  const cx = r.left + r.width / 2, cy = r.top + r.height / 2;
  await fingers.press({ 1: { x: cx - 20, y: cy }, 2: { x: cx + 20, y: cy } });
  for (let d = 30; d <= 150; d += 15) {
    await fingers.move(1, { x: cx - d, y: cy });
    await fingers.move(2, { x: cx + d, y: cy });
    await sleep(16);
  }
  await fingers.lift(1, 2);
  await fingers.tap({ x: cx, y: cy + 40 });
  await sleep(80);
  await fingers.tap({ x: cx, y: cy + 40 });
  await fingers.press({ 1: { x: cx, y: r.top + r.height * 0.8 } });
  for (let dy = 0; dy <= r.height * 0.7; dy += 20) {
    await fingers.move(1, { x: cx, y: r.top + r.height * 0.8 - dy });
    await sleep(16);
  }
  await fingers.lift(1);
  await fingers.press({ 1: { x: cx + 60, y: cy } });
  await sleep(1200);
  await fingers.lift(1);
  await sleep(500);
  const view = await page.evaluate(() => ({ scale: visualViewport.scale, scrollY: window.scrollY, menus: window.menus }));
  checks.check('after a pinch, a double tap, a drag and a long press on the game the page is unmoved, with no menu',
    view.scale === 1 && view.scrollY === 0 && view.menus === 0, JSON.stringify(view));

  // The same pinch on the key line beside the game zooms the page for reading.
  const k = await page.$eval('#keys', (e) => { const b = e.getBoundingClientRect(); return { x: b.left + b.width / 2, y: b.top + b.height / 2 }; });
  await fingers.press({ 1: { x: k.x - 20, y: k.y }, 2: { x: k.x + 20, y: k.y } });
  for (let d = 30; d <= 150; d += 15) {
    await fingers.move(1, { x: k.x - d, y: k.y });
    await fingers.move(2, { x: k.x + d, y: k.y });
    await sleep(16);
  }
  await fingers.lift(1, 2);
  await sleep(500);
  const zoomed = await page.evaluate(() => visualViewport.scale);
  checks.check('a pinch beside the game still zooms the page', zoomed > 1.05, `scale ${zoomed}`);
}

async function main() {
  // The test page: the same game with the probes the checks read.
  const server = await serve(path.join(webBuild, 'test'), 0);
  const base = `http://127.0.0.1:${server.address().port}/`;
  const browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage', '--mute-audio'],
  });
  try {
    await layouts(browser, base);
    const { page, g, fingers } = await openPhone(browser, base, 'phone-portrait');
    await dig(page, g, fingers);
    await buttons(page, g, fingers);
    await zoomAndPause(page, g, fingers);
    await page.screenshot({ path: path.join(pictures, 'phone-play.png') });
    await gestures(page, g, fingers);
    await page.close();
  } finally {
    await browser.close();
    server.close();
  }
}

withTimeout(main(), WHOLE_TEST_MS)
  .catch((e) => checks.check('the test ran to its end', false, e.stack || String(e)))
  .finally(() => {
    console.log(`screenshots of the phones' pages in ${pictures}`);
    process.exit(checks.finish());
  });
