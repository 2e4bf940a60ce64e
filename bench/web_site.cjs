// What the browser benches share: the site served from a local port as a static host would
// serve it, and headless Chromium with software WebGL and sound allowed without a click.
'use strict';
const fs = require('fs');
const path = require('path');
const http = require('http');

const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
                '.wasm': 'application/wasm', '.json': 'application/json' };

// Serves the folder `site` on 127.0.0.1; `onFile` hears of every file sent.
async function serveSite(site, onFile = () => {}) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/^\/+/, '') || 'index.html';
    const file = path.join(site, path.normalize(name));
    if (!file.startsWith(site) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404);
      response.end();
      return;
    }
    onFile(file);
    response.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).on('error', () => response.destroy()).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return server;
}

// Headless Chromium composites in software by default: each frame it reads the WebGL canvas
// back on the page's main thread. With `gpuCompositing` its GPU process (ANGLE on
// SwiftShader) composites the canvas, as a browser on a machine with a GPU does.
function launchChromium(npmDir, { gpuCompositing = false } = {}) {
  const puppeteer = require(path.join(path.resolve(npmDir), 'node_modules', 'puppeteer-core'));
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--autoplay-policy=no-user-gesture-required',
           ...(gpuCompositing ? ['--use-angle=swiftshader'] : [])],
  });
}

// How the running browser composites, as its GPU page reports it: "enabled" (on the GPU
// process) or "disabled_software" (the software compositor's read-back), and its WebGL renderer.
async function compositingMode(browser) {
  const session = await browser.target().createCDPSession();
  const { gpu } = await session.send('SystemInfo.getInfo');
  await session.detach();
  return { gpuCompositing: gpu.featureStatus.gpu_compositing,
           renderer: (gpu.devices[0] && gpu.devices[0].deviceString) || '' };
}

module.exports = { serveSite, launchChromium, compositingMode };
