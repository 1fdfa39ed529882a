// The content script's link to the extension's background: one port for every secure password
// field of this document, opened when the first field is found (a page without fields never wakes
// the background). Messages carry the field's id; see background/documents.js for both directions.
// The first of the content scripts after shared/key-queue.js; the others use what it declares.

const api = globalThis.browser ?? globalThis.chrome;
const MIME_TYPE = 'application/x-secure-password';
const FIELD_URL = api.runtime.getURL('frame/field.html');

/** @type {Map<string, Field>} every field of this document by its id */
const fieldsById = new Map();
/** @type {Map<Element, Field>} and by the box it placed in the page */
const fieldsByBox = new Map();

/** @type {chrome.runtime.Port | null} */
let backgroundPort = null;

// When the extension is updated or stopped, Chromium takes the runtime from this script (its id
// goes) and does not always close the port: the script looks, while the port is open.
const EXTENSION_WATCH_MS = 1000;
const EXTENSION_GONE = 'The secure password field stopped: the extension closed the connection.';
/** @type {ReturnType<typeof setInterval> | undefined} */
let extensionWatch;

// The extension went away under the page. The page must be loaded again to have its fields back:
// the browser puts the new extension's scripts only into pages loaded after it.
function extensionClosed() {
  backgroundPort = null;
  clearInterval(extensionWatch);
  for (const field of [...fieldsById.values()]) field.fail(EXTENSION_GONE);
}

/**
 * Sends a message to the background, connecting first if need be.
 * @param {object} message
 */
function toBackground(message) {
  if (api.runtime?.id === undefined) {
    extensionClosed();
    return;
  }
  let port = backgroundPort;
  if (port === null) {
    const opened = api.runtime.connect({ name: 'doc' });
    port = opened;
    backgroundPort = opened;
    opened.onMessage.addListener((/** @type {any} */ reply) => {
      fieldsById.get(reply?.id)?.fromBackground(reply);
    });
    // The page going into the back-forward cache closes the port too.
    opened.onDisconnect.addListener(() => {
      if (backgroundPort === opened) extensionClosed();
    });
    extensionWatch = setInterval(() => {
      if (api.runtime?.id === undefined) extensionClosed();
    }, EXTENSION_WATCH_MS);
  }
  port.postMessage(message);
}
