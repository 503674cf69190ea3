// What the browser test does to and reads from the page: the game's state
// through the program's two test exports (delve_probe, delve_tile), the
// cursor put on a tile through wherever the canvas is shown, held keys, the
// wheel, focus and blur, and the first frame's pixels.
'use strict';
const path = require('path');
const { spawnSync } = require('child_process');
const { sleep } = require('./checks.js');

const FRAME_W = 640;
const FRAME_H = 480;
const FRAME_MS = 1000 / 30;
const DWELL_MS = 4 * FRAME_MS;  // the cursor rests on each tile of a drag this long: several frames

// "timedemo: N frames in S s, F frames per second, state H" as its numbers.
function parseTimedemo(line) {
  const m = /^timedemo: (\d+) frames in ([\d.]+) s, ([\d.]+) frames per second, state ([0-9a-f]{16})$/.exec(line || '');
  return m ? { frames: Number(m[1]), seconds: Number(m[2]), fps: Number(m[3]), state: m[4] } : null;
}

// The fastest of several parsed timedemo lines, or null when one is missing.
function fastestRun(runs) {
  return runs.length === 0 || runs.some((r) => r === null) ? null : runs.reduce((a, b) => (b.fps > a.fps ? b : a));
}

// One timedemo of the desktop game (headless, from its own folder) of a
// demo file: its closing line, and the line parsed (null when missing).
function desktopTimedemo(game, demoFile) {
  const run = spawnSync(path.resolve(game), ['--timedemo', path.resolve(demoFile)],
    { cwd: path.dirname(path.resolve(game)), encoding: 'utf8', env: { ...process.env, SDL_VIDEODRIVER: 'dummy' } });
  const line = (run.stderr || '').trim().split('\n').pop();
  return { line, run: parseTimedemo(line) };
}

// Keys of tiles whose value differs between two maps of tiles, sorted.
function changedTiles(before, after) {
  return Object.keys(before).filter((k) => before[k] !== after[k]).sort();
}

function game(page) {
  const g = {
    async probe() {
      const v = await page.evaluate(() => {
        const p = Module._malloc(8 * 11);
        Module._delve_probe(p);
        const out = Array.from(Module.HEAPF64.subarray(p / 8, p / 8 + 11));
        Module._free(p);
        return out;
      });
      return { x: v[0], y: v[1], vx: v[2], vy: v[3], zoom: v[4], camX: v[5], camY: v[6], frames: v[7], height: v[8],
        angle: v[9], paused: v[10] === 1 };
    },

    // Tile values of columns c0..c1 and top edges t0..t1, keyed "column,top".
    async tiles(c0, c1, t0, t1) {
      return page.evaluate((c0, c1, t0, t1) => {
        const out = {};
        for (let c = c0; c <= c1; c++)
          for (let t = t0; t <= t1; t++) out[`${c},${t}`] = Module._delve_tile(c, t);
        return out;
      }, c0, c1, t0, t1);
    },

    async canvasRect() {
      return page.evaluate(() => {
        const r = document.getElementById('canvas').getBoundingClientRect();
        return { left: r.left, top: r.top, width: r.width, height: r.height };
      });
    },

    // The page point over the middle of a tile, from the camera as it is now:
    // a tile's left edge is at column x zoom - camera x in the frame, and its
    // top edge at the window's height - (top x zoom - camera y), y downward.
    async tileClientPoint(column, top) {
      const p = await g.probe();
      const r = await g.canvasRect();
      const fx = column * p.zoom - p.camX + p.zoom / 2;
      const fy = p.height - (top * p.zoom - p.camY) + p.zoom / 2;
      return { x: r.left + fx * r.width / FRAME_W, y: r.top + fy * r.height / FRAME_H };
    },

    // The middle button on the canvas's corner: focus, and no digging.
    async focusCanvas() {
      const r = await g.canvasRect();
      await page.mouse.click(r.left + 4, r.top + 4, { button: 'middle' });
      await sleep(100);
    },

    async clickOutside() {
      const box = await page.evaluate(() => {
        const r = document.getElementById('keys').getBoundingClientRect();
        return { x: r.left + r.width / 2, y: r.top + r.height / 2 };
      });
      await page.mouse.click(box.x, box.y);
      await sleep(100);
    },

    // Holds `button` while the cursor rests on each tile of `tiles` in turn
    // for `dwellMs`.
    async drag(button, tiles, dwellMs = DWELL_MS) {
      const first = await g.tileClientPoint(tiles[0][0], tiles[0][1]);
      await page.mouse.move(first.x, first.y);
      await page.mouse.down({ button });
      for (const [column, top] of tiles) {
        const pt = await g.tileClientPoint(column, top);
        await page.mouse.move(pt.x, pt.y);
        await sleep(dwellMs);
      }
      await page.mouse.up({ button });
      await sleep(2 * FRAME_MS);
    },

    // Holds a key (by its place, KeyboardEvent.code) for `ms`, watching the
    // player until `watchMs` after it went down: how far it moved across by
    // the release, and how high it rose at most.
    async holdKey(code, ms, watchMs = ms) {
      const p0 = await g.probe();
      let top = p0.y;
      let released = null;
      await page.keyboard.down(code);
      const t0 = Date.now();
      while (Date.now() - t0 < Math.max(ms, watchMs)) {
        await sleep(FRAME_MS);
        const p = await g.probe();
        top = Math.max(top, p.y);
        if (released === null && Date.now() - t0 >= ms) {
          await page.keyboard.up(code);
          released = p;
        }
      }
      if (released === null) {
        await page.keyboard.up(code);
        released = await g.probe();
      }
      return { dx: released.x - p0.x, rise: top - p0.y };
    },

    // The wheel turned over the canvas's middle, then two frames to read it.
    async wheel(deltaY) {
      const r = await g.canvasRect();
      await page.mouse.move(r.left + r.width / 2, r.top + Math.min(r.height, 800) / 2);
      await page.mouse.wheel({ deltaY });
      await sleep(3 * FRAME_MS);
    },

    // Holds a key, takes the keyboard away (from the canvas, or from the
    // whole window, or by hiding the tab) while it is held, and measures the
    // player's travel while held and once it has come to rest after the blur.
    async blurWhileHolding(code, how) {
      const p0 = await g.probe();
      await page.keyboard.down(code);
      await sleep(500);
      const p1 = await g.probe();
      await page.evaluate((how) => {
        if (how === 'canvas') document.getElementById('canvas').blur();
        else if (how === 'window') window.dispatchEvent(new FocusEvent('blur'));
        else {
          // The tab hidden (another tab chosen, the window minimised), as the page hears it.
          Object.defineProperty(document, 'hidden', { value: true, configurable: true });
          Object.defineProperty(document, 'visibilityState', { value: 'hidden', configurable: true });
          document.dispatchEvent(new Event('visibilitychange'));
        }
      }, how);
      await sleep(1200);
      const p2 = await g.probe();
      await sleep(500);
      const p3 = await g.probe();
      await page.keyboard.up(code);
      if (how === 'hidden') {
        await page.evaluate(() => {
          delete document.hidden;
          delete document.visibilityState;
          document.dispatchEvent(new Event('visibilitychange'));
        });
      }
      return { movedBefore: Math.abs(p1.x - p0.x), movedAfter: Math.abs(p3.x - p2.x) };
    },
  };
  return g;
}

// Compares the page's first frame with a PNG of the desktop's: the number of
// pixels whose colour differs, and the box around them.
async function compareFirstFrame(page, png) {
  return page.evaluate(async (b64) => {
    const bytes = Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));
    const bmp = await createImageBitmap(new Blob([bytes], { type: 'image/png' }),
      { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
    const c = new OffscreenCanvas(bmp.width, bmp.height);
    const ctx = c.getContext('2d');
    ctx.drawImage(bmp, 0, 0);
    const want = ctx.getImageData(0, 0, bmp.width, bmp.height).data;
    const got = delve.firstFrame;
    if (!got || bmp.width !== 640 || bmp.height !== 480) return { count: -1, box: null };
    let count = 0;
    const box = { x0: 640, y0: 480, x1: -1, y1: -1 };
    for (let i = 0; i < 640 * 480; i++) {
      const k = 4 * i;
      if (got[k] === want[k] && got[k + 1] === want[k + 1] && got[k + 2] === want[k + 2]) continue;
      count++;
      const x = i % 640, y = Math.floor(i / 640);
      box.x0 = Math.min(box.x0, x); box.y0 = Math.min(box.y0, y);
      box.x1 = Math.max(box.x1, x); box.y1 = Math.max(box.y1, y);
    }
    return { count, box };
  }, png.toString('base64'));
}

module.exports = { parseTimedemo, fastestRun, desktopTimedemo, changedTiles, game, compareFirstFrame, FRAME_MS };
