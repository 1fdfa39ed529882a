// The secure password field as assistive technology, the keyboard and the eye meet it, in a real
// browser and beside the browser's own password input: the accessibility tree of the field's
// frame (Chromium, read on the frame's own target) against a plain input's, axe-core inside the
// frame and over the page, the order of Tab and Shift+Tab through a form, and screenshots of the
// field beside a plain input (light, dark, right to left, forced colours) checked by their pixels.
// login.html holds the fields, labelled each way a page may label them; login.html?plain the same
// form with plain password inputs in their places. SPW_SCREENSHOT_DIR, if set, keeps the shots.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';

import { Pixels, luminance } from './pixels.mjs';
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

const FIELDS = ['byFor', 'wrapped', 'byAria', 'byRefs', 'skipped'];
// Each field of login.html has a width of its own: its frame is known by it.
const WIDTHS = { byFor: 200, wrapped: 201, byAria: 202, byRefs: 203, skipped: 204 };
const SHOTS = process.env.SPW_SCREENSHOT_DIR;
const AXE_SOURCE = fs.readFileSync(
  createRequire(import.meta.url).resolve('axe-core/axe.min.js'),
  'utf8',
);
// Rules about a whole page (its landmarks, its headings, a way to skip blocks): axe judges them on
// the top page only; the field's frame is a part of the page, not a page.
const WHOLE_PAGE_RULES = ['region', 'landmark-one-main', 'page-has-heading-one', 'bypass'];
// Firefox's forced colours, as a high-contrast theme of white on black sets them.
const FIREFOX_FORCED_COLOURS = {
  'browser.display.document_color_use': 2,
  'browser.display.use_system_colors': false,
  'browser.display.background_color': '#000000',
  'browser.display.foreground_color': '#ffffff',
  'ui.useAccessibilityTheme': 1,
};

// The id of the element that has the page's focus: a field's element when its box has it.
function focusedElement(page) {
  return page.evaluate(() => {
    const active = document.activeElement;
    if (active?.localName === 'span' && active.parentElement?.localName === 'object') {
      return active.parentElement.id;
    }
    if (active?.localName === 'span' && active.previousElementSibling?.localName === 'embed') {
      return active.previousElementSibling.id;
    }
    return active?.id || active?.localName;
  });
}

// Presses Tab or Shift+Tab and answers where the focus went, once it has settled there.
async function moveFocus(page, key) {
  const was = await focusedElement(page);
  if (key === 'Shift+Tab') await page.keyboard.down('Shift');
  await page.keyboard.press('Tab');
  if (key === 'Shift+Tab') await page.keyboard.up('Shift');
  // On its way into a frame, the focus is on the page's body for a moment.
  let now = was;
  await until(
    async () => (now = await focusedElement(page)) !== was && now !== 'body',
    `the focus leaving ${was}`,
    2000,
  ).catch(() => {});
  // A person takes longer than this between two keys; the field's news of its focus, which tells
  // where Shift+Tab came from, takes a few milliseconds.
  await sleep(100);
  return now;
}

async function typed(page, id) {
  const answer = await callField(page, id, 'GetPassword');
  assert.equal(answer.ok, true, `GetPassword on ${id}: ${answer.message}`);
  return answer.value === '' ? '' : decode(answer.value).clear;
}

// --- Chromium's accessibility tree and DevTools sessions on the field frames. ---

// What assistive technology is told of a node, as the test compares it.
function told(node) {
  const properties = Object.fromEntries(
    (node.properties ?? []).map((property) => [property.name, property.value.value]),
  );
  return {
    role: node.role?.value,
    name: node.name?.value ?? '',
    description: node.description?.value ?? '',
    value: node.value?.value ?? '',
    focusable: properties.focusable === true,
    focused: properties.focused === true,
    required: properties.required === true,
    invalid: properties.invalid,
    multiline: properties.multiline,
    readonly: properties.readonly,
  };
}

async function textBoxes(session) {
  await session.send('Accessibility.enable');
  const { nodes } = await session.send('Accessibility.getFullAXTree');
  return nodes.filter((node) => !node.ignored && node.role?.value === 'textbox').map(told);
}

// A DevTools session on each field frame of the page, by the field's id (its frame's width):
// the page's own session does not reach an extension's frame.
async function fieldSessions(page) {
  const browserSession = await page.browser().target().createCDPSession();
  const urls = new Set(page.frames().map((frame) => frame.url()));
  const { targetInfos } = await browserSession.send('Target.getTargets');
  const sessions = {};
  for (const target of targetInfos) {
    if (!target.url.includes('/field.html#') || !urls.has(target.url)) continue;
    const { sessionId } = await browserSession.send('Target.attachToTarget', {
      targetId: target.targetId,
      flatten: true,
    });
    const session = browserSession.connection().session(sessionId);
    const width = await evaluate(session, () => innerWidth);
    const id = Object.keys(WIDTHS).find((key) => WIDTHS[key] === width);
    if (id !== undefined) sessions[id] = session;
  }
  return sessions;
}

// Runs a script's source in a frame; answers its value.
async function run(session, expression) {
  const { result, exceptionDetails } = await session.send('Runtime.evaluate', {
    expression,
    returnByValue: true,
    awaitPromise: true,
  });
  if (exceptionDetails !== undefined) throw new Error(exceptionDetails.exception?.description);
  return result.value;
}

function evaluate(session, fn, ...args) {
  return run(session, `(${fn.toString()})(...${JSON.stringify(args)})`);
}

async function fieldsTold(sessions) {
  const byField = {};
  for (const [id, session] of Object.entries(sessions)) [byField[id]] = await textBoxes(session);
  return byField;
}

// --- What the screenshots show. ---

async function shoot(page, name) {
  const png = await page.screenshot();
  if (SHOTS !== undefined) {
    fs.mkdirSync(SHOTS, { recursive: true });
    fs.writeFileSync(path.join(SHOTS, `${BROWSER}-${name}.png`), png);
  }
  return new Pixels(png, await page.evaluate(() => devicePixelRatio));
}

function near(one, other, tolerance, what) {
  const far = one.some((channel, i) => Math.abs(channel - other[i]) > tolerance);
  assert.ok(!far, `${what}: ${JSON.stringify(one)} is not ${JSON.stringify(other)}`);
}

// Types into the plain input and into the field of look.html, then shoots the page twice: with
// the field focused, and with the plain input focused. Checks that the field looks like the
// plain input: the same background, as many bullets on the same side, a focus ring that comes
// and goes with the focus as the plain input's does.
async function compareLook(page, mode, { rtl = false } = {}) {
  await waitForReady(page, ['field']);
  await page.click('#plain');
  await page.keyboard.type('Pa55wd');
  await clickField(page, 'field');
  await page.keyboard.type('Pa55wd');
  await until(
    async () => (await focusedElement(page)) === 'field',
    `${mode}: the field focused`,
    2000,
  );
  await sleep(300); // the ring follows the frame's news of its focus
  const fieldFocused = await shoot(page, `${mode}-field-focused`);
  await page.click('#plain');
  await sleep(300);
  const plainFocused = await shoot(page, `${mode}-plain-focused`);
  // Where each box is drawn: the plain input, and the field's box inside its <object>.
  const boxes = await page.evaluate(() => {
    const rect = (element) => {
      const { left, top, right, bottom } = element.getBoundingClientRect();
      return { left, top, right, bottom };
    };
    const plain = document.getElementById('plain');
    return { plain: rect(plain), field: rect(document.getElementById('field').lastElementChild) };
  });
  const pageColour = plainFocused.at(5, 5);
  const inside = (box) => ({
    left: box.left + 4,
    top: box.top + 4,
    right: box.right - 4,
    bottom: box.bottom - 4,
  });
  // The box's own colour, far from its text.
  const background = (box) =>
    plainFocused.at(rtl ? box.left + 30 : box.right - 30, (box.top + box.bottom) / 2);
  const fieldBackground = background(boxes.field);
  const plainBackground = background(boxes.plain);
  near(fieldBackground, plainBackground, 12, `${mode}: the field's background`);

  const fieldInk = plainFocused.inked(inside(boxes.field), fieldBackground);
  const plainInk = plainFocused.inked(inside(boxes.plain), plainBackground);
  assert.ok(
    fieldInk.count > 0.6 * plainInk.count && fieldInk.count < 1.6 * plainInk.count,
    `${mode}: the field's bullets cover ${fieldInk.count} pixels, the plain input's ${plainInk.count}`,
  );
  for (const [which, ink, box] of [
    ['field', fieldInk, boxes.field],
    ['plain input', plainInk, boxes.plain],
  ]) {
    const middle = (box.left + box.right) / 2;
    assert.equal(ink.meanX > middle, rtl, `${mode}: the ${which}'s bullets on the wrong side`);
  }

  // The field's ring is there in the first shot and gone in the second; the plain input's the
  // other way round; nothing else moves.
  const ringChanges = (box) => fieldFocused.ringChanges(plainFocused, box);
  assert.ok(ringChanges(boxes.field) > 40, `${mode}: the field's focus ring`);
  assert.ok(ringChanges(boxes.plain) > 40, `${mode}: the plain input's focus ring`);
  const afterButton = await page.evaluate(() => {
    const { left, top, right, bottom } = document.getElementById('after').getBoundingClientRect();
    return { left, top, right, bottom };
  });
  assert.equal(ringChanges(afterButton), 0, `${mode}: the button changed`);
  return { fieldBackground, pageColour };
}

describe(`the field for everyone in ${BROWSER}: assistive technology, keyboard, look`, () => {
  let session;

  before(async () => {
    session = await Session.start();
  });

  after(async () => {
    await session?.close();
  });

  it(
    'is, to assistive technology, the password text box a plain input is, named and described by the page, and kept so',
    {
      skip: BROWSER !== 'chromium' && 'the accessibility tree is read through Chromium',
    },
    async () => {
      const plain = await session.newPage('login.html?plain');
      await plain.click('#byFor');
      await plain.keyboard.type('Q7%kJ9');
      const plainTold = {};
      const plainSession = await plain.target().createCDPSession();
      for (const node of await textBoxes(plainSession)) plainTold[node.name] = node;
      await plain.close();

      const page = await session.newPage('login.html');
      await waitForReady(page, FIELDS);
      await clickField(page, 'byFor');
      await page.keyboard.type('Q7%kJ9');
      const sessions = await fieldSessions(page);
      assert.deepEqual(Object.keys(sessions).sort(), [...FIELDS].sort(), 'a frame for each field');
      const fields = await until(async () => {
        const now = await fieldsTold(sessions);
        return now.byFor?.value === '\u2022'.repeat(6) && now.byFor.focused && now;
      }, "the typed field's bullets and focus");
      for (const [id, name] of [
        ['byFor', 'Password'],
        ['wrapped', 'Password again'],
        ['byAria', 'PIN'],
        ['byRefs', 'Card code'],
        ['skipped', 'Old password'],
      ]) {
        assert.equal(fields[id]?.name, name, `${id} named by the page`);
        assert.deepEqual(fields[id], plainTold[name], `${id} told as the plain input in its place`);
      }
      assert.equal(fields.byFor.description, 'At least 8 characters.');
      assert.equal(fields.byFor.required, true);
      assert.equal(fields.byAria.invalid, 'true');

      // The page changes its label, description and states: the field follows; its text is text.
      await page.evaluate(() => {
        document.querySelector('label[for="byFor"]').textContent =
          '<img src=x onerror="top.pwned = 1">New password';
        document.getElementById('hint').textContent = 'Too short.';
        document.getElementById('byFor').setAttribute('aria-invalid', 'true');
        document.getElementById('byFor').removeAttribute('required');
        document.getElementById('byAria').setAttribute('aria-required', 'true');
      });
      let changed;
      await until(async () => {
        [changed] = await textBoxes(sessions.byFor);
        return changed.description === 'Too short.' && changed.invalid === 'true';
      }, 'the changed label reaching the field').catch((error) => {
        throw new Error(`${error.message}: ${JSON.stringify(changed)}`);
      });
      assert.equal(changed.name, '<img src=x onerror="top.pwned = 1">New password');
      assert.equal(changed.required, false);
      await until(
        async () => (await textBoxes(sessions.byAria))[0].required,
        'aria-required reaching the field',
      );
      const frame = await evaluate(sessions.byFor, () => ({
        field: document.getElementById('field').textContent,
        backdrop: /** @type {HTMLInputElement} */ (document.getElementById('backdrop')).value,
        images: document.querySelectorAll('img').length,
        text: document.documentElement.textContent,
      }));
      assert.equal(frame.field, '\u2022'.repeat(6), 'the text box holds bullets only');
      assert.equal(frame.backdrop, '', 'the backdrop input holds nothing');
      assert.equal(frame.images, 0, "the page's text made an element in the frame");
      for (const character of 'Q7%kJ9') {
        assert.ok(!frame.text.includes(character), `the frame holds a typed "${character}"`);
      }
      assert.equal(await page.evaluate(() => window.pwned), undefined);
      await page.close();
    },
  );

  it(
    'gives axe-core nothing to report, inside the frame or over the page, that a plain input does not give it',
    {
      skip: BROWSER !== 'chromium' && "the frame's own target is reached through Chromium",
    },
    async () => {
      // Each violation as its rule and the elements it found.
      const audit = (options) =>
        axe
          .run(document, options)
          .then((results) =>
            results.violations.map(
              (found) => `${found.id}: ${found.nodes.map((node) => node.html)}`,
            ),
          );
      const plain = await session.newPage('login.html?plain');
      await plain.evaluate(AXE_SOURCE);
      const plainViolations = await plain.evaluate(audit, {});
      await plain.close();

      const page = await session.newPage('login.html');
      await waitForReady(page, FIELDS);
      await page.evaluate(AXE_SOURCE);
      const pageViolations = await page.evaluate(audit, {});
      const frameOptions = {
        rules: Object.fromEntries(WHOLE_PAGE_RULES.map((rule) => [rule, { enabled: false }])),
      };
      const frameViolations = {};
      for (const [id, frameSession] of Object.entries(await fieldSessions(page))) {
        await run(frameSession, AXE_SOURCE);
        frameViolations[id] = await evaluate(frameSession, audit, frameOptions);
      }
      await page.close();
      const plainRules = plainViolations.map((found) => found.split(':')[0]);
      const beyondPlain = (found) =>
        found.filter((violation) => !plainRules.includes(violation.split(':')[0]));
      assert.deepEqual(beyondPlain(pageViolations), [], 'over the page with the fields');
      for (const id of FIELDS) {
        assert.deepEqual(beyondPlain(frameViolations[id]), [], `inside the frame of ${id}`);
      }
    },
  );

  it("is reached and left by Tab and Shift+Tab in the page's order, as its tabindex says, and by focus() and its label", async () => {
    const page = await session.newPage('login.html');
    await waitForReady(page, FIELDS);
    // A tabindex of 0 leaves the field where it is (Firefox then lets the <object> itself take the
    // focus on the way into the field and out of it).
    await page.evaluate(() => document.getElementById('byFor').setAttribute('tabindex', '0'));
    await sleep(100);
    await page.focus('#user');
    const forward = [];
    for (const text of ['one', 'two', 'three', 'four', '']) {
      forward.push(await moveFocus(page, 'Tab'));
      if (text !== '') await page.keyboard.type(text);
    }
    assert.deepEqual(forward, ['byFor', 'wrapped', 'byAria', 'byRefs', 'submit']);
    const backward = [];
    for (let i = 0; i < 5; i += 1) backward.push(await moveFocus(page, 'Shift+Tab'));
    assert.deepEqual(backward, ['byRefs', 'byAria', 'wrapped', 'byFor', 'user']);
    assert.equal(await typed(page, 'byFor'), 'one', 'the keys went to the field Tab reached');
    assert.equal(await typed(page, 'byRefs'), 'four');
    assert.equal(await page.$eval('#user', (input) => input.value), '');

    // focus() reaches a field out of the order of Tab (tabindex -1), as it reaches such an input.
    await page.evaluate(() => document.getElementById('skipped').focus());
    await until(async () => (await focusedElement(page)) === 'skipped', 'focus() on the element');

    // A positive tabindex puts the field first, with the element of the next index after it.
    await page.evaluate(() => {
      document.getElementById('byRefs').setAttribute('tabindex', '1');
      document.getElementById('user').setAttribute('tabindex', '2');
    });
    // The field's box (after an <embed>) takes the element's new place in the order.
    await until(
      async () =>
        (await page.$eval('#byRefs', (embed) =>
          embed.nextElementSibling?.getAttribute('tabindex'),
        )) === '1',
      "the field's box taking tabindex 1",
    );
    await page.evaluate(() => document.getElementById('byRefs').focus());
    await until(async () => (await focusedElement(page)) === 'byRefs', 'focus() on the <embed>');
    // Chromium moves the keyboard into the frame a moment after the page's focus(): a Tab within
    // a few milliseconds of it (no person is that quick) can start from the page's old place.
    await sleep(300);
    assert.equal(await moveFocus(page, 'Tab'), 'user');
    assert.equal(await moveFocus(page, 'Tab'), 'byFor');
    assert.equal(await moveFocus(page, 'Shift+Tab'), 'user');
    assert.equal(await moveFocus(page, 'Shift+Tab'), 'byRefs');

    // focus() does not reach a field that is not shown; a click on a label reaches its field.
    await page.evaluate(() => {
      document.getElementById('byAria').style.display = 'none';
      document.getElementById('byAria').focus();
    });
    await sleep(100);
    assert.equal(await focusedElement(page), 'byRefs', 'a field not shown took the focus');
    await page.click('label[for="byFor"]');
    await until(async () => (await focusedElement(page)) === 'byFor', 'the label focusing');
    await page.close();
  });

  it('looks like the plain input beside it: light, dark, right to left, each with its focus ring', async () => {
    const page = await session.browser.newPage();
    for (const [mode, query] of [
      ['light', ''],
      ['dark', '?dark'],
      ['rtl', '?rtl'],
    ]) {
      await page.goto(`${session.origin}/look.html${query}`);
      const { fieldBackground } = await compareLook(page, mode, { rtl: mode === 'rtl' });
      const light = luminance(fieldBackground);
      assert.ok(mode === 'dark' ? light < 100 : light > 200, `${mode}: background ${light}`);
    }
    await page.close();
  });

  it('looks like the plain input beside it in forced colours, and shows its focus ring there', async () => {
    if (BROWSER === 'chromium') {
      const page = await session.newPage('look.html');
      await waitForReady(page, ['field']);
      // The forced colours of a dark high-contrast theme, on the page and in the field's frame.
      const features = [
        { name: 'forced-colors', value: 'active' },
        { name: 'prefers-color-scheme', value: 'dark' },
      ];
      const targets = [await page.target().createCDPSession()];
      targets.push(...Object.values(await fieldSessions(page)));
      for (const target of targets) await target.send('Emulation.setEmulatedMedia', { features });
      const { pageColour } = await compareLook(page, 'forced');
      assert.ok(luminance(pageColour) < 60, 'the forced colours are dark');
      await page.close();
      return;
    }
    const forced = await Session.start({ firefoxPrefs: FIREFOX_FORCED_COLOURS });
    try {
      const page = await forced.newPage('look.html');
      assert.equal(await page.evaluate(() => matchMedia('(forced-colors: active)').matches), true);
      const { pageColour } = await compareLook(page, 'forced');
      assert.ok(luminance(pageColour) < 60, 'the forced colours are dark');
    } finally {
      await forced.close();
    }
  });
});
