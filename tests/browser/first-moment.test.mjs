// Every key to the field and none to the page, from the first moment to the last: keys typed
// while the page is still loading (the field's frame and host not there yet), in a cold browser
// and a warm one, into a field a script has just inserted, and after the page hides the field
// that has the focus. What was typed must be in the field, in order, and the page's own capture
// listeners must have seen none of it.
import assert from 'node:assert/strict';
import { after, before, describe, it } from 'node:test';

import {
  BROWSER,
  Session,
  callField,
  clickField,
  decode,
  expectDrawing,
  sleep,
  until,
  waitForReady,
} from './support.mjs';

async function typed(page, id) {
  const answer = await callField(page, id, 'GetPassword');
  assert.equal(answer.ok, true, `GetPassword on ${id}: ${answer.message}`);
  return answer.value === '' ? '' : decode(answer.value).clear;
}

// Where the element is in the page, as soon as it is there and laid out.
async function boxOf(page, id) {
  return until(
    () =>
      page
        .evaluate((fieldId) => {
          const element = document.getElementById(fieldId);
          const shown =
            element?.localName === 'embed' ? element.nextElementSibling : element?.lastElementChild;
          const rect = shown?.getBoundingClientRect();
          return (
            rect?.width > 0 && { x: rect.left + rect.width / 2, y: rect.top + rect.height / 2 }
          );
        }, id)
        .catch(() => false),
    `#${id} in the page`,
    10000,
  );
}

describe(`keys at the edges of a field's life in ${BROWSER}`, () => {
  let session;

  before(async () => {
    session = await Session.start();
  });

  after(async () => {
    await session?.close();
  });

  it('takes every key typed at once into a page still loading, cold and warm, in order', async () => {
    for (const [label, delay] of [
      ['cold browser, no wait', 0],
      ['warm, no wait', 0],
      ['warm, 20 ms', 20],
      ['warm, 150 ms', 150],
    ]) {
      const page = await session.browser.newPage();
      const loaded = page.goto(`${session.origin}/early.html?hold=1500`);
      const box = await boxOf(page, 'early');
      await sleep(delay);
      await page.mouse.click(box.x, box.y);
      await page.keyboard.type('early1Xy');
      await page.keyboard.press('Backspace');
      await page.keyboard.type('y!');
      await loaded;
      await waitForReady(page, ['early']);
      const seen = await page.evaluate(() => window.seen);
      assert.deepEqual(seen, [], `${label}: the page saw keys`);
      assert.equal(await typed(page, 'early'), 'early1Xy!', label);
      await page.close();
    }
  });

  it('takes every key typed at once after a click from the page into a ready field', async () => {
    // The browser moves the keyboard into the field's frame a moment after the click; the keys of
    // that moment reach the page's side, where they belong to the field too.
    const page = await session.newPage('fields.html');
    await waitForReady(page, ['first', 'second']);
    for (let round = 0; round < 5; round += 1) {
      await callField(page, 'first', 'Clearpassword');
      await page.click('#after');
      await clickField(page, 'first');
      await page.keyboard.type(`r0und${round}`);
      assert.equal(await typed(page, 'first'), `r0und${round}`, `round ${round}`);
    }
    assert.deepEqual(await page.evaluate(() => window.seen), [], 'the page saw keys');
    await page.close();
  });

  it('takes every key typed at once into a field a script has just inserted', async () => {
    const page = await session.newPage('empty.html');
    await page.evaluate(() => {
      window.seen = [];
      for (const type of ['keydown', 'keypress', 'keyup', 'input']) {
        window.addEventListener(type, (event) => window.seen.push(event.key), true);
      }
      setTimeout(() => addField('late', 220, 26), 30);
    });
    const box = await boxOf(page, 'late');
    await page.mouse.click(box.x, box.y);
    await page.keyboard.type('inserted 2');
    await waitForReady(page, ['late']);
    assert.equal(await typed(page, 'late'), 'inserted 2');
    assert.deepEqual(await page.evaluate(() => window.seen), []);
    await page.close();
  });

  it('gives a hidden field no keys and the page none either, until the user moves on', async () => {
    const page = await session.newPage('fields.html');
    await waitForReady(page, ['first', 'second']);
    for (const hide of ["style.visibility = 'hidden'", "style.display = 'none'"]) {
      await callField(page, 'first', 'Clearpassword');
      await page.evaluate(() => {
        window.seen.length = 0;
      });
      await clickField(page, 'first');
      await page.keyboard.type('ab');
      await expectDrawing(page, '240x28', { length: 2, caret: 2 }, 'typed before hiding');
      await page.evaluate((how) => {
        const element = document.getElementById('first');
        if (how.includes('visibility')) element.style.visibility = 'hidden';
        else element.style.display = 'none';
      }, hide);
      // The focus leaves the field, as it leaves a plain input; the keys that follow go nowhere.
      await until(
        () => page.evaluate(() => document.activeElement === document.body),
        `${hide}: the focus leaving the hidden field`,
      );
      await page.keyboard.type('cd');
      await sleep(150);
      assert.deepEqual(await page.evaluate(() => window.seen), [], `${hide}: the page saw keys`);
      await page.evaluate(() => {
        const element = document.getElementById('first');
        element.style.visibility = '';
        element.style.display = '';
      });
      assert.equal(await typed(page, 'first'), 'ab', `${hide}: the hidden field took keys`);
      // A click elsewhere ends it: the page's own keys are its own again.
      await page.click('#after');
      await page.keyboard.type('z');
      await until(
        async () => (await page.evaluate(() => window.seen)).some((event) => event.key === 'z'),
        'the page getting its own keys back',
      );
    }
    await page.close();
  });
});
