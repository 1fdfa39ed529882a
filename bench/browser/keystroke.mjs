// Keystroke to bullets in a real browser (headless Chromium with the extension): for each key,
// the time from the key event (its timestamp, set when the browser dispatched it) to the field's
// bullets and caret being redrawn, taken inside the field frame. Two fields in two tabs (each tab
// has its own native host): one on the real native host (securepassword-host running the
// plug-in), one on a bare echo host with the same framing (securepassword-echo-host), over the
// same path; keys go to them in alternating blocks. Also the round trip of a method call from the
// page (GetDllVersion). Prints the median and 99th percentile of each and the ratios real / echo
// with their goals. Not a test: run by hand,
//   node bench/browser/keystroke.mjs [--keys N]     (SPW_BUILD_DIR: default build/default)
// after `bash tools/install-node-packages.sh` and a build of the default preset.
import path from 'node:path';

import {
  BUILD_DIR,
  HOST_PROGRAM,
  Session,
  callField,
  clickField,
  evaluateInFrame,
  frameOfSize,
  until,
  waitForReady,
} from '../../tests/browser/support.mjs';

const ECHO_HOST = path.join(BUILD_DIR, 'bench', 'browser', 'securepassword-echo-host');
const argument = process.argv.indexOf('--keys');
const KEYS = argument > 0 ? Number(process.argv[argument + 1]) : 500;
const BLOCK = 50;
const WARM_UP = 20;
const CALLS = 300;

const FIELDS = {
  real: { id: 'real', size: '240x28', program: HOST_PROGRAM },
  echo: { id: 'echo', size: '260x30', program: ECHO_HOST },
};

// Installed in a field frame: records, per key down, the time from the event's timestamp to the
// next change of the field's drawing.
function instrument() {
  window.latencies = [];
  let pressed = null;
  window.addEventListener(
    'keydown',
    (event) => {
      pressed = event.timeStamp;
    },
    true,
  );
  new MutationObserver(() => {
    if (pressed === null) return;
    window.latencies.push(performance.now() - pressed);
    pressed = null;
  }).observe(document.getElementById('field'), {
    subtree: true,
    childList: true,
    characterData: true,
  });
  return true;
}

function percentile(values, p) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.ceil((p / 100) * sorted.length) - 1)];
}

function line(name, values) {
  const median = percentile(values, 50);
  const p99 = percentile(values, 99);
  console.log(
    `  ${name.padEnd(6)} median ${median.toFixed(3).padStart(7)} ms   p99 ${p99.toFixed(3).padStart(7)} ms   (${values.length})`,
  );
  return { median, p99 };
}

function ratio(what, real, echo, goal) {
  const value = real / echo;
  console.log(
    `  ${what.padEnd(14)} ${value.toFixed(2)}x  (goal <= ${goal}x: ${value <= goal ? 'met' : 'NOT met'})`,
  );
}

const session = await Session.start({ browser: 'chromium' });
try {
  for (const field of Object.values(FIELDS)) {
    session.useHost(field.program);
    const page = await session.newPage('empty.html');
    field.page = page;
    const [width, height] = field.size.split('x');
    await page.evaluate((id, w, h) => addField(id, w, h), field.id, Number(width), Number(height));
    await waitForReady(page, [field.id]);
    field.frame = await frameOfSize(page, field.size);
    await evaluateInFrame(page, field.frame, instrument);
  }

  // One key to one field: a character, then Backspace, so every key changes the drawing.
  let typed = 0;
  async function keys(field, count) {
    const { page } = field;
    await page.bringToFront();
    // The latency is taken from the frame's own key events: the keys must go straight to the
    // frame, not through the page's side (where a click whose focus stayed in the box sends them).
    const focused = () => evaluateInFrame(page, field.frame, () => document.hasFocus());
    await clickField(page, field.id);
    for (let click = 0; click < 2; click += 1) {
      if (await until(focused, 'the field frame focused', 2000).catch(() => false)) break;
      await clickField(page, field.id);
    }
    for (let i = 0; i < count; i += 1) {
      const before = await evaluateInFrame(page, field.frame, () => window.latencies.length);
      await page.keyboard.press(typed % 2 === 0 ? 'a' : 'Backspace');
      typed += 1;
      await until(
        async () =>
          (await evaluateInFrame(page, field.frame, () => window.latencies.length)) > before,
        'the field redrawn',
      );
    }
  }
  const latencies = async (field) =>
    evaluateInFrame(field.page, field.frame, () => window.latencies);

  for (const field of Object.values(FIELDS)) await keys(field, WARM_UP);
  const skip = {
    real: (await latencies(FIELDS.real)).length,
    echo: (await latencies(FIELDS.echo)).length,
  };
  for (let done = 0; done < KEYS; done += BLOCK) {
    for (const field of Object.values(FIELDS)) await keys(field, Math.min(BLOCK, KEYS - done));
  }

  const calls = { real: [], echo: [] };
  for (let i = 0; i < CALLS; i += 1) {
    for (const field of Object.values(FIELDS)) {
      const start = performance.now();
      const answer = await field.page.evaluate(async (id) => {
        const begin = performance.now();
        await document.getElementById(id).GetDllVersion();
        return performance.now() - begin;
      }, field.id);
      calls[field.id].push(answer);
      if (performance.now() - start > 10000) throw new Error('a method call took over 10 s');
    }
  }
  const check = await callField(FIELDS.real.page, 'real', 'GetDllVersion');
  if (check.value !== '1600') throw new Error(`the real host answered ${JSON.stringify(check)}`);

  console.log(`Keystroke to bullets, Chromium, ${KEYS} keys per host:`);
  const real = line('real', (await latencies(FIELDS.real)).slice(skip.real));
  const echo = line('echo', (await latencies(FIELDS.echo)).slice(skip.echo));
  ratio('median ratio', real.median, echo.median, 1.3);
  ratio('p99 ratio', real.p99, echo.p99, 2);
  console.log(`Method call round trip, page to host and back (GetDllVersion), ${CALLS} calls:`);
  const realCall = line('real', calls.real);
  const echoCall = line('echo', calls.echo);
  ratio('median ratio', realCall.median, echoCall.median, 1.3);
} finally {
  await session.close();
}
