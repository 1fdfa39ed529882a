// This computer's identity (GetActiveNIC, GetHardDiskNUM) only for the sites the user or the
// administrator allowed, in a real browser: the extension's own question window answered as a user
// would, its options page, and the administrator's lists. identity.html reads the identity once
// when its field is ready (no gesture) and at each click on its button, and logs the answers; the
// test pages come from two sites (127.0.0.1 and 127.0.0.2). Calls from the test driver count as
// the user's gesture, so every call here is the page's own, made at load or on a real click.
// The administrator's part needs policy: run under private-policies.sh. SPW_SCREENSHOTS=DIR
// keeps pictures of the question and of the options page there.
import assert from 'node:assert/strict';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';

import {
  BROWSER,
  CAN_SET_POLICY,
  CHROMIUM_EXTENSION_ID,
  Session,
  answerQuestion,
  extensionPages,
  identify,
  questionWindow,
  until,
} from './support.mjs';

const QUESTION = 'consent/consent.html';
const OPTIONS = 'options/options.html';
const NOTHING = { nic: '', disk: '' };
// A computer without either value answers every site as a refusal does: nothing to tell apart.
const machine = identify();
const noValues =
  machine.nic === '' && machine.disk === '' && 'this computer has neither identifier';

// The answers each page's script (and its frames') logged, taken in order by site and cause.
function answerLog(page) {
  const logged = [];
  page.on('console', (message) => {
    const text = message.text();
    if (text.startsWith('identity ')) logged.push(JSON.parse(text.slice('identity '.length)));
  });
  return {
    async next(origin, cause) {
      const found = await until(() => {
        const index = logged.findIndex((entry) => entry.origin === origin);
        return index >= 0 && logged.splice(index, 1)[0];
      }, `the identity read by ${origin} (${cause})`);
      assert.equal(found.error, undefined, `${origin} (${cause}): ${found.error}`);
      assert.equal(found.cause, cause, `${origin}: ${JSON.stringify(found)}`);
      return { nic: found.nic, disk: found.disk };
    },
  };
}

// The sites the options page lists, with the answer shown for each.
function listedAnswers(options) {
  return options.evaluate(() =>
    Object.fromEntries(
      [...document.querySelectorAll('#answer-rows tr')].map((row) => [
        row.dataset.origin,
        row.cells[1].firstChild.textContent,
      ]),
    ),
  );
}

// A real click (the user's gesture) on an element of a tab's page or of a frame in it. The tab
// comes to the front first: a tab behind another is not drawn, and clicks in it wait for that.
async function click(tab, selector, frame = tab) {
  await tab.bringToFront();
  await frame.click(selector);
}

// Keeps a picture of the page in SPW_SCREENSHOTS, at the size given (the driver otherwise shows
// every page at 800 by 600).
async function screenshot(page, name, size) {
  const folder = process.env.SPW_SCREENSHOTS;
  if (!folder) return;
  await page.bringToFront();
  if (size !== undefined) await page.setViewport(size);
  await page.screenshot({ path: path.join(folder, `${name}-${BROWSER}.png`) });
}

describe(`the computer's identity in ${BROWSER}, as the user answers`, { skip: noValues }, () => {
  let session;
  let page;
  let log;
  let options;

  before(async () => {
    session = await Session.start();
  });
  after(async () => {
    await session?.close();
  });

  it('gives a site nothing until the user allows it in the question, asked only on a gesture', async () => {
    page = await session.browser.newPage();
    log = answerLog(page);
    await page.goto(`${session.origin}/identity.html`);
    assert.deepEqual(await log.next(session.origin, 'ready'), NOTHING);
    assert.deepEqual(
      await extensionPages(session.browser, QUESTION),
      [],
      'asked without a gesture',
    );

    await click(page, '#read');
    const question = await questionWindow(session.browser);
    const text = await question.evaluate(() => document.body.innerText);
    assert.match(text, new RegExp(`Let ${session.origin} identify this computer\\?`));
    assert.match(text, /this computer's network address and disk serial number/);
    await question.waitForSelector('#allow:not([disabled])');
    await screenshot(question, 'identity-question', { width: 480, height: 300 });
    await question.click('#options');
    options = await until(async () => (await extensionPages(session.browser, OPTIONS))[0], OPTIONS);
    await answerQuestion(question, 'allow');
    assert.deepEqual(await log.next(session.origin, 'click'), machine);
    await until(
      async () => (await listedAnswers(options))[session.origin] === 'Allowed',
      'the options page listing the answer',
    );
  });

  it('asks about a frame of another site in an allowed page on its own behalf', async () => {
    const other = `${session.otherOrigin}/identity.html`;
    await page.goto(`${session.origin}/identity.html?frame=${encodeURIComponent(other)}`);
    assert.deepEqual(await log.next(session.origin, 'ready'), machine);
    assert.deepEqual(await log.next(session.otherOrigin, 'ready'), NOTHING);

    const frame = page.frames().find((candidate) => candidate.url() === other);
    await click(page, '#read', frame);
    const question = await questionWindow(session.browser);
    const text = await question.evaluate(() => document.body.innerText);
    assert.match(text, new RegExp(`Let ${session.otherOrigin} identify`));
    await answerQuestion(question, 'deny');
    assert.deepEqual(await log.next(session.otherOrigin, 'click'), NOTHING);
    await click(page, '#read');
    assert.deepEqual(await log.next(session.origin, 'click'), machine);
    await until(
      async () => (await listedAnswers(options))[session.otherOrigin] === 'Denied',
      'the options page listing the refusal',
    );
    await screenshot(options, 'identity-options', { width: 760, height: 420 });
  });

  it('asks again once the answer is taken back, gives nothing unanswered, and asks once per page', async () => {
    await click(options, `tr[data-origin="${session.origin}"] button`);
    await until(
      async () => (await listedAnswers(options))[session.origin] === undefined,
      'the answer taken back',
    );
    await click(page, '#read');
    const question = await questionWindow(session.browser);
    await question.close();
    assert.deepEqual(await log.next(session.origin, 'click'), NOTHING);

    // This page has had its question: no other comes up.
    await click(page, '#read');
    assert.deepEqual(await log.next(session.origin, 'click'), NOTHING);
    assert.deepEqual(await extensionPages(session.browser, QUESTION), [], 'asked twice');
  });
});

describe(`the computer's identity in ${BROWSER}, as the administrator set`, () => {
  const skip =
    noValues || (!CAN_SET_POLICY && 'Chromium reads the lists from machine-wide policy only');
  let session;

  before(async () => {
    if (skip) return;
    session = await Session.start({
      policy: { identitySites: ['http://127.0.0.1'], identityBlockedSites: ['127.0.0.2'] },
    });
  });
  after(async () => {
    await session?.close();
  });

  it(
    'answers a pre-allowed site and refuses a blocked frame in it, asking the user about neither',
    { skip },
    async () => {
      if (BROWSER === 'chromium') {
        // Chromium hands a newly installed extension its policy a few seconds late.
        const options = await session.browser.newPage();
        await options.goto(`chrome-extension://${CHROMIUM_EXTENSION_ID}/${OPTIONS}`);
        await options.waitForSelector('#administrator:not([hidden])', { timeout: 30000 });
        await screenshot(options, 'identity-options-administrator', { width: 760, height: 420 });
        await options.close();
      }
      const page = await session.browser.newPage();
      const log = answerLog(page);
      const other = `${session.otherOrigin}/identity.html`;
      await page.goto(`${session.origin}/identity.html?frame=${encodeURIComponent(other)}`);
      assert.deepEqual(await log.next(session.origin, 'ready'), machine);
      assert.deepEqual(await log.next(session.otherOrigin, 'ready'), NOTHING);

      const frame = page.frames().find((candidate) => candidate.url() === other);
      await click(page, '#read', frame);
      assert.deepEqual(await log.next(session.otherOrigin, 'click'), NOTHING);
      await click(page, '#read');
      assert.deepEqual(await log.next(session.origin, 'click'), machine);
      assert.deepEqual(await extensionPages(session.browser, QUESTION), [], 'the user was asked');
    },
  );
});
