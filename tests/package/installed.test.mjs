// The securepassword-field package on a machine, in one real browser (SPW_BROWSER: chromium or
// firefox). Runs inside overlay.sh, so dpkg writes the real system folders of a private mount
// namespace only. The package's earlier version (with an earlier extension) is installed with
// dpkg, the sites policy written from the package's own template, and the browser started on a
// fresh profile with no extension-loading flag: the extension must come from the package's
// system-wide install. Then a password is typed and decoded, the current version is installed over
// the running browser and the browser started again, and the package is removed and purged. SPW_PACKAGES holds the .deb files (tests/package/build-packages.sh).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, it } from 'node:test';
import { fileURLToPath } from 'node:url';

import { decode, sleep, until } from '../browser/support.mjs';

const require = createRequire(new URL('../browser/package.json', import.meta.url));
const puppeteer = require('puppeteer-core');

const here = path.dirname(fileURLToPath(import.meta.url));
const BROWSER = process.env.SPW_BROWSER ?? 'chromium';
const PACKAGES = process.env.SPW_PACKAGES;
const PACKAGE = 'securepassword-field';
const HOST = '/usr/lib/securepassword/securepassword-host';
const IDS = JSON.parse(
  fs.readFileSync(path.join(process.env.SPW_BUILD_DIR, 'release', 'extension-ids.json'), 'utf8'),
);
// Where each browser reads the administrator's policies, and the package's template for it.
const SITES_POLICY = {
  chromium: {
    template: '/usr/share/securepassword/policies/chromium-sites.json',
    file: '/etc/chromium/policies/managed/securepassword-sites.json',
    sites: (policy) => policy['3rdparty'].extensions[IDS.chromium],
  },
  firefox: {
    template: '/usr/share/securepassword/policies/firefox-sites.json',
    file: '/etc/firefox/policies/policies.json',
    sites: (policy) => policy.policies['3rdparty'].Extensions[IDS.firefox],
  },
}[BROWSER];

function dpkg(...args) {
  execFileSync('dpkg', args, {
    stdio: ['ignore', 'ignore', 'inherit'],
    env: { ...process.env, DEBIAN_FRONTEND: 'noninteractive' },
  });
}

function serve(address) {
  const server = http.createServer((request, response) => {
    const name = path.basename(new URL(request.url, 'http://x').pathname);
    const file = path.join(here, 'pages', name);
    if (!fs.existsSync(file)) return response.writeHead(404).end();
    response.writeHead(200, { 'content-type': 'text/html; charset=utf-8' });
    response.end(fs.readFileSync(file));
  });
  return new Promise((resolve) => server.listen(0, address, () => resolve(server)));
}

async function launch(home) {
  const env = { ...process.env, HOME: home };
  if (BROWSER === 'chromium') {
    // Puppeteer's own --disable-extensions and --disable-default-apps would switch off every
    // extension and the external extension files; nothing here loads an extension.
    return puppeteer.launch({
      executablePath: '/usr/bin/chromium',
      headless: true,
      pipe: true,
      ignoreDefaultArgs: ['--disable-extensions', '--disable-default-apps'],
      userDataDir: path.join(home, 'profile'),
      args: ['--no-sandbox', '--no-first-run', '--disable-gpu'],
      env,
    });
  }
  // Puppeteer's Firefox profile narrows the add-on scopes to 5 (profile and application); 15 is
  // Firefox's own default, which includes the system folders the package installs into.
  return puppeteer.launch({
    browser: 'firefox',
    executablePath: '/usr/bin/firefox-esr',
    headless: true,
    userDataDir: path.join(home, 'profile'),
    extraPrefsFirefox: { 'extensions.enabledScopes': 15 },
    env,
  });
}

// The version of the extension the profile has installed (Chromium keeps an older one's folder
// for a while: the newest counts).
function extensionVersion(home) {
  const profile = path.join(home, 'profile');
  try {
    if (BROWSER === 'chromium') {
      const versions = fs.readdirSync(path.join(profile, 'Default', 'Extensions', IDS.chromium));
      return versions
        .map((name) => name.replace(/_\d+$/, ''))
        .sort((a, b) => a.localeCompare(b, 'en', { numeric: true }))
        .pop();
    }
    const { addons } = JSON.parse(fs.readFileSync(path.join(profile, 'extensions.json'), 'utf8'));
    return addons.find((addon) => addon.id === IDS.firefox)?.version;
  } catch {
    return undefined; // not written yet
  }
}

async function events(page) {
  return page.evaluate(() => window.fieldEvents);
}

// Opens the page, again while the extension is not there yet (the element then has none of the
// field's methods), and waits for its field to be ready; answers the page.
async function readyField(browser, url, ms) {
  const page = await browser.newPage();
  await until(
    async () => {
      await page.goto(url);
      return until(
        async () =>
          (await page.evaluate(() => typeof document.getElementById('password').GetPassword)) ===
          'function',
        "the field's methods",
        500,
      ).then(
        () => true,
        () => false,
      );
    },
    `the extension on ${url}`,
    ms,
  );
  await until(
    async () => {
      const seen = await events(page);
      const error = seen.find((event) => event.type === 'securepassworderror');
      if (error) throw new Error(`the field failed: ${error.message}`);
      return seen.some((event) => event.type === 'securepasswordready');
    },
    `a ready field on ${url}`,
    15000,
  );
  return page;
}

async function typeAndDecode(page, text, id = 'password') {
  const box = await page.evaluate((fieldId) => {
    const rect = document.getElementById(fieldId).getBoundingClientRect();
    return { x: rect.left + rect.width / 2, y: rect.top + rect.height / 2 };
  }, id);
  await page.mouse.click(box.x, box.y);
  await page.keyboard.type(text);
  const encoded = await until(
    async () => {
      const value = await page.evaluate(
        (fieldId) => document.getElementById(fieldId).GetPassword(),
        id,
      );
      return value.length > 0 && value;
    },
    'GetPassword after typing',
  );
  const decoded = decode(encoded);
  assert.equal(decoded.ok, true, JSON.stringify(decoded));
  return decoded.clear;
}

// The native hosts the browser runs now: pid -> the program's path as the kernel reports it
// (" (deleted)" once the file it started from has been replaced or removed).
function hostProcesses(browserPid) {
  const parents = new Map();
  for (const name of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${name}/stat`, 'utf8');
      parents.set(Number(name), Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]));
    } catch {
      // gone meanwhile
    }
  }
  const hosts = new Map();
  for (const pid of parents.keys()) {
    let ancestor = parents.get(pid);
    while (ancestor > 1 && ancestor !== browserPid) ancestor = parents.get(ancestor) ?? 0;
    if (ancestor !== browserPid) continue;
    try {
      const exe = fs.readlinkSync(`/proc/${pid}/exe`);
      if (exe.startsWith(HOST)) hosts.set(pid, exe);
    } catch {
      // gone meanwhile
    }
  }
  return hosts;
}

describe(`the ${PACKAGE} package in ${BROWSER}`, () => {
  const deb = fs.readdirSync(PACKAGES).find((name) => name.startsWith(`${PACKAGE}_`));
  // Every path the package holds ("./usr/lib/x/" -> "/usr/lib/x").
  const paths = execFileSync('dpkg-deb', ['-c', path.join(PACKAGES, deb)], { encoding: 'utf8' })
    .trim()
    .split('\n')
    .map((line) => line.slice(line.indexOf(' ./') + 2).replace(/(.)\/$/, '$1'));
  const existedBefore = new Set(paths.filter((file) => fs.existsSync(file)));
  const home = fs.mkdtempSync(path.join(os.tmpdir(), `spw-package-${BROWSER}-`));
  let servers = [];
  let origin;
  let otherOrigin;
  let browser;
  let page;

  before(async () => {
    dpkg('-i', path.join(PACKAGES, 'previous.deb'));
    servers = [await serve('127.0.0.1'), await serve('127.0.0.2')];
    origin = `http://127.0.0.1:${servers[0].address().port}`;
    otherOrigin = `http://127.0.0.2:${servers[1].address().port}`;
    // The administrator's list of sites, made from the installed template.
    const policy = JSON.parse(fs.readFileSync(SITES_POLICY.template, 'utf8'));
    SITES_POLICY.sites(policy).allowedSites = [origin];
    fs.mkdirSync(path.dirname(SITES_POLICY.file), { recursive: true });
    fs.writeFileSync(SITES_POLICY.file, JSON.stringify(policy));
  });

  after(async () => {
    await browser?.close().catch(() => {});
    for (const server of servers) server.close();
    fs.rmSync(home, { recursive: true, force: true });
  });

  it('gives a fresh profile the field on its first start', async (t) => {
    const start = Date.now();
    browser = await launch(home);
    page = await readyField(browser, `${origin}/login.html`, 60000);
    t.diagnostic(`browser start to a ready field: ${Date.now() - start} ms`);
    assert.equal(await typeAndDecode(page, 'Pa55 w0rd!'), 'Pa55 w0rd!');
    const first = await until(() => extensionVersion(home), 'the installed extension');
    assert.notEqual(first, IDS.version, "the older package's extension is this build's");

    if (BROWSER === 'chromium') {
      // Debian's /usr/bin/chromium hands what it finds in /usr/share/chromium/extensions to
      // --load-extension (a file there means an error dialog at each start); nothing may be.
      const args = fs.readFileSync(`/proc/${browser.process().pid}/cmdline`, 'utf8').split('\0');
      const loads = args.filter((arg) => /^--load-extension=./.test(arg));
      assert.deepEqual(loads, [], 'the browser was told to load an extension');
      // The packed CRX, under the id its key gives (an unpacked copy would have another).
      const urls = browser.targets().map((target) => target.url());
      assert.ok(
        urls.some((url) => url.startsWith(`chrome-extension://${IDS.chromium}/`)),
        `no target of extension ${IDS.chromium}: ${urls.join(' ')}`,
      );
    }
  });

  // Chromium hands an extension it has just installed its policy a few seconds later, and not
  // at all in that session when a field was made before (measured: never within 30 s); from the
  // next start on it has it at once. Firefox has it from the first start.
  it("keeps the field to the sites of the administrator's list, made from the package's template", async (t) => {
    if (BROWSER === 'chromium') {
      await browser.close();
      const start = Date.now();
      browser = await launch(home);
      page = await readyField(browser, `${origin}/login.html`, 30000);
      t.diagnostic(`restart to a ready field: ${Date.now() - start} ms`);
    }
    const refused = await browser.newPage();
    await refused.goto(`${otherOrigin}/login.html`);
    const error = await until(
      async () => (await events(refused)).find((event) => event.type === 'securepassworderror'),
      'the error event of a site not on the list',
    );
    assert.match(error.message, /may not use the secure password field/);
    assert.ok(!(await events(refused)).some((event) => event.type === 'securepasswordready'));
    await refused.close();
  });

  it('installs a newer version over the running browser: new fields use the new host, the next start the new extension', async (t) => {
    const openHosts = hostProcesses(browser.process().pid);
    assert.ok(openHosts.size > 0, 'no native host runs for the open field');
    dpkg('-i', path.join(PACKAGES, deb));
    const installed = Date.now();
    // A field made in the page whose field keeps the old host, and one in a new page: both go to
    // the new host program.
    await page.evaluate(() => {
      const again = document.createElement('object');
      Object.assign(again, { id: 'again', type: 'application/x-secure-password' });
      Object.assign(again, { width: '240', height: '28' });
      document.body.append(again);
    });
    await until(
      async () => (await events(page)).some((e) => e.type === 'securepasswordready' && e.id === 'again'),
      'the field made in the same page after the upgrade',
    );
    assert.equal(await typeAndDecode(page, 'same tab', 'again'), 'same tab');
    const later = await readyField(browser, `${origin}/login.html`, 30000);
    t.diagnostic(`upgrade to a ready field: ${Date.now() - installed} ms`);
    assert.equal(await typeAndDecode(later, 'n3w host'), 'n3w host');
    assert.equal(await page.evaluate(() => document.getElementById('password').GetDllVersion()), '1600');

    const now = hostProcesses(browser.process().pid);
    const started = [...now.keys()].filter((pid) => !openHosts.has(pid));
    assert.ok(started.length >= 2, `the new fields started ${started.length} hosts, not 2`);
    for (const pid of started) assert.equal(now.get(pid), HOST, `host ${pid} runs an old file`);
    for (const pid of openHosts.keys()) {
      if (now.has(pid)) assert.equal(now.get(pid), `${HOST} (deleted)`);
    }
    await later.close();

    // The browsers take the new extension when they start.
    await browser.close();
    const start = Date.now();
    browser = await launch(home);
    page = await readyField(browser, `${origin}/login.html`, 30000).catch(async (error) => {
      // Chromium starts with the extension it had and puts the new one in its place a moment
      // later: the field of a page loaded meanwhile stops and says so; the next load has it.
      if (BROWSER !== 'chromium' || !/the extension closed the connection/.test(error.message)) {
        throw error;
      }
      t.diagnostic('the page loaded while Chromium swapped the extension: loaded again');
      return readyField(browser, `${origin}/login.html`, 30000);
    });
    t.diagnostic(`restart after the upgrade to a ready field: ${Date.now() - start} ms`);
    await until(() => extensionVersion(home) === IDS.version, 'the new extension', 15000);
    assert.equal(await typeAndDecode(page, 'upgraded'), 'upgraded');
  });

  // Chromium keeps the extension it copied into the profile until its next start, so a field
  // made meanwhile finds no host; Firefox drops a system add-on whose file has gone at once, so a
  // page gets no field at all (the element stays as the page wrote it).
  it('leaves no file when removed; a field then fails, or is not made at all', async (t) => {
    const left = () => paths.filter((file) => !existedBefore.has(file) && fs.existsSync(file));
    dpkg('--remove', PACKAGE);
    assert.deepEqual(left(), [], 'files of the package left after the removal');
    dpkg('--purge', PACKAGE);
    assert.deepEqual(left(), [], 'files of the package left after the purge');

    const orphan = await browser.newPage();
    await orphan.goto(`${origin}/login.html`);
    if (BROWSER === 'chromium') {
      const error = await until(
        async () => (await events(orphan)).find((event) => event.type === 'securepassworderror'),
        'the error event once the package is gone',
      );
      assert.match(error.message, /native messaging host|host/i);

      await browser.close();
      browser = await launch(home);
      const copy = path.join(home, 'profile', 'Default', 'Extensions', IDS.chromium);
      await until(() => !fs.existsSync(copy), 'the next start removing the extension', 15000);
      t.diagnostic('the next start of Chromium removed the extension from the profile');
    } else {
      await sleep(3000);
      assert.deepEqual(await events(orphan), []);
      assert.equal(
        await orphan.evaluate(() => typeof document.getElementById('password').GetPassword),
        'undefined',
      );
      assert.equal(orphan.frames().length, 1, 'a field frame in the page');
    }
  });
});
