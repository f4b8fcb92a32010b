// Every golden scene replayed by the page (?replay=) draws the frames the native build drew:
// each checked frame's CRC is the recorded one, and the title reports the last.
import assert from 'node:assert/strict';
import {test} from 'node:test';

import {goldenCrcs, readScene, replay, sceneNames, screenshot, useBrowser} from './page.mjs';

const env = useBrowser();

for (const name of sceneNames()) {
  test(`the replay of ${name} gives the golden CRCs`, async () => {
    const scene = readScene(name);
    const expected = goldenCrcs(name);
    const last = Math.max(...scene.checks);
    const run = await replay(env.browser, env.server.url, name, last);
    assert.deepEqual(run.page.errors, []);
    assert.equal(run.title, `corvina done ${last} ${expected.get(last)}`);
    for (const frame of scene.checks) assert.equal(run.crcs[frame - 1], expected.get(frame), `frame ${frame}`);
    await screenshot(run.page, `replay-${name}`);
    await run.page.close();
  });
}

test('a replay without &frames runs the script\'s own frames', async () => {
  const scene = readScene('jump');
  const run = await replay(env.browser, env.server.url, 'jump', 0);
  assert.match(run.title, new RegExp(`^corvina done ${scene.frames} [0-9a-f]{8}$`));
  assert.equal(run.crcs.length, scene.frames);
  assert.equal(run.last.frame, scene.frames);
  await run.page.close();
});
