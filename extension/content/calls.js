// The page's method calls (page/page-api.js sends each as a "securepassword:call" event on the
// element and takes the answer from a "securepassword:reply" event): checked here and handed to
// the element's field, which answers through the background and its frame. A call that reads this
// computer's identity tells the background whether the page had the user's gesture when it was
// made: only such a call may have the user asked (background/identity.js). The element's focus()
// comes as a "securepassword:focus" event, and focuses its field.

// The script methods of the plug-in (checked against script/methods.json by the extension's tests).
const PAGE_METHODS = new Set([
  'GetPassword',
  'EncodeData',
  'Clearpassword',
  'GetActiveNIC',
  'GetHardDiskNUM',
  'GetDllVersion',
]);
const IDENTITY_METHODS = new Set(['GetActiveNIC', 'GetHardDiskNUM']);

window.addEventListener(
  'securepassword:call',
  (event) => {
    const element = event.composedPath()[0];
    if (!(element instanceof HTMLElement) || !(event instanceof CustomEvent)) return;
    let request;
    try {
      request = JSON.parse(event.detail);
    } catch {
      return;
    }
    if (!Number.isSafeInteger(request?.call) || !PAGE_METHODS.has(request.method)) return;
    const args = Array.isArray(request.args) ? request.args : [];
    const field = adopt(element);
    if (field === undefined) {
      const detail = JSON.stringify({
        call: request.call,
        ok: false,
        message: 'The element is not a secure password field in this document.',
      });
      element.dispatchEvent(new CustomEvent('securepassword:reply', { detail }));
      return;
    }
    if (IDENTITY_METHODS.has(request.method) && navigator.userActivation?.isActive === true) {
      toBackground({ type: 'activation', id: field.id, call: request.call });
    }
    field.call(request.call, request.method, args);
  },
  true,
);

window.addEventListener(
  'securepassword:focus',
  (event) => {
    const element = event.composedPath()[0];
    if (!(element instanceof HTMLElement) || !(event instanceof CustomEvent)) return;
    event.stopImmediatePropagation();
    let options;
    try {
      options = JSON.parse(event.detail);
    } catch {
      return;
    }
    adopt(element)?.focus({ preventScroll: options?.preventScroll === true });
  },
  true,
);
