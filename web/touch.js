// The touch controls: buttons for thumbs over and beside the game, and a
// finger on the game that digs (or fills) the tile under it. Each acts as the
// game's own keys and mouse buttons, through the program's delve_touch_ calls,
// so a demo records touch play and the game's frame is never drawn on. Shown
// from the first touch, or at once where the main pointer is a finger; the
// page without touch stays as it was.
'use strict';
(function () {
  const stage = document.getElementById('stage');
  const panel = document.getElementById('touch');
  const modeButton = document.getElementById('touch-mode');
  const keysLine = document.getElementById('keys');
  if (!stage || !panel) return;

  // The game's mouse buttons: the right one digs, the left one fills.
  const BUTTON_LEFT = 0, BUTTON_RIGHT = 1, CURSOR_ONLY = -1;
  const TOUCH_KEYS = '\u25C0 \u25B6 walk \u00B7 \u25B2 jump \u00B7 \u25BC fall \u00B7 a finger on the game digs ' +
    '(or fills: the dig / fill switch) \u00B7 \u2212 + zoom \u00B7 \u275A\u275A pause \u00B7 ? controls';

  // Each finger on its own, by its touch identifier: the control it holds
  // (a button with a data-key, or the game itself with the mouse button it holds).
  const fingers = new Map();
  const held = new Map();  // button element -> fingers on it
  let gameFinger = null;   // the one finger that digs; others on the game do nothing
  let fill = false;        // the switch: fingers on the game fill instead of dig

  function running() {
    return window.delve && delve.state === 'running' && window.Module && Module.ccall;
  }
  function key(code, down) {
    if (running()) Module.ccall('delve_touch_key', null, ['string', 'number'], [code, down ? 1 : 0]);
  }
  function point(button, down, t) {
    if (running()) Module._delve_touch_point(button, down ? 1 : 0, t.clientX, t.clientY);
  }

  function show() {
    if (document.body.classList.contains('touch')) return;
    document.body.classList.add('touch');
    if (keysLine) keysLine.textContent = TOUCH_KEYS;
    if (window.delve && delve.layout) delve.layout();
  }

  function press(button) {
    if (!button) return;
    const n = held.get(button) || 0;
    held.set(button, n + 1);
    if (n === 0) {
      button.classList.add('held');
      key(button.dataset.key, true);
    }
  }
  function release(button) {
    if (!button) return;
    const n = held.get(button) || 0;
    if (n <= 1) {
      held.delete(button);
      button.classList.remove('held');
      if (n === 1) key(button.dataset.key, false);
    } else {
      held.set(button, n - 1);
    }
  }

  // The key button under a point of the page, if any.
  function buttonAt(x, y) {
    const e = document.elementFromPoint(x, y);
    const b = e && e.closest('#touch [data-key]');
    return b || null;
  }

  // Everything let go: the fingers' state here, and every key and button in the game.
  function letGo() {
    fingers.clear();
    gameFinger = null;
    for (const b of held.keys()) b.classList.remove('held');
    held.clear();
    if (running()) Module._delve_touch_let_go();
  }

  function setFill(on) {
    fill = on;
    modeButton.setAttribute('aria-pressed', on ? 'true' : 'false');
    modeButton.textContent = on ? 'fill' : 'dig';
  }

  function onStart(e) {
    show();
    if (!stage.contains(e.target)) return;
    e.preventDefault();  // no mouse events after it, no zoom, no selection, no menu
    for (const t of e.changedTouches) {
      const target = t.target instanceof Element ? t.target : null;
      if (target && target.closest('#touch-mode')) {
        setFill(!fill);
        fingers.set(t.identifier, { kind: 'switch' });
      } else if (target && target.closest('#touch [data-key]')) {
        const b = target.closest('#touch [data-key]');
        fingers.set(t.identifier, { kind: 'button', button: b });
        press(b);
      } else if (target && target.id === 'canvas' && gameFinger === null) {
        const button = fill ? BUTTON_LEFT : BUTTON_RIGHT;
        gameFinger = t.identifier;
        fingers.set(t.identifier, { kind: 'game', button });
        point(button, true, t);
      } else {
        fingers.set(t.identifier, { kind: 'none' });
      }
    }
  }

  function onMove(e) {
    let ours = false;
    for (const t of e.changedTouches) {
      const f = fingers.get(t.identifier);
      if (!f) continue;
      ours = true;
      if (f.kind === 'game') {
        point(CURSOR_ONLY, false, t);
      } else if (f.kind === 'button' || f.kind === 'none') {
        // Sliding off a button lets it go; onto another presses that one.
        const b = buttonAt(t.clientX, t.clientY);
        if (b !== (f.button || null)) {
          release(f.button);
          press(b);
          f.button = b;
          f.kind = b ? 'button' : 'none';
        }
      }
    }
    if (ours) e.preventDefault();
  }

  function onEnd(e) {
    let ours = false;
    for (const t of e.changedTouches) {
      const f = fingers.get(t.identifier);
      if (!f) continue;
      ours = true;
      fingers.delete(t.identifier);
      if (f.kind === 'game') {
        point(f.button, false, t);
        gameFinger = null;
      } else if (f.kind === 'button') {
        release(f.button);
      }
    }
    if (ours) e.preventDefault();
  }

  const active = { passive: false };
  document.addEventListener('touchstart', onStart, active);
  document.addEventListener('touchmove', onMove, active);
  document.addEventListener('touchend', onEnd, active);
  document.addEventListener('touchcancel', letGo, active);
  window.addEventListener('blur', letGo);
  document.addEventListener('visibilitychange', () => { if (document.hidden) letGo(); });
  // A long press over the game or its buttons opens no menu.
  stage.addEventListener('contextmenu', (e) => e.preventDefault());

  setFill(false);
  if (window.matchMedia && matchMedia('(pointer: coarse)').matches) show();
})();
