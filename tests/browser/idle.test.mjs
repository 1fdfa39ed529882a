// A typed field left alone past the extension background's idle limit (about 30 s, after which
// browsers stop an idle service worker or event page) still holds its text and takes keys: the
// field's connection to its host does not depend on the background staying up.
import assert from 'node:assert/strict';
import { after, before, it } from 'node:test';

import {
  BROWSER,
  Session,
  callField,
  clickField,
  decode,
  expectDrawing,
  sleep,
  waitForReady,
} from './support.mjs';

const IDLE_LIMIT_MS = 30000;

let session;
before(async () => {
  session = await Session.start();
});
after(async () => {
  await session?.close();
});

it(`keeps a typed field through ${(IDLE_LIMIT_MS + 10000) / 1000} s of quiet in ${BROWSER}`, async () => {
  const page = await session.newPage('fields.html');
  await waitForReady(page, ['first', 'second']);
  await clickField(page, 'first');
  await page.keyboard.type('quiet time');
  await expectDrawing(page, '240x28', { length: 10, caret: 10 }, 'typed before the quiet');
  await sleep(IDLE_LIMIT_MS + 10000);
  await page.keyboard.type('!');
  await expectDrawing(page, '240x28', { length: 11, caret: 11 }, 'typed after the quiet');
  const answer = await callField(page, 'first', 'GetPassword');
  assert.equal(decode(answer.value).clear, 'quiet time!');
});
