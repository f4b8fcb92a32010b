// The page's own start and end, and the desktop's keys on it, in Chromium and in Firefox: the
// game waits for the start panel's click, which may fill the screen and lets the sound play;
// Esc ends it with Play again; = and - raise and lower cells, M mutes, 9 and 0 set the volume;
// F1's help lists the page's keys, not those the browser keeps, and Alt+Enter fills the screen
// and leaves it as it says.
import assert from 'node:assert/strict';
import {describe, test} from 'node:test';

import {frames, notice, openPage, press, screenshot, terrain, untilFrame, useBrowser} from './page.mjs';

// The sound's channels, each as the larger of its two gains.
const gains = page => page.evaluate(() => Module.corvinaAudio.channels.map(c => Math.max(c.left.gain.value, c.right.gain.value)));

for (const browserName of ['chromium', 'firefox']) {
  describe(browserName, () => {
    const env = useBrowser(browserName);

    test('the game starts at the start panel\'s click, in full screen and with sound, and Esc offers Play again', async () => {
      const page = await openPage(env.browser, `${env.server.url}/`, {play: false});
      await page.waitForSelector('#start:not([hidden])', {timeout: 60000});
      await screenshot(page, `${browserName}-start`);
      assert.equal(await page.$eval('#loading', e => getComputedStyle(e).display), 'none');
      await new Promise(resolve => setTimeout(resolve, 300));
      assert.equal(await frames(page), 0, 'no game before the click');

      await page.click('#start .full-screen');
      await untilFrame(page, 10);
      await page.waitForFunction(() => document.fullscreenElement === document.documentElement, {timeout: 5000});
      // Firefox here has no audio device: its sound never runs, click or not.
      if (browserName === 'chromium') {
        await page.waitForFunction(() => Module.corvinaAudio.context.state === 'running', {timeout: 5000});
      }
      assert.deepEqual(await page.$eval('#start', e => [e.hidden, document.activeElement.tagName]), [true, 'BODY'],
                       'the panel gone, and no button left to take the keys');
      await page.evaluate(() => document.exitFullscreen());
      await page.waitForFunction(() => !document.fullscreenElement, {timeout: 5000});

      await page.keyboard.press('Escape');
      await page.waitForSelector('#ended:not([hidden])', {timeout: 5000});
      assert.match(await page.$eval('#ended button', b => b.textContent), /Play again/);
      // The new game asked for starts at once: no second click.
      await Promise.all([page.waitForNavigation(), page.click('#ended button')]);
      await untilFrame(page, 10);
      assert.equal(await page.$eval('#start', e => e.hidden), true);
      assert.deepEqual(page.errors, []);
      await page.close();
    });

    test('F1 lists the page\'s keys, none the browser keeps, Alt+Enter does as listed, and Esc closes it with the game going on', async () => {
      const page = await openPage(env.browser, `${env.server.url}/`);
      await untilFrame(page, 20);
      const help = () => page.evaluate(() => Module.ccall('corvina_help', 'string', [], []));
      await page.keyboard.press('F1');
      await page.waitForFunction(() => Module.ccall('corvina_help', 'string', [], []) !== '', {timeout: 5000});
      const lines = (await help()).split('\n');
      await screenshot(page, `${browserName}-help`);
      // F12 opens the browser's tools.
      assert.deepEqual(lines.filter(line => /F12|Gamepad/.test(line)), []);
      assert.ok(lines.includes('Esc: cancel a walk; else end the game'), lines.join('\n'));
      assert.ok(lines.some(line => /^Alt\+Enter: full screen/.test(line)), lines.join('\n'));
      assert.ok(lines.some(line => /full screen/.test(line) && /start panel/.test(line)), lines.join('\n'));
      for (const full of [true, false]) {
        await page.keyboard.down('Alt');
        await page.keyboard.press('Enter');
        await page.keyboard.up('Alt');
        await page.waitForFunction(f => !!document.fullscreenElement === f, {timeout: 5000}, full);
      }
      const held = await frames(page);
      await page.keyboard.press('Escape');
      await untilFrame(page, held + 10);
      assert.equal(await help(), '');
      assert.equal(await page.$eval('#ended', e => e.hidden), true, 'Esc closed the help, not the game');
      assert.deepEqual(page.errors, []);
      await page.close();
    });

    test('= and - raise and lower the cell under the pointer, M mutes and 9 and 0 set the volume', async () => {
      const page = await openPage(env.browser, `${env.server.url}/`);
      // Past the slow first frames; the pointer over the middle of the map.
      await untilFrame(page, 60);
      await page.mouse.move(320, 240);
      await untilFrame(page, 65);
      const shipped = await terrain(page);
      await press(page, 'Equal');
      const raised = await terrain(page);
      assert.notEqual(raised, shipped, '= raised the cell');
      await press(page, 'Minus');
      assert.equal(await terrain(page), shipped, '- lowered it back');

      await press(page, 'KeyM');
      assert.equal(await notice(page), 'sound muted');
      const muted = await gains(page);
      const playing = muted.flatMap((gain, channel) => (gain === 0 ? [channel] : []));
      assert.ok(playing.length > 0, `the footstep's channel is silent: ${muted}`);
      await press(page, 'Digit9');
      assert.equal(await notice(page), 'volume 90%');
      const quieter = await gains(page);
      for (const channel of playing) assert.ok(quieter[channel] > 0.8 && quieter[channel] < 0.95, `channel ${channel}: ${quieter}`);
      await press(page, 'Digit0');
      assert.equal(await notice(page), 'volume 100%');
      assert.deepEqual(page.errors, []);
      await page.close();
    });
  });
}
