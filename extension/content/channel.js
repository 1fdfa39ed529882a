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

/**
 * Sends a message to the background, connecting first if need be.
 * @param {object} message
 */
function toBackground(message) {
  let port = backgroundPort;
  if (port === null) {
    port = api.runtime.connect({ name: 'doc' });
    backgroundPort = port;
    port.onMessage.addListener((/** @type {any} */ reply) => {
      fieldsById.get(reply?.id)?.fromBackground(reply);
    });
    port.onDisconnect.addListener(() => {
      if (backgroundPort !== port) return;
      backgroundPort = null;
      // The extension was stopped or updated, or the page went into the back-forward cache.
      for (const field of [...fieldsById.values()]) {
        field.fail('The secure password field stopped: the extension closed the connection.');
      }
    });
  }
  port.postMessage(message);
}
