// The browser test's bookkeeping: named checks with what was seen, figures
// for the README, and the closing "N passed, M failed" line.
'use strict';

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

// Chromium keeps a core busy for a moment after it opens or closes a tab (a
// third of a core for 0.2-0.4 s on the 2-core development machine) and for
// most of a second after it starts (both cores). A timedemo, the desktop's or
// the browser's, starts once it has been quiet this long, ms: the game's
// timing, not the browser's own chores.
const QUIET_MS = 500;
const BROWSER_START_MS = 2000;

// Rejects when `promise` has not settled within `ms`.
function withTimeout(promise, ms) {
  let timer;
  const limit = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`gave up after ${ms / 1000} s`)), ms);
  });
  return Promise.race([promise, limit]).finally(() => clearTimeout(timer));
}

class Checks {
  constructor() {
    this.passed = 0;
    this.failed = 0;
  }

  check(name, ok, detail = '') {
    if (ok) this.passed++;
    else this.failed++;
    console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}${detail ? ' (' + detail + ')' : ''}`);
    return ok;
  }

  figure(name, value) {
    console.log(`     figure: ${name}: ${value}`);
  }

  // Prints the closing line and returns the exit status.
  finish() {
    console.log(`${this.passed} passed, ${this.failed} failed`);
    return this.failed === 0 && this.passed > 0 ? 0 : 1;
  }
}

module.exports = { Checks, withTimeout, sleep, QUIET_MS, BROWSER_START_MS };
