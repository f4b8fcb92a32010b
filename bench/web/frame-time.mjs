// The page's frame time in Debian's headless Chromium: the mean processor time of a game
// frame (the frame, its picture scaled onto the canvas, the present) over ten seconds of play
// with person 1 walking, on pages of a few sizes. Run by hand after scripts/web-build.sh:
//   CORVINA_NODE_MODULES=build-web/work/node/node_modules node bench/web/frame-time.mjs
import {launch, openPage, serve, untilFrame} from '../../tests/web/page.mjs';

const server = await serve();
const browser = await launch();
for (const [width, height] of [[640, 480], [1280, 960], [1920, 1080]]) {
  const page = await openPage(browser, `${server.url}/`, {width, height});
  await untilFrame(page, 30);
  await page.keyboard.down('ArrowRight');
  await new Promise(resolve => setTimeout(resolve, 10000));
  await page.keyboard.up('ArrowRight');
  const [ms, frames] = await page.evaluate(() => [Module._corvina_frame_ms(), Module._corvina_frames()]);
  console.log(`${width} x ${height}: ${ms.toFixed(2)} ms a frame over ${frames} frames`);
  await page.close();
}
await browser.close();
server.close();
