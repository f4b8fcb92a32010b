// How long a player on a slow link waits for the first frame, and whether the loading bar moves
// meanwhile: the page as scripts/web-serve.sh serves it (compressed), loaded in Chromium over a
// link throttled to 1.6 Mbit/s with 40 ms of latency and no cache. Run by hand after
// scripts/web-build.sh:
//   CORVINA_NODE_MODULES=build-web/work/node/node_modules node bench/web/first-frame.mjs [RUNS]
import {launch, openPage, webServe} from '../../tests/web/page.mjs';

const runs = Number(process.argv[2] || 3);
const bitsPerSecond = 1.6e6;

const served = await webServe();
const browser = await launch('chromium');
const results = [];
for (let run = 0; run < runs; ++run) {
  const page = await openPage(browser, 'about:blank');
  const cdp = await page.target().createCDPSession();
  await cdp.send('Network.enable');
  await cdp.send('Network.setCacheDisabled', {cacheDisabled: true});
  await cdp.send('Network.emulateNetworkConditions', {
    offline: false, latency: 40, downloadThroughput: bitsPerSecond / 8, uploadThroughput: bitsPerSecond / 8,
  });
  const start = performance.now();
  await page.goto(`${served.url}/`, {waitUntil: 'domcontentloaded'});
  const bar = [];
  for (;;) {
    const state = await page.evaluate(() => ({
      frames: (window.Module && Module.calledRun && Module._corvina_frames) ? Module._corvina_frames() : 0,
      value: document.getElementById('progress').value,
      max: document.getElementById('progress').max,
    }));
    if (state.frames > 0) break;
    bar.push(state.max ? state.value / state.max : 0);
    await new Promise(resolve => setTimeout(resolve, 250));
  }
  const seconds = (performance.now() - start) / 1000;
  const steps = new Set(bar.filter(f => f > 0 && f < 1).map(f => f.toFixed(2))).size;
  results.push(seconds);
  console.log(`run ${run + 1}: first frame after ${seconds.toFixed(1)} s; the bar showed ${steps} values between empty and full`);
  await page.close();
}
results.sort((a, b) => a - b);
console.log(`first frame at 1.6 Mbit/s: median ${results[results.length >> 1].toFixed(1)} s (${results[0].toFixed(1)}-${results[results.length - 1].toFixed(1)})`);
await browser.close();
served.stop();
