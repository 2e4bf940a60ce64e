// Keeps the site's files so that, after the first visit, the page starts with no network.
// scripts/build-web.sh fills in CACHE, SITE_FILES and HASHED_FILES: the cache's name carries a
// hash of the whole site, so a new release installs a fresh cache and the old one is dropped.
'use strict';
const CACHE = 'vask-site-unbuilt';
const SITE_FILES = [];
// The program's halves carry their content's hash in their names: a cached copy is always
// the right one, so they come from the cache first.
const HASHED_FILES = [];
// The full soundfont only plays a player's own song that needs more than the cut one: kept
// once fetched, not fetched on every first visit.
const ON_DEMAND = ['TimGM6mb.sf2'];
// Everything else (the data files above all, which a player may replace in the folder, and
// which the page asks for with cache: 'no-cache') comes from the network while there is one,
// and from the cache without.

self.addEventListener('install', (event) => {
  const kept = ['./', ...SITE_FILES.filter((f) => !ON_DEMAND.includes(f))];
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(kept)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((n) => n.startsWith('vask-site-') && n !== CACHE).map((n) => caches.delete(n))))
    .then(() => self.clients.claim()));
});

// The cached copy of a request: the page itself whatever its query (the folder's address
// stands for index.html).
function cached(cache, request) {
  return cache.match(request, { ignoreSearch: request.mode === 'navigate' });
}

self.addEventListener('fetch', (event) => {
  const request = event.request;
  const url = new URL(request.url);
  if (request.method !== 'GET' || url.origin !== self.location.origin) return;
  // The file's name in the site's folder (licences/… for those below it).
  const name = url.pathname.slice(new URL(self.registration.scope).pathname.length);
  event.respondWith(caches.open(CACHE).then(async (cache) => {
    if (HASHED_FILES.includes(name)) {
      const hit = await cache.match(request);
      if (hit) return hit;
    }
    try {
      const response = await fetch(request);
      // Only what the site holds is kept; a missing file stays missing, as on the server.
      if (response.ok && SITE_FILES.includes(name) && request.mode !== 'navigate')
        event.waitUntil(cache.put(request, response.clone()));
      return response;
    } catch (offline) {
      const hit = await cached(cache, request);
      if (hit) return hit;
      throw offline;
    }
  }));
});
