// The page's side of the secure password field: runs in the page's own script world before the
// page's scripts and gives every <object>/<embed type="application/x-secure-password"> the six
// methods of the plug-in's script object (each returns a Promise of the plug-in's answer) and the
// "securepasswordready" and "securepassworderror" events. Its focus() focuses the field, as a
// plain input's does (a "securepassword:focus" event to the content script).
//
// A call travels as a "securepassword:call" event on the element to the extension's content
// script, and its answer comes back as a "securepassword:reply" event on the same element. The
// page can see and forge both, which gives it nothing it does not already have: it may call the
// six methods anyway, and the answers are its own. Keys and the field's text never pass here.
(() => {
  'use strict';
  const MIME_TYPE = 'application/x-secure-password';
  const METHODS = [
    'GetPassword',
    'EncodeData',
    'Clearpassword',
    'GetActiveNIC',
    'GetHardDiskNUM',
    'GetDllVersion',
  ];
  // Kept from before the page's scripts run, so a page that replaces them breaks only itself.
  const { parse, stringify } = JSON;
  const CustomEventClass = CustomEvent;
  const EventClass = Event;
  const ErrorEventClass = ErrorEvent;
  const KeyboardEventClass = KeyboardEvent;
  const ErrorClass = Error;
  const PromiseClass = Promise;
  const elementFocus = HTMLElement.prototype.focus;
  const apply = Reflect.apply;

  const pending = new Map(); // call number -> {resolve, reject}
  const listening = new WeakSet();
  const methodsOf = new WeakMap(); // element -> {name: function}
  let nextCall = 1;

  function isField(element) {
    const type = element.getAttribute('type');
    return type !== null && type.split(';')[0].trim().toLowerCase() === MIME_TYPE;
  }

  // The plug-in takes strings, numbers, booleans and null; anything else reaches it as null.
  function plain(value) {
    const kind = typeof value;
    return kind === 'string' || kind === 'number' || kind === 'boolean' ? value : null;
  }

  function onReply(event) {
    let answer;
    try {
      answer = parse(event.detail);
    } catch {
      return;
    }
    const call = pending.get(answer.call);
    if (call === undefined) return;
    pending.delete(answer.call);
    if (answer.ok) {
      call.resolve(answer.result);
    } else {
      call.reject(new ErrorClass(answer.message));
    }
  }

  function invoke(element, method, args) {
    return new PromiseClass((resolve, reject) => {
      if (!element.isConnected) {
        reject(new ErrorClass('The secure password field is not in a document.'));
        return;
      }
      if (!listening.has(element)) {
        element.addEventListener('securepassword:reply', onReply);
        listening.add(element);
      }
      const call = nextCall++;
      pending.set(call, { resolve, reject });
      const detail = stringify({ call, method, args: Array.prototype.map.call(args, plain) });
      element.dispatchEvent(
        new CustomEventClass('securepassword:call', { bubbles: true, composed: true, detail }),
      );
    });
  }

  function methodsFor(element) {
    let methods = methodsOf.get(element);
    if (methods === undefined) {
      methods = {};
      for (const name of METHODS) {
        methods[name] = function (...args) {
          return invoke(element, name, args);
        };
      }
      methodsOf.set(element, methods);
    }
    return methods;
  }

  // The content script's news of a field, as the page's events.
  window.addEventListener(
    'securepassword:state',
    (event) => {
      event.stopImmediatePropagation();
      let news;
      try {
        news = parse(/** @type {CustomEvent} */ (event).detail);
      } catch {
        return;
      }
      const element = event.composedPath()[0];
      if (news.state === 'ready') {
        element.dispatchEvent(new EventClass('securepasswordready', { bubbles: true }));
      } else if (news.state === 'error') {
        const message = String(news.message);
        element.dispatchEvent(
          new ErrorEventClass('securepassworderror', { message, bubbles: true }),
        );
      } else if (news.state === 'key') {
        // A key the plug-in left to the page (Return), as a key down and up on the element.
        for (const type of ['keydown', 'keyup']) {
          const init = {
            key: String(news.key),
            code: String(news.code),
            shiftKey: news.shiftKey === true,
          };
          element.dispatchEvent(
            new KeyboardEventClass(type, {
              ...init,
              bubbles: true,
              cancelable: true,
              composed: true,
            }),
          );
        }
      }
    },
    true,
  );

  // The element's focus() is the field's: the content script focuses the field, when it is shown.
  /**
   * @this {HTMLElement}
   * @param {FocusOptions} [options]
   */
  function focus(options) {
    if (!isField(this)) return apply(elementFocus, this, [options]);
    const detail = stringify({ preventScroll: options?.preventScroll === true });
    this.dispatchEvent(
      new CustomEventClass('securepassword:focus', { bubbles: true, composed: true, detail }),
    );
    return undefined;
  }

  for (const prototype of [HTMLObjectElement.prototype, HTMLEmbedElement.prototype]) {
    Object.defineProperty(prototype, 'focus', {
      configurable: true,
      enumerable: true,
      writable: true,
      value: focus,
    });
    for (const name of METHODS) {
      Object.defineProperty(prototype, name, {
        configurable: true,
        enumerable: false,
        get() {
          return isField(this) ? methodsFor(this)[name] : undefined;
        },
      });
    }
  }
})();
