// The secure password field in a real browser (SPW_BROWSER: chromium or firefox), through its
// real input pipeline: the extension, its frames, the native host and the plug-in, on pages served
// from 127.0.0.1. fields.html holds an <object> field of 240x28 and an <embed> field of 260x30.
import assert from 'node:assert/strict';
import { after, before, describe, it } from 'node:test';

import {
  BROWSER,
  Session,
  answerQuestion,
  callField,
  clickField,
  decode,
  expectDrawing,
  fieldEvents,
  identify,
  questionWindow,
  sleep,
  until,
  waitForReady,
} from './support.mjs';

const FIRST = '240x28';
const SECOND = '260x30';
const CLEAN_REPORT = 'securepassword-host: report clean, exit status 0';

async function password(page, id) {
  const answer = await callField(page, id, 'GetPassword');
  assert.equal(answer.ok, true, `GetPassword on ${id}: ${answer.message}`);
  if (answer.value === '') return '';
  const decoded = decode(answer.value);
  assert.equal(decoded.ok, true, `decoding GetPassword of ${id}: ${JSON.stringify(decoded)}`);
  return decoded.clear;
}

async function press(page, ...keys) {
  for (const key of keys) await page.keyboard.press(key);
}

describe(`the secure password field in ${BROWSER}`, () => {
  let session;
  let page;

  before(async () => {
    session = await Session.start();
    page = await session.newPage('fields.html');
    await waitForReady(page, ['first', 'second']);
  });

  after(async () => {
    await session?.close();
  });

  it('draws bullets and caret as typed and edited, keeps each text apart, and GetPassword decodes to it', async () => {
    await expectDrawing(page, FIRST, { length: 0, caret: null }, 'a new field has no caret');
    await clickField(page, 'first');
    await page.keyboard.type('Secr3t!');
    await expectDrawing(page, FIRST, { length: 7, caret: 7 }, 'seven characters typed');
    await press(page, 'ArrowLeft', 'ArrowLeft');
    await expectDrawing(page, FIRST, { length: 7, caret: 5 }, 'two steps left');
    await press(page, 'Backspace');
    await expectDrawing(page, FIRST, { length: 6, caret: 4 }, 'Backspace before the caret');
    await page.keyboard.type('x');
    await press(page, 'Home');
    await expectDrawing(page, FIRST, { length: 7, caret: 0 }, 'Home');
    await press(page, 'Delete');
    await page.keyboard.type('A');
    await press(page, 'End', 'ArrowRight');
    await expectDrawing(page, FIRST, { length: 7, caret: 7 }, 'End, and Right at the end');
    await page.keyboard.type('9');

    await clickField(page, 'second');
    await page.keyboard.type('other Pass');
    await expectDrawing(page, SECOND, { length: 10, caret: 10 }, 'the second field typed');
    await expectDrawing(
      page,
      FIRST,
      { length: 8, caret: null },
      'the first field keeps its bullets, not the focus',
    );

    assert.equal(await password(page, 'first'), 'Aecrxt!9');
    assert.equal(await password(page, 'second'), 'other Pass');
  });

  it('gives the page none of the typed keys and no way into the frame; paste keys insert nothing', async () => {
    await page.evaluate(() => {
      window.seen.length = 0;
    });
    await clickField(page, 'second');
    await press(page, 'End');
    await page.keyboard.type('k3y$');
    for (const key of ['v', 'c', 'x', 'a']) {
      await page.keyboard.down('Control');
      await page.keyboard.press(key);
      await page.keyboard.up('Control');
    }
    await expectDrawing(
      page,
      SECOND,
      { length: 14, caret: 14 },
      'four more characters, none from Control keys',
    );
    assert.deepEqual(
      await page.evaluate(() => window.seen),
      [],
      'the page saw key or input events',
    );

    // Return is left to the page by the plug-in: it arrives on the element, and only it.
    await press(page, 'Enter');
    await until(
      async () => (await page.evaluate(() => window.seen.length)) >= 2,
      'Return on the element',
    );
    await sleep(100);
    const seen = await page.evaluate(() => window.seen);
    assert.deepEqual(
      seen.map((event) => `${event.type} ${event.key} ${event.target}`),
      ['keydown Enter second', 'keydown Enter second', 'keyup Enter second', 'keyup Enter second'],
    );

    const reach = await page.evaluate(() => {
      const found = [];
      for (const id of ['first', 'second']) {
        const element = document.getElementById(id);
        const box =
          element.localName === 'embed' ? element.nextElementSibling : element.lastElementChild;
        found.push(
          `${id}: shadowRoot ${box.shadowRoot}, iframe ${document.querySelector('iframe')}`,
        );
      }
      for (let i = 0; i < window.length; i += 1) {
        try {
          found.push(`frame ${i}: ${window[i].document.body.textContent}`);
        } catch (error) {
          found.push(`frame ${i}: ${error.name}`);
        }
      }
      return found;
    });
    for (const line of reach) {
      assert.match(line, /shadowRoot null, iframe null|SecurityError/, line);
    }
    assert.equal(await password(page, 'second'), 'other Passk3y$');
  });

  it('answers the six methods as the plug-in does and ignores the 127th character', async () => {
    const machine = identify();
    assert.deepEqual(await callField(page, 'first', 'GetDllVersion'), { ok: true, value: '1600' });
    // The test's calls count as the user's gesture: the first that reads the computer's identity
    // has the user asked whether this site may (identity.test.mjs tests the question itself).
    const nic = callField(page, 'first', 'GetActiveNIC');
    await answerQuestion(await questionWindow(session.browser), 'allow');
    assert.deepEqual(await nic, { ok: true, value: machine.nic });
    assert.deepEqual(await callField(page, 'second', 'GetHardDiskNUM'), {
      ok: true,
      value: machine.disk,
    });

    const encoded = await callField(page, 'first', 'EncodeData', "the page's own text");
    assert.equal(decode(encoded.value).clear, "the page's own text");
    assert.deepEqual(await callField(page, 'first', 'EncodeData', 42), { ok: true, value: '' });

    assert.deepEqual(await callField(page, 'first', 'Clearpassword'), { ok: true, value: true });
    await expectDrawing(page, FIRST, { length: 0, caret: null }, 'cleared');
    assert.equal(await password(page, 'first'), '');

    const long = Array.from({ length: 127 }, (_, i) => String.fromCharCode(33 + (i % 90))).join('');
    await clickField(page, 'first');
    await page.keyboard.type(long);
    await expectDrawing(page, FIRST, { length: 126, caret: 126 }, 'a full field');
    assert.equal(await password(page, 'first'), long.slice(0, 126));
  });

  it('runs one host per tab; removing an element ends its instance, closing the tab the host, which exits clean', async () => {
    const earlier = new Set(session.hostRuns().map((run) => run.wrapper));
    const tab = await session.newPage('fields.html');
    await waitForReady(tab, ['first', 'second']);
    const runs = () => session.hostRuns().filter((run) => !earlier.has(run.wrapper));
    assert.equal(runs().length, 1, 'one host for the tab');
    await clickField(tab, 'first');
    await tab.keyboard.type('gone soon');
    await expectDrawing(tab, FIRST, { length: 9, caret: 9 }, 'typed before removal');

    await tab.evaluate(() => document.getElementById('first').remove());
    const detached = await tab.evaluate(() => {
      const element = document.createElement('object');
      element.type = 'application/x-secure-password';
      return element.GetPassword().then(
        () => 'answered',
        (error) => error.message,
      );
    });
    assert.match(detached, /not in a document/);
    assert.deepEqual(await callField(tab, 'second', 'GetDllVersion'), { ok: true, value: '1600' });
    await sleep(300);
    assert.equal(runs()[0].status, null, 'the tab still has a field: its host runs on');

    await tab.close();
    await until(
      () => runs().every((run) => run.status !== null),
      'the host of the closed tab ending',
    );
    for (const run of runs()) {
      assert.equal(run.status, 0, run.log);
      assert.ok(run.log.includes(CLEAN_REPORT), run.log);
    }
  });

  it('contains a host crash or a missing host: the field reports it, its methods reject, the page goes on, a new field works', async () => {
    const tab = await session.newPage('empty.html');
    const earlier = new Set(session.hostRuns().map((run) => run.wrapper));
    await tab.evaluate(() => addField('doomed', 200, 24));
    await waitForReady(tab, ['doomed']);
    const [run] = session.hostRuns().filter((candidate) => !earlier.has(candidate.wrapper));
    await clickField(tab, 'doomed');
    await tab.keyboard.type('lost');
    await expectDrawing(tab, '200x24', { length: 4, caret: 4 }, 'typed before the crash');

    process.kill(run.hostPid, 'SIGKILL');
    const error = await until(
      async () => (await fieldEvents(tab)).find((event) => event.type === 'securepassworderror'),
      'the error event',
    );
    assert.equal(error.id, 'doomed');
    assert.match(error.message, /secure password field stopped/);
    const answer = await callField(tab, 'doomed', 'GetPassword');
    assert.deepEqual(answer, { ok: false, message: error.message });
    const ticks = await tab.evaluate(() => window.ticks);
    await sleep(200);
    assert.ok((await tab.evaluate(() => window.ticks)) > ticks, "the page's timers stopped");

    const installed = session.hostProgram;
    session.useHost('/nonexistent/securepassword-host');
    await tab.evaluate(() => addField('hostless', 210, 25));
    const missing = await until(
      async () =>
        (await fieldEvents(tab)).find(
          (event) => event.type === 'securepassworderror' && event.id === 'hostless',
        ),
      'the error event of a field without its host',
    );
    assert.match(missing.message, /secure password field could not start/);
    session.useHost(installed);

    await tab.evaluate(() => addField('fresh', 220, 26));
    await waitForReady(tab, ['fresh']);
    await clickField(tab, 'fresh');
    await tab.keyboard.type('works');
    await expectDrawing(tab, '220x26', { length: 5, caret: 5 }, 'the new field typed');
    assert.equal(await password(tab, 'fresh'), 'works');
    await tab.close();
  });
});
