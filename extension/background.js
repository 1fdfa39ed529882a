// The extension's background script. In Firefox, an extension frame inside a web page gets only
// the content scripts' APIs, so this script holds each field's native connection and relays
// between the field's frame, the page's content script and the native host:
//   frame   "frame:<id>" port: {page: message} to the content script, {native: message} to the
//           host, {openNative: true} / {closeNative: true}; it gets {page}, {native} and
//           {nativeClosed: reason};
//   content "page:<id>" port: messages to and from the frame as they are.
// The two ports of a field are paired by the field's random id and must come from the same tab.
// An open native connection keeps this script alive. Chromium's frames do all this themselves
// (see content.js), so there this service worker has nothing to do.
const api = globalThis.browser ?? globalThis.chrome;
const HOST_NAME = 'net.securepassword.host';
const FIELD_URL = api.runtime.getURL('field.html');
const fields = new Map(); // id -> {frame, page, native, early}

function entry(id) {
  let field = fields.get(id);
  if (field === undefined) {
    field = { frame: null, page: null, native: null, early: [] };
    fields.set(id, field);
  }
  return field;
}

function close(id) {
  const field = fields.get(id);
  if (field === undefined) return;
  fields.delete(id);
  field.native?.disconnect();
  field.frame?.disconnect();
  field.page?.disconnect();
}

function openNative(field) {
  if (field.native !== null) return;
  const native = api.runtime.connectNative(HOST_NAME);
  field.native = native;
  native.onMessage.addListener((message) => field.frame?.postMessage({ native: message }));
  native.onDisconnect.addListener((port) => {
    if (field.native !== native) return;
    field.native = null;
    const reason =
      port.error?.message ?? api.runtime.lastError?.message ?? 'the helper program exited';
    field.frame?.postMessage({ nativeClosed: reason });
  });
}

function fromFrame(field, message) {
  if (message.page !== undefined) {
    if (field.page !== null) field.page.postMessage(message.page);
  } else if (message.native !== undefined) {
    field.native?.postMessage(message.native);
  } else if (message.openNative === true) {
    openNative(field);
  } else if (message.closeNative === true) {
    const native = field.native;
    field.native = null;
    native?.disconnect();
  }
}

api.runtime.onConnect.addListener((port) => {
  const match = /^(frame|page):([0-9a-f-]{36})$/.exec(port.name);
  const sender = port.sender;
  if (match === null || sender?.id !== api.runtime.id || sender.tab === undefined) {
    port.disconnect();
    return;
  }
  const [, kind, id] = match;
  const field = entry(id);
  const other = kind === 'frame' ? field.page : field.frame;
  const mine =
    kind === 'frame'
      ? sender.url === `${FIELD_URL}#${id}`
      : !sender.url?.startsWith(api.runtime.getURL(''));
  if (!mine || field[kind] !== null || (other !== null && other.sender.tab.id !== sender.tab.id)) {
    port.disconnect();
    if (field.frame === null && field.page === null) fields.delete(id);
    return;
  }
  field[kind] = port;
  port.onDisconnect.addListener(() => close(id));
  if (kind === 'frame') {
    port.onMessage.addListener((message) => fromFrame(field, message));
    for (const message of field.early.splice(0)) port.postMessage({ page: message });
  } else {
    port.onMessage.addListener((message) => {
      if (field.frame !== null) {
        field.frame.postMessage({ page: message });
      } else {
        field.early.push(message);
      }
    });
  }
});
