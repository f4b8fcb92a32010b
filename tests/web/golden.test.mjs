// Every golden scene replayed by the page (?replay=), in Chromium and in Firefox, draws the frames
// the native build drew: each checked frame's CRC is the recorded one, and the title reports the last.
import assert from 'node:assert/strict';
import {describe, test} from 'node:test';

import {fixtures, goldenCrcs, openPage, readScene, replay, sceneNames, screenshot, useBrowser} from './page.mjs';

for (const browserName of ['chromium', 'firefox']) {
  describe(browserName, () => {
    const env = useBrowser(browserName);

    for (const name of sceneNames()) {
      test(`the replay of ${name} gives the golden CRCs`, async () => {
        const scene = readScene(name);
        const expected = goldenCrcs(name);
        const last = Math.max(...scene.checks);
        const run = await replay(env.browser, env.server.url, name, last);
        assert.deepEqual(run.page.errors, []);
        assert.equal(run.title, `corvina done ${last} ${expected.get(last)}`);
        for (const frame of scene.checks) assert.equal(run.crcs[frame - 1], expected.get(frame), `frame ${frame}`);
        await screenshot(run.page, `${browserName}-replay-${name}`);
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

    // Replays of what a player hands the page: a recording cut short with &frames=N, and a file
    // that is no script, whose refusal names that file.
    test('&frames=N cuts a recording\'s replay to N frames', async () => {
      // As the recorder writes one: a clock line first in every frame.
      const recording = map => {
        const lines = ['# corvina recording', `# start clock=1000 map=${map}`];
        for (let frame = 1; frame <= 486; ++frame) {
          lines.push(`${frame} clock ${1000 + (frame - 1) * 16}`);
          if (frame === 40) lines.push('40 tap VK_RIGHT');
        }
        return [...lines, `# end frame=486 map=${map} p1=0,0,0 p2=0,0,0 p3=0,0,0 p4=0,0,0`, ''].join('\n');
      };
      const title = async asked => {
        const page = await openPage(env.browser, `${env.server.url}/?replay=fixture/made.txt${asked ? `&frames=${asked}` : ''}`);
        await page.waitForFunction(() => document.title.startsWith('corvina '), {timeout: 120000});
        const text = await page.title();
        await page.close();
        return text;
      };
      // Made on the page's own map: its CRC as the refusal of a recording made on another names it.
      fixtures.set('made.txt', recording('00000000'));
      const map = (await title(0)).match(/its CRC is ([0-9a-f]{8})/)?.[1];
      assert.ok(map, 'the refusal names the map\'s CRC');
      fixtures.set('made.txt', recording(map));
      assert.match(await title(0), /^corvina done 486 [0-9a-f]{8}$/);
      assert.match(await title(200), /^corvina done 200 [0-9a-f]{8}$/);
    });

    test('a replay of a file that is no script names that file', async () => {
      fixtures.set('not-a-script.txt', '5 dance VK_F3\n');
      const page = await openPage(env.browser, `${env.server.url}/?replay=fixture/not-a-script.txt`);
      await page.waitForFunction(() => document.title.startsWith('corvina '), {timeout: 120000});
      const title = await page.title();
      assert.match(title, /^corvina failed: fixture\/not-a-script\.txt: line 1/);
      assert.doesNotMatch(title, /replay\.txt/);
      await page.close();
    });
  });
}
