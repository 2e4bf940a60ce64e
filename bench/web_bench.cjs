// The browser version's figures, in headless Chromium with SwiftShader (software WebGL):
// the site's size, plain and gzipped, whole and as a normal visit downloads it (the files
// the page fetched, up to the title with its song playing); the time from the start click to
// the title on the canvas, clicked at once at the page's load event (the worst case: the
// page's warm-up, which fetches the data files and compiles the program before the click, is
// still under way) and clicked after the warm-up (as a player who reads the overlay first
// clicks), and how long after the load event the warm-up is over; attract mode's frame rate
// over 5 s and the page's main-thread time per frame, from Chromium's trace: the thread's CPU
// time, and its tasks' wall time with the part of it spent waiting for the GPU process
// (SwiftShader) to finish drawing.
//   node bench/web_bench.cjs <site folder> <npm folder> [--json] [--help-shown]
// prints a Markdown table, or with --json the figures for bench/run_all.sh's table.
// --help-shown measures the attract frames with the help text over them (F1 held).
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');

const json = process.argv.includes('--json');
const helpShown = process.argv.includes('--help-shown');
const [siteDir, npmDir] = process.argv.slice(2).filter((a) => !a.startsWith('--')).map((a) => path.resolve(a));
const { serveSite, launchChromium } = require('./web_site.cjs');

function siteFiles(dir) {
  return fs.readdirSync(dir, { withFileTypes: true }).flatMap((e) =>
    e.isDirectory() ? siteFiles(path.join(dir, e.name)) : [path.join(dir, e.name)]);
}

// A frame is a clear of the canvas itself: the game clears its off-screen frame, and the
// present clears the canvas once before drawing that frame onto it.
function counters() {
  window.benchClears = 0;
  const gl = WebGLRenderingContext.prototype;
  const clear = gl.clear, bindFramebuffer = gl.bindFramebuffer;
  let offScreen = false;
  gl.bindFramebuffer = function (target, framebuffer) {
    offScreen = !!framebuffer;
    return bindFramebuffer.call(this, target, framebuffer);
  };
  gl.clear = function (mask) {
    if ((mask & this.COLOR_BUFFER_BIT) && !offScreen) window.benchClears++;
    return clear.call(this, mask);
  };
  // The first picture drawn onto the canvas that is not all black, read at once after its
  // draw: the page does not keep its drawing buffer for later reads.
  const drawArrays = gl.drawArrays;
  gl.drawArrays = function (...args) {
    const result = drawArrays.apply(this, args);
    if (window.benchTitleFound && !offScreen) {
      const w = this.drawingBufferWidth, h = this.drawingBufferHeight;
      const p = new Uint8Array(w * h * 4);
      this.readPixels(0, 0, w, h, this.RGBA, this.UNSIGNED_BYTE, p);
      for (let i = 0; i < p.length; i += 4) {
        if (p[i] || p[i + 1] || p[i + 2]) {
          const found = window.benchTitleFound;
          window.benchTitleFound = null;
          found(performance.now());
          break;
        }
      }
    }
    return result;
  };
}

// The page's main thread in a trace: its top-level tasks' wall and CPU time, the CPU time of
// the page's scripts among them (the game's WebAssembly, its WebGL calls and the page's
// JavaScript), and the time spent waiting for the GPU process, all in ms; `readBack` is the
// part of the wait where the compositor reads the canvas back (software compositing reads
// every frame).
function mainThreadTimes(events) {
  const threads = new Map();
  for (const e of events)
    if (e.ph === 'M' && e.name === 'thread_name' && e.args.name === 'CrRendererMain') threads.set(`${e.pid}:${e.tid}`, []);
  for (const e of events) {
    const list = threads.get(`${e.pid}:${e.tid}`);
    if (list && e.ph === 'X' && e.dur !== undefined) list.push(e);
  }
  // The busiest renderer's main thread is the page's.
  const list = [...threads.values()].sort((a, b) => b.length - a.length)[0] || [];
  list.sort((a, b) => a.ts - b.ts || b.dur - a.dur);
  const SCRIPT = new Set(['FunctionCall', 'RunMicrotasks', 'FireAnimationFrame', 'v8.callFunction',
                          'TimerFire', 'EventDispatch', 'V8.Execute']);
  let wall = 0, cpu = 0, scripts = 0, waiting = 0, readBack = 0, end = 0, scriptEnd = 0;
  const open = [];
  for (const e of list) {
    while (open.length && open[open.length - 1].ts + open[open.length - 1].dur <= e.ts) open.pop();
    if (e.ts >= end) {
      wall += e.dur;
      cpu += e.tdur || 0;
      end = e.ts + e.dur;
    }
    if (SCRIPT.has(e.name) && e.ts >= scriptEnd) {
      scripts += e.tdur || 0;
      scriptEnd = e.ts + e.dur;
    }
    if (e.name === 'CommandBufferHelper::Finish' || e.name === 'CommandBufferProxyImpl::WaitForGetOffset') {
      if (!open.some((o) => o.name === e.name || o.name === 'CommandBufferHelper::Finish')) {
        waiting += e.dur;
        if (open.some((o) => o.name === 'GLES2::ReadPixels' || o.name === 'LayerTreeHost::DoUpdateLayers')) readBack += e.dur;
      }
    }
    open.push(e);
  }
  return { wall: wall / 1000, cpu: cpu / 1000, scripts: scripts / 1000, waiting: waiting / 1000,
           readBack: readBack / 1000 };
}

(async () => {
  // The .gz and .br copies beside the large files are what a server may send instead.
  const files = siteFiles(siteDir).filter((f) => !/\.(gz|br)$/.test(f));
  const bytes = files.reduce((n, f) => n + fs.statSync(f).size, 0);
  const gzipped = files.reduce((n, f) => n + zlib.gzipSync(fs.readFileSync(f), { level: 9 }).length, 0);

  // The files the page's warm-up fetches: the data files, their list and the program.
  const warmUpFiles = ['data-files.json', ...JSON.parse(fs.readFileSync(path.join(siteDir, 'data-files.json'), 'utf8')),
    fs.readFileSync(path.join(siteDir, 'index.html'), 'utf8').match(/data-wasm="([^"]+)"/)[1]];
  const fetched = new Set();
  const server = await serveSite(siteDir, (file) => fetched.add(file));
  const browser = await launchChromium(npmDir);
  const titles = [], warmTitles = [], warmUps = [];
  let fps = 0, taskPerFrame = 0, main = null;
  // Starts in turns: clicked at the load event, and clicked once the network has been idle for
  // half a second (the warm-up over). The first of each is left out: it starts the browser's
  // caches, a player's browser has them.
  const STARTS = 9;
  for (let run = 0; run < 2 * (STARTS + 1); run++) {
    const warm = run % 2 === 1;
    const page = await browser.newPage();
    await page.evaluateOnNewDocument(counters);
    await page.goto(`http://127.0.0.1:${server.address().port}/`, { waitUntil: warm ? 'networkidle0' : 'load' });
    // From the click to the first frame with the title on it, timed inside the page.
    const ms = await page.evaluate(() => new Promise((resolve) => {
      const start = performance.now();
      window.benchTitleFound = (now) => resolve(now - start);
      document.getElementById('start').click();
    }));
    if (run >= 2) (warm ? warmTitles : titles).push(ms);
    // The warm-up's end: its last file (the program or a data file) in, after the load event.
    if (warm && run >= 2) {
      warmUps.push(await page.evaluate((names) => {
        const load = performance.getEntriesByType('navigation')[0].loadEventStart;
        const ends = performance.getEntriesByType('resource')
          .filter((e) => names.includes(decodeURIComponent(new URL(e.name).pathname.split('/').pop())))
          .map((e) => e.responseEnd);
        return Math.max(...ends) - load;
      }, warmUpFiles));
    }
    if (run === 2 * STARTS + 1) {
      await page.keyboard.press('KeyD');
      if (helpShown) await page.keyboard.down('F1');
      await new Promise((r) => setTimeout(r, 1000));
      const traceFile = path.join(require('os').tmpdir(), `vask-web-bench-${process.pid}.json`);
      await page.tracing.start({ path: traceFile, categories: ['toplevel', 'gpu', 'cc', 'devtools.timeline', 'v8'] });
      const before = await page.metrics();
      const clears0 = await page.evaluate(() => window.benchClears);
      await new Promise((r) => setTimeout(r, 5000));
      const after = await page.metrics();
      const frames = (await page.evaluate(() => window.benchClears)) - clears0;
      await page.tracing.stop();
      const times = mainThreadTimes(JSON.parse(fs.readFileSync(traceFile, 'utf8')).traceEvents);
      fs.unlinkSync(traceFile);
      fps = frames / (after.Timestamp - before.Timestamp);
      taskPerFrame = (after.TaskDuration - before.TaskDuration) * 1000 / frames;
      main = Object.fromEntries(Object.entries(times).map(([k, v]) => [k, v / frames]));
      if (helpShown) await page.keyboard.up('F1');
    }
    await page.close();
  }
  await browser.close();
  server.close();
  for (const list of [titles, warmTitles, warmUps]) list.sort((a, b) => a - b);
  const median = (list) => list[list.length >> 1];
  const visit = [...fetched];
  const visitBytes = visit.reduce((n, f) => n + fs.statSync(f).size, 0);
  const visitGzipped = visit.reduce((n, f) => n + zlib.gzipSync(fs.readFileSync(f), { level: 9 }).length, 0);
  if (json) {
    console.log(JSON.stringify({ files: files.length, bytes, gzipped, visitFiles: visit.length, visitBytes, visitGzipped,
      titleMs: titles, titleAfterWarmUpMs: warmTitles, warmUpAfterLoadMs: warmUps, fps,
      cpuPerFrameMs: main.cpu, scriptCpuPerFrameMs: main.scripts, taskPerFrameMs: taskPerFrame, wallPerFrameMs: main.wall,
      gpuWaitPerFrameMs: main.waiting, readBackWaitPerFrameMs: main.readBack, helpShown }));
    return;
  }
  const mb = (n) => (n / 1e6).toFixed(2);
  console.log('| Measure | Result | Target | |');
  console.log('|---|---|---|---|');
  console.log(`| Site, ${files.length} files | ${mb(bytes)} MB (${mb(gzipped)} MB gzipped) | at most 10 MB | ${bytes <= 10e6 ? 'met' : '**missed**'} |`);
  console.log(`| Download of a normal visit, ${visit.length} files | ${mb(visitBytes)} MB (${mb(visitGzipped)} MB gzipped) | at most 1.5 MB gzipped | ${visitGzipped <= 1.5e6 ? 'met' : '**missed**'} |`);
  const title = (list) => `${median(list).toFixed(0)} ms (fastest ${list[0].toFixed(0)}, slowest ${list[list.length - 1].toFixed(0)}, of ${list.length} starts)`;
  console.log(`| Start click to the title on the canvas, clicked after the page's warm-up (over ${median(warmUps).toFixed(0)} ms after the load event, slowest ${warmUps[warmUps.length - 1].toFixed(0)} ms) | ${title(warmTitles)} | at most 300 ms | ${median(warmTitles) <= 300 ? 'met' : '**missed**'} |`);
  console.log(`| The same, clicked at once at the load event (the warm-up still under way) | ${title(titles)} | at most 300 ms | ${median(titles) <= 300 ? 'met' : '**missed**'} |`);
  console.log(`| Attract mode, frames a second over 5 s | ${fps.toFixed(1)} | 60 | ${fps >= 59 ? 'met' : '**missed**'} |`);
  console.log(`| Page's main-thread CPU per attract frame${helpShown ? ', help shown' : ''} | ${main.cpu.toFixed(2)} ms (the page's scripts, the game and its WebGL calls: ${main.scripts.toFixed(2)} ms) | at most 2 ms | ${main.cpu <= 2 ? 'met' : '**missed**'} |`);
  console.log(`| Page's main-thread task time per attract frame (wall) | ${main.wall.toFixed(2)} ms (of it ${main.waiting.toFixed(2)} ms waiting for the GPU process, ${main.readBack.toFixed(2)} ms of that for the compositor's read-back of the canvas; task time by page.metrics ${taskPerFrame.toFixed(2)} ms) |  |  |`);
})();
