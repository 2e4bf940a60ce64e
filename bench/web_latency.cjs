// Input-to-picture latency of the browser version, in headless Chromium with SwiftShader:
// puppeteer presses V (the next camera) PRESSES times, each at an irregular moment, and the
// page times each press from its arrival in the browser (the key event's time stamp, read
// by a capturing keydown listener added before the game's own) to the first animation
// frame whose picture shows the new camera, once that frame's pixels are drawn. The frame
// is read inside that animation frame, right after the game's own frame callback has
// drawn it, so it works whether or not the canvas keeps its drawing buffer. The picture
// it is compared with is read 40 to 70 ms before the press, outside the measured time: a
// read-back waits for the GPU process, and one inside that time would hold the page's
// main thread up (by 16 ms with GPU compositing) as nothing in a player's browser does.
// Play moves under 0.3 % of the picture's pixels in six frames, a camera change 2 % or
// more. Each figure also comes in parts: the wait for the page's main thread, the game
// taking the key and drawing, and the drawing's pixels (SwiftShader) being there.
//   node bench/web_latency.cjs <site folder> <npm folder> [--json] [--gpu-compositing] [PRESSES]
// prints one line per press and a summary, or with --json the figures for bench/run_all.sh.
// By default the browser composites in software, reading the canvas back on the page's
// main thread each frame; --gpu-compositing composites on its GPU process (SwiftShader
// standing in for the GPU), as a player's browser on a machine with a GPU does. The
// summary names the compositing that ran.
'use strict';
const fs = require('fs');
const path = require('path');

const args = process.argv.slice(2);
const json = args.includes('--json');
const gpuCompositing = args.includes('--gpu-compositing');
const [siteDir, npmDir, count] = args.filter((a) => !a.startsWith('--'));
const presses = Number(count) > 0 ? Number(count) : 50;
const site = path.resolve(siteDir);
const { serveSite, launchChromium, compositingMode } = require('./web_site.cjs');

// In the page before its scripts: the key listener and the frame probe.
function probe() {
  // A pixel counts as changed when a channel moves by more than this; a camera change
  // moves 4 to 38 % of the picture, riding on well under 1 % (as on the desktop).
  const CHANNEL_STEP = 24, VIEW_CHANGE_SHARE = 0.02, W = 640, H = 480;
  const state = window.latency = {
    measuring: false, arrivedAt: 0, referenceAt: 0, results: [], parts: [], smallestView: 1,
  };
  const before = new Uint8Array(W * H * 4), now = new Uint8Array(W * H * 4);
  // The game's own context keeps its 640 by 480 frame bound between presents: reading it
  // waits for that frame's drawing to finish, and works whether or not the canvas keeps
  // its drawing buffer.
  const readFrame = (into) => {
    const canvas = document.getElementById('vask-canvas');
    canvas.getContext('webgl').readPixels(0, 0, W, H, WebGLRenderingContext.RGBA,
                                          WebGLRenderingContext.UNSIGNED_BYTE, into);
  };
  const changedShare = () => {
    let changed = 0;
    for (let i = 0; i < now.length; i += 4)
      if (Math.abs(now[i] - before[i]) > CHANNEL_STEP || Math.abs(now[i + 1] - before[i + 1]) > CHANNEL_STEP ||
          Math.abs(now[i + 2] - before[i + 2]) > CHANNEL_STEP) changed++;
    return changed / (W * H);
  };

  // The picture before the press.
  state.takeReference = () => {
    readFrame(before);
    state.referenceAt = performance.now();
  };

  // The press arrives: the time the browser gave the event (its arrival, before any wait
  // for the page's main thread).
  window.addEventListener('keydown', (e) => {
    if (!state.measuring || e.code !== 'KeyV' || e.repeat || state.arrivedAt) return;
    const listened = performance.now();
    state.arrivedAt = e.timeStamp > 0 && e.timeStamp <= listened ? e.timeStamp : listened;
    state.listenedAt = listened;
  }, true);

  // Runs in the same animation frame as the game's frame callback and after it (the game's
  // loop resumes, draws and asks for its next frame in that callback's microtasks), while
  // a press waits to be seen; the time is taken once the frame's pixels are there.
  function look() {
    if (!state.arrivedAt) return;
    const drawn = performance.now();
    readFrame(now);
    const at = performance.now();
    const share = changedShare();
    if (share >= VIEW_CHANGE_SHARE) {
      state.results.push(at - state.arrivedAt);
      state.parts.push({ queued: state.listenedAt - state.arrivedAt, referenceAge: state.arrivedAt - state.referenceAt,
                         toDrawn: drawn - state.listenedAt, toPixels: at - drawn,
                         keyToDrawn: drawn - state.arrivedAt });
      state.smallestView = Math.min(state.smallestView, share);
      state.arrivedAt = 0;
    }
  }

  // The game's wait for the next animation frame (its frame clock) is followed by the probe.
  const request = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) => {
    const id = request(callback);
    if ((new Error().stack || '').includes('awaitAnimationFrame')) request(look);
    return id;
  };
}

const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const median = (v) => (v.length === 0 ? 0 : v.length % 2 ? v[(v.length - 1) / 2]
  : (v[v.length / 2 - 1] + v[v.length / 2]) / 2);

(async () => {
  const server = await serveSite(site);
  const browser = await launchChromium(npmDir, { gpuCompositing });
  const mode = await compositingMode(browser);
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  await page.evaluateOnNewDocument(probe);
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  await page.click('#start');
  await pause(2000);              // the title
  await page.keyboard.press('F8');  // play
  await pause(1000);
  await page.evaluate(() => { window.latency.measuring = true; });
  await pause(500);

  let lost = 0;
  let seed = 12345;
  for (let n = 1; n <= presses; n++) {
    // 140 to 370 ms apart, at no fixed phase of the frames.
    seed = (Math.imul(seed, 1664525) + 1013904223) >>> 0;
    await pause(100 + (seed >>> 8) % 200);
    const before = await page.evaluate(() => window.latency.results.length);
    await page.evaluate(() => window.latency.takeReference());
    seed = (Math.imul(seed, 1664525) + 1013904223) >>> 0;
    await pause(40 + (seed >>> 8) % 30);
    await page.keyboard.press('KeyV');
    const seen = await page.waitForFunction((k) => window.latency.results.length > k, { timeout: 1000 }, before)
      .then(() => true, () => false);
    if (!seen) {
      lost++;
      await page.evaluate(() => { window.latency.arrivedAt = 0; });
      if (!json) console.log(`press ${n} lost`);
    } else if (!json) {
      console.log(`press ${n} ${(await page.evaluate(() => window.latency.results.at(-1))).toFixed(2)}`);
    }
  }
  const state = await page.evaluate(() => window.latency);
  await browser.close();
  server.close();
  if (errors.length) {
    console.error(`web_latency: the page failed: ${errors.join('; ')}`);
    process.exit(1);
  }
  if (state.results.length * 2 < presses) {
    // The probe follows the game's wait for animation frames; without it no press is seen.
    console.error(`web_latency: only ${state.results.length} of ${presses} presses were seen on the canvas`);
    process.exit(1);
  }
  const sorted = [...state.results].sort((a, b) => a - b);
  const m = sorted.length;
  const part = (name) => median(state.parts.map((p) => p[name]).sort((a, b) => a - b));
  const summary = { compositing: mode.gpuCompositing, renderer: mode.renderer,
                    presses: m, lost, medianMs: median(sorted), worstMs: m ? sorted[m - 1] : 0,
                    queuedMs: part('queued'), referenceAgeMs: part('referenceAge'), toDrawnMs: part('toDrawn'),
                    toPixelsMs: part('toPixels'), keyToDrawnMs: part('keyToDrawn'), smallestViewChange: state.smallestView,
                    loadAverage: require('os').loadavg()[0] };
  if (json) console.log(JSON.stringify(summary));
  else console.log(`summary ${JSON.stringify(summary)}`);
})().catch((e) => { console.error(e); process.exit(1); });
