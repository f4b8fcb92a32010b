// A phone held upright (390 x 844, touch, no fine pointer), in Chromium and in Firefox: the page
// says the game wants a keyboard and a mouse, puts the picture across the width at the top, and
// the finger plays the mouse and the keypad: the pad walks, a drag selects, a tap and a long press
// order, all read by the game as it reads a mouse and keys.
import assert from 'node:assert/strict';
import {describe, test} from 'node:test';

import {frames, openPage, screenshot, trace, untilFrame, useBrowser} from './page.mjs';

const later = (page, count) => frames(page).then(now => untilFrame(page, now + count));
const pause = ms => new Promise(resolve => setTimeout(resolve, ms));

// A finger put on the page at (x, y): {move, end}. Firefox refuses puppeteer's touches (they
// give an altitude without an azimuth), so there the actions go to WebDriver BiDi as they are.
let fingers = 0;
async function finger(page, x, y) {
  const context = page.mainFrame().browsingContext;
  if (!context) return page.touchscreen.touchStart(x, y);
  const id = `finger-${++fingers}`;
  const act = actions => context.performActions([{type: 'pointer', id, parameters: {pointerType: 'touch'}, actions}]);
  const to = (x, y) => ({type: 'pointerMove', x: Math.round(x), y: Math.round(y)});
  await act([to(x, y), {type: 'pointerDown', button: 0}]);
  return {move: (x, y) => act([to(x, y)]), end: () => act([{type: 'pointerUp', button: 0}])};
}

// Polls the page's trace until `done(trace)` holds, or fails with `what`.
async function until(page, done, what) {
  const deadline = Date.now() + 10000;
  let last;
  while (Date.now() < deadline) {
    last = await trace(page);
    if (last && done(last)) return last;
    await pause(50);
  }
  assert.fail(`${what}; the last trace: ${JSON.stringify(last)}`);
}

for (const browserName of ['chromium', 'firefox']) {
  describe(browserName, () => {
    const env = useBrowser(browserName, {coarse: true});

    const phone = () => openPage(env.browser, env.server.url, {width: 390, height: 844, touch: true});
    const box = (page, id) => page.$eval(`#${id}`, element => {
      const r = element.getBoundingClientRect();
      return {hidden: element.hidden, left: r.left, top: r.top, width: r.width, height: r.height, bottom: r.bottom};
    }).catch(() => null);

    test('on a phone the page says it wants a keyboard and a mouse, the picture across the width above the pad', async () => {
      const page = await phone();
      await untilFrame(page, 20);
      const said = await page.$eval('#touch-notice', n => (n.hidden ? '' : n.textContent)).catch(() => '');
      assert.match(said, /keyboard and a mouse/);
      // The 4:3 picture across the width at the top; the words and the pad beneath it, on the page.
      const [canvas, notice, pad] = [await box(page, 'canvas'), await box(page, 'touch-notice'), await box(page, 'touch-pad')];
      assert.deepEqual([canvas.left, canvas.top, canvas.width], [0, 0, 390]);
      assert.ok(Math.abs(canvas.height - 292.5) <= 1, `the picture is ${canvas.height} high`);
      assert.ok(notice.top >= canvas.bottom && pad.top >= notice.bottom && pad.bottom <= 844,
                'the notice and the pad are beneath the picture, on the page');
      await screenshot(page, `touch-${browserName}`);
      await page.close();
    });

    test('a drag selects, and a tap or a long press sends the selected persons', async () => {
      const page = await phone();
      await untilFrame(page, 20);
      // A quick drag over most of the picture: its box catches the persons in view.
      assert.deepEqual((await trace(page)).selected, []);
      const drag = await finger(page, 20, 20);
      for (const [x, y] of [[120, 100], [260, 200], [370, 275]]) await drag.move(x, y);
      await drag.end();
      const selected = (await until(page, t => t.selected.length > 0, 'the drag selects')).selected;
      // A tap is a right click: the selected persons are sent to the tapped cell.
      const before = await trace(page);
      await (await finger(page, 300, 90)).end();
      const ordered = await until(page, t => t.order.cell.join() !== before.order.cell.join(), 'the tap orders');
      assert.deepEqual(ordered.selected, selected, 'a tap selects nobody');
      // A long press is the right button too, held while the finger stays.
      await later(page, 5);
      const hold = await finger(page, 90, 200);
      await pause(900);
      await hold.end();
      await until(page, t => t.order.cell.join() !== ordered.order.cell.join(), 'the long press orders');
      assert.deepEqual(page.errors, []);
      await page.close();
    });

    test('the pad walks the current person while the finger stays on it', async () => {
      const page = await phone();
      await untilFrame(page, 20);
      const pad = await box(page, 'touch-pad');
      assert.ok(pad && !pad.hidden, 'the page shows a pad');
      const start = await trace(page);
      const one = t => t.persons.find(p => p.id === t.current);
      // East on the pad is the keypad's 6, the right arrow's twin: a step east on the map.
      const east = await finger(page, pad.left + pad.width * 0.9, pad.top + pad.height / 2);
      await until(page, t => one(t).cell[0] > one(start).cell[0], 'the pad walks east');
      await east.end();
      await later(page, 40);
      const stopped = one(await trace(page)).cell.join();
      await later(page, 30);
      assert.equal(one(await trace(page)).cell.join(), stopped, 'the walk ends with the finger');
      assert.deepEqual(page.errors, []);
      await page.close();
    });
  });
}
