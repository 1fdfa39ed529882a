// A field's start in a real browser (headless Chromium with the extension): the time from a
// script inserting the element to its "securepasswordready" event, for 1 and for 10 fields at once
// in a fresh tab (which starts the tab's native host), on the real native host (the plug-in) and
// on the bare echo host (same framing, no plug-in) over the same path, in alternating rounds; and
// the resident memory of the tab's host for a page with 1 field and with 40 (of which the page may
// have 16). Prints medians and the ratios with their goals (start: real at most 1.3 times the echo;
// memory: 40 fields at most twice 1 field). Not a test: run by hand,
//   node bench/browser/field-start.mjs [--rounds N]     (SPW_BUILD_DIR: default build/default)
// after `bash tools/install-node-packages.sh` and a build of the default preset.
import fs from 'node:fs';
import path from 'node:path';

import { BUILD_DIR, HOST_PROGRAM, Session, until } from '../../tests/browser/support.mjs';

const ECHO_HOST = path.join(BUILD_DIR, 'bench', 'browser', 'securepassword-echo-host');
const argument = process.argv.indexOf('--rounds');
const ROUNDS = argument > 0 ? Number(process.argv[argument + 1]) : 15;

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

function residentMB(pid) {
  const status = fs.readFileSync(`/proc/${pid}/status`, 'utf8');
  return Number(/VmRSS:\s+(\d+)/.exec(status)[1]) / 1024;
}

// Inserts count fields into a fresh tab and answers the time until the last is ready, in ms.
async function start(session, program, count) {
  session.useHost(program);
  const tab = await session.newPage('empty.html');
  const elapsed = await tab.evaluate(
    (n) =>
      new Promise((resolve, reject) => {
        let ready = 0;
        const begin = performance.now();
        document.addEventListener('securepasswordready', () => {
          ready += 1;
          if (ready === n) resolve(performance.now() - begin);
        });
        document.addEventListener('securepassworderror', (event) => reject(event.message));
        for (let i = 0; i < n; i += 1) addField(`f${i}`, 120, 20);
      }),
    count,
  );
  await tab.close();
  return elapsed;
}

// The resident memory of the host of a tab whose page has count fields, all answered.
async function hostMemory(session, count) {
  session.useHost(HOST_PROGRAM);
  const before = new Set(session.hostRuns().map((run) => run.wrapper));
  const tab = await session.browser.newPage();
  await tab.goto(`${session.origin}/many?fields=${count}`);
  await until(
    async () => (await tab.evaluate(() => window.fieldEvents.length)) === count,
    'every field answered',
    30000,
  );
  const [run] = session.hostRuns().filter((candidate) => !before.has(candidate.wrapper));
  const memory = residentMB(run.hostPid);
  await tab.close();
  await until(() => session.hostRuns().every((each) => each.status !== null), 'the host ending');
  return memory;
}

function ratio(what, value, goal) {
  console.log(
    `  ${what.padEnd(28)} ${value.toFixed(2)}x  (goal <= ${goal}x: ${value <= goal ? 'met' : 'NOT met'})`,
  );
}

const session = await Session.start({ browser: 'chromium' });
try {
  for (const program of [HOST_PROGRAM, ECHO_HOST]) await start(session, program, 1); // warm up
  const times = { real1: [], echo1: [], real10: [], echo10: [] };
  for (let round = 0; round < ROUNDS; round += 1) {
    times.real1.push(await start(session, HOST_PROGRAM, 1));
    times.echo1.push(await start(session, ECHO_HOST, 1));
    times.real10.push(await start(session, HOST_PROGRAM, 10));
    times.echo10.push(await start(session, ECHO_HOST, 10));
  }
  console.log(`Field inserted to ready, Chromium, median of ${ROUNDS} fresh tabs:`);
  for (const [name, values] of Object.entries(times)) {
    console.log(`  ${name.padEnd(8)} ${median(values).toFixed(1).padStart(7)} ms`);
  }
  ratio('1 field, real / echo', median(times.real1) / median(times.echo1), 1.3);
  ratio('10 fields, real / echo', median(times.real10) / median(times.echo10), 1.3);

  const one = await hostMemory(session, 1);
  const forty = await hostMemory(session, 40);
  console.log("Resident memory of the tab's host:");
  console.log(`  1 field   ${one.toFixed(2)} MB\n  40 fields ${forty.toFixed(2)} MB`);
  ratio('40 fields / 1 field', forty / one, 2);
} finally {
  await session.close();
}
