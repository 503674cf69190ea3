// The page's service worker: keeps the page's files after the first visit and
// serves them with no network. The build (web/make-sw.js) writes the cache's
// name and the file lists into this file's copy in the build folder: the name
// is a digest of the files' content, so a new build is a new cache, filled
// whole before it serves anything (never an old delve.js with a new
// delve.wasm), and the caches of older builds are deleted when it takes over.
'use strict';
const CACHE = 'delve-@CONTENT@';
// The page cannot start without these: one missing, and this build is not kept.
const FILES = @FILES@;
// Kept when the host has them (the shipped demos, for ?play= and ?timedemo=).
const EXTRAS = @EXTRAS@;

// Asked past any HTTP cache, which could hold a file of another build.
const fresh = (file) => new Request(file, { cache: 'no-cache' });

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE).then(async (cache) => {
    await cache.addAll(FILES.map(fresh));
    await Promise.all(EXTRAS.map((file) => cache.add(fresh(file)).catch(() => {})));
  }));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) => Promise.all(
    names.filter((name) => name.startsWith('delve-') && name !== CACHE).map((name) => caches.delete(name)))));
});

// A page that finds this build waiting asks it to take over at once: the page
// then starts again on this build's files.
self.addEventListener('message', (event) => {
  if (event.data === 'take over') self.skipWaiting();
});

// The page's files from this build's cache (a page's address with ?play= or
// ?timedemo= is the page); anything else, and anything not kept, from the network.
self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET') return;
  const url = new URL(request.url);
  const scope = new URL(self.registration.scope);
  if (url.origin !== scope.origin || !url.pathname.startsWith(scope.pathname)) return;
  const file = request.mode === 'navigate' ? scope.href + 'index.html' : url.origin + url.pathname;
  event.respondWith(caches.open(CACHE).then((cache) => cache.match(file)).then((kept) => kept || fetch(request)));
});
