// The administrator's list of allowed sites (managed storage "allowedSites"): a page of a site not
// on it gets no field, only the error event, and its methods reject; a listed site works. Firefox
// reads managed storage from a file in the user's folder; Chromium only from machine-wide policy,
// which a test does not change, so there this is skipped.
import assert from 'node:assert/strict';
import { after, before, it } from 'node:test';

import { BROWSER, Session, callField, fieldEvents, until, waitForReady } from './support.mjs';

let session;
before(async () => {
  if (BROWSER === 'firefox') session = await Session.start({ allowedSites: ['http://127.0.0.1'] });
});
after(async () => {
  await session?.close();
});

it(
  'gives the field only to the sites an administrator allows',
  { skip: BROWSER !== 'firefox' && 'Chromium reads managed storage from machine-wide policy only' },
  async () => {
    const allowed = await session.newPage('fields.html');
    await waitForReady(allowed, ['first', 'second']);

    const refused = await session.browser.newPage();
    await refused.goto(`${session.otherOrigin}/fields.html`);
    const errors = await until(async () => {
      const events = await fieldEvents(refused);
      return events.length >= 2 && events;
    }, 'the error events');
    assert.deepEqual(errors.map((event) => `${event.type} ${event.id}`).sort(), [
      'securepassworderror first',
      'securepassworderror second',
    ]);
    assert.match(errors[0].message, /may not use the secure password field/);
    const answer = await callField(refused, 'first', 'GetDllVersion');
    assert.deepEqual(answer, { ok: false, message: errors[0].message });
    assert.equal(
      await refused.evaluate(() => document.querySelectorAll('object > span, embed + span').length),
      0,
    );
  },
);
