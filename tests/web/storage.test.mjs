// The page keeps the player's map in the browser's storage: an edit saved with F2 is the map the
// page plays on when it is opened again, and the page says "saved" only once the storage has it.
// Where the storage refuses (blocked, or full), it says "not saved" and why, over the picture and
// to the page's reader, and never claims the save; a save turned down is not kept by any later
// write, and what was kept before stays. The sound's volume and mute are kept there too.
import assert from 'node:assert/strict';
import {describe, test} from 'node:test';

import {frames, notice, openPage, press, screenshot, terrain, untilFrame, useBrowser} from './page.mjs';

// Paints the cell under the pointer; answers the terrain before and after.
async function edit(page) {
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
  return {shipped, edited};
}

// Every notice the picture shows from now on, frame by frame.
async function watchNotices(page) {
  await page.evaluate(() => {
    window.notices = [];
    addEventListener('corvina-frame', () => {
      const text = Module.ccall('corvina_notice', 'string', [], []);
      if (text && notices[notices.length - 1] !== text) notices.push(text);
    });
  });
}
const notices = page => page.evaluate(() => window.notices);

// Counts the page's requests for persistent storage.
const countPersist = page => page.evaluateOnNewDocument(() => {
  window.persistAsked = 0;
  if (!navigator.storage) return;
  navigator.storage.persist = () => {
    window.persistAsked++;
    return Promise.resolve(false);
  };
});

// Counts the storage's finished writes in window.writesDone; `refuse('full' or 'refused')` in the
// page makes the storage turn down its next write of the map: aborted as a full quota aborts it,
// or the write itself refused. Writes of other files go on as ever.
const watchStorage = page => page.evaluateOnNewDocument(() => {
  window.writesDone = 0;
  const transaction = IDBDatabase.prototype.transaction;
  IDBDatabase.prototype.transaction = function(...args) {
    const made = transaction.apply(this, args);
    if (args[1] === 'readwrite') made.addEventListener('complete', () => window.writesDone++);
    return made;
  };
  const put = IDBObjectStore.prototype.put;
  window.refuse = how => {
    IDBObjectStore.prototype.put = function(value, key) {
      if (typeof key !== 'string' || !key.endsWith('/MAP.DAT')) return put.call(this, value, key);
      IDBObjectStore.prototype.put = put;
      if (how === 'refused') throw new DOMException('The value was refused.', 'DataError');
      const request = put.call(this, value, key), made = this.transaction;
      Object.defineProperty(made, 'error', {value: new DOMException('The quota has been exceeded.', 'QuotaExceededError')});
      request.addEventListener('success', () => made.abort());
      return request;
    };
  };
});

for (const browserName of ['chromium', 'firefox']) {
  describe(browserName, () => {
    const env = useBrowser(browserName);

    test('a map saved with F2 is said saved and is played on when the page is opened again', async () => {
      const page = await openPage(env.browser, `${env.server.url}/`, {prepare: countPersist});
      const {edited} = await edit(page);
      assert.equal(await page.evaluate(() => window.persistAsked), 0, 'no request before a save');
      await watchNotices(page);
      await press(page, 'F2');
      await page.waitForFunction(() => window.notices.some(text => text.startsWith('saved')), {timeout: 10000});
      assert.deepEqual(await notices(page), ["saved: this browser's storage"]);
      await page.waitForSelector('[role="status"]:not([hidden])', {timeout: 5000});
      assert.equal(await page.$eval('[role="status"]', e => e.textContent), "saved: this browser's storage");
      assert.equal(await page.evaluate(() => window.persistAsked), 1, 'persistent storage asked for at the first save');
      await page.reload();
      await untilFrame(page, 10);
      assert.equal(await terrain(page), edited);
      assert.deepEqual(page.errors, []);
      await page.close();
    });

    test('the volume and mute set with 9, 0 and M are as left when the page is opened again', async () => {
      const page = await openPage(env.browser, `${env.server.url}/`);
      await untilFrame(page, 30);
      await press(page, 'Digit9');
      await press(page, 'Digit9');
      await press(page, 'KeyM');
      assert.equal(await notice(page), 'sound muted');
      // Written quietly: no "saved" bar for a key press.
      await new Promise(resolve => setTimeout(resolve, 500));
      assert.equal(await page.$eval('#saved', e => e.hidden), true);
      await page.reload();
      await untilFrame(page, 10);
      // Still muted at 80%: M sounds it again at that volume.
      await press(page, 'KeyM');
      assert.equal(await notice(page), 'volume 80%');
      assert.deepEqual(page.errors, []);
      await page.close();
    });

    for (const how of ['full', 'refused']) {
      test(`a map save the storage turns down (${how}) is not kept by a later settings write, and the map kept before stays`, async () => {
        const page = await openPage(env.browser, `${env.server.url}/`, {prepare: watchStorage});
        const {edited: kept} = await edit(page);
        await watchNotices(page);
        await press(page, 'F2');
        await page.waitForFunction(() => window.notices.some(text => text.startsWith('saved')), {timeout: 10000});
        await page.reload();
        const {shipped: reloaded} = await edit(page);
        assert.equal(reloaded, kept);
        // edit() painted again; this save is turned down.
        await page.evaluate(how => window.refuse(how), how);
        await press(page, 'F2');
        await page.waitForSelector('#not-saved:not([hidden])', {timeout: 10000});
        assert.match(await page.$eval('#not-saved', e => e.textContent), /not saved: this browser's storage/);
        // The sound's setting, written after it and kept.
        const writes = await page.evaluate(() => window.writesDone);
        await press(page, 'KeyM');
        const toggled = await notice(page);
        await page.waitForFunction(w => window.writesDone > w, {timeout: 10000}, writes);
        await page.reload();
        await untilFrame(page, 10);
        assert.equal(await terrain(page), kept, 'the map last said saved, not the one turned down');
        await press(page, 'KeyM');
        assert.notEqual(await notice(page), toggled, 'the sound as M left it');
        assert.deepEqual(page.errors, []);
        await page.close();
      });
    }

    const broken = {
      // As a browser whose settings keep this page from its storage throws at the first use.
      'blocked': async page => {
        await page.evaluateOnNewDocument(() => {
          Object.defineProperty(window, 'indexedDB', {
            configurable: true,
            get() { throw new DOMException('Access to storage is not allowed', 'SecurityError'); },
          });
        });
      },
      // Too small for a map (the browser's, for every page of the origin, until the test ends).
      // Chromium only: the quota is set over CDP, which Firefox's WebDriver BiDi has no word for.
      'full': browserName === 'chromium' && (async page => {
        const session = await page.createCDPSession();
        await session.send('Storage.overrideQuotaForOrigin', {origin: env.server.url, quotaSize: 1024});
        return () => session.send('Storage.overrideQuotaForOrigin', {origin: env.server.url});
      }),
    };

    for (const [name, breakStorage] of Object.entries(broken).filter(([, how]) => how)) {
      test(`with the browser's storage ${name}, F2 says "not saved" and never "saved"`, async () => {
        let mend;
        const page = await openPage(env.browser, `${env.server.url}/`, {prepare: async p => { mend = await breakStorage(p); }});
        const {shipped} = await edit(page);
        await watchNotices(page);
        await press(page, 'F2');
        await page.waitForSelector('[role="alert"]:not([hidden])', {timeout: 10000});
        const alert = await page.$eval('[role="alert"]', e => e.textContent);
        assert.match(alert, /not saved: this browser's storage/);
        assert.doesNotMatch(alert, /\/home\//);
        await untilFrame(page, (await frames(page)) + 5);
        await screenshot(page, `${browserName}-not-saved-${name}`);
        const seen = await notices(page);
        assert.ok(seen.length > 0 && seen.every(text => text.startsWith("not saved: this browser's storage")),
                  `the picture said: ${JSON.stringify(seen)}`);
        // A sound key's setting, refused alike, is said so too.
        await press(page, 'KeyM');
        await page.waitForFunction(() => /^settings not kept: this browser's storage/.test(
            document.querySelector('[role="alert"] .text').textContent), {timeout: 10000});
        await page.reload();
        await untilFrame(page, 10);
        assert.equal(await terrain(page), shipped, 'the edit was not kept');
        assert.deepEqual(page.errors, []);
        await mend?.();
        await page.close();
      });
    }
  });
}
