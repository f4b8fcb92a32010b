// What the browser tests share: the page and the golden scripts served on 127.0.0.1, Debian's
// Chromium or Firefox ESR started headless with a fresh profile, the scenes read as the headless
// runner does, and the page's hooks (its frame count and trace).
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import {createRequire} from 'node:module';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import {after, before} from 'node:test';

export const sourceDir = path.resolve(import.meta.dirname, '../..');
export const pageDir = path.resolve(process.env.CORVINA_WEB_DIR || path.join(sourceDir, 'build-web'));
export const goldenDir = path.join(sourceDir, 'tests/golden');
export const shotDir = path.join(pageDir, 'work/test-shots');
// puppeteer-core as run.sh installed it, beside the page rather than in the source tree.
const nodeModules = path.resolve(process.env.CORVINA_NODE_MODULES || path.join(pageDir, 'work/node/node_modules'));
const puppeteer = createRequire(path.join(nodeModules, 'index.js'))('puppeteer-core');

const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
               '.ttf': 'font/ttf', '.png': 'image/png', '.txt': 'text/plain'};

// Texts a test serves at /fixture/NAME (a script, a recording), set before the page asks.
export const fixtures = new Map();

// A script's events moved `by` frames later.
function shifted(text, by) {
  return text.replace(/^(\s*)(\d+)/gm, (match, space, frame) => space + (Number(frame) + by));
}

// The page at /, the golden scenes at /golden/ (with ?shift=N, their events N frames later),
// the tests' own texts at /fixture/.
export async function serve() {
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://127.0.0.1');
    const name = decodeURIComponent(url.pathname);
    if (name.startsWith('/fixture/')) {
      const text = fixtures.get(name.slice('/fixture/'.length));
      if (text === undefined) response.writeHead(404).end();
      else response.writeHead(200, {'Content-Type': 'text/plain'}).end(text);
      return;
    }
    const file = name.startsWith('/golden/') ? path.join(goldenDir, path.basename(name))
                                              : path.join(pageDir, path.normalize(name === '/' ? '/index.html' : name));
    fs.readFile(file, (error, bytes) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      const shift = Number(url.searchParams.get('shift') || 0);
      if (shift) bytes = shifted(bytes.toString('utf8'), shift);
      response.writeHead(200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream',
                               'Content-Length': bytes.length});
      if (!served.bytesPerSecond) return response.end(bytes);
      // A slow network: a tenth of a second's bytes at a time.
      const piece = Math.max(1, Math.round(served.bytesPerSecond / 10));
      const send = at => {
        if (at >= bytes.length || response.destroyed) return response.end();
        response.write(bytes.subarray(at, at + piece));
        setTimeout(send, 100, at + piece);
      };
      send(0);
    });
  });
  await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
  // served.bytesPerSecond slows every file down to that pace (0: as fast as it goes).
  const served = {url: `http://127.0.0.1:${server.address().port}`, close: () => server.close(), bytesPerSecond: 0};
  return served;
}

// The page as scripts/web-serve.sh serves it (compressed), on a free port, once it takes
// connections: {url, stop}.
export async function webServe() {
  const port = await new Promise(resolve => {
    const probe = net.createServer().listen(0, '127.0.0.1', () => {
      const {port} = probe.address();
      probe.close(() => resolve(port));
    });
  });
  const server = spawn(path.join(sourceDir, 'scripts/web-serve.sh'), [pageDir, String(port)], {stdio: ['ignore', 'ignore', 'inherit']});
  // The twins are made before the server listens.
  for (let connected = false; !connected;) {
    connected = await new Promise(resolve => {
      const socket = net.connect(port, '127.0.0.1', () => { socket.end(); resolve(true); });
      socket.on('error', () => setTimeout(resolve, 100, false));
    });
  }
  return {url: `http://127.0.0.1:${port}`, stop: () => server.kill()};
}

// Debian's Chromium, or (`name` 'firefox') Firefox ESR driven over WebDriver BiDi. `coarse`:
// Firefox's pointer is a finger (Chromium's follows a page's touch emulation, see openPage).
// `gpu`: Chromium composites on its GPU process (SwiftShader here) as it does on a machine with a
// GPU, rather than on the processor, which reads every WebGL picture back.
export async function launch(name = 'chromium', {coarse = false, gpu = false} = {}) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), `corvina-${name}-`));
  const browser = name === 'firefox' ? await puppeteer.launch({
    browser: 'firefox',
    executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
    headless: true,
    userDataDir: profile,
    // Headless, Firefox offers WebGL only when told to take Mesa's software GL through EGL (as
    // Chromium takes SwiftShader).
    env: {...process.env, MOZ_WEBGL_FORCE_EGL: '1'},
    extraPrefsFirefox: {'webgl.force-enabled': true,
                        ...(coarse ? {'ui.primaryPointerCapabilities': 1, 'ui.allPointerCapabilities': 1,
                                      'dom.w3c_touch_events.enabled': 1} : {})},
  }) : await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--headless', '--no-sandbox', ...(gpu ? ['--ignore-gpu-blocklist'] : ['--disable-gpu']),
           '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
]
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    fs.rmSync(profile, {recursive: true, force: true});
  };
  return browser;
}

// The server and the browser for a test file's tests: env.server, env.browser.
export function useBrowser(name = 'chromium', options = {}) {
  const env = {};
  before(async () => {
    env.server = await serve();
    env.browser = await launch(name, options);
  });
  after(async () => {
    await env.browser?.close();
    env.server?.close();
  });
  return env;
}

// A page of the picture's own size, so a back-buffer pixel is a page pixel. `prepare(page)`
// runs before the page is loaded (to break the browser's storage, say). The start panel is
// passed as soon as it shows, unless `play` is false. `touch`: a phone's screen, where the
// browser can emulate one.
export async function openPage(browser, url, {width = 640, height = 480, prepare, play = true, touch = false} = {}) {
  const page = await browser.newPage();
  await page.setViewport({width, height, deviceScaleFactor: 1, ...(touch ? {hasTouch: true, isMobile: true} : {})});
  const errors = [];
  page.on('pageerror', error => errors.push(error.message));
  page.errors = errors;
  if (play) {
    await page.evaluateOnNewDocument(() => {
      addEventListener('corvina-start', () => document.querySelector('#start .play').click());
    });
  }
  if (prepare) await prepare(page);
  await page.goto(url);
  await page.bringToFront();
  return page;
}

// Resolves as soon as the game's frame `frame` has ended (the page tells each frame's end).
export function untilFrame(page, frame) {
  return page.evaluate(f => new Promise(resolve => {
    const done = () => Module.calledRun && Module._corvina_frames() >= f;
    if (done()) return resolve();
    addEventListener('corvina-frame', function seen() {
      if (!done()) return;
      removeEventListener('corvina-frame', seen);
      resolve();
    });
  }), frame);
}

// A scene as the golden test reads it: "# frames: N", "# check: F ...", "# options: --high-res",
// and its events "FRAME COMMAND ARGS".
export function readScene(name) {
  const scene = {name, frames: 0, checks: [], highRes: false, events: []};
  for (const line of fs.readFileSync(path.join(goldenDir, `${name}.txt`), 'utf8').split('\n')) {
    const words = line.replace(/#.*/, '').trim().split(/\s+/).filter(Boolean);
    const header = line.match(/^#\s*(frames|check|options):(.*)$/);
    if (header && header[1] === 'frames') scene.frames = parseInt(header[2], 10);
    if (header && header[1] === 'check') scene.checks = header[2].trim().split(/\s+/).map(Number);
    if (header && header[1] === 'options') scene.highRes = header[2].includes('--high-res');
    if (words.length >= 2) scene.events.push({frame: parseInt(words[0], 10), command: words[1], args: words.slice(2)});
  }
  return scene;
}

export function sceneNames() {
  return fs.readdirSync(goldenDir).filter(f => f.endsWith('.txt')).map(f => f.slice(0, -4)).sort();
}

export function goldenCrcs(name) {
  const crcs = new Map();
  for (const line of fs.readFileSync(path.join(goldenDir, `${name}.crc`), 'utf8').split('\n')) {
    const [frame, crc] = line.trim().split(/\s+/);
    if (frame) crcs.set(Number(frame), crc);
  }
  return crcs;
}

// The page's hooks: frames run, and the world as a trace line (parsed).
export const frames = page => page.evaluate(() => Module.calledRun ? Module._corvina_frames() : 0);
// The notice over the picture while it is shown ("saved: ..."), else empty.
export const notice = page => page.evaluate(() => Module.ccall('corvina_notice', 'string', [], []));
// A checksum of the map as the game holds it: it changes with any edit.
export const terrain = page => page.evaluate(() => Module._corvina_terrain() >>> 0);

// Holds a key for a few frames, so the game sees it whatever the browser's timing.
export async function press(page, key) {
  await page.keyboard.down(key);
  await untilFrame(page, (await frames(page)) + 3);
  await page.keyboard.up(key);
  await untilFrame(page, (await frames(page)) + 3);
}

export async function trace(page) {
  const line = await page.evaluate(() => Module.ccall('corvina_trace', 'string', [], []));
  return line ? JSON.parse(line) : null;
}

// The replay of a golden scene (its events `shift` frames later): waits for the title, answers
// it with every frame's CRC and the last frame's trace.
export async function replay(browser, url, name, frameCount, shift = 0) {
  const scene = readScene(name);
  const script = encodeURIComponent(`golden/${name}.txt${shift ? `?shift=${shift}` : ''}`);
  const page = await openPage(browser, `${url}/?replay=${script}&frames=${frameCount}`,
                              scene.highRes ? {width: 800, height: 600} : {});
  await page.waitForFunction(() => document.title.startsWith('corvina '), {timeout: 120000});
  const title = await page.title();
  const crcs = (await page.evaluate(() => Module.ccall('corvina_crcs', 'string', [], []))).split(' ');
  const last = await trace(page);
  return {page, title, crcs, last};
}

export async function screenshot(page, name) {
  fs.mkdirSync(shotDir, {recursive: true});
  const file = path.join(shotDir, `${name}.png`);
  await page.screenshot({path: file});
  return file;
}
