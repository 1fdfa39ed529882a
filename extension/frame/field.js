// The field frame (field.html), one per secure password field of a page: takes the keys, sends
// them to the field's plug-in instance as Cocoa events, and draws the bullets and the caret from
// the display state the native host answers; it never holds a character in the page. It talks
// only to the extension's background (background/main.js), which pairs it with the content script
// of the page it is in and carries its requests to the tab's native host.
//
// Keys are never lost: those the content script took before this frame could (its handover) and
// those typed here before the instance is up are held in KeyQueues (shared/key-queue.js), drawn at
// once as pending bullets, and sent in the order typed when the instance is up; the queues are
// wiped once sent, or unsent when the field fails. Each time this frame gets the focus it holds
// its own keys until the content script has answered with those that reached the page's side
// while the focus travelled here: they were typed first.
//
// The page's side also tells the frame how the page presents the field (its label, states,
// language, direction and colour scheme: content/presentation.js); on a right-to-left page the
// arrow keys reach the plug-in mirrored, so that the caret moves the way they point.
import { FieldView, checkedPresentation, pendingDisplay } from './display.js';
import { cocoaKeyEvent, modifierFlags } from './keys.js';

const api = globalThis.browser ?? globalThis.chrome;
const FIELD_ID = location.hash.slice(1);
// The native host skips (and cannot answer by id) a request over 64 KiB: such a request is refused
// here instead, with a message.
const MAX_REQUEST_BYTES = 64 * 1024;

const view = new FieldView(document);

/** @typedef {'loading' | 'starting' | 'up' | 'failed'} State */
/** @type {State} */
let state = 'loading';
let handedOver = false; // the content script's early keys have arrived (possibly none)
const early = new KeyQueue(); // the content script's keys, typed before this frame could take them
const typed = new KeyQueue(); // keys typed here before the instance is up
/** @type {import('./display.js').Display} */
let pending = { length: 0, caret: null };
let failure = '';
let instanceFocused = false; // what the instance was last told of the focus
let boxFocused = false; // the page's side of the field had the focus when it handed its keys over
// Between getting the focus and the content script's answer: this frame's own keys wait.
let awaitingAnswer = false;
/** @type {ReturnType<typeof setTimeout> | undefined} */
let answerTimer;
// The answer comes in milliseconds; a lost one holds no key longer than this.
const ANSWER_WAIT_MS = 500;
let nextRequest = 1;
/** @type {Map<number, {resolve: (reply: any) => void, reject: (error: Error) => void}>} */
const requests = new Map();
/** @type {(() => void)[]} calls waiting for the instance */
const waitingForUp = [];
/** @type {(() => void)[]} calls waiting for the keys typed before them to be sent */
const waitingForKeys = [];
/** @type {import('./display.js').Presentation} */
let presentation = checkedPresentation({});

// --- The link to the background. ---

/** @type {chrome.runtime.Port | null} */
let port = null;

/** @param {object} message */
function toPage(message) {
  port?.postMessage({ page: message });
}

/**
 * A request to the field's instance in the native host; resolves with the reply, rejects with the
 * host's error.
 * @param {Record<string, unknown>} body
 * @returns {Promise<any>}
 */
function request(body) {
  return new Promise((resolve, reject) => {
    if (port === null || state === 'failed') {
      reject(new Error(failure || 'the field is not connected'));
      return;
    }
    const id = nextRequest++;
    const message = { id, ...body };
    const text = JSON.stringify(message);
    if (
      text.length * 3 > MAX_REQUEST_BYTES &&
      new TextEncoder().encode(text).length > MAX_REQUEST_BYTES
    ) {
      reject(
        new Error(
          `the request is too long for the secure password field (over ${MAX_REQUEST_BYTES / 1024} KiB)`,
        ),
      );
      return;
    }
    requests.set(id, { resolve, reject });
    port.postMessage({ host: message });
  });
}

/** @param {any} reply */
function fromHost(reply) {
  const waiting = requests.get(reply?.id);
  if (waiting === undefined) return;
  requests.delete(reply.id);
  if (state === 'up' && reply.display !== undefined) view.show(reply.display);
  if (reply.ok === true) {
    waiting.resolve(reply);
  } else {
    waiting.reject(new Error(reply.error?.message ?? 'the helper program refused the request'));
  }
}

/**
 * The field cannot go on: every key held is wiped unsent, every call rejected, the page told.
 * @param {string} message
 */
function fail(message) {
  if (state === 'failed') return;
  state = 'failed';
  failure = message;
  early.wipe();
  typed.wipe();
  view.failed(message);
  const error = new Error(message);
  for (const waiting of requests.values()) waiting.reject(error);
  requests.clear();
  for (const resume of waitingForUp.splice(0)) resume();
  for (const resume of waitingForKeys.splice(0)) resume();
  toPage({ type: 'error', message });
}

// --- Starting the instance. ---

/** @param {{mimeType?: unknown, attributes?: unknown}} init */
function start(init) {
  if (state !== 'loading') return;
  state = 'starting';
  request({
    op: 'new',
    mimeType: String(init.mimeType),
    attributes: init.attributes ?? {},
    width: Math.round(window.innerWidth),
    height: Math.round(window.innerHeight),
  }).then(
    () => {
      if (state !== 'starting') return;
      state = 'up';
      flush();
      toPage({ type: 'ready' });
      for (const resume of waitingForUp.splice(0)) resume();
    },
    (error) => fail(`The secure password field could not start: ${error.message}`),
  );
}

// Sends the keys held, the content script's first, in the order typed; the host answers in order.
// They were typed into the field: the instance has the focus while it takes them, and keeps it
// only if the field still has it.
function flush() {
  if (state !== 'up' || !handedOver || awaitingAnswer) return;
  const held = early.length + typed.length;
  if (document.hasFocus() && !instanceFocused) instanceFocus(true);
  for (const queue of [early, typed]) {
    for (const record of queue.drain()) keyEvent(record);
  }
  // Typed before the user moved on: the instance took them in focus, and now loses it.
  if (instanceFocused && !document.hasFocus() && !boxFocused) instanceFocus(false);
  // The host's answers to these keys redraw the field; until then it shows them as confirmed.
  if (held > 0) view.show(pending);
  for (const resume of waitingForKeys.splice(0)) resume();
}

/** Whether keys typed so far are still held here (a call made now must come after them). */
function keysHeld() {
  return !handedOver || awaitingAnswer || early.length + typed.length > 0;
}

// --- Input. ---

/** @param {Record<string, unknown>} cocoa */
function event(cocoa) {
  if (state !== 'up') return Promise.resolve(null);
  return request({ op: 'event', event: cocoa }).catch(() => null);
}

/**
 * This frame's document got or lost the focus: the page's side hears of it, and the instance.
 * @param {boolean} hasFocus
 */
function focusChanged(hasFocus) {
  toPage({ type: 'focus', hasFocus });
  instanceFocus(hasFocus);
}

/**
 * What the instance is told of the focus (and what the field draws): it has it while keys typed
 * into the field's box reach it, wherever on the way they were taken.
 * @param {boolean} hasFocus
 */
function instanceFocus(hasFocus) {
  view.focused(hasFocus);
  if (state === 'up') {
    instanceFocused = hasFocus;
    event({ type: 'focusChanged', hasFocus });
  }
}

// On a right-to-left page the bullets run from the right: the arrows move the caret the way they
// point, as in a plain input there, so Left steps on through the text and Right back.
const MIRRORED = /** @type {Record<string, string>} */ ({
  ArrowLeft: 'ArrowRight',
  ArrowRight: 'ArrowLeft',
});

/**
 * The key as the plug-in's field takes it, in this field's direction of writing.
 * @param {KeyRecord} record
 * @returns {KeyRecord}
 */
function inDirection(record) {
  if (presentation.dir !== 'rtl' || !Object.hasOwn(MIRRORED, record.key)) return record;
  return { ...record, key: MIRRORED[record.key], code: MIRRORED[record.key] };
}

/**
 * A key for the instance: sent when it is up and every earlier key has gone, held otherwise.
 * @param {KeyRecord} typedRecord
 */
function takeKey(typedRecord) {
  if (state === 'failed') return;
  const record = inDirection(typedRecord);
  if (state !== 'up' || !handedOver || awaitingAnswer) {
    hold(typed, record);
    return;
  }
  keyEvent(record);
}

/**
 * Keeps a key until it can be sent, and draws it at once as the field will show it.
 * @param {KeyQueue} queue
 * @param {KeyRecord} record
 */
function hold(queue, record) {
  // The first key held while the instance is up starts from what the field shows.
  if (state === 'up' && early.length + typed.length === 0) pending = { ...view.shown };
  if (queue.push(record)) pending = pendingDisplay(pending, record);
  view.show(pending, true);
}

/** @param {KeyRecord} record */
function keyEvent(record) {
  const cocoa = cocoaKeyEvent(record);
  if (cocoa === null) return;
  // A key typed into the field's box (here, or handed over by the page's side) puts the
  // instance in focus first, as a click into the field would have.
  if (!instanceFocused && cocoa.type === 'keyDown') instanceFocus(true);
  event(cocoa).then((reply) => {
    // The plug-in leaves Return to the page.
    if (reply?.handled === false && cocoa.type === 'keyDown' && record.key === 'Enter') {
      const shiftKey = (record.modifiers & KEY_MODIFIER.shift) !== 0;
      toPage({ type: 'key', key: 'Enter', code: record.code, shiftKey });
    }
  });
}

/** @param {KeyboardEvent} domEvent */
function onKey(domEvent) {
  // Tab moves the focus on, as in every other field of the page.
  if (domEvent.key !== 'Tab') domEvent.preventDefault();
  domEvent.stopPropagation();
  if (!domEvent.isTrusted) return;
  takeKey(keyRecordOf(domEvent));
}

/**
 * @param {string} type
 * @param {MouseEvent} domEvent
 */
function mouse(type, domEvent) {
  return {
    type,
    x: domEvent.clientX,
    y: domEvent.clientY,
    button: domEvent.button,
    clickCount: Math.max(1, domEvent.detail),
    modifierFlags: modifierFlags(keyRecordOf(/** @type {any} */ (domEvent)).modifiers),
  };
}

/** @type {Record<string, unknown> | null} */
let moved = null;
/** @param {MouseEvent} domEvent */
function onMouseMove(domEvent) {
  if (moved === null) {
    requestAnimationFrame(() => {
      if (moved !== null) event(moved);
      moved = null;
    });
  }
  moved = mouse(domEvent.buttons & 1 ? 'mouseDragged' : 'mouseMoved', domEvent);
}

// --- What the page's content script sends through the background. ---

/** @param {any} message */
function fromPage(message) {
  if (message?.type === 'init') {
    start(message);
  } else if (message?.type === 'keys') {
    // The keys the content script took before this frame could; they come before any typed here.
    if (handedOver) {
      // Taken on the page's side since: while the focus travelled here (the answer), or while it
      // stayed there. They come before the keys this frame holds.
      for (const record of Array.isArray(message.keys) ? message.keys : []) {
        if (isKeyRecord(record)) hold(early, inDirection(record));
      }
      if (message.answer === true) {
        awaitingAnswer = false;
        clearTimeout(answerTimer);
      }
      flush();
      return;
    }
    let display = { length: 0, caret: /** @type {number | null} */ (null) };
    for (const handed of Array.isArray(message.keys) ? message.keys : []) {
      if (!isKeyRecord(handed)) continue;
      const record = inDirection(handed);
      if (early.push(record)) display = pendingDisplay(display, record);
    }
    // What was typed here meanwhile comes after the handed-over keys.
    for (const record of typed.records()) display = pendingDisplay(display, record);
    handedOver = true;
    boxFocused = message.focused === true;
    pending = display;
    if (early.length + typed.length > 0) view.show(pending, state !== 'up');
    flush();
  } else if (message?.type === 'call') {
    call(message);
  } else if (message?.type === 'blur') {
    if (!document.hasFocus() && instanceFocused) instanceFocus(false);
  } else if (message?.type === 'click') {
    // A click the page's side took on its way into this frame, for the plug-in.
    const { x, y, button, clickCount, modifiers } = message;
    if (![x, y, button, clickCount, modifiers].every(Number.isFinite)) return;
    const flags = modifierFlags(modifiers);
    for (const type of ['mouseDown', 'mouseUp']) {
      event({ type, x, y, button, clickCount, modifierFlags: flags });
    }
  } else if (message?.type === 'presentation') {
    presentation = checkedPresentation(message.presentation);
    view.present(presentation);
  }
}

/**
 * @param {any} record
 * @returns {record is KeyRecord}
 */
function isKeyRecord(record) {
  return (
    (record?.type === 'keydown' || record?.type === 'keyup') &&
    typeof record.key === 'string' &&
    typeof record.code === 'string' &&
    Number.isInteger(record.modifiers)
  );
}

/** @param {{call: number, method: unknown, args: unknown}} message */
async function call(message) {
  let reply;
  try {
    if (state === 'loading' || state === 'starting') {
      await new Promise((resolve) => waitingForUp.push(() => resolve(undefined)));
    }
    if (state === 'up' && keysHeld()) {
      await new Promise((resolve) => waitingForKeys.push(() => resolve(undefined)));
    }
    if (state !== 'up') throw new Error(failure || 'the field is not ready');
    const args = Array.isArray(message.args) ? message.args : [];
    reply = await request({ op: 'call', method: String(message.method), args });
  } catch (error) {
    const text = state === 'failed' ? failure : /** @type {Error} */ (error).message;
    toPage({ type: 'reply', call: message.call, ok: false, message: text });
    return;
  }
  // A call that succeeds without a value (Clearpassword) answers true, as the plug-in's did.
  const result = reply.result ?? (message.method === 'Clearpassword' ? true : null);
  toPage({ type: 'reply', call: message.call, ok: true, result });
}

// --- Wiring: listeners first, then the link, so no key can come before a listener. ---

window.addEventListener('keydown', onKey, true);
window.addEventListener('keyup', onKey, true);
window.addEventListener('keypress', (domEvent) => domEvent.preventDefault(), true);
window.addEventListener('focus', () => {
  // The keys that reached the page's side on the way here come first (see the top of this file).
  // A frame still waiting for its first handover needs no answer: that handover comes first.
  awaitingAnswer = handedOver;
  clearTimeout(answerTimer);
  answerTimer = setTimeout(() => {
    awaitingAnswer = false;
    flush();
  }, ANSWER_WAIT_MS);
  view.takeFocus();
  focusChanged(true);
});
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
  view.keepCaretInSight();
  if (state === 'up') {
    request({
      op: 'resize',
      width: Math.round(window.innerWidth),
      height: Math.round(window.innerHeight),
    }).catch(() => {});
  }
});

const link = api.runtime.connect({ name: `frame:${FIELD_ID}` });
port = link;
link.onMessage.addListener((message) => {
  if (message.page !== undefined) fromPage(message.page);
  if (message.host !== undefined) fromHost(message.host);
  if (message.hostClosed !== undefined) {
    const reason = String(message.hostClosed);
    fail(
      state === 'up'
        ? `The secure password field stopped: ${reason}`
        : `The secure password field could not start: ${reason}`,
    );
  }
  if (message.refused !== undefined) fail(String(message.refused));
});
link.onDisconnect.addListener(() => {
  port = null;
  fail('The secure password field stopped: the extension closed the connection');
});
