// Keeps the site's files so that, after the first visit, the page starts with no network,
// and on a weak one without waiting for it. scripts/build-web.sh fills in RELEASE (a hash of
// the whole site: a new release installs a fresh cache and drops the old one), SITE_FILES,
// HASHED_FILES and DATA_FILES.
'use strict';
const RELEASE = 'unbuilt';
const SITE_FILES = [];
// The program's halves carry their content's hash in their names: a cached copy is always
// the right one, so they come from the cache first.
const HASHED_FILES = [];
// The game's data files, which a player may replace in the folder or take away.
const DATA_FILES = [];
// The full soundfont only plays a player's own song that needs more than the cut one: kept
// once fetched, not fetched on every first visit.
const ON_DEMAND = ['TimGM6mb.sf2'];
// The caches are named by the site's folder: another site on the same origin, or another
// copy of this one in another folder, keeps its own.
const SCOPE = self.registration.scope;
const CACHE_PREFIX = `vask-site ${SCOPE} `;
const CACHE = CACHE_PREFIX + RELEASE;
// Everything but the program comes from the network while it answers within this time, and
// from the cache when it does not: a weak network never holds up a cached site.
const NETWORK_WAIT_MS = 3000;
// The page itself is kept under the folder's address, whatever address it was asked by.
const PAGE = './';

// Asked of the server itself: a copy the browser's HTTP cache still holds as fresh may be
// the last release's (an old index.html naming a program this release no longer has).
const fromServer = (request) => new Request(request, { cache: 'no-cache' });

// What the server says of a file is kept: its content, or for a data file that it is
// missing, so that it stays missing with no network too.
const worthKeeping = (name, response) =>
  response.type === 'basic' && !response.redirected && (response.ok || (response.status === 404 && DATA_FILES.includes(name)));

self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    const cache = await caches.open(CACHE);
    // The page and its program all arrive, or this release is not installed (the last one
    // stays); the data files are kept one by one, and one that fails is fetched on its
    // first use instead.
    const core = [PAGE, ...SITE_FILES.filter((f) => !ON_DEMAND.includes(f) && !DATA_FILES.includes(f))];
    await cache.addAll(core.map(fromServer));
    await Promise.all(DATA_FILES.map(async (name) => {
      try {
        const response = await fetch(fromServer(name));
        if (worthKeeping(name, response)) await cache.put(name, response);
      } catch (offline) { /* fetched again on first use */ }
    }));
    await self.skipWaiting();
  })());
});

// The caches of releases before they were named by their folder ('vask-site-' and a hash):
// this site's own holds this folder's page; another site's is left alone.
const ownOldCache = async (name) => name.startsWith('vask-site-') && !!(await (await caches.open(name)).match(SCOPE));

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys())
      if ((name.startsWith(CACHE_PREFIX) && name !== CACHE) || await ownOldCache(name)) await caches.delete(name);
    await self.clients.claim();
  })());
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || !request.url.startsWith(SCOPE)) return;
  // The file's name in the site's folder (licences/… for those below it).
  const name = new URL(request.url).pathname.slice(new URL(SCOPE).pathname.length);
  const isPage = request.mode === 'navigate' && (name === '' || name === 'index.html');
  if (!isPage && !SITE_FILES.includes(name)) return;
  event.respondWith(answer(event, request, name, isPage));
});

async function answer(event, request, name, isPage) {
  const cache = await caches.open(CACHE);
  const key = isPage ? PAGE : request;
  const cached = () => cache.match(key);
  if (HASHED_FILES.includes(name)) {
    const hit = await cached();
    if (hit) return hit;
  }
  // What the network brings is kept whenever it comes, the page included, so that the copy
  // kept is the one last seen.
  const network = fetch(request.cache === 'default' ? fromServer(request) : request);
  event.waitUntil(network.then((response) => (worthKeeping(name, response) ? cache.put(key, response.clone()) : null))
    .catch(() => {}));
  let timer;
  const waited = new Promise((resolve) => { timer = setTimeout(resolve, NETWORK_WAIT_MS, null); });
  try {
    const answered = await Promise.race([network, waited]);
    if (answered) return answered;
  } catch (offline) {
    const hit = await cached();
    if (hit) return hit;
    throw offline;
  } finally {
    clearTimeout(timer);
  }
  // The network is slow: the kept copy, or without one the network's answer when it comes.
  return (await cached()) || network;
}
