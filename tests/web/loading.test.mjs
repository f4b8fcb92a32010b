// The page while it loads and when it cannot go on: a bar with the bytes loaded of the bytes
// expected, and a panel that says what went wrong, with a Reload button, for a file of the page
// that cannot be downloaded, a crash inside the game and a browser without WebAssembly.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {describe, test} from 'node:test';

import {frames, openPage, pageDir, screenshot, untilFrame, useBrowser, webServe} from './page.mjs';


async function failure(page) {
  await page.waitForSelector('#failure:not([hidden])', {timeout: 20000});
  return page.$eval('#failure', e => e.textContent);
}

for (const browserName of ['chromium', 'firefox']) {
  describe(browserName, () => {
    const env = useBrowser(browserName);

    test('loading shows the bytes loaded of the bytes expected', async t => {
      const expected = ['corvina.js', 'corvina.wasm', 'corvina-face.ttf'].reduce((sum, f) => sum + fs.statSync(path.join(pageDir, f)).size, 0);
      // Slow enough to see the bar move: about three seconds for the page.
      env.server.bytesPerSecond = expected / 3;
      t.after(() => { env.server.bytesPerSecond = 0; });
      const page = await openPage(env.browser, 'about:blank');
      await page.goto(`${env.server.url}/`, {waitUntil: 'domcontentloaded'});
      const seen = [];
      while (!(await page.evaluate(() => document.body.classList.contains('running')))) {
        seen.push(await page.$eval('#progress', e => ({value: e.value, max: e.max, text: e.parentElement.textContent})));
        await new Promise(resolve => setTimeout(resolve, 200));
      }
      const part = seen.find(s => s.value > 0 && s.value < s.max);
      assert.ok(part, `the bar moved: ${JSON.stringify(seen)}`);
      assert.equal(part.max, expected);
      assert.match(part.text, /\d+(\.\d)? of \d+(\.\d)? MiB/);
      assert.equal(await page.$eval('#loading', e => getComputedStyle(e).display), 'none');
      assert.deepEqual(page.errors, []);
      await page.close();
    });

    for (const file of ['corvina.js', 'corvina.wasm', 'corvina-face.ttf']) {
      test(`a ${file} that cannot be downloaded is said so, with a way to try again`, async () => {
        const page = await openPage(env.browser, `${env.server.url}/`, {prepare: async p => {
          await p.setRequestInterception(true);
          p.on('request', r => (r.url().endsWith(`/${file}`) ? r.respond({status: 404, body: ''}) : r.continue()));
        }});
        const text = await failure(page);
        assert.match(text, new RegExp(`${file.replace('.', '\\.')} could not be downloaded \\(404`));
        await screenshot(page, `${browserName}-failed-${file}`);
        await Promise.all([page.waitForNavigation(), page.click('#failure button')]);
        await page.close();
      });
    }

    test('a crash inside the game stops it with the reason', async () => {
      const page = await openPage(env.browser, `${env.server.url}/`);
      await untilFrame(page, 10);
      // A fault in the middle of a frame, as a stray pointer in the game's memory raises it.
      // (The picture's last call each frame, on the GPU or not.)
      await page.evaluate(() => {
        const fault = () => {
          throw new WebAssembly.RuntimeError('memory access out of bounds');
        };
        CanvasRenderingContext2D.prototype.putImageData = fault;
        WebGL2RenderingContext.prototype.drawArrays = fault;
      });
      const text = await failure(page);
      assert.match(text, /the game stopped: .*memory access out of bounds/);
      const stopped = await frames(page);
      await new Promise(resolve => setTimeout(resolve, 300));
      assert.equal(await frames(page), stopped, 'no frames after the crash');
      await screenshot(page, `${browserName}-crashed`);
      await Promise.all([page.waitForNavigation(), page.click('#failure button')]);
      await untilFrame(page, 10);
      await page.close();
    });

    test('a browser without WebAssembly is told so', async () => {
      const page = await openPage(env.browser, `${env.server.url}/`, {
        prepare: p => p.evaluateOnNewDocument(() => { delete window.WebAssembly; }),
      });
      assert.match(await failure(page), /WebAssembly/);
      await page.close();
    });

    // As scripts/web-serve.sh serves it, everything the game page loads comes compressed: at most
    // 1.5 MB over the wire and 3 MB once decoded, the one face among it, and the tab has its icon.
    // Chromium only: the bytes on the wire and decoded are counted over CDP's network events.
    if (browserName === 'chromium') test('the game page served by web-serve.sh is a small download', async t => {
      const served = await webServe();
      t.after(served.stop);
      const sizes = new Map();
      const page = await openPage(env.browser, 'about:blank');
      const network = await page.target().createCDPSession();
      await network.send('Network.enable');
      await network.send('Network.setCacheDisabled', {cacheDisabled: true});
      const urls = new Map();
      network.on('Network.responseReceived', e => urls.set(e.requestId, {url: e.response.url, coding: e.response.headers['content-encoding'] || e.response.headers['Content-Encoding']}));
      network.on('Network.dataReceived', e => { const s = sizes.get(e.requestId) || {wire: 0, decoded: 0}; s.decoded += e.dataLength; sizes.set(e.requestId, s); });
      network.on('Network.loadingFinished', e => { const s = sizes.get(e.requestId) || {wire: 0, decoded: 0}; s.wire = e.encodedDataLength; sizes.set(e.requestId, s); });
      await page.goto(`${served.url}/`);
      await untilFrame(page, 10);
      const files = [...sizes].map(([id, s]) => ({...urls.get(id), ...s})).filter(f => /^https?:/.test(f.url || ''));
      const wire = files.reduce((sum, f) => sum + f.wire, 0);
      const decoded = files.reduce((sum, f) => sum + f.decoded, 0);
      console.log(`the game page: ${wire} bytes over the wire, ${decoded} decoded: ${JSON.stringify(files)}`);
      assert.ok(wire <= 1.5e6, `${wire} bytes over the wire`);
      assert.ok(decoded <= 3e6, `${decoded} bytes decoded`);
      for (const name of ['corvina.js', 'corvina.wasm', 'corvina-face.ttf']) {
        assert.ok(files.some(f => f.url.endsWith(`/${name}`) && /^(br|gzip)$/.test(f.coding)), `${name} came compressed`);
      }
      const icon = await page.evaluate(() => fetch(document.querySelector('link[rel=icon]').href).then(r => [r.status, r.headers.get('Content-Type')]));
      assert.deepEqual(icon, [200, 'image/png']);
      await page.close();
    });
  });
}
