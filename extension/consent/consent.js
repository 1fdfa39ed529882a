// The question window's script (consent.html): learns from the background which site the question
// is about, names it, and sends the user's answer (Allow or Deny) back; the background keeps it and
// closes the window. Closing the window unanswered answers nothing.
const api = globalThis.browser ?? globalThis.chrome;
// The buttons take no click or key for this long after the site is named: a click or a key press
// meant for the page, landing as the window opens, does not answer for the user.
const ARM_DELAY_MS = 600;

const site = /** @type {HTMLElement} */ (document.getElementById('site'));
const allow = /** @type {HTMLButtonElement} */ (document.getElementById('allow'));
const deny = /** @type {HTMLButtonElement} */ (document.getElementById('deny'));

const port = api.runtime.connect({ name: `question:${location.hash.slice(1)}` });

port.onMessage.addListener((/** @type {any} */ message) => {
  const origin = String(message?.origin ?? '');
  site.textContent = origin;
  document.title = `${origin}: identify this computer?`;
  setTimeout(() => {
    allow.disabled = false;
    deny.disabled = false;
  }, ARM_DELAY_MS);
});
// The background has no such question (answered, timed out): nothing is left to answer.
port.onDisconnect.addListener(() => window.close());

/** @param {'allow' | 'deny'} answer */
function send(answer) {
  allow.disabled = true;
  deny.disabled = true;
  port.postMessage({ answer });
}
allow.addEventListener('click', () => send('allow'));
deny.addEventListener('click', () => send('deny'));
// The options page opens in a tab of the browser's window (or comes forward), not in this one.
document.getElementById('options')?.addEventListener('click', (event) => {
  event.preventDefault();
  api.runtime.openOptionsPage();
});

// A module (consent.html loads it as one): its names are its own.
export {};
