// One person playing in a room from the page, for the end-to-end cases that put the page in
// a room with the desktop programs: opens the room's link in headless Chromium, takes a
// rider, steers now and then until told to stop (a line on standard input, or its end),
// ends the game and saves the room's record where it is asked to.
// Usage: node page_person.cjs SITE NPM --room CODE --relay URL --record-out FILE
// Prints the game's "in room CODE from step N" line when it has come in, and "saved" at the end.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const http = require('http');

const args = process.argv.slice(2);
const option = (name) => {
  const i = args.indexOf(`--${name}`);
  return i >= 0 ? args[i + 1] : null;
};
const [siteDir, npmDir] = args;
const room = option('room'), relay = option('relay'), recordOut = option('record-out');
const puppeteer = require(path.join(npmDir, 'node_modules', 'puppeteer-core'));
const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
                '.json': 'application/json', '.webmanifest': 'application/manifest+json' };

function serve(dir) {
  const server = http.createServer((request, response) => {
    let name = decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/^\/+/, '');
    if (name === '' || name.endsWith('/')) name += 'index.html';
    const file = path.join(dir, path.normalize(name));
    if (!file.startsWith(dir) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).on('error', () => response.destroy()).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const state = (page) => page.evaluate(() => document.body.dataset.state);
async function waitState(page, wanted, timeout = 60000) {
  await page.waitForFunction((w) => document.body.dataset.state === w, { timeout, polling: 50 }, wanted)
    .catch(async () => { throw new Error(`the page stayed "${await state(page)}", never "${wanted}"`); });
}

async function main() {
  let stop = false;
  process.stdin.on('data', () => { stop = true; });
  process.stdin.on('end', () => { stop = true; });
  const server = await serve(path.resolve(siteDir));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--autoplay-policy=no-user-gesture-required'],
  });
  try {
    const page = await browser.newPage();
    const said = [];
    page.on('console', (m) => said.push(m.text()));
    page.on('pageerror', (e) => said.push('page error: ' + e.message));
    await page.setViewport({ width: 640, height: 480 });
    const query = `room=${encodeURIComponent(room)}&relay=${encodeURIComponent(relay)}`;
    await page.goto(`http://127.0.0.1:${server.address().port}/?${query}`);
    await page.click('#start');
    await waitState(page, 'running');
    const deadline = Date.now() + 60000;
    let joined = null;
    while (!(joined = said.find((l) => /^in room [0-9A-Z]{8} from step \d+$/.test(l)))) {
      if (Date.now() > deadline) throw new Error(`not in the room after 60 s (the page is "${await state(page)}", its room bar says "${await page.$eval("#room-text", (e) => e.textContent).catch(() => "?")}"): ${said.slice(-8).join(" | ")}`);
      await sleep(100);
    }
    console.log(joined);
    await page.keyboard.press('KeyG');  // any key takes a rider
    const keys = ['ArrowLeft', 'ArrowUp', 'ArrowRight', 'ArrowDown'];
    for (let i = 0; !stop; ++i) {
      await page.keyboard.press(keys[i % keys.length]);
      await sleep(300);
    }
    await page.keyboard.press('KeyQ');
    await waitState(page, 'ended');
    await page.waitForSelector('#download-record:not([hidden])', { timeout: 30000 });
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vask-person-'));
    try {
      const cdp = await page.target().createCDPSession();
      await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: dir });
      await page.click('#download-record');
      const until = Date.now() + 30000;
      for (;;) {
        const names = fs.readdirSync(dir).filter((n) => !n.endsWith('.crdownload'));
        if (names.length) {
          fs.copyFileSync(path.join(dir, names[0]), recordOut);
          break;
        }
        if (Date.now() > until) throw new Error('the page offered no record in 30 s');
        await sleep(100);
      }
    } finally { fs.rmSync(dir, { recursive: true }); }
    console.log('saved');
  } finally {
    await browser.close();
    server.close();
  }
}

main().then(() => process.exit(0), (e) => { console.error('page person: ' + e.message); process.exit(1); });
