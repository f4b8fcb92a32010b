// What a frame costs the browser at two page sizes, as a ratio measured in one run: the
// processor time of Chromium's renderer process (the game, the page, and the picture's way to
// the GPU) over a fixed number of game frames, the sizes taken in turns so that the machine's
// other load falls on both alike. The GPU process is shown beside it: headless it is SwiftShader,
// which scales on the processor what a real GPU scales. Run by hand after scripts/web-build.sh:
//   CORVINA_NODE_MODULES=build-web/work/node/node_modules node bench/web/renderer-cpu.mjs [ROUNDS] [FRAMES]
import {launch, openPage, serve, untilFrame} from '../../tests/web/page.mjs';

const rounds = Number(process.argv[2] || 7);
const framesPerRound = Number(process.argv[3] || 90);
const sizes = [[640, 480], [1920, 1080]];

const server = await serve();
const browser = await launch('chromium', {gpu: process.env.CORVINA_BENCH_GPU !== "0"});
const session = await browser.target().createCDPSession();
// Seconds of processor time so far, by the kind of process.
async function cpu() {
  const {processInfo} = await session.send('SystemInfo.getProcessInfo');
  const sum = {renderer: 0, gpu: 0};
  for (const p of processInfo) {
    if (p.type === 'renderer') sum.renderer += p.cpuTime;
    if (p.type === 'GPU') sum.gpu += p.cpuTime;
  }
  return sum;
}

// Animation frames asked for at a pace both sizes keep (a software GPU does not keep 60 a second
// at the larger), so that what the renderer spends each second whatever it draws weighs the same
// on both.
const pace = Number(process.env.CORVINA_BENCH_FPS || 5);
const page = await openPage(browser, `${server.url}/`, {
  width: sizes[0][0], height: sizes[0][1],
  prepare: page => page.evaluateOnNewDocument(fps => {
    const request = window.requestAnimationFrame.bind(window);
    let next = 0;
    window.requestAnimationFrame = callback => {
      const now = performance.now();
      next = Math.max(next + 1000 / fps, now);
      setTimeout(() => request(callback), next - now);
    };
  }, pace),
});
const frames = () => page.evaluate(() => Module._corvina_frames());
await untilFrame(page, 30);
const samples = sizes.map(() => ({renderer: [], gpu: [], fps: []}));
for (let round = 0; round < rounds; ++round) {
  // Person 1 walks to and fro, so that rows change every frame.
  const key = round % 2 ? 'ArrowLeft' : 'ArrowRight';
  await page.keyboard.down(key);
  for (const i of round % 2 ? [1, 0] : [0, 1]) {
    await page.setViewport({width: sizes[i][0], height: sizes[i][1], deviceScaleFactor: 1});
    await untilFrame(page, (await frames()) + 10);
    const before = await cpu(), first = await frames(), start = performance.now();
    await untilFrame(page, first + framesPerRound);
    const after = await cpu(), count = (await frames()) - first;
    samples[i].fps.push(count * 1000 / (performance.now() - start));
    samples[i].renderer.push((after.renderer - before.renderer) * 1000 / count);
    samples[i].gpu.push((after.gpu - before.gpu) * 1000 / count);
  }
  await page.keyboard.up(key);
}

const median = values => {
  const v = [...values].sort((a, b) => a - b), m = v.length >> 1;
  return v.length % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
};
const range = values => `${Math.min(...values).toFixed(2)}..${Math.max(...values).toFixed(2)}`;
console.log(`${rounds} rounds of ${framesPerRound} frames at each size, ms of processor time a frame: median (min..max)`);
for (const [i, [width, height]] of sizes.entries()) {
  const s = samples[i];
  console.log(`${width} x ${height}: renderer ${median(s.renderer).toFixed(2)} (${range(s.renderer)}), ` +
              `GPU process ${median(s.gpu).toFixed(2)} (${range(s.gpu)}); ${median(s.fps).toFixed(1)} frames a second`);
}
// The ratio of each round's pair, so that a busy moment of the machine falls on both sides.
const ratios = kind => samples[1][kind].map((v, r) => v / samples[0][kind][r]);
for (const kind of ['renderer', 'gpu']) {
  const r = ratios(kind);
  console.log(`${kind === 'gpu' ? 'GPU process' : 'renderer'} ${sizes[1].join(' x ')} / ${sizes[0].join(' x ')}: ` +
              `median ${median(r).toFixed(2)} (${range(r)})`);
}
await browser.close();
server.close();
