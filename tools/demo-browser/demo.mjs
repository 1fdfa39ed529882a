// The browser demo (run by tools/demo-browser.sh): Chromium with the extension on a log-in page
// whose password is the secure password field. It types a demo password into the field through
// the browser's real input, presses Return, saves a screenshot of the page with the field's
// bullets, and prints what the page's script received; the encoded password is decoded with our
// decoder and compared with what was typed. The page also reads the computer's identity, so the
// extension asks whether the site may: the demo answers Allow, as a user would. With a display,
// the window then stays open to try.
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import {
  Session,
  answerQuestion,
  clickField,
  decode,
  questionWindow,
  until,
} from '../../tests/browser/support.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const screenshot = path.resolve(process.argv[2] ?? 'securepassword-demo.png');
const headless = !(process.env.DISPLAY || process.env.WAYLAND_DISPLAY);
const DEMO_PASSWORD = 'Demo-pa55word';

const session = await Session.start({ browser: 'chromium', pages: here, headless });
let closed;
try {
  const page = await session.newPage('login.html');
  await page.setViewport({ width: 780, height: 400 });
  const status = await until(
    async () => {
      const text = await page.evaluate(() => document.getElementById('received').textContent);
      return text.startsWith('Waiting') ? undefined : text;
    },
    'the field',
    15000,
  );
  if (status.startsWith('securepassworderror')) throw new Error(status);
  await clickField(page, 'password');
  await page.keyboard.type(DEMO_PASSWORD);
  await page.keyboard.press('Enter');
  await answerQuestion(await questionWindow(session.browser), 'allow');
  console.log('The extension asked whether this site may identify the computer: Allow.');
  const received = await until(
    () => page.evaluate(() => window.received ?? undefined),
    "the page's answers",
  );
  await page.screenshot({ path: screenshot });

  console.log(
    `Typed ${DEMO_PASSWORD.length} characters into the field; the page's script received:`,
  );
  for (const [method, value] of Object.entries(received)) {
    console.log(`  ${method}(): ${JSON.stringify(value)}`);
  }
  const decoded = decode(received.GetPassword);
  console.log(
    `GetPassword() decodes to what was typed: ${decoded.ok && decoded.clear === DEMO_PASSWORD ? 'yes' : 'NO'}`,
  );
  console.log(`Screenshot of the page with the field: ${screenshot}`);
  if (!headless) {
    console.log('The browser stays open: try the field, then close its window to end.');
    closed = new Promise((resolve) => session.browser.once('disconnected', resolve));
    await closed;
  }
  if (!(decoded.ok && decoded.clear === DEMO_PASSWORD)) process.exitCode = 1;
} finally {
  await session.close();
}
