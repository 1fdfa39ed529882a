// The administrator's list of allowed sites (managed storage "allowedSites"), in force from the
// first moment: right after the extension is installed (Chromium reads its managed storage as
// empty for several seconds then; the native host checks the list itself), a page of a site not on
// the list gets failed fields whose keys reach neither the page nor a host, and a listed site
// works. Chromium reads the list from machine-wide policy only: run under private-policies.sh.
import assert from 'node:assert/strict';
import { after, before, it } from 'node:test';

import {
  BROWSER,
  CAN_SET_POLICY,
  Session,
  callField,
  clickField,
  decode,
  fieldEvents,
  until,
  waitForReady,
} from './support.mjs';

let session;
before(async () => {
  if (!CAN_SET_POLICY) return;
  session = await Session.start({
    policy: { allowedSites: ['http://127.0.0.1'] },
    installLater: true,
  });
});
after(async () => {
  await session?.close();
});

it(
  `gives the field only to the sites an administrator allows, from the moment ${BROWSER} installs the extension`,
  { skip: !CAN_SET_POLICY && 'Chromium reads the list from machine-wide policy only' },
  async () => {
    await session.installExtension();
    const refused = await session.browser.newPage();
    await refused.goto(`${session.otherOrigin}/fields.html`);
    await clickField(refused, 'first');
    await refused.keyboard.type('not for you');
    const errors = await until(async () => {
      const events = await fieldEvents(refused);
      return events.length >= 2 && events;
    }, 'the error events');
    assert.deepEqual(errors.map((event) => `${event.type} ${event.id}`).sort(), [
      'securepassworderror first',
      'securepassworderror second',
    ]);
    for (const error of errors) {
      assert.match(error.message, /may not use the secure password field/);
    }
    assert.deepEqual(await refused.evaluate(() => window.seen), [], 'the page saw keys');
    const answer = await callField(refused, 'first', 'GetPassword');
    assert.equal(answer.ok, false);
    assert.match(answer.message, /may not use the secure password field/);

    const allowed = await session.newPage('fields.html');
    await waitForReady(allowed, ['first', 'second']);
    await clickField(allowed, 'first');
    await allowed.keyboard.type('for you');
    const encoded = await callField(allowed, 'first', 'GetPassword');
    assert.equal(decode(encoded.value).clear, 'for you');
  },
);
