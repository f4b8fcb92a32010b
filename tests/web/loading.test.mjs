// The page while it loads and when it cannot go on: a bar with the bytes loaded of the bytes
// expected, and a panel that says what went wrong, with a Reload button, for a file of the page
// that cannot be downloaded, a crash inside the game and a browser without WebAssembly.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {test} from 'node:test';

import {frames, openPage, pageDir, screenshot, untilFrame, useBrowser} from './page.mjs';

const env = useBrowser();

async function failure(page) {
  await page.waitForSelector('#failure:not([hidden])', {timeout: 20000});
  return page.$eval('#failure', e => e.textContent);
}

test('loading shows the bytes loaded of the bytes expected', async t => {
  const expected = ['corvina.js', 'corvina.wasm', 'corvina.data'].reduce((sum, f) => sum + fs.statSync(path.join(pageDir, f)).size, 0);
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

for (const file of ['corvina.js', 'corvina.wasm', 'corvina.data']) {
  test(`a ${file} that cannot be downloaded is said so, with a way to try again`, async () => {
    const page = await openPage(env.browser, `${env.server.url}/`, {prepare: async p => {
      await p.setRequestInterception(true);
      p.on('request', r => (r.url().endsWith(`/${file}`) ? r.respond({status: 404, body: ''}) : r.continue()));
    }});
    const text = await failure(page);
    assert.match(text, new RegExp(`${file.replace('.', '\\.')} could not be downloaded \\(404`));
    await screenshot(page, `failed-${file}`);
    await Promise.all([page.waitForNavigation(), page.click('#failure button')]);
    await page.close();
  });
}

test('a crash inside the game stops it with the reason', async () => {
  const page = await openPage(env.browser, `${env.server.url}/`);
  await untilFrame(page, 10);
  // A fault in the middle of a frame, as a stray pointer in the game's memory raises it.
  await page.evaluate(() => {
    CanvasRenderingContext2D.prototype.putImageData = () => {
      throw new WebAssembly.RuntimeError('memory access out of bounds');
    };
  });
  const text = await failure(page);
  assert.match(text, /the game stopped: .*memory access out of bounds/);
  const stopped = await frames(page);
  await new Promise(resolve => setTimeout(resolve, 300));
  assert.equal(await frames(page), stopped, 'no frames after the crash');
  await screenshot(page, 'crashed');
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
