// The picture on the page, in Chromium and in Firefox: a frame hands the browser no more than
// its own pixels at any page size and reads the page's layout only after a resize, a page
// resized while the game is held shows the held frame refitted by the sharp rule, a held frame
// and a finished replay's last come back with a lost GPU context, and at 1:1 the canvas is the
// game's frame pixel for pixel, with WebGL and without it.
import assert from 'node:assert/strict';
import zlib from 'node:zlib';
import {describe, test} from 'node:test';

import {frames, goldenCrcs, openPage, readScene, untilFrame, useBrowser} from './page.mjs';

// The page's screenshot as RGBA: {width, height, data}. (Puppeteer writes 8-bit, non-interlaced PNG.)
async function pixels(page) {
  const png = Buffer.from(await page.screenshot({encoding: 'base64'}), 'base64');
  let at = 8, width = 0, height = 0, channels = 4;
  const parts = [];
  while (at < png.length) {
    const size = png.readUInt32BE(at), kind = png.toString('latin1', at + 4, at + 8), body = png.subarray(at + 8, at + 8 + size);
    if (kind === 'IHDR') [width, height, channels] = [body.readUInt32BE(0), body.readUInt32BE(4), body[9] === 2 ? 3 : 4];
    if (kind === 'IDAT') parts.push(body);
    at += size + 12;
  }
  const raw = zlib.inflateSync(Buffer.concat(parts)), stride = width * channels;
  const data = new Uint8Array(width * height * 4), line = new Uint8Array(stride), last = new Uint8Array(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)], row = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; ++i) {
      const a = i >= channels ? line[i - channels] : 0, b = last[i], c = i >= channels ? last[i - channels] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const guess = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      line[i] = row[i] + guess;
    }
    for (let x = 0; x < width; ++x) {
      for (let k = 0; k < 3; ++k) data[(y * width + x) * 4 + k] = line[x * channels + k];
      data[(y * width + x) * 4 + 3] = 255;
    }
    last.set(line);
  }
  return {width, height, data};
}

// The sharp rule from its definition: the picture enlarged k times by nearest neighbour (k the
// least whole factor that reaches the box), sampled linearly at each box pixel's centre.
function sharpScaled(source, box) {
  const k = Math.max(Math.ceil(box.width / source.width), Math.ceil(box.height / source.height), 1);
  const taps = (src, dest) => Array.from({length: dest}, (_, i) => {
    const u = Math.min(Math.max((i + 0.5) * src * k / dest - 0.5, 0), src * k - 1), i0 = Math.floor(u);
    const a = Math.floor(i0 / k), b = Math.floor(Math.min(i0 + 1, src * k - 1) / k);
    return {a, b, w: a === b ? 0 : u - i0};
  });
  const cols = taps(source.width, box.width), rows = taps(source.height, box.height);
  const out = new Float32Array(box.width * box.height * 3);
  for (let y = 0; y < box.height; ++y) {
    for (let x = 0; x < box.width; ++x) {
      const c = cols[x], r = rows[y];
      for (let ch = 0; ch < 3; ++ch) {
        const at = (px, py) => source.data[(py * source.width + px) * 4 + ch];
        const top = at(c.a, r.a) * (1 - c.w) + at(c.b, r.a) * c.w, bottom = at(c.a, r.b) * (1 - c.w) + at(c.b, r.b) * c.w;
        out[(y * box.width + x) * 3 + ch] = top * (1 - r.w) + bottom * r.w;
      }
    }
  }
  return out;
}

// The canvas's 8-bit colours taken back to the frame's 5-6-5 pixels, and their CRC as the
// headless runner computes a frame's.
function frameCrc(shot) {
  const words = Buffer.alloc(shot.width * shot.height * 2);
  for (let i = 0; i < shot.width * shot.height; ++i) {
    const [r, g, b] = shot.data.subarray(i * 4, i * 4 + 3);
    words.writeUInt16LE(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3), i * 2);
  }
  return (zlib.crc32(words) >>> 0).toString(16).padStart(8, '0');
}

// Counts the bytes of pixels the page hands the browser's canvas (2D or WebGL) in window.handed.
function countHanded(page) {
  return page.evaluateOnNewDocument(() => {
    window.handed = 0;
    const count = (proto, name, bytes) => {
      const original = proto?.[name];
      if (original) proto[name] = function(...args) { window.handed += bytes(args); return original.apply(this, args); };
    };
    count(window.CanvasRenderingContext2D?.prototype, 'putImageData', args => args[0].data.byteLength);
    const texels = args => (args.length >= 9 ? args[4] * args[5] : 0) * 2;
    count(window.WebGL2RenderingContext?.prototype, 'texSubImage2D', texels);
  });
}

// Counts the reads of the canvas's size (each one a layout, when anything moved) in window.layoutReads.
function countLayoutReads(page) {
  return page.evaluateOnNewDocument(() => {
    window.layoutReads = 0;
    for (const name of ['clientWidth', 'clientHeight']) {
      const read = Object.getOwnPropertyDescriptor(Element.prototype, name).get;
      Object.defineProperty(Element.prototype, name, {
        configurable: true,
        get() {
          if (this.id === 'canvas') window.layoutReads++;
          return read.call(this);
        },
      });
    }
  });
}

// Only the canvas: the page's buttons over it hidden.
const canvasOnly = page => page.evaluateOnNewDocument(() => {
  addEventListener('DOMContentLoaded', () => {
    document.head.appendChild(document.createElement('style')).textContent = '#tools { display: none !important; }';
  });
});

// The browser takes the canvas's WebGL context away and gives it back, empty; then a moment
// for the page to draw.
async function loseContext(page) {
  await page.evaluate(() => new Promise(resolve => {
    const canvas = Module.canvas, lose = canvas.getContext('webgl2').getExtension('WEBGL_lose_context');
    canvas.addEventListener('webglcontextlost', () => setTimeout(() => lose.restoreContext(), 100), {once: true});
    canvas.addEventListener('webglcontextrestored', resolve, {once: true});
    lose.loseContext();
  }));
  await new Promise(resolve => setTimeout(resolve, 500));
}

const noWebGl = page => page.evaluateOnNewDocument(() => {
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function(kind, ...rest) {
    return kind === 'webgl2' || kind === 'webgl' ? null : getContext.call(this, kind, ...rest);
  };
});

for (const browserName of ['chromium', 'firefox']) {
  describe(browserName, () => {
    const env = useBrowser(browserName);

    test('a frame hands the browser no more than its own pixels, and reads the page\'s size only after a resize', async () => {
      const page = await openPage(env.browser, env.server.url, {prepare: async p => { await countHanded(p); await countLayoutReads(p); }});
      await untilFrame(page, 20);
      await page.keyboard.down('ArrowRight');
      const frameBytes = 640 * 480 * 2;
      for (const [width, height] of [[640, 480], [1920, 1080], [1000, 1000]]) {
        await page.setViewport({width, height, deviceScaleFactor: 1});
        await untilFrame(page, (await frames(page)) + 3);
        const first = await frames(page), before = await page.evaluate(() => window.handed);
        const readsBefore = await page.evaluate(() => window.layoutReads);
        await untilFrame(page, first + 12);
        const count = (await frames(page)) - first, bytes = (await page.evaluate(() => window.handed)) - before;
        assert.equal(await page.evaluate(() => window.layoutReads), readsBefore, `${width} x ${height}: no layout read a frame`);
        assert.equal(await page.$eval('#canvas', c => c.width), width, 'the resize was followed');
        assert.ok(bytes > 0, `${width} x ${height}: the walk changes the picture`);
        // A turn may present twice (a held picture shown again), never the page-sized picture.
        assert.ok(bytes / count <= 1.5 * frameBytes, `${width} x ${height}: ${bytes / count} bytes a frame`);
      }
      await page.keyboard.up('ArrowRight');
      assert.deepEqual(page.errors, []);
      await page.close();
    });

    test('a page resized while the game is paused shows the held frame refitted sharp', async () => {
      const page = await openPage(env.browser, env.server.url, {prepare: canvasOnly});
      await untilFrame(page, 40);
      await page.keyboard.press('p');
      await new Promise(resolve => setTimeout(resolve, 500));
      const held = await pixels(page);
      const heldAt = await frames(page);
      // Wider than the picture: bars left and right.
      await page.setViewport({width: 1100, height: 700, deviceScaleFactor: 1});
      await new Promise(resolve => setTimeout(resolve, 500));
      const shot = await pixels(page);
      const box = {left: Math.floor((1100 - 933) / 2), width: 933, height: 700};
      const expected = sharpScaled(held, box);
      let worst = 0, bars = 0;
      for (let y = 0; y < shot.height; ++y) {
        for (let x = 0; x < shot.width; ++x) {
          const i = (y * shot.width + x) * 4, inside = x - box.left;
          for (let ch = 0; ch < 3; ++ch) {
            if (inside < 0 || inside >= box.width) bars = Math.max(bars, shot.data[i + ch]);
            else worst = Math.max(worst, Math.abs(shot.data[i + ch] - expected[(y * box.width + inside) * 3 + ch]));
          }
        }
      }
      assert.equal(bars, 0, 'the bars are black');
      // The GPU's own sub-pixel weights: a step or two from the exact mix.
      assert.ok(worst <= 2, `a channel differs by ${worst}`);
      assert.ok(await frames(page) <= heldAt + 1, 'the game stayed paused');
      assert.deepEqual(page.errors, []);
      await page.close();
    });

    test('a held picture is shown again when the GPU\'s lost context comes back', async () => {
      const page = await openPage(env.browser, env.server.url, {prepare: canvasOnly});
      await untilFrame(page, 40);
      await page.keyboard.press('p');
      await new Promise(resolve => setTimeout(resolve, 500));
      const held = frameCrc(await pixels(page));
      await loseContext(page);
      assert.equal(frameCrc(await pixels(page)), held, 'the paused picture, not an empty canvas');
      assert.deepEqual(page.errors, []);
      await page.close();
    });

    test('a finished replay\'s last picture is shown again when the GPU\'s lost context comes back', async () => {
      const last = Math.max(...readScene('jump').checks), crc = goldenCrcs('jump').get(last);
      const page = await openPage(env.browser, `${env.server.url}/?replay=golden/jump.txt&frames=${last}`, {prepare: canvasOnly});
      await page.waitForFunction(() => document.title.startsWith('corvina '), {timeout: 120000});
      await loseContext(page);
      assert.equal(frameCrc(await pixels(page)), crc, 'the last picture, not an empty canvas');
      assert.deepEqual(page.errors, []);
      await page.close();
    });

    for (const gpu of [true, false]) {
      test(`at 1:1 the canvas is the game's frame${gpu ? '' : ' (no WebGL: said once on the console)'}`, async () => {
        const scene = readScene('jump'), last = Math.max(...scene.checks);
        const warnings = [];
        const page = await openPage(env.browser, `${env.server.url}/?replay=golden/jump.txt&frames=${last}`, {
          prepare: async page => {
            page.on('console', message => { if (/WebGL/.test(message.text())) warnings.push(message.text()); });
            await canvasOnly(page);
            if (!gpu) await noWebGl(page);
          },
        });
        await page.waitForFunction(() => document.title.startsWith('corvina '), {timeout: 120000});
        const crc = goldenCrcs('jump').get(last);
        assert.equal(await page.title(), `corvina done ${last} ${crc}`);
        assert.equal(frameCrc(await pixels(page)), crc);
        assert.equal(warnings.length, gpu ? 0 : 1, warnings.join('\n'));
        await page.close();
      });
    }
  });
}
