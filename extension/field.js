// The field frame (field.html), one per secure password field of a page. It holds the field's
// connection to the native host (securepassword-host), which runs the plug-in: one instance per
// frame, made when the content script has introduced the element and destroyed when the frame
// goes (the host's input closes). The frame takes the keys, sends them as Cocoa events, and draws
// the bullets and the caret from the display state the host answers; it never holds a character.
// It takes commands only from the content script of the page it is in (see content.js).
import { cocoaKeyEvent, modifierFlags } from './keys.js';

const api = globalThis.browser ?? globalThis.chrome;
const HOST_NAME = 'net.securepassword.host';
const FIELD_ID = location.hash.slice(1);
const RELAYED = api.runtime.getURL('').startsWith('moz-extension:');
const INSTANCE = 'field';
const BULLET = '\u2022';

const view = {
  body: document.body,
  field: document.getElementById('field'),
  before: document.getElementById('before'),
  caret: document.getElementById('caret'),
  after: document.getElementById('after'),
};

let page = null; // link to the content script: {send(message)}
let native = null; // link to the host: {send(message), close()}
let state = 'pairing'; // then 'starting', 'ready' or 'failed'
let started = null; // resolves when the instance is up, rejects when it could not start
let failure = null; // what the page is told once the field has failed
let nextRequest = 1;
const requests = new Map(); // request id -> {resolve, reject}
const shown = { length: -1, caret: -1 };

// --- Drawing. ---

function render(display) {
  if (display === null || typeof display !== 'object') return;
  const length = Number.isInteger(display.length) && display.length > 0 ? display.length : 0;
  const caret = Number.isInteger(display.caret)
    ? Math.min(Math.max(display.caret, 0), length)
    : null;
  if (length === shown.length && caret === shown.caret) return;
  shown.length = length;
  shown.caret = caret;
  const before = caret ?? length;
  view.before.textContent = BULLET.repeat(before);
  view.after.textContent = BULLET.repeat(length - before);
  view.caret.hidden = caret === null;
  // Keep the caret in sight when the bullets are wider than the field.
  const edge = view.caret.offsetLeft - view.field.clientWidth + 8;
  view.field.scrollLeft = caret === null ? 0 : Math.max(0, edge);
}

function sizeText() {
  const height = window.innerHeight;
  view.field.style.fontSize = `${Math.max(9, Math.min(24, Math.round(height * 0.6)))}px`;
}

// --- The host. ---

function send(body) {
  return new Promise((resolve, reject) => {
    if (native === null) {
      reject(new Error('the helper program is not connected'));
      return;
    }
    const id = nextRequest++;
    requests.set(id, { resolve, reject });
    native.send({ id, instance: INSTANCE, ...body });
  });
}

function fromHost(reply) {
  const request = requests.get(reply?.id);
  if (request === undefined) return;
  requests.delete(reply.id);
  if (reply.display !== undefined) render(reply.display);
  if (reply.ok === true) {
    request.resolve(reply);
  } else {
    request.reject(new Error(reply.error?.message ?? 'the helper program refused the request'));
  }
}

function hostClosed(reason) {
  native = null;
  const error = new Error(reason || 'the helper program closed the connection');
  for (const request of requests.values()) request.reject(error);
  requests.clear();
  fail(state === 'ready' ? `The secure password field stopped: ${error.message}` : null, error);
}

function openNative() {
  if (RELAYED) {
    relay.post({ openNative: true });
    return {
      send: (message) => relay.post({ native: message }),
      close: () => relay.post({ closeNative: true }),
    };
  }
  let port;
  try {
    port = api.runtime.connectNative(HOST_NAME);
  } catch (error) {
    queueMicrotask(() => hostClosed(error.message));
    return { send() {}, close() {} };
  }
  let open = true;
  port.onMessage.addListener(fromHost);
  port.onDisconnect.addListener(() => {
    open = false;
    hostClosed(api.runtime.lastError?.message);
  });
  return {
    send: (message) => open && port.postMessage(message),
    close: () => {
      open = false;
      port.disconnect();
    },
  };
}

function fail(message, error) {
  if (state === 'failed') return;
  state = 'failed';
  view.body.classList.add('failed');
  render({ length: 0, caret: null });
  failure = message ?? `The secure password field could not start: ${error.message}`;
  view.field.title = failure;
  if (native !== null) native.close();
  native = null;
  page?.send({ type: 'error', message: failure });
}

// --- The page's content script. ---

function start(init) {
  if (state !== 'pairing') return;
  state = 'starting';
  sizeText();
  native = openNative();
  started = send({
    op: 'new',
    mimeType: String(init.mimeType),
    attributes: init.attributes ?? {},
    width: Math.round(window.innerWidth),
    height: Math.round(window.innerHeight),
    location: String(init.location),
  }).then(
    () => {
      if (state !== 'starting') return;
      state = 'ready';
      if (document.hasFocus()) focusChanged(true);
      page.send({ type: 'ready' });
    },
    (error) => {
      fail(null, error);
      throw error;
    },
  );
  started.catch(() => {});
}

async function call(message) {
  let reply;
  try {
    await started;
    if (state !== 'ready') throw new Error('the field is not ready');
    const args = Array.isArray(message.args) ? message.args : [];
    reply = await send({ op: 'call', method: String(message.method), args });
  } catch (error) {
    page.send({ type: 'reply', call: message.call, ok: false, message: failure ?? error.message });
    return;
  }
  // A call that succeeds without a value (Clearpassword) answers true, as the plug-in's did.
  const result = reply.result ?? (message.method === 'Clearpassword' ? true : null);
  page.send({ type: 'reply', call: message.call, ok: true, result });
}

function fromPage(message) {
  if (message?.type === 'init') {
    start(message);
  } else if (message?.type === 'call') {
    call(message);
  }
}

// Firefox: one port to the background script carries both links (see content.js).
const relay = RELAYED ? connectRelay() : null;

function connectRelay() {
  const port = api.runtime.connect({ name: `frame:${FIELD_ID}` });
  page = { send: (message) => port.postMessage({ page: message }) };
  port.onMessage.addListener((message) => {
    if (message.page !== undefined) fromPage(message.page);
    if (message.native !== undefined) fromHost(message.native);
    if (message.nativeClosed !== undefined) hostClosed(message.nativeClosed);
  });
  port.onDisconnect.addListener(() => {
    if (native !== null) hostClosed('the extension closed the connection');
  });
  return { post: (message) => port.postMessage(message) };
}

// Chromium: the content script names this frame's id; answer that very document only.
if (!RELAYED) {
  api.runtime.onMessage.addListener((message, sender) => {
    if (page !== null || message?.securePasswordField !== FIELD_ID) return;
    if (
      sender.id !== api.runtime.id ||
      sender.tab === undefined ||
      sender.url?.startsWith(api.runtime.getURL(''))
    ) {
      return;
    }
    const target = { frameId: sender.frameId, name: FIELD_ID };
    if (sender.documentId !== undefined) target.documentId = sender.documentId;
    const port = api.tabs.connect(sender.tab.id, target);
    let open = true;
    port.onMessage.addListener(fromPage);
    port.onDisconnect.addListener(() => {
      open = false;
    });
    page = { send: (message) => open && port.postMessage(message) };
  });
}

// --- Input. ---

function event(cocoa) {
  if (state !== 'ready') return Promise.resolve(null);
  return send({ op: 'event', event: cocoa }).catch(() => null);
}

function focusChanged(hasFocus) {
  view.body.classList.toggle('focused', hasFocus);
  event({ type: 'focusChanged', hasFocus });
}

function onKey(domEvent) {
  // Tab moves the focus on, as in every other field of the page.
  if (domEvent.key !== 'Tab') domEvent.preventDefault();
  domEvent.stopPropagation();
  const cocoa = cocoaKeyEvent(domEvent);
  if (cocoa === null) return;
  event(cocoa).then((reply) => {
    // The plug-in leaves Return to the page.
    if (reply?.handled === false && cocoa.type === 'keyDown' && domEvent.key === 'Enter') {
      page?.send({ type: 'key', key: 'Enter', code: domEvent.code, shiftKey: domEvent.shiftKey });
    }
  });
}

function mouse(type, domEvent) {
  return {
    type,
    x: domEvent.clientX,
    y: domEvent.clientY,
    button: domEvent.button,
    clickCount: Math.max(1, domEvent.detail),
    modifierFlags: modifierFlags(domEvent),
  };
}

let moved = null;
function onMouseMove(domEvent) {
  if (moved === null) {
    requestAnimationFrame(() => {
      event(moved);
      moved = null;
    });
  }
  moved = mouse(domEvent.buttons & 1 ? 'mouseDragged' : 'mouseMoved', domEvent);
}

window.addEventListener('keydown', onKey, true);
window.addEventListener('keyup', onKey, true);
window.addEventListener('keypress', (domEvent) => domEvent.preventDefault(), true);
window.addEventListener('focus', () => focusChanged(true));
window.addEventListener('blur', () => focusChanged(false));
window.addEventListener('mousedown', (domEvent) => {
  view.field.focus({ preventScroll: true });
  event(mouse('mouseDown', domEvent));
});
window.addEventListener('mouseup', (domEvent) => event(mouse('mouseUp', domEvent)));
window.addEventListener('mousemove', onMouseMove);
document.documentElement.addEventListener('mouseenter', (domEvent) =>
  event(mouse('mouseEntered', domEvent)),
);
document.documentElement.addEventListener('mouseleave', (domEvent) =>
  event(mouse('mouseExited', domEvent)),
);
// Nothing comes in or goes out but keys: no paste, drop, copy, cut, selection or menu.
for (const type of [
  'paste',
  'copy',
  'cut',
  'drop',
  'dragover',
  'dragstart',
  'selectstart',
  'contextmenu',
]) {
  window.addEventListener(type, (domEvent) => domEvent.preventDefault(), true);
}
window.addEventListener('resize', () => {
  sizeText();
  if (state === 'ready') {
    send({
      op: 'resize',
      width: Math.round(window.innerWidth),
      height: Math.round(window.innerHeight),
    }).catch(() => {});
  }
});
sizeText();
