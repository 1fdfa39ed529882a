// The extension's content script: finds the page's secure password fields (<object> and <embed>
// elements of type "application/x-secure-password", also those added later), places the
// extension's field frame inside each element's box, answers the page's method calls through
// that frame, and tells the page when a field is ready or has failed. It never sees a key: the
// frame takes them and holds the only connection to the plug-in.
//
// Channel to the frame (the page can neither forge nor read it):
// - Chromium: on each load of the frame this script announces the field's id with
//   runtime.sendMessage; the frame whose id it is opens tabs.connect back to exactly this
//   document, and only that port is accepted.
// - Firefox gives an extension frame inside a web page only the content scripts' APIs (no tabs,
//   no native messaging), so there the background script pairs this script's port with the
//   frame's port by the field's id and relays between them.
// The id is random and lives in a closed shadow root the page cannot open.
(() => {
  'use strict';
  const api = globalThis.browser ?? globalThis.chrome;
  const MIME_TYPE = 'application/x-secure-password';
  const FIELD_URL = api.runtime.getURL('field.html');
  const RELAYED = FIELD_URL.startsWith('moz-extension:');
  const METHODS = new Set([
    'GetPassword',
    'EncodeData',
    'Clearpassword',
    'GetActiveNIC',
    'GetHardDiskNUM',
    'GetDllVersion',
  ]);
  // What browsers gave a plug-in without a width or height.
  const DEFAULT_WIDTH = 300;
  const DEFAULT_HEIGHT = 150;

  const fields = new Map(); // element -> Field
  const byId = new Map(); // field id -> Field

  function isField(node) {
    if (node.nodeType !== Node.ELEMENT_NODE) return false;
    if (node.localName !== 'object' && node.localName !== 'embed') return false;
    if (!(node instanceof HTMLElement)) return false;
    const type = node.getAttribute('type');
    return type !== null && type.split(';')[0].trim().toLowerCase() === MIME_TYPE;
  }

  function cssLength(value, fallback) {
    if (value !== null) {
      const text = value.trim();
      if (/^\d+(\.\d+)?$/.test(text)) return `${text}px`;
      if (/^\d+(\.\d+)?%$/.test(text)) return text;
    }
    return `${fallback}px`;
  }

  // --- Sites an administrator allows (managed storage "allowedSites"; empty: every site). ---

  function siteMatches(pattern, url) {
    const match = /^(?:(https?):\/\/)?(\*\.)?([^/:]+)(?::(\d+))?\/?$/i.exec(pattern.trim());
    if (match === null) return false;
    const [, scheme, anySubdomain, host, port] = match;
    if (scheme !== undefined && `${scheme.toLowerCase()}:` !== url.protocol) return false;
    if (port !== undefined && port !== (url.port || (url.protocol === 'https:' ? '443' : '80'))) {
      return false;
    }
    const wanted = host.toLowerCase();
    const actual = url.hostname.toLowerCase();
    return actual === wanted || (anySubdomain !== undefined && actual.endsWith(`.${wanted}`));
  }

  let allowedHere = null;
  function siteAllowed() {
    if (allowedHere === null) {
      allowedHere = api.storage.managed.get('allowedSites').then(
        (items) => {
          const sites = items?.allowedSites;
          if (!Array.isArray(sites) || sites.length === 0) return true;
          const url = new URL(location.href);
          return sites.some((site) => typeof site === 'string' && siteMatches(site, url));
        },
        // No managed storage at all (Firefox says so with an error): no list, every site.
        () => true,
      );
    }
    return allowedHere;
  }

  // --- One field. ---

  class Field {
    constructor(element) {
      this.element = element;
      this.id = crypto.randomUUID();
      this.port = null;
      this.calls = new Map(); // page call number -> true while the frame works on it
      this.waiting = []; // messages for the frame before it is connected
      this.error = null;
      this.removed = false;
      this.frame = null;
      fields.set(element, this);
      byId.set(this.id, this);
      siteAllowed().then((allowed) => {
        if (this.removed) return;
        if (allowed) {
          this.place();
        } else {
          this.fail(
            'This site may not use the secure password field (the allowed sites are set by the administrator).',
          );
        }
      });
    }

    place() {
      // A closed shadow root keeps the frame, its address and its id out of the page's reach.
      this.box = document.createElement('span');
      const root = this.box.attachShadow({ mode: 'closed' });
      const style = document.createElement('style');
      style.textContent =
        ':host{display:inline-block;vertical-align:bottom;line-height:0}' +
        'iframe{display:block;width:100%;height:100%;border:0;margin:0;padding:0;color-scheme:normal}';
      this.frame = document.createElement('iframe');
      this.frame.title = 'Secure password field';
      this.frame.src = `${FIELD_URL}#${this.id}`;
      this.frame.addEventListener('load', () => this.connect());
      root.append(style, this.frame);
      this.resize();
      this.keepPlaced();
    }

    // Puts the frame's box back where it belongs when the page took it away (a script that
    // rewrote the element's children); the frame then loads anew, with a new instance.
    keepPlaced() {
      if (this.box === undefined) return;
      if (this.element.localName === 'object') {
        if (this.box.parentNode !== this.element) this.element.append(this.box); // fallback content
      } else if (!this.box.isConnected) {
        this.element.after(this.box); // an <embed> holds no children; see content.css
      }
    }

    resize() {
      if (this.box === undefined) return;
      this.box.style.width = cssLength(this.element.getAttribute('width'), DEFAULT_WIDTH);
      this.box.style.height = cssLength(this.element.getAttribute('height'), DEFAULT_HEIGHT);
    }

    // Called on every load of the frame (a reload is a new frame with a new instance). Firefox's
    // background keeps what this side sends until the frame's own port is there.
    connect() {
      if (this.removed) return;
      this.dropPort('The secure password field was reloaded.');
      if (RELAYED) {
        this.accept(api.runtime.connect({ name: `page:${this.id}` }));
      } else {
        api.runtime.sendMessage({ securePasswordField: this.id }).catch(() => {});
      }
    }

    accept(port) {
      this.port = port;
      this.error = null;
      port.onMessage.addListener((message) => this.fromFrame(message));
      port.onDisconnect.addListener(() => {
        if (this.port !== port) return;
        this.port = null;
        this.rejectCalls('The secure password field stopped.');
      });
      const attributes = {};
      for (const attribute of this.element.attributes) attributes[attribute.name] = attribute.value;
      port.postMessage({
        type: 'init',
        mimeType: MIME_TYPE,
        attributes,
        location: location.href,
      });
      for (const message of this.waiting.splice(0)) port.postMessage(message);
    }

    dropPort(reason) {
      if (this.port === null) return;
      const port = this.port;
      this.port = null;
      port.disconnect();
      this.rejectCalls(reason);
    }

    fromFrame(message) {
      switch (message?.type) {
        case 'ready':
          this.announce({ state: 'ready' });
          break;
        case 'error':
          this.fail(String(message.message));
          break;
        case 'reply':
          if (!this.calls.delete(message.call)) return;
          this.reply(message.call, message.ok === true, message.result, message.message);
          break;
        case 'key':
          // A key the plug-in leaves to the page (Return): the page gets it on the element.
          this.announce({
            state: 'key',
            key: message.key,
            code: message.code,
            shiftKey: message.shiftKey,
          });
          break;
        default:
          break;
      }
    }

    fail(message) {
      if (this.error !== null) return;
      this.error = message;
      this.rejectCalls(message);
      this.announce({ state: 'error', message });
    }

    // The page's script (page-api.js) turns this into the page's event ("securepasswordready",
    // "securepassworderror", or a key): events made in this script's world do not all reach the
    // page's listeners (Chromium holds back an ErrorEvent, Firefox a KeyboardEvent).
    announce(news) {
      const detail = JSON.stringify(news);
      this.element.dispatchEvent(
        new CustomEvent('securepassword:state', { bubbles: true, composed: true, detail }),
      );
    }

    call(number, method, args) {
      if (this.error !== null) {
        this.reply(number, false, undefined, this.error);
        return;
      }
      this.calls.set(number, true);
      const message = { type: 'call', call: number, method, args };
      if (this.port !== null) {
        this.port.postMessage(message);
      } else {
        this.waiting.push(message);
      }
    }

    reply(number, ok, result, message) {
      const detail = JSON.stringify(
        ok ? { call: number, ok, result } : { call: number, ok, message },
      );
      this.element.dispatchEvent(new CustomEvent('securepassword:reply', { detail }));
    }

    rejectCalls(message) {
      this.waiting.length = 0;
      for (const number of [...this.calls.keys()]) {
        this.calls.delete(number);
        this.reply(number, false, undefined, message);
      }
    }

    // The element left the document: its instance goes with the frame.
    remove() {
      this.removed = true;
      fields.delete(this.element);
      byId.delete(this.id);
      this.rejectCalls('The secure password field was removed.');
      if (this.port !== null) this.port.disconnect();
      this.port = null;
      if (this.box !== undefined) this.box.remove();
    }
  }

  // --- Finding fields, also those added, removed or retyped later. ---

  function adopt(element) {
    let field = fields.get(element);
    if (field === undefined && element.isConnected && isField(element)) field = new Field(element);
    return field;
  }

  function scan(node) {
    if (isField(node)) adopt(node);
    if (node.querySelectorAll !== undefined) {
      for (const element of node.querySelectorAll('object, embed')) {
        if (isField(element)) adopt(element);
      }
    }
  }

  function review() {
    for (const [element, field] of fields) {
      if (!element.isConnected || !isField(element)) {
        field.remove();
      } else {
        field.keepPlaced();
      }
    }
  }

  new MutationObserver((records) => {
    let removals = false;
    for (const record of records) {
      if (record.type === 'childList') {
        if (record.removedNodes.length > 0) removals = true;
        for (const node of record.addedNodes) scan(node);
      } else if (record.attributeName === 'type') {
        removals = true;
        scan(record.target);
      } else {
        fields.get(record.target)?.resize();
      }
    }
    if (removals) review();
  }).observe(document, {
    childList: true,
    subtree: true,
    attributes: true,
    attributeFilter: ['type', 'width', 'height'],
  });
  scan(document);

  // --- The page's method calls (see page-api.js). ---

  window.addEventListener(
    'securepassword:call',
    (event) => {
      const element = event.composedPath()[0];
      let request;
      try {
        request = JSON.parse(event.detail);
      } catch {
        return;
      }
      if (!Number.isSafeInteger(request?.call) || !METHODS.has(request.method)) return;
      const args = Array.isArray(request.args) ? request.args : [];
      const field = element instanceof HTMLElement ? adopt(element) : undefined;
      if (field === undefined) {
        const detail = JSON.stringify({
          call: request.call,
          ok: false,
          message: 'The element is not a secure password field in this document.',
        });
        element.dispatchEvent(new CustomEvent('securepassword:reply', { detail }));
        return;
      }
      field.call(request.call, request.method, args);
    },
    true,
  );

  // --- Chromium: the frame connects back after hearing its id (see the top of this file). ---

  if (!RELAYED) {
    api.runtime.onConnect.addListener((port) => {
      const field = byId.get(port.name);
      const sender = port.sender;
      if (
        field === undefined ||
        field.removed ||
        sender?.id !== api.runtime.id ||
        sender.url !== `${FIELD_URL}#${field.id}`
      ) {
        port.disconnect();
        return;
      }
      field.accept(port);
    });
  }
})();
