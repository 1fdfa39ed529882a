// The extension's background (Chromium's service worker, Firefox's background script): takes the
// ports of the pages' content scripts ("doc") and of the field frames ("frame:<id>") and hands them
// to documents.js, which admits the fields and runs one native host per tab (hosts.js), and the
// port of the window that asks the user about a site's reading of the identity ("question:<key>")
// to identity.js. An open connection to a native host keeps the background running in both
// browsers.
import { acceptDocument, acceptFrame } from './documents.js';
import { acceptQuestion } from './identity.js';

const api = globalThis.browser ?? globalThis.chrome;

api.runtime.onConnect.addListener((port) => {
  if (port.sender?.id !== api.runtime.id) {
    port.disconnect();
    return;
  }
  const frame = /^frame:(.+)$/.exec(port.name);
  const question = /^question:(.+)$/.exec(port.name);
  if (port.name === 'doc') {
    acceptDocument(port);
  } else if (frame !== null) {
    acceptFrame(port, frame[1]);
  } else if (question !== null) {
    acceptQuestion(port, question[1]);
  } else {
    port.disconnect();
  }
});

// The user's answers about the identity (grants.js) are for the extension's own pages: where the
// browser can, its content scripts, which run in the pages' processes, do not reach them.
api.storage.local.setAccessLevel?.({ accessLevel: 'TRUSTED_CONTEXTS' }).catch(() => {});
