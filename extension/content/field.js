// One secure password field of the page, as the content script holds it: the box it places in the
// element (an <object>'s content, or right after an <embed>), in a closed shadow root the page
// cannot open. The box stands in the page from the moment the element is found: first a cover that
// takes the focus and, through the key guard (guard.js), every key; once the background admits the
// field, the extension's frame loads behind the cover; once the frame is there, the keys the cover
// took are handed to it and the cover turns see-through. It still takes the click that puts the
// focus into the frame: the page's side moves the focus itself, so that the keys the browser still
// routes to the page while the focus travels into the frame (it does, under load) land in the
// field's box, where the guard takes them, and not on the page. The page's method calls and the
// field's news travel through the background (channel.js).

// What browsers gave a plug-in without a width or height.
const DEFAULT_WIDTH = 300;
const DEFAULT_HEIGHT = 150;
// A method call that gets no answer in this time is rejected: nothing the page calls hangs.
const CALL_TIMEOUT_MS = 120000;

const BOX_STYLE = `
:host { display: inline-block; vertical-align: bottom; line-height: 0; position: relative; }
.cover, iframe {
  position: absolute; inset: 0; box-sizing: border-box; width: 100%; height: 100%; margin: 0;
}
.cover {
  display: flex; align-items: center; padding: 0 5px; overflow: hidden; white-space: pre;
  border: 1px solid #9a9a9a; border-radius: 3px; background: #fff; color: #000; opacity: 1;
  font: 16px system-ui, sans-serif; letter-spacing: 1px; line-height: 1; outline: none;
  cursor: text; user-select: none; -webkit-user-select: none;
}
.cover:focus { border-color: #5b9dd9; box-shadow: 0 0 0 2px rgba(91, 157, 217, 0.45) inset; }
.cover.failed { background: #eee; border-style: dashed; cursor: not-allowed; }
.cover { z-index: 1; }
.cover[hidden] { display: none; }
.cover.over, .cover.through { background: transparent; border-color: transparent; box-shadow: none; }
.cover.through { pointer-events: none; }
iframe { display: block; border: 0; padding: 0; color-scheme: normal; }
iframe.loading { pointer-events: none; opacity: 0; }
`;

/**
 * @param {string | null} value
 * @param {number} fallback
 */
function cssLength(value, fallback) {
  if (value !== null) {
    const text = value.trim();
    if (/^\d+(\.\d+)?$/.test(text)) return `${text}px`;
    if (/^\d+(\.\d+)?%$/.test(text)) return text;
  }
  return `${fallback}px`;
}

class Field {
  /** @param {HTMLElement} element */
  constructor(element) {
    this.element = element;
    this.id = crypto.randomUUID();
    /** @type {'waiting' | 'admitted' | 'live' | 'failed'} */
    this.state = 'waiting';
    /** @type {string | null} */
    this.error = null;
    this.removed = false;
    this.reloading = false;
    this.hasFocus = false;
    this.keys = new KeyQueue();
    this.heldLength = 0; // bullets drawn for the keys held here
    /** @type {Map<number, ReturnType<typeof setTimeout>>} page calls not answered yet */
    this.calls = new Map();
    /** @type {object[]} calls made before the field was admitted */
    this.heldCalls = [];
    /** @type {HTMLIFrameElement | null} */
    this.frame = null;

    this.box = document.createElement('span');
    this.root = this.box.attachShadow({ mode: 'closed' });
    const style = document.createElement('style');
    style.textContent = BOX_STYLE;
    this.cover = document.createElement('div');
    this.cover.className = 'cover';
    this.cover.tabIndex = 0;
    this.cover.addEventListener('focus', () => this.focusChanged(true));
    this.cover.addEventListener('blur', () => {
      this.focusChanged(false);
      if (this.state !== 'live') return;
      // Keys the cover took for a live frame put its instance in focus; now it has lost it.
      this.cover.className = 'cover over';
      toBackground({ type: 'blur', id: this.id });
    });
    this.root.append(style, this.cover);
    this.resize();
    this.element.localName === 'object'
      ? this.element.append(this.box)
      : this.element.after(this.box);

    fieldsById.set(this.id, this);
    fieldsByBox.set(this.box, this);
    const attributes = {};
    for (const attribute of element.attributes) attributes[attribute.name] = attribute.value;
    toBackground({ type: 'field', id: this.id, attributes });
  }

  // Puts the box back where it belongs when the page took it away (a script that rewrote the
  // element's children); a frame in it loads anew, with a new instance.
  keepPlaced() {
    const placed =
      this.element.localName === 'object'
        ? this.box.parentNode === this.element
        : this.box.isConnected;
    if (placed) return;
    if (this.element.localName === 'object') {
      this.element.append(this.box); // fallback content
    } else {
      this.element.after(this.box); // an <embed> holds no children; see content.css
    }
    if (this.frame !== null && this.state === 'live') {
      // The frame reloads with the box: the cover stands in for it until it is there again.
      this.reloading = true;
      this.state = 'admitted';
      this.frame.className = 'loading';
      this.frame.tabIndex = -1;
      this.cover.classList.remove('over', 'through');
      this.cover.tabIndex = 0;
    }
  }

  resize() {
    this.box.style.width = cssLength(this.element.getAttribute('width'), DEFAULT_WIDTH);
    this.box.style.height = cssLength(this.element.getAttribute('height'), DEFAULT_HEIGHT);
  }

  /** Whether the box is on screen: in the page, with a size, and neither hidden nor undisplayed. */
  shown() {
    if (!this.box.isConnected) return false;
    const rect = this.box.getBoundingClientRect();
    if (rect.width === 0 || rect.height === 0) return false;
    return this.box.checkVisibility?.({ visibilityProperty: true }) ?? true;
  }

  /** @param {boolean} hasFocus */
  focusChanged(hasFocus) {
    this.hasFocus = hasFocus;
    if (hasFocus) watchShown(this);
  }

  /**
   * The frame says it has the focus, or lost it: while it has it, clicks go straight to it; when
   * it gets it, it waits for the keys that reached the page's side while the focus travelled.
   * @param {boolean} hasFocus
   */
  frameFocused(hasFocus) {
    this.focusChanged(hasFocus);
    if (this.state !== 'live') return;
    if (hasFocus) {
      this.cover.className = 'cover through';
      this.handOver({ answer: true });
    } else if (this.root.activeElement !== this.cover) {
      this.cover.className = 'cover over';
    }
  }

  // The field is hidden while it has the focus: the focus leaves it, as it leaves a plain input.
  dropFocus() {
    this.hasFocus = false;
    if (document.activeElement === this.box) {
      this.frame?.blur();
      this.cover.blur();
      if (document.activeElement === this.box) this.box.blur();
    }
  }

  /**
   * A key the guard took while the cover had the focus.
   * @param {KeyRecord} record
   */
  takeKey(record) {
    if (this.state === 'failed' || this.removed) return;
    if (!this.keys.push(record)) return;
    if (record.type === 'keydown') {
      const command = (record.modifiers & (KEY_MODIFIER.control | KEY_MODIFIER.meta)) !== 0;
      if (record.key === 'Backspace') {
        this.heldLength = Math.max(0, this.heldLength - 1);
      } else if ([...record.key].length === 1 && record.key >= ' ' && !command) {
        this.heldLength = Math.min(126, this.heldLength + 1);
      }
      this.cover.textContent = '\u2022'.repeat(this.heldLength);
    }
    // The frame is there, but the focus is still on the page's side: the key goes on at once.
    if (this.state === 'live') this.handOver();
  }

  /**
   * Gives the frame the keys taken here.
   * @param {{focused?: boolean, answer?: boolean}} [how] focused: whether the box has the focus;
   *   answer: this answers the frame's news that it has the focus (the keys taken while the focus
   *   travelled, possibly none), after which the frame's own keys come.
   */
  handOver({ focused = true, answer = false } = {}) {
    toBackground({ type: 'keys', id: this.id, keys: this.keys.drain(), focused, answer });
    this.heldLength = 0;
  }

  /**
   * A click on the see-through cover of a live frame: the focus goes into the frame from here,
   * and the click on to the plug-in.
   * @param {MouseEvent} event
   */
  pointerDown(event) {
    if (this.state !== 'live' || this.frame === null || event.type !== 'mousedown') return;
    event.preventDefault();
    this.frame.focus();
    const rect = this.box.getBoundingClientRect();
    toBackground({
      type: 'click',
      id: this.id,
      x: event.clientX - rect.left,
      y: event.clientY - rect.top,
      button: event.button,
      clickCount: Math.max(1, event.detail),
      modifiers: keyRecordOf(/** @type {any} */ (event)).modifiers,
    });
  }

  /** @param {any} message */
  fromBackground(message) {
    switch (message.type) {
      case 'admit':
        this.admitted();
        break;
      case 'live':
        this.live();
        break;
      case 'detached':
        // The frame went without the page taking it away (it crashed): the field has stopped.
        if (this.reloading) {
          this.reloading = false;
        } else {
          this.fail('The secure password field stopped.');
        }
        break;
      case 'fail':
      case 'error':
        this.fail(String(message.message));
        break;
      case 'ready':
        this.announce({ state: 'ready' });
        break;
      case 'focus':
        this.frameFocused(message.hasFocus === true);
        break;
      case 'reply':
        this.settle(message.call, message.ok === true, message.result, message.message);
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

  // The background admitted the field: its frame loads behind the cover, out of reach of keys and
  // clicks until it is there.
  admitted() {
    if (this.state !== 'waiting') return;
    this.state = 'admitted';
    const frame = document.createElement('iframe');
    frame.className = 'loading';
    frame.tabIndex = -1;
    frame.title = 'Secure password field';
    frame.src = `${FIELD_URL}#${this.id}`;
    this.frame = frame;
    this.root.append(frame);
    for (const call of this.heldCalls.splice(0)) toBackground(call);
  }

  // The frame is there and listening: it gets the keys the cover took, and the cover turns
  // see-through and leaves the tab order. A cover that has the focus keeps it until the user
  // clicks or moves on: the keys typed meanwhile keep coming through it, in the order typed
  // (moving the focus into the frame here, unasked, would let keys typed during the move reach the
  // frame by two roads at once).
  live() {
    if (this.state === 'failed' || this.frame === null) return;
    this.state = 'live';
    const coverHadFocus = this.root.activeElement === this.cover;
    this.handOver({ focused: coverHadFocus });
    this.frame.className = '';
    this.frame.removeAttribute('tabindex');
    this.cover.textContent = '';
    this.cover.tabIndex = -1;
    this.cover.className = coverHadFocus ? 'cover through' : 'cover over';
  }

  /** @param {string} message */
  fail(message) {
    if (this.error !== null) return;
    this.error = message;
    const frameShown = this.state === 'live';
    this.state = 'failed';
    this.keys.wipe();
    this.heldLength = 0;
    this.heldCalls.length = 0;
    this.cover.textContent = '';
    if (!frameShown) {
      // The frame never took the cover's place: the cover shows that the field failed.
      this.frame?.remove();
      this.frame = null;
      this.cover.classList.add('failed');
      this.cover.title = message;
    }
    for (const number of [...this.calls.keys()]) this.settle(number, false, undefined, message);
    this.announce({ state: 'error', message });
  }

  /**
   * The page's script (page/page-api.js) turns this into the page's event
   * ("securepasswordready", "securepassworderror", or a key): events made in this script's world do
   * not all reach the page's listeners (Chromium holds back an ErrorEvent, Firefox a
   * KeyboardEvent).
   * @param {object} news
   */
  announce(news) {
    const detail = JSON.stringify(news);
    this.element.dispatchEvent(
      new CustomEvent('securepassword:state', { bubbles: true, composed: true, detail }),
    );
  }

  /**
   * A method call of the page.
   * @param {number} number
   * @param {string} method
   * @param {unknown[]} args
   */
  call(number, method, args) {
    if (this.error !== null) {
      this.reply(number, false, undefined, this.error);
      return;
    }
    this.calls.set(
      number,
      setTimeout(
        () => this.settle(number, false, undefined, 'The secure password field did not answer.'),
        CALL_TIMEOUT_MS,
      ),
    );
    const message = { type: 'call', id: this.id, call: number, method, args };
    if (this.state === 'waiting') {
      this.heldCalls.push(message);
    } else {
      toBackground(message);
    }
  }

  /**
   * Answers a call still open.
   * @param {unknown} number
   * @param {boolean} ok
   * @param {unknown} result
   * @param {unknown} message
   */
  settle(number, ok, result, message) {
    if (typeof number !== 'number' || !this.calls.has(number)) return;
    clearTimeout(this.calls.get(number));
    this.calls.delete(number);
    this.reply(number, ok, result, message);
  }

  /**
   * @param {number} number
   * @param {boolean} ok
   * @param {unknown} result
   * @param {unknown} message
   */
  reply(number, ok, result, message) {
    const detail = JSON.stringify(
      ok ? { call: number, ok, result } : { call: number, ok, message: String(message) },
    );
    this.element.dispatchEvent(new CustomEvent('securepassword:reply', { detail }));
  }

  // The element left the document: its instance goes with the frame.
  remove() {
    if (this.removed) return;
    fieldVanished(this);
    this.removed = true;
    this.keys.wipe();
    fieldsById.delete(this.id);
    fieldsByBox.delete(this.box);
    for (const number of [...this.calls.keys()]) {
      this.settle(number, false, undefined, 'The secure password field was removed.');
    }
    backgroundPort?.postMessage({ type: 'gone', id: this.id });
    this.box.remove();
  }
}
