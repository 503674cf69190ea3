// Fingers on an emulated touch screen, through the DevTools protocol's touch
// events (several at once, each moved and lifted on its own), and where the
// page puts the game's touch controls and the player.
'use strict';
const { sleep } = require('./checks.js');

const FRAME_W = 640;
const FRAME_H = 480;

// The phones and the tablet the touch layout is tried on (CSS pixels), with
// the parts of their screens a notch, rounded corners or the home bar keep.
const PROFILES = {
  'phone-portrait': { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true,
                      insets: { top: 47, right: 0, bottom: 34, left: 0 } },
  'phone-landscape': { width: 844, height: 390, deviceScaleFactor: 3, isMobile: true, hasTouch: true, isLandscape: true,
                       insets: { top: 0, right: 47, bottom: 21, left: 47 } },
  tablet: { width: 820, height: 1180, deviceScaleFactor: 2, isMobile: true, hasTouch: true,
            insets: { top: 24, right: 0, bottom: 20, left: 0 } },
};

// The controls by what they say they do (their aria-label).
const CONTROLS = ['walk left', 'walk right', 'jump', 'fall', 'zoom out', 'zoom in', 'pause', 'controls', 'dig or fill'];

class Fingers {
  constructor(cdp) {
    this.cdp = cdp;
    this.down = new Map();  // id -> { x, y }: the fingers on the screen
  }

  // The protocol takes the fingers on the screen after each change.
  send(type) {
    const touchPoints = [...this.down.entries()].map(([id, p]) => ({ x: p.x, y: p.y, id, radiusX: 4, radiusY: 4, force: 1 }));
    return this.cdp.send('Input.dispatchTouchEvent', { type, touchPoints });
  }

  // Puts fingers down at once: {id: {x, y}, ...}.
  async press(points) {
    for (const [id, p] of Object.entries(points)) this.down.set(Number(id), p);
    await this.send('touchStart');
  }

  async move(id, p) {
    this.down.set(id, p);
    await this.send('touchMove');
  }

  async lift(...ids) {
    for (const id of ids) this.down.delete(id);
    await this.send('touchEnd');
  }

  async cancel() {
    this.down.clear();
    await this.send('touchCancel');
  }

  // A quick tap: down and up.
  async tap(p, id = 9) {
    await this.press({ [id]: p });
    await sleep(50);
    await this.lift(id);
  }
}

// The middle of the control labelled `label`, and its box.
async function control(page, label) {
  return page.$eval(`[aria-label="${label}"]`, (e) => {
    const r = e.getBoundingClientRect();
    const s = getComputedStyle(e);
    return { x: r.left + r.width / 2, y: r.top + r.height / 2, left: r.left, top: r.top, width: r.width, height: r.height,
             shown: s.display !== 'none' && s.visibility !== 'hidden' && r.width > 0 && r.height > 0,
             background: s.backgroundColor };
  });
}

// The player's box on the page (CSS pixels) from the game's probe: its top
// left corner is at x, y in tiles, y upward; it is 0.8 tiles wide, 1.8 high.
async function playerBox(g) {
  const p = await g.probe();
  const r = await g.canvasRect();
  const fx = p.x * p.zoom - p.camX;
  const fy = p.height - (p.y * p.zoom - p.camY);
  const sx = r.width / FRAME_W, sy = r.height / FRAME_H;
  return { left: r.left + fx * sx, top: r.top + fy * sy, width: 0.8 * p.zoom * sx, height: 1.8 * p.zoom * sy };
}

function overlaps(a, b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height && b.top < a.top + a.height;
}

module.exports = { Fingers, PROFILES, CONTROLS, control, playerBox, overlaps };
