// What a page can make the secure password field cost, whatever it does: a thousand fields, fields
// in frames of another site, fields added and removed in a loop, many tabs, requests too long for
// the native host. Each tab has one host, holding at most 32 instances (16 per document); the
// browser runs at most 16 hosts; a field past a bound fails with a message that says so, the
// fields within the bounds keep working, and every call settles.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { after, before, describe, it } from 'node:test';

import {
  BROWSER,
  Session,
  callField,
  clickField,
  decode,
  sleep,
  until,
  waitForReady,
} from './support.mjs';

const CLEAN_REPORT = 'securepassword-host: report clean, exit status 0';

// Resident memory of a running process, in MB.
function residentMB(pid) {
  const status = fs.readFileSync(`/proc/${pid}/status`, 'utf8');
  return Number(/VmRSS:\s+(\d+)/.exec(status)[1]) / 1024;
}

// The field events each document of the page has seen (main page and its frames of other sites).
async function eventsByDocument(page) {
  const all = [];
  for (const frame of page.frames()) {
    if (!frame.url().startsWith('http')) continue;
    all.push(...(await frame.evaluate(() => window.fieldEvents ?? []).catch(() => [])));
  }
  return all;
}

describe(`the field's cost under a hostile page in ${BROWSER}`, () => {
  let session;

  before(async () => {
    session = await Session.start();
  });

  after(async () => {
    await session?.close();
  });

  const newRuns = (earlier) => session.hostRuns().filter((run) => !earlier.has(run.wrapper));

  it('runs one host for a page of 1,000 fields and frames of another site, within its bounds', async () => {
    const earlier = new Set(session.hostRuns().map((run) => run.wrapper));
    const page = await session.browser.newPage();
    await page.goto(
      `${session.origin}/many?fields=1000&frames=4&frameFields=10&other=${session.otherOrigin}`,
    );
    const events = await until(
      async () => {
        const seen = await eventsByDocument(page);
        return seen.length === 1040 && seen;
      },
      'an answer for every field',
      60000,
    );
    const ready = events.filter((event) => event.type === 'securepasswordready');
    const refused = events.filter((event) => event.type === 'securepassworderror');
    assert.equal(ready.length, 32, 'the fields of the tab within its bound');
    assert.ok(refused.every((event) => /the most one (page|tab) may have/.test(event.message)));
    assert.equal(refused.filter((event) => /page/.test(event.message)).length, 1000 - 16);

    const runs = newRuns(earlier);
    assert.equal(runs.length, 1, 'one host for the tab');
    const memory = residentMB(runs[0].hostPid);
    assert.ok(memory < 64, `the host holds ${memory.toFixed(1)} MB with 32 instances`);

    // A field within the bounds works; one past them rejects its calls with its message.
    await clickField(page, 'f0');
    await page.keyboard.type('within');
    const answer = await callField(page, 'f0', 'GetPassword');
    assert.equal(decode(answer.value).clear, 'within');
    const past = await callField(page, 'f999', 'GetDllVersion');
    assert.equal(past.ok, false);
    assert.match(past.message, /the most one page may have/);

    await page.close();
    await until(() => newRuns(earlier).every((run) => run.status !== null), 'the host ending');
    assert.equal(runs.length, 1);
    const [ended] = newRuns(earlier);
    assert.equal(ended.status, 0, ended.log);
    assert.ok(ended.log.includes(CLEAN_REPORT), ended.log);
  });

  it('keeps one host and flat memory while a page adds and removes fields in a loop', async () => {
    const earlier = new Set(session.hostRuns().map((run) => run.wrapper));
    const page = await session.newPage('empty.html');
    await page.evaluate(() => addField('steady', 200, 24));
    await waitForReady(page, ['steady']);
    const [host] = newRuns(earlier);
    const atStart = residentMB(host.hostPid);
    await page.evaluate(async () => {
      for (let i = 0; i < 300; i += 1) {
        const field = addField(`churn${i}`, 30, 10);
        await new Promise((resolve) => setTimeout(resolve, i % 10 === 0 ? 20 : 0));
        field.remove();
      }
    });
    await page.evaluate(() => addField('last', 210, 25));
    await waitForReady(page, ['last']);
    assert.deepEqual(await callField(page, 'last', 'GetDllVersion'), { ok: true, value: '1600' });
    await sleep(500);
    assert.equal(newRuns(earlier).length, 1, 'one host all along');
    const grown = residentMB(host.hostPid) - atStart;
    assert.ok(grown < 8, `the host grew by ${grown.toFixed(1)} MB over 300 fields`);
    await page.close();
  });

  it('settles a call too long for the host, and fails a field whose first request is too long', async () => {
    const page = await session.newPage('empty.html');
    await page.evaluate(() => addField('long', 200, 24));
    await waitForReady(page, ['long']);
    const refused = await callField(page, 'long', 'EncodeData', 'x'.repeat(70000));
    assert.equal(refused.ok, false);
    assert.match(refused.message, /too long/);
    assert.deepEqual(await callField(page, 'long', 'GetDllVersion'), { ok: true, value: '1600' });

    await page.evaluate(() => {
      const field = addField('bloated', 200, 24);
      field.setAttribute('data-filler', 'y'.repeat(70000));
    });
    const failed = await until(
      async () =>
        (await page.evaluate(() => window.fieldEvents)).find((event) => event.id === 'bloated'),
      'the bloated field answering',
    );
    assert.equal(failed.type, 'securepassworderror');
    assert.match(failed.message, /too long/);
    await page.close();
  });

  it('runs at most 16 hosts in the browser: a field in one more tab fails and says so', async () => {
    // The tabs of the tests before have gone with their hosts.
    await until(() => session.hostRuns().every((run) => run.status !== null), 'no host running');
    const tabs = [];
    for (let i = 0; i < 16; i += 1) {
      const tab = await session.newPage('empty.html');
      await tab.evaluate(() => addField('one', 100, 20));
      tabs.push(tab);
    }
    const answers = await Promise.all(
      tabs.map((tab) =>
        until(
          async () => (await tab.evaluate(() => window.fieldEvents))[0],
          'each tab field answering',
        ),
      ),
    );
    assert.equal(answers.filter((event) => event.type === 'securepasswordready').length, 16);
    const extra = await session.newPage('empty.html');
    await extra.evaluate(() => addField('extra', 100, 20));
    const refused = await until(
      async () => (await extra.evaluate(() => window.fieldEvents))[0],
      'the extra tab field answering',
    );
    assert.equal(refused.type, 'securepassworderror');
    assert.match(refused.message, /16 tabs already/);
    // A tab closed makes room again.
    await tabs[0].close();
    await extra.evaluate(() => addField('again', 100, 20));
    await waitForReady(extra, ['again']);
    for (const tab of [...tabs.slice(1), extra]) await tab.close();
  });
});
