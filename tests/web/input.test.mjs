// The game page driven by real DOM key and mouse events in real time: the golden scenes played
// by hand move person 1 (and paint the map) as the headless trace says, a held ArrowRight
// moves the view, a click lets the footsteps sound, and the program's keys work.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {after, before, test} from 'node:test';

import {frames, launch, openPage, readScene, replay, screenshot, serve, trace} from './page.mjs';

let server, browser;
before(async () => {
  server = await serve();
  browser = await launch();
});
after(async () => {
  await browser?.close();
  server?.close();
});

// The script's key names as the DOM keys a player presses.
const domKeys = {VK_RIGHT: 'ArrowRight', VK_LEFT: 'ArrowLeft', VK_UP: 'ArrowUp', VK_DOWN: 'ArrowDown',
                 VK_END: 'End', VK_HOME: 'Home', VK_NEXT: 'PageDown', VK_PRIOR: 'PageUp',
                 VK_CONTROL: 'Control', VK_INSERT: 'Insert', VK_ADD: 'NumpadAdd',
                 VK_SUBTRACT: 'NumpadSubtract', VK_F12: 'F12'};
const buttons = {VK_LBUTTON: 'left', VK_RBUTTON: 'right'};

async function press(page, command, key) {
  const button = buttons[key];
  const domKey = domKeys[key] || (/^[1-6]$/.test(key) ? `Digit${key}` : null);
  assert.ok(button || domKey, `no DOM key for ${key}`);
  if (command !== 'up') await (button ? page.mouse.down({button}) : page.keyboard.down(domKey));
  if (command !== 'down') await (button ? page.mouse.up({button}) : page.keyboard.up(domKey));
}

// Plays the scene's events on the page as the game's frames come, each just before the frame
// the script gives it; answers the page's frame that stands for the script's frame 0.
async function play(page, scene) {
  await page.waitForFunction(() => Module._corvina_frames && Module._corvina_frames() > 10, {polling: 'raf'});
  const start = await frames(page);
  for (const event of scene.events) {
    await page.waitForFunction(f => Module._corvina_frames() >= f, {polling: 'raf'}, start + event.frame - 1);
    if (event.command === 'mouse') {
      await page.mouse.move(Number(event.args[0]), Number(event.args[1]));
    } else {
      await press(page, event.command, event.args[0]);
    }
  }
  return start;
}

async function settled(page, frame) {
  await page.waitForFunction(f => Module._corvina_frames() >= f, {polling: 'raf', timeout: 60000}, frame);
  return trace(page);
}

// Persons other than the one the player drives wander at random, so they are left out.
for (const name of ['walk', 'order', 'wall', 'jump', 'edit']) {
  test(`${name} played with real events ends as the trace says`, async () => {
    const scene = readScene(name);
    const settle = 90;  // frames for a walk or a jump begun by the script to end
    const expected = await replay(browser, server.url, name, scene.frames + settle);
    await expected.page.close();

    const page = await openPage(browser, `${server.url}/`);
    const start = await play(page, scene);
    const actual = await settled(page, start + scene.frames + settle);
    await screenshot(page, `played-${name}`);
    const one = t => t.persons.find(p => p.id === 1);
    assert.deepEqual(one(actual).cell, one(expected.last).cell, 'person 1 stands where the trace says');
    assert.deepEqual(actual.selected, expected.last.selected);
    assert.equal(actual.map, expected.last.map, 'the map as the trace says');
    assert.deepEqual(page.errors, []);
    await page.close();
  });
}

test('a held ArrowRight moves the view', async () => {
  const page = await openPage(browser, `${server.url}/`);
  await page.waitForFunction(() => Module._corvina_frames && Module._corvina_frames() > 10, {polling: 'raf'});
  const before = await trace(page);
  const pictureBefore = await page.screenshot({encoding: 'base64'});
  await page.keyboard.down('ArrowRight');
  await new Promise(resolve => setTimeout(resolve, 1500));
  await page.keyboard.up('ArrowRight');
  const moved = await trace(page);
  await screenshot(page, 'arrow-right');
  assert.notDeepEqual(moved.view, before.view, 'the view follows the walk');
  const one = t => t.persons.find(p => p.id === 1);
  assert.ok(one(moved).cell[0] > one(before).cell[0], 'person 1 walked east');
  assert.notEqual(await page.screenshot({encoding: 'base64'}), pictureBefore);
  await page.close();
});

test('after a click the sound runs and a footstep plays', async () => {
  const page = await openPage(browser, `${server.url}/`);
  await page.waitForFunction(() => Module._corvina_frames && Module._corvina_frames() > 10, {polling: 'raf'});
  const audio = () => page.evaluate(() => ({state: Module.corvinaAudio.context.state, plays: Module.corvinaAudio.plays}));
  assert.equal((await audio()).state, 'suspended', 'no sound before the player does something');
  await page.mouse.click(320, 240);
  await page.keyboard.down('ArrowRight');
  await page.waitForFunction(() => Module.corvinaAudio.plays > 0, {timeout: 5000});
  await page.keyboard.up('ArrowRight');
  assert.equal((await audio()).state, 'running');
  await page.close();
});

test('Print Screen downloads the picture and F12 ends the game with a way back', async () => {
  const page = await openPage(browser, `${server.url}/`);
  const downloads = fs.mkdtempSync(path.join(os.tmpdir(), 'corvina-downloads-'));
  const session = await page.createCDPSession();
  await session.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
  await page.waitForFunction(() => Module._corvina_frames && Module._corvina_frames() > 10, {polling: 'raf'});
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

  await page.keyboard.press('F12');
  await page.waitForSelector('#ended:not([hidden])', {timeout: 5000});
  await screenshot(page, 'ended');
  const ended = await frames(page);
  await new Promise(resolve => setTimeout(resolve, 300));
  assert.equal(await frames(page), ended, 'no frames after the end');
  await Promise.all([page.waitForNavigation(), page.click('#ended button')]);
  await page.waitForFunction(() => Module._corvina_frames && Module._corvina_frames() > 10, {polling: 'raf'});
  assert.deepEqual(page.errors, []);
  await page.close();
});
