// The browser version's figures, in headless Chromium with SwiftShader (software WebGL):
// the site's size, plain and gzipped, whole and as a normal visit downloads it (the files
// the page fetched, up to the title with its song playing); the time from the start click to the title
// on the canvas; attract mode's frame rate over 5 s and the page's CPU time per frame.
//   node bench/web_bench.cjs <site folder> <npm folder> [--json]
// prints a Markdown table, or with --json the figures for bench/run_all.sh's table.
'use strict';
const fs = require('fs');
const path = require('path');
const http = require('http');
const zlib = require('zlib');

const json = process.argv.includes('--json');
const [siteDir, npmDir] = process.argv.slice(2).filter((a) => a !== '--json').map((a) => path.resolve(a));
const puppeteer = require(path.join(npmDir, 'node_modules', 'puppeteer-core'));
const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
                '.wasm': 'application/wasm', '.json': 'application/json' };

function siteFiles(dir) {
  return fs.readdirSync(dir, { withFileTypes: true }).flatMap((e) =>
    e.isDirectory() ? siteFiles(path.join(dir, e.name)) : [path.join(dir, e.name)]);
}

function counters() {
  window.benchClears = 0;
  const clear = WebGLRenderingContext.prototype.clear;
  WebGLRenderingContext.prototype.clear = function (mask) {
    if (mask & this.COLOR_BUFFER_BIT) window.benchClears++;
    return clear.call(this, mask);
  };
  window.benchDrawn = () => {
    const canvas = document.getElementById('vask-canvas');
    if (!canvas) return false;
    const c = new OffscreenCanvas(canvas.width, canvas.height);
    c.getContext('2d').drawImage(canvas, 0, 0);
    const p = c.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    for (let i = 0; i < p.length; i += 4) if (p[i] || p[i + 1] || p[i + 2]) return true;
    return false;
  };
}

(async () => {
  // The .gz and .br copies beside the large files are what a server may send instead.
  const files = siteFiles(siteDir).filter((f) => !/\.(gz|br)$/.test(f));
  const bytes = files.reduce((n, f) => n + fs.statSync(f).size, 0);
  const gzipped = files.reduce((n, f) => n + zlib.gzipSync(fs.readFileSync(f), { level: 9 }).length, 0);

  const fetched = new Set();
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/^\/+/, '') || 'index.html';
    const file = path.join(siteDir, path.normalize(name));
    if (!file.startsWith(siteDir) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404);
      response.end();
      return;
    }
    fetched.add(file);
    response.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--autoplay-policy=no-user-gesture-required'],
  });
  const titles = [];
  let fps = 0, cpuPerFrame = 0;
  for (let run = 0; run < 3; run++) {
    const page = await browser.newPage();
    await page.evaluateOnNewDocument(counters);
    await page.goto(`http://127.0.0.1:${server.address().port}/`);
    // From the click to the first frame with the title on it, timed inside the page.
    const ms = await page.evaluate(() => new Promise((resolve) => {
      const start = performance.now();
      const look = () => (window.benchDrawn() ? resolve(performance.now() - start) : requestAnimationFrame(look));
      document.getElementById('start').click();
      requestAnimationFrame(look);
    }));
    titles.push(ms);
    if (run === 2) {
      await page.keyboard.press('KeyD');
      await new Promise((r) => setTimeout(r, 1000));
      const before = await page.metrics();
      const clears0 = await page.evaluate(() => window.benchClears);
      await new Promise((r) => setTimeout(r, 5000));
      const after = await page.metrics();
      const frames = (await page.evaluate(() => window.benchClears)) - clears0;
      fps = frames / (after.Timestamp - before.Timestamp);
      cpuPerFrame = (after.TaskDuration - before.TaskDuration) * 1000 / frames;
    }
    await page.close();
  }
  await browser.close();
  server.close();
  titles.sort((a, b) => a - b);
  const visit = [...fetched];
  const visitBytes = visit.reduce((n, f) => n + fs.statSync(f).size, 0);
  const visitGzipped = visit.reduce((n, f) => n + zlib.gzipSync(fs.readFileSync(f), { level: 9 }).length, 0);
  if (json) {
    console.log(JSON.stringify({ files: files.length, bytes, gzipped, visitFiles: visit.length, visitBytes, visitGzipped,
                                 titleMs: titles, fps, cpuPerFrameMs: cpuPerFrame }));
    return;
  }
  const mb = (n) => (n / 1e6).toFixed(2);
  console.log('| Measure | Result | Target | |');
  console.log('|---|---|---|---|');
  console.log(`| Site, ${files.length} files | ${mb(bytes)} MB (${mb(gzipped)} MB gzipped) | at most 10 MB | ${bytes <= 10e6 ? 'met' : '**missed**'} |`);
  console.log(`| Download of a normal visit, ${visit.length} files | ${mb(visitBytes)} MB (${mb(visitGzipped)} MB gzipped) | at most 1.5 MB gzipped | ${visitGzipped <= 1.5e6 ? 'met' : '**missed**'} |`);
  console.log(`| Start click to the title on the canvas | ${titles[1].toFixed(0)} ms (fastest ${titles[0].toFixed(0)}, slowest ${titles[2].toFixed(0)}) | within 300 ms | ${titles[1] <= 300 ? 'met' : '**missed**'} |`);
  console.log(`| Attract mode, frames a second over 5 s | ${fps.toFixed(1)} | 60 | ${fps >= 59 ? 'met' : '**missed**'} |`);
  console.log(`| Page's main-thread CPU per attract frame | ${cpuPerFrame.toFixed(2)} ms |  |  |`);
})();
