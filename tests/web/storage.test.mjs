// The page keeps the player's map in the browser's storage: an edit saved with F2 is the map the
// page plays on when it is opened again.
import assert from 'node:assert/strict';
import {test} from 'node:test';

import {frames, openPage, untilFrame, useBrowser} from './page.mjs';

const env = useBrowser();
const terrain = page => page.evaluate(() => Module._corvina_terrain() >>> 0);

// Holds a key for a few frames, so the game sees it whatever the browser's timing.
async function press(page, key) {
  await page.keyboard.down(key);
  await untilFrame(page, (await frames(page)) + 3);
  await page.keyboard.up(key);
  await untilFrame(page, (await frames(page)) + 3);
}

test('a map saved with F2 is played on when the page is opened again', async () => {
  const page = await openPage(env.browser, `${env.server.url}/`);
  // Past the slow first frames; the pointer over the middle of the map.
  await untilFrame(page, 60);
  await page.mouse.move(320, 240);
  await untilFrame(page, 65);
  const shipped = await terrain(page);
  // A number key paints the cell under the pointer; one of two kinds differs from the cell's own.
  let edited = shipped;
  for (const key of ['Digit3', 'Digit5']) {
    if (edited === shipped) await press(page, key);
    edited = await terrain(page);
  }
  assert.notEqual(edited, shipped, 'the keys painted a cell');
  await press(page, 'F2');
  // The storage is written back after the save; give it a moment, then open the page anew.
  await new Promise(resolve => setTimeout(resolve, 1000));
  await page.reload();
  await untilFrame(page, 10);
  assert.equal(await terrain(page), edited);
  assert.deepEqual(page.errors, []);
  await page.close();
});
