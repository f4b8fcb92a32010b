// The game page driven by real DOM key and mouse events in real time: the golden scenes played
// by hand move person 1 (and paint the map) as the headless trace says, a held ArrowRight
// moves the view, a click lets the footsteps sound, and the program's keys work (F12 is the
// browser's).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {describe, test} from 'node:test';

import {frames, openPage, readScene, replay, screenshot, trace, untilFrame, useBrowser} from './page.mjs';


// The script's key names as the DOM keys a player presses.
const domKeys = {VK_RIGHT: 'ArrowRight', VK_LEFT: 'ArrowLeft', VK_UP: 'ArrowUp', VK_DOWN: 'ArrowDown',
                 VK_END: 'End', VK_HOME: 'Home', VK_NEXT: 'PageDown', VK_PRIOR: 'PageUp',
                 VK_CONTROL: 'Control', VK_INSERT: 'Insert', VK_ADD: 'NumpadAdd',
                 VK_SUBTRACT: 'NumpadSubtract'};
const buttons = {VK_LBUTTON: 'left', VK_RBUTTON: 'right'};

// The DOM events of a script event, as the page sees them.
async function press(page, command, key) {
  const button = buttons[key];
  const domKey = domKeys[key] || (/^[1-6]$/.test(key) ? `Digit${key}` : null);
  assert.ok(button || domKey, `no DOM key for ${key}`);
  let count = 0;
  if (command !== 'up') {
    await (button ? page.mouse.down({button}) : page.keyboard.down(domKey));
    count++;
  }
  if (command !== 'down') {
    await (button ? page.mouse.up({button}) : page.keyboard.up(domKey));
    count++;
  }
  return count;
}

// A gate on the page's animation frames: once the game has run frame `at`, the next waits for
// corvinaGate.holdAfter(a later frame, or 0 for none). The driver takes about a frame to deliver
// an event (WebDriver BiDi more), so a frame's events are handed over with the frames held after it.
const holdFrames = page => page.evaluateOnNewDocument(() => {
  const next = window.requestAnimationFrame.bind(window);
  const gate = window.corvinaGate = {at: 0, waiting: []};
  window.requestAnimationFrame = callback => next(time => {
    if (gate.at && Module._corvina_frames() >= gate.at) return gate.waiting.push(callback);
    callback(time);
  });
  gate.holdAfter = frame => {
    gate.at = frame;
    gate.waiting.splice(0).forEach(callback => next(callback));
  };
});

// Plays the scene's events on the page as the game's frames come, each just after the frame
// before the one the script gives it, moved `start` frames later. Answers start, and the
// events that reached the page too late for their frame (the browser was busy).
async function play(page, scene) {
  // Past the first frames, slow with the face's loading and the first lines of text.
  await untilFrame(page, 60);
  // The browser's first input event takes frames longer than the next ones: one the game
  // ignores, and the pointer where the game already has it.
  await page.keyboard.press('Shift');
  await page.mouse.move(320, 240);
  await page.evaluate(() => {
    window.arrivals = [];
    for (const type of ['keydown', 'keyup', 'mousedown', 'mouseup', 'mousemove']) {
      addEventListener(type, () => arrivals.push(Module._corvina_frames()), true);
    }
  });
  // Each event's frame counts from frame start + event.frame: the gate holds the frame before.
  const start = await page.evaluate(first => {
    const next = Module._corvina_frames() + 1;
    corvinaGate.holdAfter(next + first - 1);
    return next;
  }, scene.events[0].frame);
  await untilFrame(page, start);
  const due = [];
  for (const event of scene.events) {
    const frame = start + event.frame - 1;
    await page.evaluate(f => corvinaGate.at !== f && corvinaGate.holdAfter(f), frame);
    await untilFrame(page, frame);
    if (event.command === 'mouse') {
      await page.mouse.move(Number(event.args[0]), Number(event.args[1]));
      due.push(frame);
    } else {
      const count = await press(page, event.command, event.args[0]);
      for (let i = 0; i < count; i++) due.push(frame);
    }
  }
  await page.evaluate(() => corvinaGate.holdAfter(0));
  const arrivals = await page.evaluate(() => arrivals);
  return {start, late: due.filter((frame, i) => arrivals[i] !== frame).length, due, arrivals};
}

async function settled(page, frame) {
  await untilFrame(page, frame);
  return trace(page);
}

for (const browserName of ['chromium', 'firefox']) {
  describe(browserName, () => {
    const env = useBrowser(browserName);

    // Up to its first events the page has run as the replay runs with no events: the scene played
    // there is the scene replayed with its events as many frames later, and the world must end the
    // same, wandering persons, fog and all.
    for (const name of ['walk', 'order', 'wall', 'jump', 'edit']) {
      test(`${name} played with real events ends as the trace says`, async t => {
        const scene = readScene(name);
        const settle = 90;  // frames for a walk or a jump begun by the script to end
        // A run whose events the browser delivered late proves nothing: it is tried again.
        let run, actual;
        for (let attempt = 1; ; attempt++) {
          const page = await openPage(env.browser, `${env.server.url}/`, {prepare: holdFrames});
          run = await play(page, scene);
          actual = await settled(page, run.start + scene.frames + settle);
          await screenshot(page, `${browserName}-played-${name}`);
          assert.deepEqual(page.errors, []);
          await page.close();
          if (run.late === 0) break;
          const when = `due in frames ${run.due}, seen in ${run.arrivals}`;
          t.diagnostic(`try ${attempt}: ${run.late} events reached the page late (${when})`);
          assert.ok(attempt < 5, `${run.late} events reached the page too late in each of five tries`);
        }
        const expected = (await replay(env.browser, env.server.url, name, actual.frame, run.start)).page;
        const want = await trace(expected);
        await expected.close();
        const person = p => ({id: p.id, cell: p.cell, dir: p.dir, lift: p.lift});
        const world = t => ({frame: t.frame, current: t.current, selected: t.selected, view: t.view, camera: t.camera,
                             map: t.map, persons: t.persons.map(person)});
        assert.deepEqual(world(actual), world(want));
      });
    }

    test('a held ArrowRight moves the view', async () => {
      const page = await openPage(env.browser, `${env.server.url}/`);
      await untilFrame(page, 10);
      const before = await trace(page);
      const pictureBefore = await page.screenshot({encoding: 'base64'});
      // Held until person 1 has walked a cell east and the view has followed, or ten seconds.
      await page.keyboard.down('ArrowRight');
      await page.waitForFunction(start => {
        const now = JSON.parse(Module.ccall('corvina_trace', 'string', [], []));
        const one = t => t.persons.find(p => p.id === 1);
        return one(now).cell[0] > one(start).cell[0] && JSON.stringify(now.view) !== JSON.stringify(start.view);
      }, {timeout: 10000, polling: 'raf'}, before).catch(() => {});
      await page.keyboard.up('ArrowRight');
      const moved = await trace(page);
      await screenshot(page, `${browserName}-arrow-right`);
      assert.notDeepEqual(moved.view, before.view, 'the view follows the walk');
      const one = t => t.persons.find(p => p.id === 1);
      assert.ok(one(moved).cell[0] > one(before).cell[0], 'person 1 walked east');
      assert.notEqual(await page.screenshot({encoding: 'base64'}), pictureBefore);
      await page.close();
    });

    test('the game holds while the page is out of focus or hidden, and goes on after', async () => {
      const page = await openPage(env.browser, `${env.server.url}/`);
      await untilFrame(page, 10);
      await page.evaluate(() => dispatchEvent(new FocusEvent('blur')));
      const held = await frames(page);
      await new Promise(resolve => setTimeout(resolve, 500));
      assert.ok(await frames(page) <= held + 1, 'no frames without the focus');
      await page.evaluate(() => dispatchEvent(new FocusEvent('focus')));
      await untilFrame(page, held + 10);
      // A hidden page (another tab in front) holds it the same way.
      const other = await env.browser.newPage();
      await other.bringToFront();
      await page.waitForFunction(() => document.visibilityState === 'hidden');
      const hidden = await frames(page);
      await new Promise(resolve => setTimeout(resolve, 500));
      assert.ok(await frames(page) <= hidden + 1, 'no frames while hidden');
      await other.close();
      await page.bringToFront();
      await untilFrame(page, hidden + 10);
      await page.close();
    });

    // Chromium only: Firefox here has no audio device, so its sound never runs.
    if (browserName === 'chromium') test('after a click the sound runs and a footstep plays', async () => {
      const page = await openPage(env.browser, `${env.server.url}/`);
      await untilFrame(page, 10);
      const audio = () => page.evaluate(() => ({state: Module.corvinaAudio.context.state,
                                                plays: Module.corvinaAudio.plays}));
      // Whatever this browser's policy, the page must wake the sound a player's browser holds back.
      await page.evaluate(() => Module.corvinaAudio.context.suspend());
      assert.equal((await audio()).state, 'suspended');
      await page.mouse.click(320, 240);
      await page.keyboard.down('ArrowRight');
      await page.waitForFunction(() => Module.corvinaAudio.plays > 0, {timeout: 5000});
      await page.keyboard.up('ArrowRight');
      assert.equal((await audio()).state, 'running');
      await page.close();
    });

    // Chromium only: where a download goes is set over CDP, which Firefox's WebDriver BiDi lacks.
    if (browserName === 'chromium') test('Print Screen downloads the picture', async () => {
      const page = await openPage(env.browser, `${env.server.url}/`);
      const downloads = fs.mkdtempSync(path.join(os.tmpdir(), 'corvina-downloads-'));
      const session = await page.createCDPSession();
      await session.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
      await untilFrame(page, 10);
      await page.keyboard.press('PrintScreen');
      const deadline = Date.now() + 10000;
      let files = [];
      while (Date.now() < deadline && !(files = fs.readdirSync(downloads).filter(f => f.endsWith('.png'))).length) {
        await new Promise(resolve => setTimeout(resolve, 100));
      }
      assert.equal(files.length, 1, 'one PNG downloaded');
      assert.match(files[0], /^corvina-\d{8}-\d{6}\.png$/);
      assert.deepEqual([...fs.readFileSync(path.join(downloads, files[0])).subarray(0, 4)], [0x89, 0x50, 0x4e, 0x47]);
      fs.rmSync(downloads, {recursive: true, force: true});
      await page.close();
    });

    test('F12 is left to the browser and Esc ends the game with a way back', async () => {
      const page = await openPage(env.browser, `${env.server.url}/`);
      await untilFrame(page, 10);
      // F12 opens the browser's developer tools: the page neither takes the key nor ends on it.
      await page.evaluate(() => {
        window.f12Taken = [];
        addEventListener('keydown', e => {
          if (e.code === 'F12') setTimeout(() => f12Taken.push(e.defaultPrevented));
        });
      });
      const beforeF12 = await frames(page);
      await page.keyboard.press('F12');
      await page.waitForFunction(f => Module._corvina_frames() >= f, {timeout: 5000}, beforeF12 + 10);
      assert.deepEqual(await page.evaluate(() => f12Taken), [false]);
      assert.equal(await page.$eval('#ended', e => e.hidden), true, 'the game goes on after F12');

      await page.keyboard.press('Escape');
      await page.waitForSelector('#ended:not([hidden])', {timeout: 5000});
      await screenshot(page, `${browserName}-ended`);
      const ended = await frames(page);
      await new Promise(resolve => setTimeout(resolve, 300));
      assert.equal(await frames(page), ended, 'no frames after the end');
      await Promise.all([page.waitForNavigation(), page.click('#ended button')]);
      await untilFrame(page, 10);
      assert.deepEqual(page.errors, []);
      await page.close();
    });
  });
}
