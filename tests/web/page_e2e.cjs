// End-to-end checks of the game's page in headless Chromium (Debian's chromium driven by
// puppeteer-core): the site is served on 127.0.0.1, each case opens it afresh, presses the
// start overlay and reads only what is the same on every run: the page's title and state,
// its dialog, and whether the Web Audio graph carries sound or silence.
//   node tests/web/page_e2e.cjs <site folder> <npm folder> [case...] [--pages=<folder>]
//                                [--linux-title=<picture>] [--scaled-check=<program>]
//                                [--relay-program=<vask-relay>]
// --pages names the build folder of the test pages (the sound device's); --linux-title the
// Linux program's title (a PPM file that linux_title.py wrote), which the browser's must equal;
// --scaled-check the Linux build's scaled_picture_check, the scaled present's check that every
// harness holds a shown picture to; --relay-program the Linux build's vask-relay, which the
// cases of playing together start on a loopback port of their own.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const http = require('http');

const args = process.argv.slice(2);
const option = (name) => {
  const found = args.find((a) => a.startsWith(`--${name}=`));
  return found ? path.resolve(found.slice(name.length + 3)) : null;
};
const pagesDir = option('pages');
const linuxTitle = option('linux-title');
const scaledCheck = option('scaled-check');
const relayProgram = option('relay-program');
const [siteDir, npmDir, ...only] = args.filter((a) => !a.startsWith('--'))
  .map((a, i) => (i < 2 ? path.resolve(a) : a));
const puppeteer = require(path.join(npmDir, 'node_modules', 'puppeteer-core'));

// A name the browser takes for another machine's on the network (it maps it to 127.0.0.1).
const LAN_HOST = 'vask-lan.test';

const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
                '.wasm': 'application/wasm', '.json': 'application/json',
                '.webmanifest': 'application/manifest+json' };

// A copy of the site (links to its files) with some files replaced or taken away, as a
// player would change the site's folder.
function siteVariant(changes) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vask-site-'));
  for (const name of fs.readdirSync(siteDir)) {
    if (name in changes) continue;
    fs.symlinkSync(path.resolve(siteDir, name), path.join(dir, name));
  }
  for (const [name, bytes] of Object.entries(changes))
    if (bytes !== null) fs.writeFileSync(path.join(dir, name), bytes);
  return dir;
}

// Serves `dir`, a folder's index.html for the folder, with `headers` besides the type.
// server.network can be set to 'down' (every connection is reset, as with no network) or
// 'weak' (requests are taken and never answered).
function serve(dir, headers = {}) {
  const server = http.createServer((request, response) => {
    if (server.network === 'down') return request.socket.destroy();
    if (server.network === 'weak') return;  // until server.closeAllConnections()
    let name = decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/^\/+/, '');
    if (name === '' || name.endsWith('/')) name += 'index.html';
    const file = path.join(dir, path.normalize(name));
    if (!file.startsWith(dir) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream', ...headers });
    // A case that has ended takes its site folder away, maybe under a request still coming.
    fs.createReadStream(file).on('error', () => response.destroy()).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// Taps every connection to an audio context's output: the song's synthesiser (an audio
// worklet node) and everything else (the sound slots) each get analysers, of the mix and
// of each channel, so a case can ask whether either is sounding, and on which side.
// The sound slots also get a recorder on the audio thread (vaskHeld), which sees every
// sample: the loudest since the case's last mark, how long the output was loud since, and
// how long it has been silent now, so that a sound of a tenth of a second is never missed
// between two reads however loaded the machine.
function tapAudio(silent) {
  const RECORDER = `registerProcessor('vask-recorder', class extends AudioWorkletProcessor {
    constructor() {
      super();
      Object.assign(this, { mark: -1, peak: 0, loud: 0, quiet: 0, blocks: 0 });
      this.port.onmessage = (e) => { Object.assign(this, { mark: e.data, peak: 0, loud: 0, quiet: 0 }); this.send(); };
    }
    send() { this.port.postMessage({ mark: this.mark, peak: this.peak, loud: this.loud / sampleRate, quiet: this.quiet / sampleRate }); }
    process(inputs) {
      let block = 0, length = 128;
      for (const channel of inputs[0]) {
        length = channel.length;
        for (const s of channel) block = Math.max(block, Math.abs(s));
      }
      this.peak = Math.max(this.peak, block);
      if (block < ${silent}) this.quiet += length;
      else { this.quiet = 0; this.loud += length; }
      if (++this.blocks % 4 === 0) this.send();
      return true;
    }
  });`;
  const recorderModules = new Map();
  window.vaskRecorders = [];
  window.vaskLevels = { music: [], effects: [] };
  window.vaskAudioContexts = [];
  const RealAudioContext = window.AudioContext;
  window.AudioContext = function (...a) {
    const ctx = new RealAudioContext(...a);
    window.vaskAudioContexts.push(ctx);
    return ctx;
  };
  window.AudioContext.prototype = RealAudioContext.prototype;
  window.vaskOpenAudio = () => window.vaskAudioContexts.filter((c) => c.state !== 'closed').length;
  const connect = AudioNode.prototype.connect;
  AudioNode.prototype.connect = function (target, ...rest) {
    if (target instanceof AudioDestinationNode) {
      const ctx = this.context;
      const tap = { all: ctx.createAnalyser(), left: ctx.createAnalyser(), right: ctx.createAnalyser() };
      const split = ctx.createChannelSplitter(2);
      connect.call(this, tap.all);
      connect.call(this, split);
      connect.call(split, tap.left, 0);
      connect.call(split, tap.right, 1);
      const kind = this instanceof ScriptProcessorNode || this instanceof AudioWorkletNode ? 'music' : 'effects';
      tap.node = this.constructor.name;
      window.vaskLevels[kind].push(tap);
      // A page that is no secure context has no audio worklets: no recorder either.
      if (kind === 'effects' && ctx.audioWorklet) {
        if (!recorderModules.has(ctx))
          recorderModules.set(ctx, ctx.audioWorklet.addModule(URL.createObjectURL(new Blob([RECORDER], { type: 'text/javascript' }))));
        // A context closed meanwhile (its game has ended) needs no recorder.
        recorderModules.get(ctx).then(() => {
          if (ctx.state === 'closed') return;
          const recorder = new AudioWorkletNode(ctx, 'vask-recorder', { numberOfInputs: 1, numberOfOutputs: 0 });
          recorder.reading = { mark: -1 };
          recorder.port.onmessage = (e) => { recorder.reading = e.data; };
          connect.call(this, recorder);
          window.vaskRecorders.push(recorder);
        }).catch((e) => { if (ctx.state !== 'closed') throw e; });
      }
    }
    return connect.call(this, target, ...rest);
  };
  window.vaskLevel = (kind, channel = 'all') => {
    let peak = 0;
    const samples = new Float32Array(2048);
    for (const tap of window.vaskLevels[kind]) {
      // A suspended context sounds nothing; its analysers keep their last block.
      if (tap.all.context.state !== 'running') continue;
      tap[channel].getFloatTimeDomainData(samples);
      for (const s of samples) peak = Math.max(peak, Math.abs(s));
    }
    return peak;
  };
  // A new mark starts every recorder afresh; vaskHeld() answers null until all have.
  let mark = 0;
  const recorders = () => window.vaskRecorders.filter((r) => r.context.state !== 'closed');
  window.vaskMark = () => {
    mark++;
    for (const recorder of recorders()) recorder.port.postMessage(mark);
  };
  window.vaskHeld = () => {
    const readings = recorders().map((r) => r.reading);
    if (!readings.length || readings.some((r) => r.mark !== mark)) return null;
    return { peak: Math.max(...readings.map((r) => r.peak)), loud: Math.max(...readings.map((r) => r.loud)),
             quiet: Math.min(...readings.map((r) => r.quiet)) };
  };
}

// A peak above SOUNDING is sound; below SILENT (-80 dB) silence: the synthesiser's reverb
// leaves a tail of a few millionths after its last note.
const SOUNDING = 0.01;
const SILENT = 0.0001;

// A display of any refresh rate, on a clock of the test's own: switched on before the game
// starts, the page's time stands still but for the frames the test runs, 1/rate of a second
// apart, every other one half a millisecond early (a real display's frames come a little
// early or late), and each frame waits until the game is back waiting for the next one.
// The game's picture clears (colour and depth at once, the first thing it draws in a frame
// of play; presenting the picture on the canvas clears its colour only) are counted.
function virtualDisplay() {
  const realNow = performance.now.bind(performance);
  const display = { rate: 0, frame: 0, now: 0, late: 0, waiting: [], clears: 0 };
  performance.now = () => (display.rate ? display.now + display.late : realNow());
  const realFrame = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) => {
    if (!display.rate) return realFrame(callback);
    display.waiting.push(callback);
    return display.waiting.length;
  };
  const clear = WebGLRenderingContext.prototype.clear;
  WebGLRenderingContext.prototype.clear = function (mask) {
    if ((mask & this.COLOR_BUFFER_BIT) && (mask & this.DEPTH_BUFFER_BIT)) display.clears++;
    return clear.call(this, mask);
  };
  window.vaskVirtualDisplay = (rate) => { display.rate = rate; };
  window.vaskGameWaits = () => display.waiting.length > 0;
  window.vaskFramesDrawn = () => display.clears;
  // With `late`, the page's clock runs that many ms past each frame's time while the game
  // resumes in it, as when the page was busy first; the frame's own time stays.
  window.vaskRunFrames = async (frames, late = 0) => {
    const before = display.clears;
    for (let i = 0; i < frames; i++) {
      // A frame that has not come back after 30 s of real time is lost: software WebGL on
      // a loaded machine may take long, never that long.
      const deadline = realNow() + 30000;
      while (!display.waiting.length) {
        if (document.body.dataset.state === 'ended') throw new Error('the game has ended');
        if (realNow() > deadline) throw new Error(`the game did not come back for frame ${display.frame}`);
        await new Promise((r) => setTimeout(r, 0));
      }
      display.frame++;
      display.now = display.frame * 1000 / display.rate - (display.frame % 2 ? 0.5 : 0);
      display.late = late;
      for (const callback of display.waiting.splice(0)) callback(display.now);
    }
    return display.clears - before;
  };
}

// A screen wake lock of the test's own, which counts the locks held.
function wakeLockStub() {
  window.vaskWakeLocks = 0;
  const wakeLock = {
    async request(type) {
      if (type !== 'screen') throw new TypeError(`no wake lock of type ${type}`);
      window.vaskWakeLocks++;
      const lock = new EventTarget();
      lock.type = type;
      lock.released = false;
      lock.release = async () => {
        if (lock.released) return;
        lock.released = true;
        window.vaskWakeLocks--;
        lock.dispatchEvent(new Event('release'));
      };
      return lock;
    },
  };
  Object.defineProperty(Navigator.prototype, 'wakeLock', { configurable: true, get: () => wakeLock });
}

// The game's picture, read through a 2-D canvas (top row first, RGBA).
function readPicture() {
  window.vaskPicture = () => {
    const canvas = document.getElementById('vask-canvas');
    const c = new OffscreenCanvas(canvas.width, canvas.height);
    const g = c.getContext('2d');
    g.drawImage(canvas, 0, 0);
    return g.getImageData(0, 0, canvas.width, canvas.height).data;
  };
  window.vaskCanvasMean = () => {
    if (!document.getElementById('vask-canvas')) return 0;
    const p = window.vaskPicture();
    let sum = 0;
    for (let i = 0; i < p.length; i += 4) sum += p[i] + p[i + 1] + p[i + 2];
    return sum / (p.length / 4);
  };
}

// The logs of every page the running case has opened: a page error in any of them fails
// the case, not only in its last.
let caseLogs = [];
// `prepare` readies the page before it loads, over the defaults: a device to emulate, a
// stand-in of its own. The server sends `headers`; the page is opened by the name `host`,
// with `query` after its own (which begins with ?preserveDrawingBuffer).
async function openPage(browser, dir, file = '', prepare = null, { headers = {}, host = '127.0.0.1', query = '' } = {}) {
  const server = await serve(dir, headers);
  const { page, log } = await newPage(browser, prepare);
  await page.goto(`http://${host}:${server.address().port}/${file}?preserveDrawingBuffer${query}`);
  return { page, server, log };
}

// A page of the browser's readied as openPage's, before it loads anything.
async function newPage(browser, prepare = null) {
  const page = await browser.newPage();
  const log = [];
  caseLogs.push(log);
  page.on('console', (m) => { if (!m.text().startsWith('WebGL:')) log.push(m.text()); });
  page.on('response', (r) => { if (r.status() >= 400) log.push(`${r.status()} ${r.url()}`); });
  page.on('pageerror', (e) => log.push('page error: ' + (e.stack || e.message)));
  // A page of the game's own size: its canvas is 640 by 480 pixels, its picture unscaled.
  await page.setViewport({ width: 640, height: 480 });
  await page.evaluateOnNewDocument(tapAudio, SILENT);
  await page.evaluateOnNewDocument(readPicture);
  await page.evaluateOnNewDocument(virtualDisplay);
  await page.evaluateOnNewDocument(wakeLockStub);
  if (prepare) await prepare(page);
  // The checks read the canvas's pixels after the browser has shown them: the page keeps
  // its drawing buffer only when asked.
  return { page, log };
}

async function startGame(page) {
  await page.click('#start');
}

const state = (page) => page.evaluate(() => document.body.dataset.state);
const focused = (page) => page.evaluate(() => document.activeElement && document.activeElement.id);
async function waitState(page, wanted, timeout = 20000) {
  try {
    await page.waitForFunction((w) => document.body.dataset.state === w, { timeout, polling: 50 }, wanted);
  } catch (e) {
    throw new Error(`the page stayed "${await state(page)}", never "${wanted}"`);
  }
}

async function waitLevel(page, kind, how, what) {
  try {
    await page.waitForFunction((k, h, on, off) => (h === 'zero' ? window.vaskLevel(k) < off : window.vaskLevel(k) > on),
                               { timeout: 20000, polling: 50 }, kind, how, SOUNDING, SILENT);
  } catch (e) {
    const level = await page.evaluate((k) => window.vaskLevel(k), kind);
    throw new Error(`${what}: ${kind} level ${level}, wanted ${how === 'zero' ? 'silence' : 'sound'}`);
  }
}

// Waits until `n` audio contexts are open: the page's own (the song's) and the game's.
const openAudio = (page, n, when) => page.waitForFunction((k) => window.vaskOpenAudio() === k, { timeout: 20000, polling: 50 }, n)
  .catch(async () => { throw new Error(`${await page.evaluate(() => window.vaskOpenAudio())} audio contexts open ${when}, not ${n}`); });

// The sound device page's tone lasts a tenth of a second; the recorders count sound in
// blocks of 128 samples, and the browser resamples the tone to its own rate.
const TONE = 0.1, TONE_SLACK = 0.015;

// Starts the sound slots' recorders afresh, once they are there, and waits until all have.
async function markAudio(page) {
  await page.waitForFunction(() => window.vaskRecorders.some((r) => r.context.state !== 'closed'), { timeout: 20000, polling: 50 })
    .catch(() => { throw new Error("no recorder on the sound slots' output"); });
  await page.evaluate(() => window.vaskMark());
  await page.waitForFunction(() => window.vaskHeld() !== null, { timeout: 20000, polling: 50 });
}

// Waits until the sound slots, since the last mark, have sounded (a peak above SOUNDING)
// for at least `loud` seconds (if any) and are silent now for at least `quiet`.
async function heard(page, loud, quiet, what) {
  try {
    await page.waitForFunction((on, l, q) => {
      const h = window.vaskHeld();
      return h && (l === 0 || h.peak > on) && h.loud >= l && h.quiet >= q;
    }, { timeout: 20000, polling: 50 }, SOUNDING, loud, quiet);
  } catch (e) {
    throw new Error(`${what}: heard ${JSON.stringify(await page.evaluate(() => window.vaskHeld()))} since the mark, ` +
                    `wanted sound for ${loud} s, then silence for ${quiet} s`);
  }
  return page.evaluate(() => window.vaskHeld());
}

// --- what the screen should show, as the Linux harness (tests/e2e/vask_e2e.py) reads it ---
const WIDTH = 640, HEIGHT = 480;
const WHITE = [255, 255, 255];
const PANEL = [96, 96, 96];
const FLOOR = [0, 0, 102];
// A match of our own: five riders in colours that are easy to tell apart, scores shown.
const MATCH = '0 1 1\n1 0.5 0\n1 0 1\n0 1 0\n1 1 0\n4 0 1\n';
const RIDER_COLOURS = [[0, 255, 255], [255, 127, 0], [255, 0, 255], [0, 255, 0], [255, 255, 0]];
const same = (p, c) => p[0] === c[0] && p[1] === c[1] && p[2] === c[2];
// A half-intensity channel may round either way: 127 or 128.
const sameColour = (p, c) => p.every((v, k) => Math.abs(v - c[k]) <= 1);

// A picture, RGB, top row first: the game's canvas or a PPM file.
class Picture {
  constructor(width, height, rgb) { Object.assign(this, { width, height, rgb }); }
  at(x, y) { const i = (y * this.width + x) * 3; return [this.rgb[i], this.rgb[i + 1], this.rgb[i + 2]]; }
  // Pixels in [x0, x1) x [y0, y1) for which pred holds.
  count(x0, y0, x1, y1, pred) {
    let n = 0;
    for (let y = y0; y < y1; y++) for (let x = x0; x < x1; x++) if (pred(this.at(x, y), x, y)) n++;
    return n;
  }
}

async function shot(page) {
  const [width, height, b64] = await page.evaluate(() => {
    const canvas = document.getElementById('vask-canvas');
    const p = window.vaskPicture();
    const rgb = new Uint8Array(p.length / 4 * 3);
    for (let i = 0, j = 0; i < p.length; i += 4, j += 3) rgb.set(p.subarray(i, i + 3), j);
    let text = '';
    for (let i = 0; i < rgb.length; i += 0x8000) text += String.fromCharCode(...rgb.subarray(i, i + 0x8000));
    return [canvas.width, canvas.height, btoa(text)];
  });
  return new Picture(width, height, Buffer.from(b64, 'base64'));
}

function writePpm(file, picture) {
  fs.writeFileSync(file, Buffer.concat([Buffer.from(`P6\n${picture.width} ${picture.height}\n255\n`),
                                        Buffer.from(picture.rgb)]));
}

// Throws unless `shown` is `frame` scaled to its size as the present must scale it.
function expectScaledAsWorkedOut(frame, shown) {
  if (!scaledCheck) throw new Error('--scaled-check names no program');
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vask-scaled-'));
  try {
    writePpm(path.join(dir, 'frame.ppm'), frame);
    writePpm(path.join(dir, 'shown.ppm'), shown);
    const done = require('child_process').spawnSync(scaledCheck,
      [path.join(dir, 'frame.ppm'), path.join(dir, 'shown.ppm')], { encoding: 'utf8' });
    if (done.status !== 0) throw new Error(`the scaled picture: ${done.stdout}${done.stderr}${done.error || ''}`.trim());
  } finally { fs.rmSync(dir, { recursive: true }); }
}

function readPpm(file) {
  const bytes = fs.readFileSync(file);
  const fields = [];
  let pos = 0;
  while (fields.length < 4) {
    while (/\s/.test(String.fromCharCode(bytes[pos]))) pos++;
    const start = pos;
    while (!/\s/.test(String.fromCharCode(bytes[pos]))) pos++;
    fields.push(bytes.toString('latin1', start, pos));
  }
  if (fields[0] !== 'P6' || fields[3] !== '255') throw new Error(`${file} is no 8-bit PPM`);
  const [width, height] = [Number(fields[1]), Number(fields[2])];
  return new Picture(width, height, bytes.subarray(pos + 1, pos + 1 + width * height * 3));
}

// The screen pixels [column, row from the top] that drawing `text` at overlay (x, y) sets,
// from the site's font: strings start 10 to the right, glyph cells advance 10, a glyph's
// 16 rows of 8 bits run from 13 above y down to 2 below it.
const font = fs.readFileSync(path.join(siteDir, 'flori.fnt'));
function ink(x, y, text) {
  const pixels = [];
  [...Buffer.from(text, 'latin1')].forEach((ch, k) => {
    for (let row = 0; row < 16; row++) {
      const bits = font[ch * 16 + row] || 0;
      for (let bit = 0; bit < 8; bit++)
        if (bits & (0x80 >> bit)) pixels.push([x + 10 + 10 * k + bit, HEIGHT - 1 - (y + 13 - row)]);
    }
  });
  return pixels;
}
const inked = (picture, pixels) => pixels.filter(([x, y]) => same(picture.at(x, y), WHITE)).length;
function checkText(picture, x, y, text) {
  const pixels = ink(x, y, text);
  if (!pixels.length) throw new Error(`the font has no ink for "${text}"`);
  const missing = pixels.length - inked(picture, pixels);
  if (missing) throw new Error(`"${text}": ${missing} of ${pixels.length} ink pixels are not white`);
}
const HELP = [[414, 'Arrow keys: Turn/Accel'], [399, 'Z:Look left  X:Look right  C:Look back'], [384, 'V:Change view']];
const TITLE_LINES = [[550, 10, 'V1.2'], [0, 10, 'PRESS A KEY TO BEGIN (D FOR DEMO)']];

// Play's picture: the grey minimap panel covers x and y 25..225 and stops there, and each
// rider's score shows in its colour at the foot of the picture.
const panelCovered = (picture) => picture.count(25, 25, 225, 225, (p) => same(p, PANEL)) / (200 * 200);
function checkMinimap(picture) {
  const covered = panelCovered(picture);
  if (!(covered > 0.9)) throw new Error(`the minimap panel covers only ${Math.round(100 * covered)}% of its place`);
  for (const [x, y] of [[25, 120], [224, 120], [120, 25], [120, 224]])
    if (![PANEL, ...RIDER_COLOURS].some((c) => sameColour(picture.at(x, y), c)))
      throw new Error(`panel edge (${x}, ${y}) is ${picture.at(x, y)}`);
  const outside = picture.count(14, 60, 24, 220, (p) => same(p, PANEL)) + picture.count(226, 60, 236, 220, (p) => same(p, PANEL));
  if (outside >= 50) throw new Error(`the grey panel reaches beyond x 25..225 (${outside} pixels)`);
}
function checkScores(picture) {
  RIDER_COLOURS.forEach((colour, i) => {
    const x0 = i * 150 + 10;
    const n = picture.count(x0, HEIGHT - 1 - 447, x0 + 30, HEIGHT - 432, (p) => sameColour(p, colour));
    if (n < 5) throw new Error(`no score in rider ${i}'s colour ${colour} at x ${x0}`);
  });
}
// The first row from the top where most of the row is floor.
function horizon(picture) {
  for (let y = 0; y < HEIGHT; y += 2)
    if (picture.count(0, y, WIDTH, y + 1, (p) => same(p, FLOOR)) > WIDTH / 2) return y;
  return HEIGHT;
}
// Two decoders of the same JPEG, and two GL implementations, may round a channel apart.
const TITLE_ROUNDING = 4;
const holds = (check, picture) => { try { check(picture); return true; } catch (e) { return false; } };

// Runs the game's frames `step` at a time, on the page's own display clock, until its
// picture passes `check`: the failure of its last try if `limit` frames (600: 10 s of
// play) pass without, at once if the check fails for good (final).
async function framesUntil(page, check, limit = 600, step = 5) {
  let last;
  for (let frames = 0; frames < limit; frames += step) {
    await page.evaluate((n) => window.vaskRunFrames(n), step);
    const picture = await shot(page);
    try { check(picture); return picture; } catch (e) { if (e.final) throw e; last = e; }
  }
  throw last;
}
// A failure that waiting longer cannot mend.
const final = (message) => Object.assign(new Error(message), { final: true });

// The game with our match, on a display of 60 Hz that runs only the frames a case asks for,
// from the first key into play; `prepare` readies the page as openPage's does.
async function openPlay(browser, prepare = null) {
  const dir = siteVariant({ 'setup.txt': MATCH });
  const opened = await openPage(browser, dir, '', prepare);
  const { page } = opened;
  opened.close = async () => { await page.close(); opened.server.close(); fs.rmSync(dir, { recursive: true }); };
  try {
    await page.evaluate(() => window.vaskVirtualDisplay(60));
    await startGame(page);
    await waitState(page, 'running');
    await page.evaluate(() => window.vaskRunFrames(10));
    await page.keyboard.press('KeyG');
    opened.play = await framesUntil(page, checkMinimap);
  } catch (e) { await opened.close(); throw e; }
  return opened;
}

// Runs up to `frames` of the game's frames, one at a time, and fails unless the page says
// the game has ended in them (`wanted`) or has not.
async function endsWithin(page, frames, wanted, what) {
  for (let frame = 0; ; frame++) {
    // Once it has quit the game asks for no frame: wait for either.
    await page.waitForFunction(() => document.body.dataset.state === 'ended' || window.vaskGameWaits(),
                               { timeout: 30000, polling: 10 });
    const ended = await state(page) === 'ended';
    if (ended || frame === frames) {
      if (ended !== wanted) throw new Error(`${what}: the game ${ended ? `ended after ${frame}` : `still runs ${frames}`} frames on`);
      return;
    }
    await page.evaluate(() => window.vaskRunFrames(1));
  }
}

// --- touch screens and gamepads ---------------------------------------------------------
const touchScreen = async (page, width, height, scale) => page.emulate({
  userAgent: await page.browser().userAgent(),
  viewport: { width, height, isMobile: true, hasTouch: true, deviceScaleFactor: scale },
});
async function centreOf(page, selector) {
  const box = await (await page.$(selector)).boundingBox();
  if (!box) throw new Error(`${selector} does not show`);
  return [box.x + box.width / 2, box.y + box.height / 2];
}
const tap = async (page, selector) => page.touchscreen.tap(...await centreOf(page, selector));

const TITLE_BUTTONS = ['play', 'attract'].map((id) => `touch-${id}`);
const PLAY_BUTTONS = ['look-left', 'look-back', 'look-right', 'turn-left', 'turn-right', 'view', 'help', 'end',
                      'slower', 'faster'].map((id) => `touch-${id}`);
// Where the head-up display draws the minimap and the scores, in the picture's 640 by 480.
const HUD_AREAS = { minimap: [25, 25, 225, 225], scores: [0, 25, WIDTH, 50] };

// The buttons show, each within the viewport and off the minimap and the scores (of the
// largest 4:3 picture the canvas shows), and the page's content fits the viewport: nothing
// to scroll.
async function checkTouchLayout(page, ids, what) {
  const layout = await page.evaluate((list) => {
    const rect = (e) => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; };
    return { canvas: rect(document.getElementById('vask-canvas')), buttons: list.map((id) => rect(document.getElementById(id))),
             view: [innerWidth, innerHeight],
             // The body's own: the document's stops at the viewport when overflow is hidden.
             scroll: [Math.max(document.documentElement.scrollWidth, document.body.scrollWidth),
                      Math.max(document.documentElement.scrollHeight, document.body.scrollHeight)] };
  }, ids);
  const [vw, vh] = layout.view;
  if (layout.scroll[0] > vw || layout.scroll[1] > vh) throw new Error(`${what}: the page scrolls (${layout.scroll} in ${layout.view})`);
  const [cl, ct, cr, cb] = layout.canvas;
  const scale = Math.min((cr - cl) / WIDTH, (cb - ct) / HEIGHT);
  const x0 = cl + (cr - cl - WIDTH * scale) / 2, y0 = ct + (cb - ct - HEIGHT * scale) / 2;
  ids.forEach((id, k) => {
    const [l, t, r, b] = layout.buttons[k];
    if (!(r - l > 20 && b - t > 20)) throw new Error(`${what}: ${id} does not show (${layout.buttons[k]})`);
    if (l < -0.5 || t < -0.5 || r > vw + 0.5 || b > vh + 0.5) throw new Error(`${what}: ${id} (${layout.buttons[k]}) leaves the viewport ${layout.view}`);
    for (const [area, [ax0, ay0, ax1, ay1]] of Object.entries(HUD_AREAS))
      if (l < x0 + ax1 * scale && r > x0 + ax0 * scale && t < y0 + ay1 * scale && b > y0 + ay0 * scale)
        throw new Error(`${what}: ${id} (${layout.buttons[k]}) covers the ${area}`);
  });
}

// Rider 0's trail on the minimap has turned a corner: its pixels span more than a line. The
// rows under the scores are left out: rider 0's score, in its colour, reaches into the panel.
function checkTurned(picture) {
  const [x0, , x1, y1] = HUD_AREAS.minimap, xs = [], ys = [];
  for (let y = HUD_AREAS.scores[3]; y < y1; y++)
    for (let x = x0; x < x1; x++) if (sameColour(picture.at(x, y), RIDER_COLOURS[0])) { xs.push(x); ys.push(y); }
  const [w, h] = [xs, ys].map((v) => (v.length ? Math.max(...v) - Math.min(...v) : 0));
  if (Math.min(w, h) < 3) throw new Error(`rider 0's trail spans ${w} by ${h}: no corner`);
}

// A phone's size and orientation: the game started by touch, the controls checked at the
// title and after `button` leaves it; then the game is read on a touch screen whose picture
// area is the game's own 640 by 480, one device pixel to a CSS pixel, where the canvas shows
// the picture unscaled, to be read pixel for pixel.
async function touchGame(browser, [width, height], button, unscaled) {
  const dir = siteVariant({ 'setup.txt': MATCH });
  const opened = await openPage(browser, dir, '', (page) => touchScreen(page, width, height, 3));
  const { page } = opened;
  opened.close = async () => { await page.close(); opened.server.close(); fs.rmSync(dir, { recursive: true }); };
  try {
    await page.evaluate(() => window.vaskVirtualDisplay(60));
    await tap(page, '#start');
    await waitState(page, 'running');
    await page.evaluate(() => window.vaskRunFrames(10));
    await checkTouchLayout(page, TITLE_BUTTONS, 'at the title');
    await tap(page, button);
    await checkTouchLayout(page, PLAY_BUTTONS, 'after the title');
    await touchScreen(page, ...unscaled, 1);
  } catch (e) { await opened.close(); throw e; }
  return opened;
}
const holdEnd = async (page) => page.touchscreen.touchStart(...await centreOf(page, '#touch-end'));

// A gamepad with the standard mapping (or `mapping`), at index 0, whose buttons a case
// presses: vaskPad.press(button, down); vaskPad.connected = false takes it away.
function stubGamepad(mapping = 'standard') {
  const buttons = Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 }));
  const pad = { id: 'stand-in pad', index: 0, connected: true, mapping, timestamp: 0, axes: [0, 0, 0, 0], buttons };
  window.vaskPad = {
    connected: true,
    press(k, down) { buttons[k] = { pressed: down, touched: down, value: down ? 1 : 0 }; },
  };
  Object.defineProperty(navigator, 'getGamepads', { configurable: true,
    value: () => [window.vaskPad.connected ? pad : null, null, null, null] });
}
const PAD_BACK = 8, PAD_START = 9;

// A pad of the given mapping alone: Start leaves the title for play; Back holds the help up
// until the pad goes away; Start held a second, and not less, ends the game.
async function playByPad(browser, mapping) {
  const dir = siteVariant({ 'setup.txt': MATCH });
  const { page, server } = await openPage(browser, dir, '', (p) => p.evaluateOnNewDocument(stubGamepad, mapping));
  const press = (button, down) => page.evaluate((b, d) => window.vaskPad.press(b, d), button, down);
  try {
    await page.evaluate(() => window.vaskVirtualDisplay(60));
    await startGame(page);
    await waitState(page, 'running');
    await page.evaluate(() => window.vaskRunFrames(10));
    await press(PAD_START, true);
    await page.evaluate(() => window.vaskRunFrames(2));
    await press(PAD_START, false);
    await framesUntil(page, checkMinimap);
    await press(PAD_BACK, true);
    await framesUntil(page, (picture) => { for (const [y, text] of HELP) checkText(picture, 0, y, text); });
    await page.evaluate(() => { window.vaskPad.connected = false; });
    const middle = ink(0, HELP[1][0], HELP[1][1]);
    await framesUntil(page, (picture) => {
      if (inked(picture, middle) >= middle.length / 2) throw new Error('the help stays after the pad has gone');
    });
    await press(PAD_BACK, false);
    await page.evaluate(() => { window.vaskPad.connected = true; });
    await press(PAD_START, true);
    await endsWithin(page, 40, false, 'Start held for 2/3 s');
    await endsWithin(page, 60, true, 'Start held for a second');
    expect(await page.evaluate(() => document.body.dataset.exitCode), '0', 'exit code');
  } finally { await page.close(); server.close(); fs.rmSync(dir, { recursive: true }); }
}

// However a game ends, the page says so (`said`), the game's sound is closed and nothing
// plays, and Start brings a new game (`again`: the state it then reaches). The game runs
// from a site changed by `files`, in a page readied by `prepare`; it meets `fault` once it
// runs, or first shows the box `box`, whose OK the player presses.
async function endedBy(browser, { files = {}, prepare = null, box = null, fault = null, said, again = 'running' }) {
  const dir = siteVariant(files);
  const { page, server } = await openPage(browser, dir, '', prepare);
  try {
    await startGame(page);
    if (box) {
      await waitState(page, 'box');
      expect(await page.$eval('#box-text', (e) => e.textContent), box, 'box text');
      await page.click('#box-ok');
    }
    if (fault) {
      await openAudio(page, 2, 'in the game');
      await fault(page);
    }
    await waitState(page, 'ended');
    expect(await page.$eval('#overlay-text', (e) => e.textContent), said, 'what the page says at the end');
    expect(await page.$eval('[aria-live]:not([hidden])', (e) => e.textContent), said, 'what is read out at the end');
    await page.waitForFunction(() => window.vaskOpenAudio() === 1 && window.vaskAudioContexts.every((c) => c.state !== 'running'),
                               { timeout: 5000, polling: 50 }).catch(async () => {
        const states = await page.evaluate(() => window.vaskAudioContexts.map((c) => c.state).join(', '));
        throw new Error(`sound left open or playing (the audio contexts: ${states})`);
      });
    if (!again) return;
    await page.keyboard.press('ArrowUp');  // reaches no ended game
    await page.click('#start');
    await waitState(page, again);
  } finally { await page.close(); server.close(); fs.rmSync(dir, { recursive: true }); }
}

// --- the offline copy ------------------------------------------------------------------
// Waits until the page's service worker is active, its release kept.
async function workerActivated(page) {
  const worker = await page.evaluate(() => Promise.race([
    navigator.serviceWorker.ready.then((r) => new Promise((resolve) => {
      const w = r.active;
      if (w.state === 'activated') resolve(w.state);
      w.addEventListener('statechange', () => { if (w.state === 'activated') resolve(w.state); });
    })),
    new Promise((resolve) => setTimeout(() => resolve('none within 60 s'), 60000))]));
  expect(worker, 'activated', 'the service worker after the first visit');
}

// A release of the site as the build would make it, laid out in `dir` (whose files it
// replaces): the program under a name of its own, its script saying which release it is
// (window.vaskRelease), and the page and the service worker naming it, the latter with a
// release name of its own. Without the files `missing`; with the page of release `pageOf`
// (and its program), as on a server where the upload of a release has not reached the page.
function layRelease(dir, tag, { missing = [], pageOf = tag } = {}) {
  const read = (name) => fs.readFileSync(path.join(siteDir, name), 'utf8');
  const program = read('index.html').match(/<script defer src="([^"]+)" data-wasm/)[1];
  const renamed = (text, t) => text.split(program).join(`vask.${t}.js`);
  const files = {
    'index.html': renamed(read('index.html'), pageOf),
    'service-worker.js': renamed(read('service-worker.js'), tag).replace(/const RELEASE = '[^']*'/, `const RELEASE = '${tag}'`),
  };
  for (const t of new Set([tag, pageOf])) files[`vask.${t}.js`] = `${read(program)}\nwindow.vaskRelease = '${t}';\n`;
  for (const name of fs.readdirSync(dir)) fs.rmSync(path.join(dir, name), { recursive: true });
  for (const name of fs.readdirSync(siteDir))
    if (!(name in files) && name !== program && !missing.includes(name))
      fs.symlinkSync(path.resolve(siteDir, name), path.join(dir, name));
  for (const [name, text] of Object.entries(files)) fs.writeFileSync(path.join(dir, name), text);
}

// Asks the browser to look for a new service worker, as it does by itself now and then,
// and waits until release `tag` has replaced the last one: its cache is the folder's only.
async function releaseInstalled(page, tag) {
  await page.evaluate(() => navigator.serviceWorker.getRegistration().then((r) => r.update()));
  await page.waitForFunction(async (t) => {
    const r = await navigator.serviceWorker.getRegistration();
    const kept = (await caches.keys()).filter((name) => name.includes(` ${r.scope} `));
    return r.active && r.active.state === 'activated' && !r.installing && !r.waiting && kept.join() === `vask-site ${r.scope} ${t}`;
  }, { timeout: 60000, polling: 200 }, tag).catch(() => { throw new Error(`release ${tag} was never installed`); });
}

// With the server's network down, a fresh visit starts the game, of release `tag`.
async function startsOffline(page, server, tag) {
  server.network = 'down';
  try {
    await page.goto(page.url());
  } catch (e) {
    throw new Error(`the visit with no network: ${e.message}`);
  }
  await startGame(page);
  await waitState(page, 'running');
  expect(await page.evaluate(() => window.vaskRelease), tag, 'the release started with no network');
}

// --- what the page keeps apart from the game ---------------------------------------------
// The WebAssembly instances of the program the page makes, as weak references.
function recordInstances() {
  window.vaskInstances = [];
  const instantiate = WebAssembly.instantiate;
  WebAssembly.instantiate = function (source, ...rest) {
    const made = instantiate.call(this, source, ...rest);
    if (source instanceof WebAssembly.Module) made.then((instance) => window.vaskInstances.push(new WeakRef(instance)), () => {});
    return made;
  };
}

// A WebAssembly.RuntimeError thrown where the game's GL calls reach WebGL, as a trap throws
// through them, once window.vaskTrap is set.
function trapInClear() {
  const clear = WebGLRenderingContext.prototype.clear;
  WebGLRenderingContext.prototype.clear = function (mask) {
    if (window.vaskTrap) { window.vaskTrap = false; throw new WebAssembly.RuntimeError('unreachable'); }
    return clear.call(this, mask);
  };
}

// The program's call of its abort import (as the C library's abort() makes it), made where
// the game's GL calls reach WebGL, once window.vaskAbort is set.
function abortInClear() {
  const keepAbort = (imports) => {
    for (const module of Object.values(imports || {}))
      for (const f of Object.values(module)) if (typeof f === 'function' && f.name === '_abort') window.vaskProgramAbort = f;
  };
  for (const name of ['instantiate', 'instantiateStreaming']) {
    const real = WebAssembly[name];
    WebAssembly[name] = function (source, imports, ...rest) {
      keepAbort(imports);
      return real.call(this, source, imports, ...rest);
    };
  }
  const clear = WebGLRenderingContext.prototype.clear;
  WebGLRenderingContext.prototype.clear = function (mask) {
    if (window.vaskAbort && window.vaskProgramAbort) { window.vaskAbort = false; window.vaskProgramAbort(); }
    return clear.call(this, mask);
  };
}

// Ways a running game meets its end that it does not close itself.
const FAULTS = {
  lostContext: (page) => page.evaluate(() => document.getElementById('vask-canvas').getContext('webgl')
    .getExtension('WEBGL_lose_context').loseContext()),
  async trap(page) {
    await page.evaluate(() => { window.vaskTrap = true; });
    await page.keyboard.press('KeyG');  // into play, which clears the picture every frame
  },
  async abort(page) {
    expect(await page.evaluate(() => typeof window.vaskProgramAbort), 'function', "the program's abort import");
    await page.evaluate(() => { window.vaskAbort = true; });
    await page.keyboard.press('KeyG');
  },
};

// The page's controls on a touch screen that show, by id, with their boxes.
const shownControls = (page, ids) => page.evaluate((list) => list.map((id) => {
  const r = document.getElementById(id).getBoundingClientRect();
  return [id, r.left, r.top, r.right, r.bottom];
}).filter(([, l, t, r, b]) => r > l && b > t), ids);


// --- the web runtime: slow displays, stuck keys, the lock's release, the scaler's sizes ---

// Switches the page to a display of `rate` Hz that runs only the frames a case asks for,
// starts the game and runs its first ten frames.
async function startOnDisplay(page, rate) {
  await page.evaluate((r) => window.vaskVirtualDisplay(r), rate);
  await startGame(page);
  await waitState(page, 'running');
  await page.evaluate(() => window.vaskRunFrames(10));
}

// The game in attract mode, a second in, on a display of `rate` Hz that runs only the
// frames a case asks for; `prepare` readies the page as openPage's does.
async function openAttract(browser, rate, prepare = null) {
  const opened = await openPage(browser, siteDir, '', prepare);
  const { page, server } = opened;
  try {
    await startOnDisplay(page, rate);
    await page.keyboard.press('KeyD');
    await page.evaluate((r) => window.vaskRunFrames(r), rate);
  } catch (e) { await page.close(); server.close(); throw e; }
  return opened;
}

// The title at the game's own size, then shown again at once, without a frame of the
// game's, after the page's viewport became `view`: the two pictures.
async function titleRescaled(browser, view) {
  const { page, server } = await openPage(browser, siteDir);
  try {
    await startOnDisplay(page, 60);
    const small = await shot(page);
    TITLE_LINES.forEach(([x, y, text]) => checkText(small, x, y, text));
    await page.setViewport(view);
    await page.screenshot();  // headless Chromium tells the page of a new ratio at a painted frame
    const wanted = Math.round(view.width * (view.deviceScaleFactor || 1));
    await page.waitForFunction((w) => document.getElementById('vask-canvas').width === w, { timeout: 5000, polling: 50 }, wanted)
      .catch(() => {});
    return { small, large: await shot(page) };
  } finally { await page.close(); server.close(); }
}

// Counts the pictures put on the canvas: the scaled present clears the canvas's own
// framebuffer (colour only) before it draws the game's frame there. Also counts, for each
// step (the game's clear of colour and depth starts one), the draws into the game's own
// frame: window.vaskStepDraws.
function countPresents() {
  window.vaskPresents = 0;
  window.vaskStepDraws = [];
  const bound = new WeakMap();  // each context's framebuffer; none bound is the canvas's
  const bind = WebGLRenderingContext.prototype.bindFramebuffer;
  WebGLRenderingContext.prototype.bindFramebuffer = function (target, framebuffer) {
    bound.set(this, framebuffer);
    return bind.call(this, target, framebuffer);
  };
  const clear = WebGLRenderingContext.prototype.clear;
  WebGLRenderingContext.prototype.clear = function (mask) {
    if (!bound.get(this) && mask === this.COLOR_BUFFER_BIT) window.vaskPresents++;
    if ((mask & this.COLOR_BUFFER_BIT) && (mask & this.DEPTH_BUFFER_BIT)) window.vaskStepDraws.push(0);
    return clear.call(this, mask);
  };
  const drawArrays = WebGLRenderingContext.prototype.drawArrays;
  WebGLRenderingContext.prototype.drawArrays = function (...args) {
    const steps = window.vaskStepDraws;
    if (bound.get(this) && steps.length) steps[steps.length - 1]++;
    return drawArrays.apply(this, args);
  };
}

// Runs `frames` of the virtual display's frames one at a time, each once the game waits
// for it, and gives for each the game's steps run in it, the pictures presented and the
// steps that drew anything into the game's frame.
async function stepsPerFrame(page, frames) {
  return page.evaluate(async (n) => {
    const waiting = async () => {
      const deadline = Date.now() + 30000;  // the page's performance.now is the display's
      while (!window.vaskGameWaits()) {
        if (document.body.dataset.state === 'ended') throw new Error('the game has ended');
        if (Date.now() > deadline) throw new Error('the game did not come back for its frame');
        await new Promise((r) => setTimeout(r, 0));
      }
    };
    const counts = [];
    for (let i = 0; i < n; i++) {
      await waiting();
      const steps = window.vaskFramesDrawn(), shown = window.vaskPresents;
      const first = window.vaskStepDraws.length;
      await window.vaskRunFrames(1);
      await waiting();
      const drew = window.vaskStepDraws.slice(first).filter((draws) => draws > 0).length;
      counts.push([window.vaskFramesDrawn() - steps, window.vaskPresents - shown, drew]);
    }
    return counts;
  }, frames);
}

// The program's OpenAL reports an error (AL_INVALID_OPERATION) while window.vaskSoundFails
// is set, as for a sound that cannot play: the game says so in its box. The error is the
// program's alGetError import's answer, changed as the program is instantiated.
function failingSound() {
  const AL_INVALID_OPERATION = 0xA004;
  window.vaskSoundFails = false;
  const wrapAlGetError = (imports) => {
    for (const module of Object.values(imports || {}))
      for (const [name, f] of Object.entries(module))
        if (typeof f === 'function' && f.name === '_alGetError')
          module[name] = (...a) => { const error = f(...a); return window.vaskSoundFails ? AL_INVALID_OPERATION : error; };
  };
  for (const name of ['instantiate', 'instantiateStreaming']) {
    const real = WebAssembly[name];
    WebAssembly[name] = function (source, imports, ...rest) {
      wrapAlGetError(imports);
      return real.call(this, source, imports, ...rest);
    };
  }
}

const helpShows = (picture) => { for (const [y, text] of HELP) checkText(picture, 0, y, text); };
function helpGone(picture) {
  const middle = ink(0, HELP[1][0], HELP[1][1]);
  if (inked(picture, middle) >= middle.length / 2) throw new Error('the help stays up');
}

// Waits until the page's stand-in holds `n` wake locks.
const wakeLocksHeld = (page, n, where) => page.waitForFunction((k) => window.vaskWakeLocks === k, { timeout: 5000, polling: 50 }, n)
  .catch(async () => { throw new Error(`${await page.evaluate(() => window.vaskWakeLocks)} wake locks held ${where}`); });

// --- playing together, and match records -----------------------------------------------
// The Linux build's relay on a loopback port of its own: its address, and stop() (which the
// case calls however it ends).
async function startRelay() {
  if (!relayProgram) throw new Error('--relay-program names no vask-relay');
  const child = require('child_process').spawn(relayProgram, ['--listen', '127.0.0.1:0'],
                                               { stdio: ['ignore', 'pipe', 'pipe'] });
  const stop = () => { if (child.exitCode === null && child.signalCode === null) child.kill('SIGTERM'); };
  let said = '';
  child.stderr.on('data', (d) => { said += d; });
  try {
    const port = await new Promise((resolve, reject) => {
      let out = '';
      const timer = setTimeout(() => reject(new Error('the relay said nothing in 30 s')), 30000);
      child.stdout.on('data', (d) => {
        out += d;
        const m = /^listening on 127\.0\.0\.1:(\d+)\n/.exec(out);
        if (m) { clearTimeout(timer); resolve(Number(m[1])); }
      });
      child.on('exit', (code) => { clearTimeout(timer); reject(new Error(`the relay ended (${code}): ${out}${said}`)); });
      child.on('error', (e) => { clearTimeout(timer); reject(e); });
    });
    return { url: `ws://127.0.0.1:${port}`, stop };
  } catch (e) { stop(); throw e; }
}

// The first line of the page's console (the game's own lines among them) that `pattern`
// matches: its match.
async function lineSaid(log, pattern, what, timeout = 60000) {
  const deadline = Date.now() + timeout;
  for (;;) {
    for (const line of log) {
      const m = pattern.exec(line);
      if (m) return m;
    }
    if (Date.now() > deadline) throw new Error(`${what}: the page never said it`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

// Waits until the game's title, drawn on the page's own display, shows `text` where the
// room's code goes.
async function titleShows(page, text, what) {
  const deadline = Date.now() + 60000;
  for (;;) {
    let last;
    try { checkText(await shot(page), 0, 455, text); return; } catch (e) { last = e; }
    if (Date.now() > deadline) throw new Error(`${what}: ${last.message}`);
    await new Promise((resolve) => setTimeout(resolve, 200));
  }
}

// Drops a file named `name` holding `bytes` on the page, as a player drops one from the
// desktop: true when the page took the drag (else the browser would open the file itself).
function dropFile(page, name, bytes) {
  return page.evaluate((n, b64) => {
    const data = new DataTransfer();
    data.items.add(new File([Uint8Array.from(atob(b64), (c) => c.charCodeAt(0))], n));
    const stage = document.getElementById('stage');
    const taken = !stage.dispatchEvent(new DragEvent('dragover', { dataTransfer: data, bubbles: true, cancelable: true }));
    stage.dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
    return taken;
  }, name, Buffer.from(bytes).toString('base64'));
}

// Presses the button that offers a download and waits for the file the browser saves: its
// name and bytes.
async function downloaded(page, selector) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vask-download-'));
  try {
    const cdp = await page.target().createCDPSession();
    // Downloads are allowed per browser context; the default context has no id.
    const context = page.browserContext().id;
    await cdp.send('Browser.setDownloadBehavior',
      { behavior: 'allow', downloadPath: dir, ...(context ? { browserContextId: context } : {}) });
    await page.click(selector);
    const deadline = Date.now() + 30000;
    for (;;) {
      const names = fs.readdirSync(dir).filter((n) => !n.endsWith('.crdownload'));
      if (names.length) return { name: names[0], bytes: fs.readFileSync(path.join(dir, names[0])) };
      if (Date.now() > deadline) throw new Error(`${selector} gave no download in 30 s`);
      await new Promise((resolve) => setTimeout(resolve, 100));
    }
  } finally { fs.rmSync(dir, { recursive: true }); }
}

// The game's message box says `text`; OK ends the game, and the page still says it.
async function boxEnds(page, text, what) {
  await waitState(page, 'box').catch(async (e) => {
    throw new Error(`${what}: ${e.message} (the page says "${await page.$eval('#overlay-text', (o) => o.textContent)}")`);
  });
  expect(await page.$eval('#box-text', (e) => e.textContent), text, `${what}: the box`);
  await page.click('#box-ok');
  await waitState(page, 'ended');
  expect(await page.$eval('#overlay-text', (e) => e.textContent), text, `${what}: the page at the end`);
}

// The words of a room's code as the game prints them and as the page shows them.
const ROOM_LINE = /^in room ([0-9A-Z]{8}) from step \d+$/;
const shownCode = (code) => `${code.slice(0, 4)}-${code.slice(4)}`;

// Each case is handed a browser context of its own, which it opens its pages in.
const CASES = {

  // A key starts play: the minimap's grey panel covers its place and each rider's score
  // shows in the rider's colour, as on the desktop.
  async minimapAndScores(browser) {
    const { page, play, close } = await openPlay(browser);
    try {
      checkScores(play);
      const help = ink(0, 414, HELP[0][1]);
      if (inked(play, help) >= help.length / 2) throw new Error('the help shows without F1');
    } finally { await close(); }
  },

  // The help's three lines show while F1 is held and go when it is released; the game
  // runs on.
  async helpWhileF1(browser) {
    const { page, close } = await openPlay(browser);
    try {
      await page.keyboard.down('F1');
      await framesUntil(page, (picture) => { for (const [y, text] of HELP) checkText(picture, 0, y, text); });
      await page.keyboard.up('F1');
      const middle = ink(0, HELP[1][0], HELP[1][1]);
      await framesUntil(page, (picture) => {
        if (inked(picture, middle) >= middle.length / 2) throw new Error('the help stays after F1 is released');
      });
      expect(await state(page), 'running', 'state after F1');
      if (!(await page.evaluate(() => window.vaskRunFrames(5)) > 0)) throw new Error('no frames of play after F1');
    } finally { await close(); }
  },

  // V cycles the views: first person looks level, the two chase views look down a little,
  // the high view steeply, and a fourth press comes back to first person (level, or 480
  // when the rider has meanwhile come up to a wall that fills the view).
  async fourViews(browser) {
    const { page, play, close } = await openPlay(browser);
    try {
      const rows = [horizon(play)];
      for (let i = 1; i < 5; i++) {
        await page.keyboard.press('KeyV');
        await page.evaluate(() => window.vaskRunFrames(3));
        rows.push(horizon(await framesUntil(page, checkMinimap)));
      }
      expect(await state(page), 'running', 'state after V');
      if (!(rows[0] >= 200)) throw new Error(`first-person horizon at row ${rows[0]} (${rows})`);
      if (!(rows[1] < rows[0] - 30 && rows[2] < rows[0] - 30)) throw new Error(`chase views do not look down: ${rows}`);
      if (!(rows[3] < rows[1] && rows[3] < rows[2])) throw new Error(`high view not steeper: ${rows}`);
      if (!(rows[4] >= 200)) throw new Error(`four presses of V do not come back: ${rows}`);
    } finally { await close(); }
  },

  // The title equals the Linux program's, every pixel within rounding, its lines included.
  async titleAsLinux(browser) {
    if (!linuxTitle) throw new Error('--linux-title names no picture');
    if (!fs.existsSync(linuxTitle)) throw new Error(`no Linux title at ${linuxTitle}: the test web_linux_title writes it`);
    const linux = readPpm(linuxTitle);
    const dir = siteVariant({ 'setup.txt': MATCH });
    const { page, server } = await openPage(browser, dir);
    try {
      expect(`${linux.width}x${linux.height}`, `${WIDTH}x${HEIGHT}`, 'size of the Linux title');
      await startGame(page);
      await waitState(page, 'running');
      let shown;
      await page.waitForFunction(() => window.vaskCanvasMean() > 0, { timeout: 20000, polling: 50 });
      const deadline = Date.now() + 20000;
      for (;;) {
        shown = await shot(page);
        if (holds((p) => TITLE_LINES.forEach(([x, y, text]) => checkText(p, x, y, text)), shown)) break;
        if (Date.now() > deadline) throw new Error("the title's lines did not show");
      }
      let off = 0, worst = 0, where = null;
      for (let y = 0; y < HEIGHT; y++)
        for (let x = 0; x < WIDTH; x++) {
          const a = shown.at(x, y), b = linux.at(x, y);
          const d = Math.max(...a.map((v, k) => Math.abs(v - b[k])));
          if (d > TITLE_ROUNDING) off++;
          if (d > worst) { worst = d; where = [x, y, a, b]; }
        }
      if (off) throw new Error(`${off} pixels differ from the Linux title by more than ${TITLE_ROUNDING}; ` +
                               `worst ${worst} at ${JSON.stringify(where)}`);
    } finally { await page.close(); server.close(); fs.rmSync(dir, { recursive: true }); }
  },
  // A phone held upright: the touch controls below the picture, in the viewport, off the
  // minimap and the scores, without scrolling. A game by touch alone: Play leaves the title,
  // a turn shows on the minimap, a tap of End does not end the game, a second's hold does.
  async touchPortrait(browser) {
    const { page, close } = await touchGame(browser, [390, 844], '#touch-play', [640, 800]);
    try {
      const play = await framesUntil(page, checkMinimap);
      if (holds(checkTurned, play)) throw new Error("rider 0's trail has a corner before any turn");
      // A rider that crashes before the corner shows comes back without its trail: turn again.
      let turned = false;
      for (let tries = 0; tries < 5 && !turned; tries++) {
        await tap(page, '#touch-turn-left');
        turned = await framesUntil(page, checkTurned, 120).then(() => true, () => false);
      }
      if (!turned) throw new Error('five taps of Turn left never turned rider 0');
      await tap(page, '#touch-end');
      await endsWithin(page, 90, false, 'a tap of End');
      await holdEnd(page);
      await endsWithin(page, 40, false, 'End held for 2/3 s');
      await endsWithin(page, 60, true, 'End held for a second');
      expect(await page.evaluate(() => document.body.dataset.exitCode), '0', 'exit code');
    } finally { await close(); }
  },

  // A phone on its side: the controls beside the picture, as above; Attract leaves the
  // title for the attract mode (scores, no minimap) and a held End ends it.
  async touchLandscape(browser) {
    const { page, close } = await touchGame(browser, [844, 390], '#touch-attract', [928, 480]);
    try {
      await framesUntil(page, (picture) => {
        checkScores(picture);
        if (panelCovered(picture) >= 0.05) throw final('the minimap shows: this is play, not the attract mode');
      });
      await holdEnd(page);
      await endsWithin(page, 100, true, 'End held in the attract mode');
    } finally { await close(); }
  },

  // A visitor with a mouse and a keyboard sees no touch controls.
  async noTouchOnDesktop(browser) {
    const { page, server } = await openPage(browser, siteDir);
    try {
      await startGame(page);
      await waitState(page, 'running');
      const shown = await page.evaluate((ids) => ids.filter((id) => {
        const r = document.getElementById(id).getBoundingClientRect();
        return r.width > 0 || r.height > 0;
      }), [...TITLE_BUTTONS, ...PLAY_BUTTONS]);
      expect(shown.join(' '), '', 'touch controls shown on the desktop');
    } finally { await page.close(); server.close(); }
  },

  // A standard-mapping pad alone: Start leaves the title for play; Back holds the help up
  // until the pad goes away; Start held a second, and not less, ends the game.
  gamepadPlays: (browser) => playByPad(browser, 'standard'),

  // The same with a pad the browser does not know (no mapping: Firefox on Linux and macOS,
  // DirectInput pads in Chrome), read by its raw buttons: Start is 9 and Back 8 there too.
  rawGamepadPlays: (browser) => playByPad(browser, ''),

  // Before the click nothing of the game runs; after it the window's title is the page's.
  // Nothing the page asks for is missing, its icon included.
  async overlayThenTitle(browser) {
    const { page, server, log } = await openPage(browser, siteDir);
    try {
      expect(await state(page), 'start', 'state before the click');
      expect(await page.$('#vask-canvas'), null, 'canvas before the click');
      expect(await page.title(), 'Vask Light Cycles', 'page title before the click');
      await startGame(page);
      await waitState(page, 'running');
      expect(await page.title(), 'Vask Light Cycles by Velmor', 'page title of the game');
      // The canvas fills the page and is drawn at the size it is shown at.
      expect(await focused(page), 'vask-canvas', 'what has the focus in the game');
      await page.setViewport({ width: 1000, height: 600 });
      await page.waitForFunction(() => document.getElementById('vask-canvas').width === 1000, { timeout: 5000, polling: 50 })
        .catch(() => {});
      const box = await page.$eval('#vask-canvas', (c) => {
        const r = c.getBoundingClientRect();
        return [Math.round(r.width), Math.round(r.height), c.width, c.height];
      });
      expect(box.join(' '), '1000 600 1000 600', 'shown and drawn sizes of the canvas');
      // The full-screen button puts the game's stage in full screen, and the keys stay the game's.
      await page.click('#full-screen');
      await page.waitForFunction(() => document.fullscreenElement === document.getElementById('stage'),
                                 { timeout: 5000, polling: 50 }).catch(() => {});
      expect(await page.evaluate(() => document.fullscreenElement && document.fullscreenElement.id), 'stage', 'full screen');
      expect(await focused(page), 'vask-canvas', 'what has the focus in full screen');
      expect(log.filter((line) => /^4\d\d /.test(line)).join(', '), '', 'files missing');
    } finally { await page.close(); server.close(); }
  },

  // The first key leaves the title; a key with no command ends the game, the page says so
  // and starts it again on request.
  async otherKeyEndsGame(browser) {
    const { page, server } = await openPage(browser, siteDir);
    try {
      await startGame(page);
      await waitState(page, 'running');
      await page.keyboard.press('ArrowUp');
      await page.keyboard.press('KeyQ');
      await waitState(page, 'ended');
      expect(await page.$eval('#overlay-text', (e) => e.textContent), 'The game has ended.', 'overlay text');
      expect(await page.evaluate(() => document.body.dataset.exitCode), '0', 'exit code');
      expect(await focused(page), 'start', 'what has the focus after the game');
      await page.click('#start');
      await waitState(page, 'running');
      expect(await page.title(), 'Vask Light Cycles by Velmor', 'page title after starting again');
    } finally { await page.close(); server.close(); }
  },

  // Browsers allow a page only a few audio contexts: a game that has ended, at a quit key or
  // after its box, leaves only the page's own (the song's) open, and a game started again
  // from the page adds one of its own.
  async restartClosesAudio(browser) {
    const dir = siteVariant({ 'vask3.wrl': null });
    const { page, server } = await openPage(browser, dir);
    const open = (n, when) => page.waitForFunction((k) => window.vaskOpenAudio() === k, { timeout: 5000, polling: 50 }, n)
      .catch(async () => { throw new Error(`${await page.evaluate(() => window.vaskOpenAudio())} audio contexts open ${when}`); });
    try {
      await startGame(page);
      await waitState(page, 'box');
      await page.click('#box-ok');
      await waitState(page, 'ended');
      await open(1, 'after the box');
      fs.symlinkSync(path.join(siteDir, 'vask3.wrl'), path.join(dir, 'vask3.wrl'));
      for (let start = 2; start <= 3; start++) {
        const before = await page.evaluate(() => window.vaskAudioContexts.length);
        await startGame(page);
        await waitState(page, 'running');
        await page.waitForFunction((n) => window.vaskAudioContexts.length > n, { timeout: 20000, polling: 50 }, before);
        await open(2, `in start ${start}`);
        await page.keyboard.press('ArrowUp');  // leaves the title
        await page.keyboard.press('KeyQ');
        await waitState(page, 'ended');
        await open(1, `after start ${start} ended`);
      }
    } finally { await page.close(); server.close(); fs.rmSync(dir, { recursive: true }); }
  },

  // The keys the game uses stay with the game: arrows do not scroll the page.
  async pageKeepsGameKeys(browser) {
    const { page, server } = await openPage(browser, siteDir);
    try {
      await startGame(page);
      await waitState(page, 'running');
      await page.evaluate(() => {
        window.keptKeys = {};
        window.addEventListener('keydown', (e) => { window.keptKeys[e.code] = e.defaultPrevented; });
      });
      await page.keyboard.press('ArrowDown');
      await page.keyboard.press('F1');
      const kept = await page.evaluate(() => window.keptKeys);
      expect(kept.ArrowDown, true, 'ArrowDown kept from the page');
      expect(kept.F1, true, 'F1 kept from the browser');
    } finally { await page.close(); server.close(); }
  },

  // Without the model: the box, and after the player's OK the game ends.
  async modelMissing(browser) {
    const dir = siteVariant({ 'vask3.wrl': null });
    const { page, server } = await openPage(browser, dir);
    try {
      await startGame(page);
      await waitState(page, 'box');
      expect(await page.$eval('#box-text', (e) => e.textContent), 'Could not open .WRL file', 'box text');
      expect(await page.$eval('#box-caption', (e) => e.textContent), 'Error', 'box caption');
      expect(await focused(page), 'box-ok', 'what has the focus in the box');
      // The game waits for the box: it has not ended (it would have said so with its code).
      expect(await state(page), 'box', 'the state before OK');
      expect(await page.evaluate(() => document.body.dataset.exitCode), undefined, 'exit code before OK');
      await page.click('#box-ok');
      await waitState(page, 'ended');
    } finally { await page.close(); server.close(); fs.rmSync(dir, { recursive: true }); }
  },

  // The song sounds at the title and stops at the first key; the engines sound after it.
  async songThenEngines(browser) {
    const { page, server } = await openPage(browser, siteDir);
    try {
      await startGame(page);
      await waitState(page, 'running');
      await waitLevel(page, 'music', 'above', 'the song at the title');
      expect(await page.evaluate((off) => window.vaskLevel('effects') < off, SILENT), true, 'no effects at the title');
      await page.keyboard.press('ArrowUp');
      await waitLevel(page, 'music', 'zero', 'the song after the first key');
      await waitLevel(page, 'effects', 'above', 'the engines after the first key');
    } finally { await page.close(); server.close(); }
  },

  // The song is rendered in an audio worklet, from the cut-down soundfont alone, with a clean
  // console; its audio context rests from the first key on, and runs again when the next
  // start plays the song again.
  async songInWorklet(browser) {
    const fetched = [];
    const logged = [];  // the browser's log, which has the audio worklet's console too
    const { page, server } = await openPage(browser, siteDir, '', async (p) => {
      p.on('request', (r) => fetched.push(r.url()));
      const cdp = await p.target().createCDPSession();
      cdp.on('Log.entryAdded', (e) => logged.push(e.entry.text));
      await cdp.send('Log.enable');
    });
    const musicState = () => page.evaluate(() => window.vaskLevels.music.map((t) => t.all.context.state).join());
    try {
      await startGame(page);
      await waitState(page, 'running');
      await waitLevel(page, 'music', 'above', 'the song at the title');
      expect(await page.evaluate(() => window.vaskLevels.music.map((t) => t.node).join()), 'AudioWorkletNode', 'the song\'s node');
      await page.keyboard.press('ArrowUp');
      await page.waitForFunction(() => window.vaskLevels.music[0].all.context.state === 'suspended', { timeout: 20000, polling: 50 })
        .catch(async () => { throw new Error(`the song's audio context is "${await musicState()}" in play`); });
      await page.keyboard.press('KeyQ');
      await waitState(page, 'ended');
      await startGame(page);
      await waitState(page, 'running');
      await waitLevel(page, 'music', 'above', 'the song at the second start\'s title');
      expect(await musicState(), 'running', 'the song\'s audio context at the second title');
      const fonts = fetched.map((u) => u.split('/').pop()).filter((f) => f.endsWith('.sf2'));
      expect(fonts.join(), 'vask.sf2', 'the soundfonts fetched');
      const synthLines = logged.filter((line) => /fluidsynth|music:/i.test(line));
      expect(synthLines.join('\n'), '', 'what the synthesiser logged');
    } finally { await page.close(); server.close(); }
  },

  // A song put in vask.mid's place that picks a preset the cut soundfont lacks (a church
  // organ) plays with the full soundfont, fetched for it; a track name and a text before its
  // notes, as songs from elsewhere have, do not make the page lose its way through them.
  async otherSongFullFont(browser) {
    const meta = (type, text) => [0x00, 0xff, type, text.length, ...Buffer.from(text)];
    const track = [...meta(0x03, 'Organ song'), ...meta(0x01, "A song of the player's own"),
                   0x00, 0xc0, 19, 0x00, 0x90, 60, 100, 0x86, 0x00, 0x80, 60, 0, 0x00, 0xff, 0x2f, 0x00];
    const song = Buffer.from([...Buffer.from('MThd'), 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
                              ...Buffer.from('MTrk'), 0, 0, 0, track.length, ...track]);
    const dir = siteVariant({ 'vask.mid': song });
    const fetched = [];
    const { page, server } = await openPage(browser, dir, '', (p) => p.on('request', (r) => fetched.push(r.url())));
    try {
      await startGame(page);
      await waitState(page, 'running');
      await waitLevel(page, 'music', 'above', 'the organ song at the title');
      const fonts = fetched.map((u) => u.split('/').pop()).filter((f) => f.endsWith('.sf2'));
      expect(fonts.join(), 'TimGM6mb.sf2', 'the soundfonts fetched');
    } finally { await page.close(); server.close(); fs.rmSync(dir, { recursive: true }); }
  },

  // The title is the shipped picture, as the browser's own decoder reads it, apart from
  // rounding, and upright (the white title lines below row 440 are left out).
  async titlePicture(browser) {
    const { page, server } = await openPage(browser, siteDir);
    try {
      await startGame(page);
      await waitState(page, 'running');
      await page.waitForFunction(() => window.vaskCanvasMean() > 0, { timeout: 20000, polling: 50 });
      const [upright, upsideDown] = await page.evaluate(async () => {
        const shown = window.vaskPicture();
        const bitmap = await createImageBitmap(await (await fetch('vask.jpg')).blob());
        const c = new OffscreenCanvas(640, 480);
        c.getContext('2d').drawImage(bitmap, 0, 0);
        const want = c.getContext('2d').getImageData(0, 0, 640, 480).data;
        const error = (flip) => {
          let total = 0, n = 0;
          for (let y = 0; y < 440; y += 4)
            for (let x = 0; x < 640; x += 4)
              for (let k = 0; k < 3; k++, n++)
                total += Math.abs(shown[(y * 640 + x) * 4 + k] - want[((flip ? 479 - y : y) * 640 + x) * 4 + k]);
          return total / n;
        };
        return [error(false), error(true)];
      });
      if (!(upright < 4)) throw new Error(`the title differs from vask.jpg by ${upright} a channel`);
      if (!(upsideDown > upright + 10)) throw new Error('the title does not tell up from down');
    } finally { await page.close(); server.close(); }
  },

  // A title picture that is no JPEG is left out, as on the desktop: the title's text over
  // black, and the game plays on and ends at a quit key.
  async badTitlePicture(browser) {
    const dir = siteVariant({ 'vask.jpg': Buffer.from('this is no JPEG file, only its name') });
    const { page, server, log } = await openPage(browser, dir);
    try {
      await startGame(page);
      await waitState(page, 'running');
      await page.waitForFunction(() => window.vaskCanvasMean() > 0, { timeout: 20000, polling: 50 });
      const picture = await page.evaluate(() => Array.from(window.vaskPicture().subarray(0, 640 * 440 * 4)));
      expect(picture.some((v, i) => i % 4 !== 3 && v !== 0), false, 'anything drawn above the title text');
      await page.keyboard.press('ArrowUp');
      await page.keyboard.press('KeyQ');
      await waitState(page, 'ended');
      expect(await page.evaluate(() => document.body.dataset.exitCode), '0', 'exit code');
      expect(log.some((line) => line.includes('Not a JPEG file')), true, 'the decoder said why');
    } finally { await page.close(); server.close(); fs.rmSync(dir, { recursive: true }); }
  },

  // Attract mode draws 60 frames a second of play on a display of 60, 120 or 144 Hz: two
  // seconds of the display's frames hold 120 of the game's, give or take the one a slot
  // boundary may move.
  async paceAnyDisplay(browser) {
    for (const rate of [60, 120, 144]) {
      const { page, server } = await openAttract(browser, rate);
      try {
        const frames = await page.evaluate((r) => window.vaskRunFrames(2 * r), rate);
        if (frames < 119 || frames > 121) throw new Error(`${frames} frames of play in 2 s at ${rate} Hz`);
      } finally { await page.close(); server.close(); }
    }
  },

  // A key is drawn at the first animation frame after it, even when the game resumed late
  // in the frame before (the page busy for 16 ms first): that must not push the game's next
  // frame past the next animation frame. Late frames of both of the display's phases.
  async keyDrawnNextFrame(browser) {
    const { page, close } = await openPlay(browser);
    // A frame is done once the game asks for the next one.
    const frame = async (late) => {
      await page.evaluate((l) => window.vaskRunFrames(1, l), late);
      await page.waitForFunction(() => window.vaskGameWaits(), { timeout: 30000, polling: 10 });
    };
    try {
      for (let press = 1; press <= 4; press++) {
        if (press % 2) await frame(0);
        await frame(16);
        await page.keyboard.press('KeyV');
        const before = await page.evaluate(() => window.vaskFramesDrawn());
        await frame(0);
        const drawn = await page.evaluate(() => window.vaskFramesDrawn()) - before;
        if (drawn !== 1) throw new Error(`press ${press}: ${drawn} frames drawn in the animation frame after the key`);
      }
    } finally { await close(); }
  },

  // D leaves the title for attract mode: the scores show and the minimap does not (play
  // shows it from its first frame), and the view moves by itself, far: over 2000 pixels
  // change (the tour changes shot every 200 frames; some shots only turn slowly).
  async attractMoves(browser) {
    const dir = siteVariant({ 'setup.txt': MATCH });
    const { page, server } = await openPage(browser, dir);
    try {
      await page.evaluate(() => window.vaskVirtualDisplay(60));
      await startGame(page);
      await waitState(page, 'running');
      await page.evaluate(() => window.vaskRunFrames(10));
      await page.keyboard.press('KeyD');
      const noMinimap = (picture) => {
        const covered = panelCovered(picture);
        if (covered >= 0.05) throw final(`the minimap shows in attract mode (${Math.round(100 * covered)}%)`);
      };
      const first = await framesUntil(page, (picture) => { checkScores(picture); noMinimap(picture); });
      await framesUntil(page, (picture) => {
        noMinimap(picture);
        const changed = picture.count(0, 0, WIDTH, HEIGHT, (p, x, y) => !same(p, first.at(x, y)));
        if (changed <= 2000) throw new Error(`the attract view changed in only ${changed} pixels`);
      }, 1800, 30);  // a look every half second of the tour, not every frame or so
    } finally { await page.close(); server.close(); fs.rmSync(dir, { recursive: true }); }
  },

  // On a display of twice the pixels the canvas has 1280 by 960 of them, and the title,
  // shown again at once without a frame of the game's, has each pixel as a 2 by 2 block.
  async sharpScaling(browser) {
    const { small, large } = await titleRescaled(browser, { width: 640, height: 480, deviceScaleFactor: 2 });
    expect(`${large.width}x${large.height}`, '1280x960', 'the canvas at a device pixel ratio of 2');
    expectScaledAsWorkedOut(small, large);
  },

  // Keys of the browser and the system never reach the game and keep their default: in
  // play, F11, Ctrl+F, a volume key, the Windows key and an input method's key leave the
  // game running; the next ordinary key ends it.
  async systemKeysKeepGame(browser) {
    const { page, close } = await openPlay(browser);
    try {
      await page.evaluate(() => {
        window.keptKeys = {};
        window.addEventListener('keydown', (e) => { window.keptKeys[e.key] = e.defaultPrevented; });
      });
      for (const key of ['F11', 'AudioVolumeUp', 'MetaLeft', 'Convert']) await page.keyboard.press(key);
      await page.keyboard.down('Control');
      await page.keyboard.press('KeyF');
      await page.keyboard.up('Control');
      await page.evaluate(() => window.vaskRunFrames(10));
      expect(await state(page), 'running', 'state after the system keys');
      expect(JSON.stringify(await page.evaluate(() => window.keptKeys)),
             '{"F11":false,"AudioVolumeUp":false,"Meta":false,"Convert":false,"Control":false,"f":false}',
             'keys left to the browser');
      await page.keyboard.press('KeyQ');
      expect(await page.evaluate(() => window.vaskRunFrames(10).then(() => 'running', (e) => e.message)),
             'the game has ended', 'after Q');
    } finally { await close(); }
  },

  // A key held when the window loses the focus, or the page is hidden, reaches the game as
  // let go: the help that F1 holds up goes, though F1 itself is never released.
  async releaseOnFocusLoss(browser) {
    const { page, close } = await openPlay(browser);
    const middle = ink(0, HELP[1][0], HELP[1][1]);
    const helpShows = (picture) => { for (const [y, text] of HELP) checkText(picture, 0, y, text); };
    const helpGone = (picture) => {
      if (inked(picture, middle) >= middle.length / 2) throw new Error('the help stays up after the focus went');
    };
    try {
      // The window's blur alone, the page's hiding alone (as a phone's app switch may come),
      // and both, as another tab brings them.
      for (const lose of ['blur', 'hidden', 'another tab']) {
        await page.keyboard.down('F1');
        await framesUntil(page, helpShows);
        if (lose === 'blur') {
          await page.evaluate(() => window.dispatchEvent(new FocusEvent('blur')));
        } else if (lose === 'hidden') {
          await page.evaluate(() => {
            Object.defineProperty(document, 'hidden', { configurable: true, get: () => true });
            Object.defineProperty(document, 'visibilityState', { configurable: true, get: () => 'hidden' });
            document.dispatchEvent(new Event('visibilitychange'));
            delete document.hidden;
            delete document.visibilityState;
          });
        } else {
          const other = await browser.newPage();
          await other.bringToFront();
          await page.waitForFunction(() => document.visibilityState === 'hidden', { timeout: 5000, polling: 50 });
          await other.close();
          await page.bringToFront();
        }
        await framesUntil(page, helpGone, 60).catch((e) => { throw new Error(`${lose}: ${e.message}`); });
        await page.keyboard.up('F1');
      }
    } finally { await close(); }
  },

  // The display is kept awake while a match runs and not at the title, where the game
  // shows no frames: two seconds there let the lock go.
  async wakeLockInPlay(browser) {
    const { page, server } = await openPage(browser, siteDir);
    const locks = (n, where) => page.waitForFunction((k) => window.vaskWakeLocks === k, { timeout: 5000, polling: 50 }, n)
      .catch(async () => { throw new Error(`${await page.evaluate(() => window.vaskWakeLocks)} wake locks held ${where}`); });
    try {
      await page.evaluate(() => window.vaskVirtualDisplay(60));
      await startGame(page);
      await waitState(page, 'running');
      await page.evaluate(() => window.vaskRunFrames(120));
      await locks(0, 'at the title');
      await page.keyboard.press('KeyG');
      await page.evaluate(() => window.vaskRunFrames(30));
      await locks(1, 'in play');
    } finally { await page.close(); server.close(); }
  },

  // A display slower than 60 Hz (30 for a phone saving power, 50, 10) gets the steps due
  // at each of its frames, up to four, and draws and shows only the last: the attract mode
  // keeps 60 steps a second. Counted per frame on the test's own clock.
  async paceSlowDisplay(browser) {
    for (const [rate, fewest, most] of [[30, 2, 2], [50, 1, 2], [10, 4, 4]]) {
      const { page, server } = await openAttract(browser, rate, (p) => p.evaluateOnNewDocument(countPresents));
      try {
        const counts = await stepsPerFrame(page, 2 * rate);
        // Every step runs; only the one shown is drawn.
        const odd = counts.findIndex(([steps, shown, drew]) => steps < fewest || steps > most || shown !== 1 || drew !== 1);
        if (odd >= 0) throw new Error(`${rate} Hz, frame ${odd}: ${counts[odd][0]} steps, ${counts[odd][1]} pictures shown, ${counts[odd][2]} steps drawn`);
        const steps = counts.reduce((sum, [n]) => sum + n, 0);
        const wanted = 2 * rate * Math.min(most, 60 / rate);
        if (Math.abs(steps - wanted) > 1) throw new Error(`${steps} steps in 2 s at ${rate} Hz`);
      } finally { await page.close(); server.close(); }
    }
  },

  // A key held when Cmd goes down (macOS sends no release of a key let go while Cmd is
  // down), or when the game's box comes up (the box takes the keys), reaches the game as let
  // go: the help that F1 holds up goes, though the game never sees F1's release.
  async releaseOnCmdAndBox(browser) {
    const { page, close } = await openPlay(browser, (p) => p.evaluateOnNewDocument(failingSound));
    try {
      await page.keyboard.down('F1');
      await framesUntil(page, helpShows);
      await page.keyboard.down('Meta');
      await framesUntil(page, helpGone, 60).catch((e) => { throw new Error(`Cmd: ${e.message}`); });
      await page.keyboard.up('F1');
      await page.keyboard.up('Meta');

      await page.keyboard.down('F1');
      await framesUntil(page, helpShows);
      await page.evaluate(() => { window.vaskSoundFails = true; });
      await page.keyboard.down('ArrowLeft');  // a turn, whose sound cannot play
      await page.evaluate(() => window.vaskRunFrames(1));
      await waitState(page, 'box');
      expect(await page.$eval('#box-text', (e) => e.textContent), 'Could not play sound', 'box text');
      await page.keyboard.up('ArrowLeft');
      await page.keyboard.up('F1');
      await page.evaluate(() => { window.vaskSoundFails = false; });
      await page.click('#box-ok');
      await framesUntil(page, helpGone, 60).catch((e) => { throw new Error(`the box: ${e.message}`); });
    } finally { await close(); }
  },

  // The display's lock goes with the match or the attract mode when the game ends: at once,
  // though the page's clock stands still (no frame has come since).
  async wakeLockAfterPlay(browser) {
    for (const key of ['KeyG', 'KeyD']) {
      const { page, server } = await openPage(browser, siteDir);
      try {
        await startOnDisplay(page, 60);
        await page.keyboard.press(key);
        await page.evaluate(() => window.vaskRunFrames(30));
        await wakeLocksHeld(page, 1, `after ${key}`);
        await page.keyboard.press('KeyQ');
        await page.evaluate(() => window.vaskRunFrames(1));
        await waitState(page, 'ended');
        await wakeLocksHeld(page, 0, `once the game ended after ${key}`);
      } finally { await page.close(); server.close(); }
    }
  },

  // A canvas 2.5 times the picture's width and more than that of its height: black bars
  // above and below, and every one of the picture's pixels, the title's one-pixel strokes
  // among them, shows with its own colour in the middle of its 2.5 by 2.5 (the whole-number
  // part of the scale sampled at the pixel's centre, only the rest blended).
  async sharpScalingAnySize(browser) {
    const SCALE = 2.5, BAR = 50;
    const [width, height] = [WIDTH * SCALE, HEIGHT * SCALE + 2 * BAR];
    const { small, large } = await titleRescaled(browser, { width, height });
    expect(`${large.width}x${large.height}`, `${width}x${height}`, 'the canvas');
    const bars = large.count(0, 0, width, BAR, (p) => !same(p, [0, 0, 0])) +
                 large.count(0, height - BAR, width, height, (p) => !same(p, [0, 0, 0]));
    if (bars) throw new Error(`${bars} pixels of the bars are not black`);
    // The middle of source pixel x: the screen pixel whose centre is nearest its centre.
    const middle = (x) => Math.floor(SCALE * x + SCALE / 2);
    let off = 0, first = null;
    for (let y = 0; y < HEIGHT; y++)
      for (let x = 0; x < WIDTH; x++) {
        const shown = large.at(middle(x), BAR + middle(y)), source = small.at(x, y);
        if (shown.some((v, k) => Math.abs(v - source[k]) > 2)) {
          off++;
          first = first || [x, y, shown, source];
        }
      }
    if (off) throw new Error(`${off} pixels are not shown crisp, the first ${JSON.stringify(first)}`);
  },

  // A double click on Start, at once when the page has loaded, starts one game: the button
  // takes no second click while the game loads, and the data files are asked for once (by the
  // page's warm-up, whose list the start takes).
  async oneGamePerStart(browser) {
    let asked = 0;
    const { page, server } = await openPage(browser, siteDir, '',
      (p) => p.on('request', (r) => { if (r.url().endsWith('/data-files.json')) asked++; }));
    try {
      await page.click('#start', { count: 2 });
      expect(await page.$eval('#start', (b) => b.disabled), true, 'the button while the game loads');
      await waitState(page, 'running');
      await openAudio(page, 2, 'in the game');  // by then a second start would have asked too
      expect(asked, 1, 'requests for the list of data files');
    } finally { await page.close(); server.close(); }
  },

  // While the overlay waits for the click, the page fetches the data files and the program;
  // the start then fetches none of them again. The next start fetches the data files afresh
  // (the player may have changed them) and nothing else: not the program. (The page's own
  // fetches: the browser asks for its icon as it likes.)
  async warmUpBeforeClick(browser) {
    const asked = [];
    const { page, server } = await openPage(browser, siteDir, '', (p) => p.on('request', (r) => {
      if (r.resourceType() === 'fetch') asked.push(decodeURIComponent(new URL(r.url()).pathname.slice(1)));
    }));
    const wasm = fs.readFileSync(path.join(siteDir, 'index.html'), 'utf8').match(/data-wasm="([^"]+)"/)[1];
    const dataFiles = ['data-files.json', ...JSON.parse(fs.readFileSync(path.join(siteDir, 'data-files.json'), 'utf8'))];
    const twice = (names) => [...new Set(names.filter((n, i) => names.indexOf(n) !== i))];
    try {
      const wanted = [...dataFiles, wasm];
      for (const deadline = Date.now() + 20000; wanted.some((n) => !asked.includes(n));) {
        if (Date.now() > deadline)
          throw new Error(`before the click the page did not ask for ${wanted.filter((n) => !asked.includes(n)).join(', ')}`);
        await new Promise((r) => setTimeout(r, 50));
      }
      expect(await state(page), 'start', 'the state while the page warms up');
      await startGame(page);
      await waitState(page, 'running');
      await waitLevel(page, 'music', 'above', 'the song at the title');  // all the first start asks for is asked
      expect(twice(asked).join(', '), '', 'files the first start asked for again');
      await page.keyboard.press('ArrowUp');
      await page.keyboard.press('KeyQ');
      await waitState(page, 'ended');
      const before = asked.length;
      await startGame(page);
      await waitState(page, 'running');
      await waitLevel(page, 'music', 'above', "the song at the second start's title");
      expect(asked.slice(before).sort().join(', '), [...dataFiles].sort().join(', '), 'what the second start asked for');
    } finally { await page.close(); server.close(); }
  },

  // A warm-up whose fetches failed (the network gone for a moment) fails no start: the click
  // fetches the list of data files and the program again, and the game starts.
  async warmUpFailedFetchesAgain(browser) {
    const failed = new Set();
    const { page, server } = await openPage(browser, siteDir, '', async (p) => {
      await p.setRequestInterception(true);
      p.on('request', (r) => {
        const name = new URL(r.url()).pathname.split('/').pop();
        if ((name === 'data-files.json' || name.endsWith('.wasm')) && !failed.has(name)) {
          failed.add(name);
          r.abort('internetdisconnected');
        } else {
          r.continue();
        }
      });
    });
    try {
      for (const deadline = Date.now() + 20000; failed.size < 2;) {
        if (Date.now() > deadline) throw new Error(`before the click the page asked only for ${[...failed].join(', ')}`);
        await new Promise((r) => setTimeout(r, 50));
      }
      await startGame(page);
      await waitState(page, 'running');
    } finally { await page.close(); server.close(); }
  },

  // Hidden behind another tab, or muted by its button, the page holds every audio context
  // still (the song's and the game's), and lets them go on when shown or unmuted; the mute
  // button leaves the keyboard's focus with the game.
  async hiddenHoldsSound(browser) {
    const { page, server } = await openPage(browser, siteDir);
    const all = (wanted, when) => page.waitForFunction((w) => window.vaskAudioContexts.every((c) => c.state === w),
      { timeout: 5000, polling: 50 }, wanted).catch(() => { throw new Error(`${when}: not all audio contexts ${wanted}`); });
    try {
      await startGame(page);
      await openAudio(page, 2, 'in the game');
      const other = await browser.newPage();
      await other.bringToFront();
      await all('suspended', 'hidden');
      await other.close();
      await page.bringToFront();
      await all('running', 'shown again');
      await page.click('#mute');
      await all('suspended', 'muted');
      expect(await focused(page), 'vask-canvas', 'what has the focus after Mute');
      await page.click('#mute');
      await all('running', 'unmuted');
    } finally { await page.close(); server.close(); }
  },

  // Without WebGL the page says so; the game's sound is closed and nothing plays.
  noWebGL: (browser) => endedBy(browser, {
    prepare: (p) => p.evaluateOnNewDocument(() => {
      const getContext = HTMLCanvasElement.prototype.getContext;
      HTMLCanvasElement.prototype.getContext = function (type, ...rest) {
        return /webgl/.test(type) ? null : getContext.call(this, type, ...rest);
      };
    }),
    said: 'This browser cannot draw the game: WebGL is off or missing.', again: null }),

  // The browser takes the WebGL context away from a running game.
  contextLost: (browser) => endedBy(browser, {
    fault: FAULTS.lostContext,
    said: "The browser took the game's picture away (its WebGL context was lost). Start again to play on." }),

  // A game's sound resumed by a touch (its OpenAL does that on the next key, click or touch)
  // and not yet running when the game ends: closing it fails that resume, and the page
  // takes that quietly. Here the resume lasts until the close, as on a busy phone.
  pendingResumeAtEnd: (browser) => endedBy(browser, {
    prepare: (p) => p.evaluateOnNewDocument(() => {
      const realResume = AudioContext.prototype.resume;
      AudioContext.prototype.resume = function () {
        if (!window.vaskResumeUntilClosed) return realResume.call(this);
        window.vaskPendingResumes = (window.vaskPendingResumes || 0) + 1;
        return new Promise((resolve, reject) => this.addEventListener('statechange', () => {
          if (this.state === 'closed') {
            reject(new DOMException('AudioContext closed before a pending resume() could complete.', 'InvalidStateError'));
          }
        }));
      };
    }),
    async fault(page) {
      await page.click('#mute');
      await page.waitForFunction(() => window.vaskAudioContexts.every((c) => c.state === 'suspended'),
        { timeout: 5000, polling: 50 }).catch(() => { throw new Error('muted: not all audio contexts suspended'); });
      const pending = await page.evaluate(() => {
        window.vaskResumeUntilClosed = true;
        document.dispatchEvent(new Event('touchstart'));
        window.vaskResumeUntilClosed = false;
        return window.vaskPendingResumes || 0;
      });
      expect(pending, 1, "the game's sound resumed by the touch");
      await FAULTS.lostContext(page);
    },
    said: "The browser took the game's picture away (its WebGL context was lost). Start again to play on.", again: null }),

  // A model with a polygon of too many indices: after the model reader's box, its exit(1).
  modelExitEndsGame(browser) {
    let model = 'DEF Part Transform { coordIndex [\n';
    for (let i = 0; i < 3000; i++) model += i % 4 === 3 ? '-1\n' : `${i % 4}\n`;
    return endedBy(browser, { files: { 'vask3.wrl': model + '] }\n' }, box: 'Error! Too many indices for this polygon!',
                              said: 'The game has ended (exit code 1).', again: 'box' });
  },

  // A trap in the middle of a frame of play.
  trapEndsGame: (browser) => endedBy(browser, {
    prepare: (p) => p.evaluateOnNewDocument(trapInClear), fault: FAULTS.trap,
    said: 'The game stopped: RuntimeError: unreachable' }),

  // An abort in the middle of a frame of play.
  abortEndsGame: (browser) => endedBy(browser, {
    prepare: (p) => p.evaluateOnNewDocument(abortInClear), fault: FAULTS.abort,
    said: 'The game stopped: Aborted()' }),

  // The page as an app: the browser reads its manifest, with the app's display, orientation
  // and icons; after the first visit its service worker is active, and a second visit with
  // the server gone still reaches the game's title.
  async offlineApp(browser) {
    const { page, server } = await openPage(browser, siteDir);
    try {
      const cdp = await page.target().createCDPSession();
      const { url, errors, data } = await cdp.send('Page.getAppManifest');
      expect(errors.map((e) => e.message).join('; '), '', 'errors reading the manifest');
      expect(new URL(url || 'none:').pathname, '/manifest.webmanifest', 'the manifest the page links');
      const manifest = JSON.parse(data);
      expect(`${manifest.display} ${manifest.orientation}`, 'fullscreen landscape', 'display and orientation');
      // Both sizes an installed app needs are declared, and every icon declared is a PNG of
      // the site's with the size declared.
      expect(manifest.icons.map((i) => i.sizes).sort().join(' '), '192x192 512x512', 'the icon sizes declared');
      for (const icon of manifest.icons) {
        const file = path.join(siteDir, icon.src);
        if (!fs.existsSync(file)) throw new Error(`the manifest's icon ${icon.src} is not in the site`);
        const png = fs.readFileSync(file);
        if (png.toString('latin1', 1, 4) !== 'PNG') throw new Error(`the icon ${icon.src} is no PNG`);
        expect(`${png.readUInt32BE(16)}x${png.readUInt32BE(20)}`, icon.sizes, `the size of ${icon.src}`);
      }
      await workerActivated(page);
      server.close();
      server.closeAllConnections();
      try {
        await page.goto(page.url());
      } catch (e) {
        throw new Error(`the second visit, with no server: ${e.message}`);
      }
      await startGame(page);
      await waitState(page, 'running');
      expect(await page.title(), 'Vask Light Cycles by Velmor', 'page title of the game with no server');
    } finally { await page.close(); server.close(); }
  },

  // A release while a tab is open: the browser takes the new service worker, which keeps
  // the new release whole though the server lets the browser's HTTP cache hold the old page
  // as fresh and a data file is gone from the folder, and a visit with no network then
  // starts the new release. A release whose page reached the server after the browser took
  // the rest is mended by the next visit: the one after, with no network, starts it too.
  async offlineAfterRelease(browser) {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vask-site-'));
    layRelease(dir, 'first');
    const { page, server } = await openPage(browser, dir, '', null, { headers: { 'Cache-Control': 'max-age=3600' } });
    try {
      await workerActivated(page);
      layRelease(dir, 'second', { missing: ['OFL-1.1-flori.txt'] });
      await releaseInstalled(page, 'second');
      await startsOffline(page, server, 'second');
      server.network = 'up';
      layRelease(dir, 'third', { pageOf: 'second' });
      await releaseInstalled(page, 'third');
      layRelease(dir, 'third');
      await page.reload();
      await startsOffline(page, server, 'third');
    } finally { await page.close(); server.close(); fs.rmSync(dir, { recursive: true }); }
  },

  // Two copies of the site in two folders of one origin each keep their offline copy: the
  // second one's service worker leaves the first one's cache alone, and drops its own of a
  // release before caches were named by their folder.
  async offlineTwoSites(browser) {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vask-sites-'));
    for (const [folder, tag] of [['a', 'first'], ['b', 'second']]) {
      fs.mkdirSync(path.join(dir, folder));
      layRelease(path.join(dir, folder), tag);
    }
    const { page, server } = await openPage(browser, dir, 'a/');
    try {
      await workerActivated(page);
      // One cache each of an older release, under the old names.
      const site = `http://127.0.0.1:${server.address().port}/`;
      await page.evaluate(async (s) => {
        for (const [name, folder] of [['vask-site-1', 'a/'], ['vask-site-2', 'b/']])
          await (await caches.open(name)).put(s + folder, new Response('an old release'));
      }, site);
      const other = await browser.newPage();
      await other.goto(`${site}b/`);
      await workerActivated(other);
      await other.close();
      expect((await page.evaluate(() => caches.keys())).filter((n) => n.startsWith('vask-site-')).join(),
             'vask-site-1', "the old releases' caches left after b's worker started");
      await page.bringToFront();  // a page behind another gets no animation frames
      await startsOffline(page, server, 'first');
    } finally { await page.close(); server.close(); fs.rmSync(dir, { recursive: true }); }
  },

  // A weak network (the server takes every request and never answers) does not hold up a
  // site the browser keeps: the page and its files come from the cache after a few seconds
  // each, and the game starts. (The limits here are for a hang, not the page's speed.)
  async weakNetwork(browser) {
    const { page, server } = await openPage(browser, siteDir);
    try {
      await workerActivated(page);
      server.network = 'weak';
      await page.goto(page.url(), { timeout: 60000 }).catch((e) => { throw new Error(`the visit on a weak network: ${e.message}`); });
      await startGame(page);
      await waitState(page, 'running', 60000);
    } finally { await page.close(); server.closeAllConnections(); server.close(); }
  },

  // Errors of other scripts on the page leave the game running: a browser extension's from
  // another origin (which reaches the page as "Script error." with no error), a throw and an
  // unhandled rejection in a script of the page's. Only the game's own end it (the cases
  // above: a trap, an abort, a lost context).
  async othersErrorsKeepGame(browser) {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vask-other-'));
    fs.writeFileSync(path.join(dir, 'extension.js'), "throw new Error('from another script');\n");
    const elsewhere = await serve(dir);
    const { page, server, log } = await openPage(browser, siteDir);
    try {
      await page.evaluate(() => window.vaskVirtualDisplay(60));
      await startGame(page);
      await waitState(page, 'running');
      await page.evaluate(() => window.vaskRunFrames(10));
      await page.evaluate((url) => new Promise((resolve) => {
        let seen = 0;
        const one = () => { if (++seen === 3) setTimeout(resolve, 0); };
        window.addEventListener('error', one);
        window.addEventListener('unhandledrejection', one);
        const extension = document.createElement('script');
        extension.src = url;
        const own = document.createElement('script');
        own.textContent = "setTimeout(() => { throw new Error('from another script'); }, 0);\n" +
          "Promise.reject(new Error('from another script'));\n";
        document.head.append(extension, own);
      }), `http://localhost:${elsewhere.address().port}/extension.js`);
      expect(await page.evaluate(() => window.vaskRunFrames(10).then(() => 'running', (e) => e.message)), 'running',
             'the game after the other scripts\' errors');
      // What the other scripts threw is theirs, not the game's: not a page error of the case.
      for (const line of log.filter((l) => /from another script|Script error/.test(l))) log.splice(log.indexOf(line), 1);
    } finally { await page.close(); server.close(); elsewhere.close(); fs.rmSync(dir, { recursive: true }); }
  },

  // However a game ends that it did not close itself (a lost context, a trap, an abort), all
  // the platform layer set going on the page goes with it: after ten starts and endings, the
  // garbage collected, at most the last game's program instance lives (its canvas stays on
  // the page, and this case keeps its abort import).
  async endingsLeaveNothing(browser) {
    const { page, server } = await openPage(browser, siteDir, '', async (p) => {
      await p.evaluateOnNewDocument(recordInstances);
      await p.evaluateOnNewDocument(trapInClear);
      await p.evaluateOnNewDocument(abortInClear);
    });
    const faults = Object.entries(FAULTS);
    try {
      for (let start = 0; start < 10; start++) {
        const [how, fault] = faults[start % faults.length];
        await startGame(page);
        await waitState(page, 'running');
        await openAudio(page, 2, `in start ${start + 1}`);
        await fault(page);
        await waitState(page, 'ended').catch((e) => { throw new Error(`start ${start + 1}, ${how}: ${e.message}`); });
      }
      await page.evaluate(async () => {
        for (let i = 0; i < 3; i++) {
          await new Promise((resolve) => setTimeout(resolve, 0));
          await window.gc({ type: 'major', execution: 'async' });
        }
      });
      const live = await page.evaluate(() => [window.vaskInstances.length, window.vaskInstances.filter((r) => r.deref()).length]);
      expect(live[0], 10, 'program instances made');
      if (live[1] > 1) throw new Error(`${live[1]} of the ten ended games' program instances live on`);
    } finally { await page.close(); server.close(); }
  },

  // On a phone of any size, either way up, at the title and in play, no control of the page
  // covers another (touch controls, Mute, Full screen), each inside the screen and off the
  // minimap and the scores; and the page has no overscroll, which on Chrome for Android
  // would pull the page down and reload the match.
  async touchControlsApart(browser) {
    const SIZES = [[320, 568], [360, 640], [375, 667], [390, 844], [412, 915], [430, 932]];
    const { page, server } = await openPage(browser, siteDir, '', (p) => touchScreen(p, 390, 844, 3));
    try {
      await tap(page, '#start');
      await waitState(page, 'running');
      for (const [mode, buttons] of [['title', TITLE_BUTTONS], ['play', PLAY_BUTTONS]]) {
        if (mode === 'play') await tap(page, '#touch-play');
        for (const [width, height] of SIZES.flatMap(([w, h]) => [[w, h], [h, w]])) {
          await touchScreen(page, width, height, 3);
          const what = `${mode}, ${width} by ${height}`;
          await checkTouchLayout(page, [...buttons, 'mute', 'full-screen'], what);
          const boxes = await shownControls(page, [...buttons, 'mute', 'full-screen', ...(mode === 'play' ? TITLE_BUTTONS : PLAY_BUTTONS)]);
          boxes.forEach(([a, al, at, ar, ab], i) => boxes.slice(i + 1).forEach(([b, bl, bt, br, bb]) => {
            if (Math.min(ar, br) - Math.max(al, bl) > 0.5 && Math.min(ab, bb) - Math.max(at, bt) > 0.5)
              throw new Error(`${what}: ${a} and ${b} overlap`);
          }));
        }
      }
      expect(await page.evaluate(() => [document.documentElement, document.body].map((e) => getComputedStyle(e).overscrollBehaviorY).join()),
             'none,none', 'the overscroll of the page and its body');
    } finally { await page.close(); server.close(); }
  },

  // Assistive technology on a touch screen: each touch button is named in words (no arrows,
  // no single letters), and a click alone (a screen reader's double tap, Voice Control)
  // presses it: Turn left turns rider 0, End ends the game.
  async touchByClickAlone(browser) {
    const { page, close } = await touchGame(browser, [390, 844], '#touch-play', [640, 800]);
    try {
      for (const id of PLAY_BUTTONS) {
        const { name } = await page.accessibility.snapshot({ root: await page.$(`#${id}`), interestingOnly: false });
        if (!/^[A-Za-z]{2,}( \(?[A-Za-z]{2,}\)?)*$/.test(name || '')) throw new Error(`${id} is called "${name}", not in words`);
      }
      await framesUntil(page, checkMinimap);
      let turned = false;
      for (let tries = 0; tries < 5 && !turned; tries++) {
        await page.$eval('#touch-turn-left', (b) => b.click());
        turned = await framesUntil(page, checkTurned, 120).then(() => true, () => false);
      }
      if (!turned) throw new Error('five clicks of Turn left never turned rider 0');
      await page.$eval('#touch-end', (b) => b.click());
      await endsWithin(page, 100, true, 'End clicked');
    } finally { await close(); }
  },

  // Sound never holds up the start. With the page's sound held by the system (resume()
  // never settles, as during a call on an iPhone), and with no Web Audio at all, the game
  // starts and the page says it plays silent. Where the browser offers an audio session
  // (Safari), the page asks for playback's, which an iPhone's silent switch does not mute.
  async silentStart(browser) {
    const held = () => {
      // Held as iOS holds it: resume() never settles, and the context never runs (this
      // browser would start it by itself, as no gesture is needed here).
      AudioContext.prototype.resume = () => new Promise(() => {});
      Object.defineProperty(BaseAudioContext.prototype, 'state', { configurable: true, get: () => 'interrupted' });
      Object.defineProperty(navigator, 'audioSession', { configurable: true, value: { type: 'auto' } });
    };
    const none = () => { delete window.AudioContext; delete window.webkitAudioContext; };
    for (const [how, stub, said] of [['held', held, 'plays silent until'], ['missing', none, 'no sound']]) {
      const { page, server } = await openPage(browser, siteDir, '', (p) => p.evaluateOnNewDocument(stub));
      try {
        await startGame(page);
        await waitState(page, 'running').catch((e) => { throw new Error(`sound ${how}: ${e.message}`); });
        const notice = await page.$eval('#notice', (e) => (e.hidden ? '' : e.textContent));
        if (!notice.includes(said)) throw new Error(`sound ${how}: the page says "${notice}"`);
        if (how === 'held') expect(await page.evaluate(() => navigator.audioSession.type), 'playback', 'the audio session');
      } finally { await page.close(); server.close(); }
    }
  },

  // Opened by another machine's name over plain http (a phone opening a desktop's
  // play.sh --web by its LAN address), the page is no secure context: it says once what it
  // goes without, and the game starts and plays.
  async plainHttpSaysSo(browser) {
    const { page, server } = await openPage(browser, siteDir, '', null, { host: LAN_HOST });
    const notice = () => page.$eval('#notice', (e) => (e.hidden ? '' : e.textContent));
    try {
      expect(await page.evaluate(() => window.isSecureContext), false, 'a secure context');
      if (!/plain http.*music, gamepads, screen wake lock or offline copy/.test(await notice()))
        throw new Error(`the page says "${await notice()}"`);
      await startGame(page);
      await waitState(page, 'running');
      await page.keyboard.press('ArrowUp');
      await page.waitForFunction(() => document.getElementById('notice').hidden, { timeout: 5000, polling: 50 })
        .catch(async () => { throw new Error(`still said in play: "${await notice()}"`); });
    } finally { await page.close(); server.close(); }
  },

  // The program's script did not load: Start asks the player to reload the page, and
  // reloads it; with the script there again the game then starts.
  async programMissingReload(browser) {
    const program = fs.readFileSync(path.join(siteDir, 'index.html'), 'utf8').match(/<script defer src="([^"]+)" data-wasm/)[1];
    const dir = siteVariant({ [program]: null });
    const { page, server } = await openPage(browser, dir);
    try {
      await startGame(page);
      await waitState(page, 'failed');
      const said = await page.$eval('#overlay-text', (e) => e.textContent);
      if (!/Reload the page/.test(said)) throw new Error(`the page says "${said}"`);
      expect(await page.$eval('#start', (b) => b.textContent), 'Reload', 'the button');
      fs.symlinkSync(path.join(siteDir, program), path.join(dir, program));
      await Promise.all([page.waitForNavigation(), startGame(page)]);
      await startGame(page);
      await waitState(page, 'running');
    } finally { await page.close(); server.close(); fs.rmSync(dir, { recursive: true }); }
  },

  // Opened as a file, the page says to serve its folder, and how, as the site's README does.
  async servedOnly(browser) {
    const page = await browser.newPage();
    try {
      await page.goto(require('url').pathToFileURL(path.join(siteDir, 'index.html')).href);
      await waitState(page, 'unserved');
      const text = await page.$eval('#overlay-text', (e) => e.textContent);
      const readme = fs.readFileSync(path.join(siteDir, 'README.txt'), 'utf8');
      for (const how of ['./play.sh --web', 'python3 -m http.server'])
        if (!text.includes(how) || !readme.includes(how)) throw new Error(`the page or README.txt does not say "${how}"`);
    } finally { await page.close(); }
  },

  // A slot placed to the right of the listener is louder on the right. A slot played once
  // from its start sounds for its whole tenth of a second and goes silent; played to its
  // end and rewound, it sounds as long again; placed in its middle, half as long. A looping
  // one plays on past its end; stopped, rewound and played again, it sounds again.
  // A page makes a room on a relay of its own and shows its link; a second page opened by
  // the link joins the same room. The room's record is offered at the end, and plays again
  // when dropped on the page.
  async friendsRoom(browser) {
    const relay = await startRelay();
    let first = null, second = null;
    try {
      first = await openPage(browser, siteDir, '', null, { query: `&relay=${encodeURIComponent(relay.url)}` });
      const { page } = first;
      await page.click('#friends');
      await waitState(page, 'running');
      const [, code] = await lineSaid(first.log, ROOM_LINE, 'the host in its room');
      expect((await lineSaid(first.log, /^room ([0-9A-Z]{8})$/, 'the room line'))[1], code, 'the code the game printed');
      await page.waitForSelector('#room-link:not([hidden])', { timeout: 30000 });
      const link = await page.$eval('#room-link', (a) => a.href);
      const url = new URL(link);
      expect(url.searchParams.get('room'), shownCode(code), 'the room in the link');
      expect(url.searchParams.get('relay'), relay.url, 'the relay in the link');
      expect(await page.$eval('#room-link', (a) => a.textContent), link, 'the link as shown');
      await titleShows(page, `ROOM ${shownCode(code)}`, "the host's title");
      await browser.overridePermissions(url.origin, ['clipboard-read', 'clipboard-sanitized-write']);
      await page.click('#copy-link');
      expect(await page.evaluate(() => navigator.clipboard.readText()), link, 'the link copied');

      second = await newPage(browser);
      second.server = null;
      await second.page.goto(link);
      expect(await second.page.$eval('#start', (e) => e.textContent), 'Join the room', 'the start of a page opened by the link');
      await second.page.click('#start');
      await waitState(second.page, 'running');
      const [, joined] = await lineSaid(second.log, ROOM_LINE, 'the friend in a room');
      expect(joined, code, 'the room the friend is in');
      await titleShows(second.page, `ROOM ${shownCode(code)}`, "the friend's title");
      await second.page.waitForSelector('#room-link:not([hidden])', { timeout: 30000 });
      expect(await second.page.$eval('#room-link', (a) => a.href), link, "the friend's link");

      // The host plays a little and ends its game: the record is the room's match.
      await page.bringToFront();
      await page.keyboard.press('KeyG');
      await page.waitForFunction(() => window.vaskCanvasMean() > 0, { timeout: 30000, polling: 100 });
      await page.keyboard.press('KeyQ');
      await waitState(page, 'ended');
      await page.waitForSelector('#download-record:not([hidden])', { timeout: 5000 });
      const record = await downloaded(page, '#download-record');
      expect(record.name, `vask-room-${shownCode(code)}.vaskrec`, 'the record\'s file name');
      expect(record.bytes.toString('latin1', 0, 8), 'VASKREC1', 'the start of the record');
      // Dropped on the page, it plays, with no box: a replay, which a steering key ends (a
      // game of one's own would leave its title with it, and go on).
      if (!(await dropFile(page, record.name, record.bytes))) throw new Error('the page did not take the dragged record');
      await waitState(page, 'running');
      await page.keyboard.press('ArrowLeft');
      await waitState(page, 'ended').catch(() => { throw new Error('the dropped record is no replay: a steering key did not end it'); });
      if (first.log.some((l) => l.includes('cannot be replayed'))) throw new Error('the room\'s own record was refused');
    } finally {
      for (const opened of [second, first]) if (opened) await opened.page.close();
      if (first) first.server.close();
      relay.stop();
    }
  },

  // Records that are no records, given to the page by dropping and by its button, are
  // refused with the game's own words; one too large is not read at all; one given while a
  // game runs waits for its end.
  async recordDropped(browser) {
    const { page, server } = await openPage(browser, siteDir);
    try {
      if (!(await dropFile(page, 'junk.bin', Buffer.from('These are not the bytes of a match.\n'))))
        throw new Error('the page did not take the dragged file');
      await boxEnds(page, 'records/junk.bin cannot be replayed: it is not a Vask Light Cycles match record', 'a foreign file');

      const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vask-record-'));
      try {
        const cut = path.join(dir, 'cut short.vaskrec');
        fs.writeFileSync(cut, Buffer.concat([Buffer.from('VASKREC1'), Buffer.from([1, 0, 7, 7, 7, 7])]));
        const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: 10000 }), page.click('#open-record')]);
        await chooser.accept([cut]);
        // The page reads the file after the choice: it stays until the game has had it.
        await boxEnds(page, 'records/cut short.vaskrec cannot be replayed: it is damaged: its match settings are cut short or impossible',
                      'a damaged record');
      } finally { fs.rmSync(dir, { recursive: true }); }

      const tooLarge = await page.evaluate(() => {
        const data = new DataTransfer();
        data.items.add(new File([new Uint8Array(64 * 1024 * 1024 + 1)], 'huge.vaskrec'));
        document.getElementById('stage').dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
        return new Promise((resolve) => setTimeout(() => resolve([document.body.dataset.state,
          document.getElementById('overlay-text').textContent]), 500));
      });
      expect(tooLarge.join(' | '), 'ended | huge.vaskrec is too large to be a match record.', 'a file too large');

      await startGame(page);
      await waitState(page, 'running');
      await dropFile(page, 'junk.bin', Buffer.from('no record'));
      await page.waitForFunction(() => /End the game first/.test(document.getElementById('notice').textContent),
                                 { timeout: 5000, polling: 50 }).catch(() => { throw new Error('a record given during a game: nothing said'); });
      expect(await state(page), 'running', 'the game a record was given during');
    } finally { await page.close(); server.close(); }
  },

  // A room on a wss:// relay (an https site's, behind its proxy) is asked for over TLS by
  // the browser; one nobody answers says so over the game instead of a room's link.
  async relayUnreachable(browser) {
    const { page, server } = await openPage(browser, siteDir, '', null,
                                            { query: `&relay=${encodeURIComponent('wss://127.0.0.1:1/relay')}` });
    try {
      await page.click('#friends');
      await waitState(page, 'running');
      await page.waitForFunction(() => document.getElementById('room-text').textContent === 'No room: could not reach the relay.',
                                 { timeout: 60000, polling: 100 })
        .catch(async () => { throw new Error(`the room's line says "${await page.$eval('#room', (e) => e.textContent)}"`); });
      expect(await page.$eval('#room-link', (a) => a.hidden), true, 'a link with no room');
      expect(await state(page), 'running', 'the game with no room');
    } finally { await page.close(); server.close(); }
  },

  // The link to a room opens from the offline copy too, as the page that joins it.
  async offlineRoomLink(browser) {
    const { page, server } = await openPage(browser, siteDir);
    try {
      await workerActivated(page);
      server.network = 'down';
      const link = new URL(page.url());
      link.searchParams.set('room', '7k2m 9qxd');
      link.searchParams.set('relay', 'ws://127.0.0.1:9');
      try {
        await page.goto(link.href);
      } catch (e) {
        throw new Error(`the room's link with no network: ${e.message}`);
      }
      expect(await page.$eval('#start', (e) => e.textContent), 'Join the room', 'the start of the room\'s link, offline');
      expect(await page.$eval('#overlay-text', (e) => e.textContent),
             "A friend's room, 7K2M-9QXD: the button joins it. It plays with sound.", 'what the page says of the room');
    } finally { await page.close(); server.close(); }
  },

  async soundDevice(browser) {
    if (!pagesDir) throw new Error('--pages names no folder');
    const { page, server } = await openPage(browser, pagesDir, 'sound_device_page.html');
    const step = async (name) => {
      await page.waitForFunction((n) => window.soundStep === n, { timeout: 20000, polling: 50 }, name)
        .catch(async () => { throw new Error(`the page stayed at step ${await page.evaluate(() => window.soundStep)}, never ${name}`); });
    };
    const next = () => page.evaluate(() => window.soundNext());
    try {
      await page.evaluate(() => { window.startSoundChecks(); });
      await step('right');
      await waitLevel(page, 'effects', 'above', 'the placed slot');
      const [left, right] = await page.evaluate(() => [window.vaskLevel('effects', 'left'),
                                                       window.vaskLevel('effects', 'right')]);
      if (!(right > 2 * left)) throw new Error(`right ${right} not above twice left ${left}`);
      await next();
      await step('stopped');
      await markAudio(page);
      await heard(page, 0, 0.2, 'the stopped slot');
      for (const [name, seconds, what] of [['once', TONE, 'the slot stopped in its middle, rewound and played once'],
                                           ['again', TONE, 'the slot played to its end, rewound and played again'],
                                           ['half', TONE / 2, 'the slot played to its end, placed in its middle and played']]) {
        await markAudio(page);
        await next();
        await step(name);
        const { loud } = await heard(page, seconds - TONE_SLACK, 0.2, what);
        if (loud > seconds + TONE_SLACK) throw new Error(`${what}: sounded for ${loud} s, not ${seconds} s`);
      }
      await markAudio(page);
      await next();
      await step('looping');
      await heard(page, 0.3, 0, 'the looping slot past its end');
      await next();
      await step('loop');
      await markAudio(page);
      await heard(page, 0.3, 0, 'the looping slot stopped, rewound and played again');
      await next();
      await page.waitForFunction(() => window.soundChecks && window.soundChecks.done, { timeout: 20000, polling: 50 });
      const checks = await page.evaluate(() => window.soundChecks);
      for (const name of ['created', 'tone', 'looping', 'stopped', 'placed', 'rewound', 'once', 'rewoundAtEnd', 'again',
                          'placedAtEnd', 'half', 'stoppedAtEnd', 'stoppedRewound', 'loopAgain', 'loopStopped',
                          'loopRewound', 'loopPlays'])
        expect(checks[name], 1, `sound check ${name}`);
    } finally { await page.close(); server.close(); }
  },
};

function expect(actual, wanted, what) {
  if (actual !== wanted) throw new Error(`${what}: got ${JSON.stringify(actual)}, wanted ${JSON.stringify(wanted)}`);
}

// Node's exit status is the verdict: 0 only when every case asked for ran and held. Anything
// that escapes a case (a rejection nobody awaited, a throw in a callback) fails the run.
function failRun(what, e) {
  console.log(`FAIL ${what}: ${e && e.stack ? e.stack : e}`);
  process.exit(1);
}
process.on('unhandledRejection', (e) => failRun('unhandled rejection', e));
process.on('uncaughtException', (e) => failRun('uncaught exception', e));

// A case that has not ended after this long has hung; CTest's own limit is above it so
// that the case's page logs are still printed.
const CASE_LIMIT_MS = 100000;
function withinLimit(running) {
  let timer;
  const limit = new Promise((resolve, reject) => {
    timer = setTimeout(() => reject(new Error(`still running after ${CASE_LIMIT_MS / 1000} s`)), CASE_LIMIT_MS);
  });
  return Promise.race([running, limit]).finally(() => clearTimeout(timer));
}

(async () => {
  const unknown = only.filter((name) => !(name in CASES));
  if (unknown.length) throw new Error(`no such case: ${unknown.join(', ')}`);
  const chosen = Object.keys(CASES).filter((name) => (only.length ? only.includes(name) : name !== 'soundDevice' || pagesDir));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    // gc() for the checks of what the page keeps; another machine's name for the page's.
    args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--autoplay-policy=no-user-gesture-required',
           '--js-flags=--expose-gc', `--host-resolver-rules=MAP ${LAN_HOST} 127.0.0.1`],
  });
  let failed = 0;
  try {
    for (const name of chosen) {
      caseLogs = [];
      // Each case in a browser context of its own, as if in a browser of its own: its pages,
      // storage and service workers end with it, and the next case starts from nothing.
      const context = await browser.createBrowserContext();
      const began = Date.now();
      try {
        await withinLimit(CASES[name](context));
        // The game runs on inside its page: an error thrown out of it would have stopped it.
        for (const log of caseLogs) {
          const error = log.find((line) => line.startsWith('page error: '));
          if (error) throw new Error(error);
        }
        console.log(`PASS ${name} (${((Date.now() - began) / 1000).toFixed(1)} s)`);
      } catch (e) {
        failed++;
        console.log(`FAIL ${name}: ${e.message}`);
        caseLogs.forEach((log, k) => {
          for (const line of log.slice(-30)) console.log(`  page ${k + 1}: ${line}`);
        });
      } finally {
        await context.close().catch(() => {});
      }
    }
  } finally { await browser.close(); }
  process.exit(failed ? 1 : 0);
})().catch((e) => failRun('the run', e));
