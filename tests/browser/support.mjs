// What the browser tests share: a browser (Chromium or Firefox ESR, by SPW_BROWSER) started
// headless with the extension, the native host installed from the build and registered by the
// install script, the test pages served on 127.0.0.1, the host's runs recorded, and readers for
// the field frames and our command-line tools. The benchmark and the demo use it too.
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import puppeteer from 'puppeteer-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const SOURCE_DIR = path.resolve(here, '..', '..');
export const EXTENSION_DIR = path.join(SOURCE_DIR, 'extension');
export const BUILD_DIR = path.resolve(
  process.env.SPW_BUILD_DIR ?? path.join(SOURCE_DIR, 'build', 'default'),
);
export const BROWSER = process.env.SPW_BROWSER ?? 'chromium';
// Where Chromium's machine-wide policy may be written: only inside tests/browser/private-policies.sh.
const CHROMIUM_POLICIES = process.env.SPW_CHROMIUM_POLICIES;
// Whether this run can set the administrator's policy for the extension (Session.start's policy).
export const CAN_SET_POLICY = BROWSER === 'firefox' || CHROMIUM_POLICIES !== undefined;
export const CHROMIUM_EXTENSION_ID = 'boeigbhkfjamldnjalbiogmfnndioinp';
export const FIREFOX_EXTENSION_ID = 'field@securepassword.net';
export const HOST_PROGRAM = path.join(BUILD_DIR, 'native_host', 'securepassword-host');
const EXECUTABLES = {
  chromium: process.env.SPW_CHROMIUM ?? '/usr/bin/chromium',
  firefox: process.env.SPW_FIREFOX ?? '/usr/bin/firefox-esr',
};

export function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

// Resolves with what the promise gives, or rejects after ms.
export function within(ms, promise, what) {
  let timer;
  const timeout = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`${what}: no answer within ${ms} ms`)), ms);
  });
  return Promise.race([promise, timeout]).finally(() => clearTimeout(timer));
}

// Polls check() until it returns something other than undefined/false.
export async function until(check, what, ms = 10000) {
  const end = Date.now() + ms;
  for (;;) {
    const value = await check();
    if (value !== undefined && value !== false) return value;
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await sleep(50);
  }
}

// A page of n fields (<object>s of 40x10), and frames of the other test site with fields of
// their own: /many?fields=N&frames=M&frameFields=K&other=ORIGIN.
function manyFields(query) {
  const count = (name) => Math.min(5000, Number(query.get(name) ?? 0));
  const other = query.get('other') ?? '';
  const fields = Array.from(
    { length: count('fields') },
    (_, i) =>
      `<object id="f${i}" type="application/x-secure-password" width="40" height="10"></object>`,
  ).join('');
  const frames = Array.from(
    { length: count('frames') },
    (_, i) =>
      `<iframe id="frame${i}" width="200" height="60" src="${other}/many?fields=${count('frameFields')}"></iframe>`,
  ).join('');
  return (
    '<!doctype html><html lang="en"><head><meta charset="utf-8"><title>Many fields</title>' +
    '<script>window.fieldEvents=[];for(const t of ["securepasswordready","securepassworderror"])' +
    'document.addEventListener(t,(e)=>fieldEvents.push({type:e.type,id:e.target.id,' +
    'message:e.message??null}));</script></head><body>' +
    fields +
    frames +
    '</body></html>'
  );
}

// Serves the test pages. A page with the comment <!--hold--> is sent up to it at once and the
// rest after ?hold=MS milliseconds: the browser has the first part (and its fields) in the page
// while it is still parsing.
function serve(directory, address) {
  const types = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript' };
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://x');
    if (url.pathname === '/many') {
      response.writeHead(200, { 'content-type': types['.html'] });
      response.end(manyFields(url.searchParams));
      return;
    }
    const name = path.normalize(decodeURIComponent(url.pathname));
    const file = path.join(directory, name);
    if (!file.startsWith(directory) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, {
      'content-type': types[path.extname(file)] ?? 'application/octet-stream',
    });
    const content = fs.readFileSync(file);
    const hold = content.indexOf('<!--hold-->');
    if (hold < 0 || !url.searchParams.has('hold')) {
      response.end(content);
      return;
    }
    response.write(content.subarray(0, hold));
    setTimeout(() => response.end(content.subarray(hold)), Number(url.searchParams.get('hold')));
  });
  return new Promise((resolve) => server.listen(0, address, () => resolve(server)));
}

// One browser with the extension, and where its native host runs leave their traces.
export class Session {
  // policy: the administrator's settings of the extension (its managed storage, such as
  // {allowedSites: [...]}): Firefox reads them from the session's home folder, Chromium from its
  // machine-wide policy folder (only where CAN_SET_POLICY). installLater: the extension is not
  // installed at start (the test calls installExtension()). headless: false shows the browser's
  // window (the demo, where there is a display). firefoxPrefs: preferences Firefox starts with
  // (such as its forced colours).
  static async start({
    browser = BROWSER,
    hostProgram = null,
    pages = path.join(here, 'pages'),
    policy,
    installLater = false,
    headless = true,
    firefoxPrefs = {},
  } = {}) {
    const session = new Session();
    await session.#start(browser, hostProgram, pages, policy, headless, firefoxPrefs);
    if (!installLater) await session.installExtension();
    return session;
  }

  async #start(browserName, hostProgram, pages, policy, headless, firefoxPrefs) {
    this.browserName = browserName;
    this.dir = fs.mkdtempSync(path.join(os.tmpdir(), `spw-${browserName}-`));
    this.runsDir = path.join(this.dir, 'host-runs');
    fs.mkdirSync(this.runsDir);
    this.useHost(hostProgram ?? this.install());
    // The same pages from two loopback addresses: two sites.
    this.servers = [await serve(pages, '127.0.0.1'), await serve(pages, '127.0.0.2')];
    this.origin = `http://127.0.0.1:${this.servers[0].address().port}`;
    this.otherOrigin = `http://127.0.0.2:${this.servers[1].address().port}`;
    const chromiumDir = path.join(this.dir, 'profile');
    const home = path.join(this.dir, 'home');
    this.writeManifests(chromiumDir, home);
    if (policy !== undefined) this.setPolicy(policy, home);
    if (browserName === 'chromium') {
      this.browser = await puppeteer.launch({
        executablePath: EXECUTABLES.chromium,
        headless,
        defaultViewport: headless ? undefined : null,
        pipe: true,
        enableExtensions: true,
        userDataDir: chromiumDir,
        args: ['--no-sandbox', '--no-first-run', '--disable-gpu'],
        env: { ...process.env, HOME: home },
      });
    } else {
      this.browser = await puppeteer.launch({
        browser: 'firefox',
        executablePath: EXECUTABLES.firefox,
        headless,
        extraPrefsFirefox: firefoxPrefs,
        env: { ...process.env, HOME: home },
      });
    }
  }

  async installExtension() {
    this.extensionId = await this.browser.installExtension(EXTENSION_DIR);
  }

  // Writes the administrator's settings where the browser reads them.
  setPolicy(settings, home) {
    if (this.browserName === 'firefox') {
      const managed = path.join(home, '.mozilla', 'managed-storage');
      fs.mkdirSync(managed, { recursive: true });
      fs.writeFileSync(
        path.join(managed, `${FIREFOX_EXTENSION_ID}.json`),
        JSON.stringify({
          name: FIREFOX_EXTENSION_ID,
          description: "the browser tests' policy",
          type: 'storage',
          data: settings,
        }),
      );
      return;
    }
    if (CHROMIUM_POLICIES === undefined) {
      throw new Error('Chromium policy needs tests/browser/private-policies.sh (and root)');
    }
    this.policyFile = path.join(CHROMIUM_POLICIES, `securepassword-tests-${process.pid}.json`);
    fs.writeFileSync(
      this.policyFile,
      JSON.stringify({ '3rdparty': { extensions: { [CHROMIUM_EXTENSION_ID]: settings } } }),
    );
  }

  // Installs the host from the build with the install script into the session's folder; answers
  // the launcher it made.
  install() {
    const prefix = path.join(this.dir, 'installed');
    const unused = path.join(this.dir, 'unused-manifests');
    execFileSync(
      'bash',
      [
        path.join(SOURCE_DIR, 'tools', 'install-browser-host.sh'),
        '--no-build',
        '--build-dir',
        BUILD_DIR,
        '--prefix',
        prefix,
        '--chromium-dir',
        unused,
        '--firefox-dir',
        unused,
      ],
      { stdio: ['ignore', 'ignore', 'inherit'] },
    );
    return path.join(prefix, 'securepassword-host');
  }

  // The manifests come from the install script, pointing at a wrapper that keeps each run's
  // standard error and exit status in runsDir.
  writeManifests(chromiumDir, home) {
    const wrapper = path.join(this.dir, 'host-wrapper.sh');
    fs.writeFileSync(
      wrapper,
      '#!/bin/sh\n' +
        `"$(cat '${this.dir}/host-program')" "$@" 2>"${this.runsDir}/$$.log"\n` +
        `echo $? >"${this.runsDir}/$$.status"\n`,
      { mode: 0o755 },
    );
    execFileSync(
      'bash',
      [
        path.join(SOURCE_DIR, 'tools', 'install-browser-host.sh'),
        '--manifests-only',
        '--host',
        wrapper,
        '--chromium-dir',
        path.join(chromiumDir, 'NativeMessagingHosts'),
        '--firefox-dir',
        path.join(home, '.mozilla', 'native-messaging-hosts'),
      ],
      { stdio: ['ignore', 'ignore', 'inherit'] },
    );
  }

  // The program the next fields' host connections start (the benchmark switches it).
  useHost(program) {
    this.hostProgram = program;
    fs.writeFileSync(path.join(this.dir, 'host-program'), program);
  }

  // Every host run so far: its wrapper's pid, the host's pid while it runs, its standard error
  // and, once it has ended, its exit status.
  hostRuns() {
    const runs = [];
    for (const name of fs.readdirSync(this.runsDir)) {
      if (!name.endsWith('.log')) continue;
      const wrapper = Number(name.slice(0, -4));
      const statusFile = path.join(this.runsDir, `${wrapper}.status`);
      let hostPid = null;
      try {
        hostPid =
          Number(
            fs
              .readFileSync(`/proc/${wrapper}/task/${wrapper}/children`, 'utf8')
              .trim()
              .split(/\s+/)[0],
          ) || null;
      } catch {
        // the wrapper has ended
      }
      runs.push({
        wrapper,
        hostPid,
        log: fs.readFileSync(path.join(this.runsDir, name), 'utf8'),
        status: fs.existsSync(statusFile) ? Number(fs.readFileSync(statusFile, 'utf8')) : null,
      });
    }
    return runs;
  }

  async newPage(file = 'fields.html') {
    const page = await this.browser.newPage();
    await page.goto(`${this.origin}/${file}`);
    return page;
  }

  async close() {
    await this.browser?.close().catch(() => {});
    if (this.policyFile !== undefined) fs.rmSync(this.policyFile, { force: true });
    for (const server of this.servers ?? []) server.close();
    fs.rmSync(this.dir, { recursive: true, force: true });
  }
}

// --- Reading a field frame's drawing. The page cannot reach it; the test driver can. ---

const FIELD_URL_PART = '/field.html#';

// Puppeteer's frame object for each field frame of the page (Firefox reports such frames as
// about:blank at first; the test pages' own frames have addresses of the test sites).
function fieldFrames(page) {
  const frames = [];
  for (const frame of page.frames()) {
    if (frame === page.mainFrame()) continue;
    const url = frame.url();
    if (url.includes(FIELD_URL_PART) || (BROWSER === 'firefox' && url === 'about:blank')) {
      frames.push(frame);
    }
  }
  return frames;
}

function readDrawing() {
  const caret = document.getElementById('caret');
  const before = document.getElementById('before');
  const after = document.getElementById('after');
  if (caret === null) return null;
  return {
    length: before.textContent.length + after.textContent.length,
    caret: caret.hidden ? null : before.textContent.length,
    focused: document.body.classList.contains('focused'),
    failed: document.body.classList.contains('failed'),
    width: innerWidth,
    height: innerHeight,
  };
}

// The drawing of every field frame, keyed by its viewport size ("240x28"): each test field has a
// size of its own. Chromium's extension frames are read through the DevTools protocol (attached
// once per frame target): puppeteer now and then never attaches to such a frame, and its calls on
// it then hang. Firefox's are read through puppeteer, in a bounded time.
export async function drawings(page) {
  const result = {};
  for (const frame of fieldFrames(page)) {
    const shown = await evaluateInFrame(page, frame, readDrawing);
    if (shown !== null && shown !== undefined) result[`${shown.width}x${shown.height}`] = shown;
  }
  return result;
}

const frameSessions = new Map(); // frame URL -> DevTools session attached to its target

// Runs fn (no arguments; a result JSON can carry) in a field frame, as drawings() reads them.
export async function evaluateInFrame(page, frame, fn) {
  if (BROWSER !== 'chromium') return within(5000, frame.evaluate(fn), 'a call in a field frame');
  const url = frame.url();
  let session = frameSessions.get(url);
  if (session === undefined) {
    const browserSession = await page.browser().target().createCDPSession();
    const { targetInfos } = await browserSession.send('Target.getTargets');
    const target = targetInfos.find((info) => info.url === url);
    if (target === undefined) return null; // the frame is going or gone
    const { sessionId } = await browserSession.send('Target.attachToTarget', {
      targetId: target.targetId,
      flatten: true,
    });
    session = browserSession.connection().session(sessionId);
    frameSessions.set(url, session);
  }
  try {
    const { result } = await within(
      5000,
      session.send('Runtime.evaluate', {
        expression: `(${fn.toString()})()`,
        returnByValue: true,
        awaitPromise: true,
      }),
      'a call in a field frame',
    );
    return result.value;
  } catch (error) {
    frameSessions.delete(url);
    throw error;
  }
}

// The frame of the field of that size.
export async function frameOfSize(page, size) {
  for (const frame of fieldFrames(page)) {
    const shown = await evaluateInFrame(page, frame, readDrawing);
    if (shown !== null && `${shown.width}x${shown.height}` === size) return frame;
  }
  throw new Error(`no field frame of ${size}`);
}

export async function drawing(page, size) {
  return (await drawings(page))[size];
}

// Waits until the field of that size shows what expected says (length and caret).
export async function expectDrawing(page, size, expected, what) {
  let last;
  try {
    await until(
      async () => {
        last = await drawing(page, size);
        return (
          last !== undefined && last.length === expected.length && last.caret === expected.caret
        );
      },
      what,
      5000,
    );
  } catch {
    throw new Error(
      `${what}: field ${size} shows ${JSON.stringify(last)}, expected ${JSON.stringify(expected)}`,
    );
  }
}

// Clicks the middle of a field's box.
export async function clickField(page, id) {
  const box = await page.evaluate((fieldId) => {
    const element = document.getElementById(fieldId);
    // The field's box: the last child of an <object>, the element after an <embed>.
    const shown =
      element.localName === 'embed' ? element.nextElementSibling : element.lastElementChild;
    const rect = shown.getBoundingClientRect();
    return { x: rect.left + rect.width / 2, y: rect.top + rect.height / 2 };
  }, id);
  await page.mouse.click(box.x, box.y);
}

export async function fieldEvents(page) {
  return page.evaluate(() => window.fieldEvents);
}

export async function waitForReady(page, ids) {
  await until(
    async () => {
      const events = await fieldEvents(page);
      const errors = events.filter(
        (event) => event.type === 'securepassworderror' && ids.includes(event.id),
      );
      if (errors.length > 0) throw new Error(`field failed: ${JSON.stringify(errors)}`);
      return ids.every((id) =>
        events.some((event) => event.type === 'securepasswordready' && event.id === id),
      );
    },
    `fields ${ids.join(', ')} ready`,
    15000,
  );
}

// Calls a field's method in the page; answers {ok, value} or {ok: false, message}.
export function callField(page, id, method, ...args) {
  return page.evaluate(
    (fieldId, name, list) => {
      const element = document.getElementById(fieldId);
      return element[name](...list).then(
        (value) => ({ ok: true, value }),
        (error) => ({ ok: false, message: String(error.message) }),
      );
    },
    id,
    method,
    args,
  );
}

// --- The extension's own pages: the question whether a site may read the computer's identity. ---

// The extension's open pages of that file ("consent/consent.html"). Firefox shows them to the
// driver as about:blank, so their address is read inside them; the sites' pages are never
// evaluated in here (a call from the driver counts as the user's gesture in the page).
export async function extensionPages(browser, file) {
  const found = [];
  for (const page of await browser.pages()) {
    if (page.url().startsWith('http')) continue;
    const address = await within(
      5000,
      page.evaluate(() => location.href),
      'an address',
    ).catch(() => '');
    if (address.includes(file)) found.push(page);
  }
  return found;
}

// The window in which the extension asks the user whether a site may read the computer's identity.
export async function questionWindow(browser) {
  return until(
    async () => (await extensionPages(browser, 'consent/consent.html'))[0],
    'the question window',
  );
}

// Answers the question as the user does: button 'allow' or 'deny', once it takes clicks; the
// extension then closes the window.
export async function answerQuestion(question, button) {
  await question.waitForSelector(`#${button}:not([disabled])`);
  await question.click(`#${button}`).catch((error) => {
    // The extension closes the window at the click, at times before the driver hears back.
    if (!/closed/i.test(error.message)) throw error;
  });
  await until(
    async () => (await extensionPages(question.browser(), 'consent/consent.html')).length === 0,
    'the question window closing',
  );
}

// --- Our command-line tools. ---

export function decode(text) {
  const run = spawnSync(path.join(BUILD_DIR, 'tools', 'decode'), ['--json'], {
    input: `${text}\n`,
    encoding: 'utf8',
  });
  return JSON.parse(run.stdout);
}

export function identify() {
  const out = execFileSync(path.join(BUILD_DIR, 'tools', 'identify'), ['--json'], {
    encoding: 'utf8',
  });
  const machine = JSON.parse(out.slice(out.indexOf('{')));
  return { nic: machine.activeNIC ?? '', disk: machine.diskSerial ?? '' };
}
