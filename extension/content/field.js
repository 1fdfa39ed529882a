// One secure password field of the page, as the content script holds it: the box it places in the
// element (an <object>'s content, or right after an <embed>), in a closed shadow root the page
// cannot open. The box stands in the page from the moment the element is found: first a cover that
// takes the focus and, through the key guard (guard.js), every key; once the background admits the
// field, the extension's frame loads behind the cover; once the frame is there, the keys the cover
// took are handed to it and the frame takes the cover's place. The cover stays over the frame,
// see-through and out of the page's order and of assistive technology, to take the click that puts
// the focus into the frame: the page's side moves the focus itself, so that the keys the browser
// still routes to the page while the focus travels into the frame (it does, under load) land in
// the field's box, where the guard takes them, and not on the page. The page's method calls and
// the field's news travel through the background (channel.js).
//
// Both the cover and the frame are, to assistive technology, a single-line text box named and
// described by the page's labelling of the element (presentation.js); both stand where the
// element's tabindex puts them in the page's order, and show the browser's own focus ring around
// the box while they have the focus.

// What browsers gave a plug-in without a width or height.
const DEFAULT_WIDTH = 300;
const DEFAULT_HEIGHT = 150;
// A method call that gets no answer in this time is rejected: nothing the page calls hangs.
const CALL_TIMEOUT_MS = 120000;
// A frame not on line this long after it was placed has failed (a cold browser takes seconds).
const FRAME_LOAD_MS = 30000;

// The cover looks as the frame does (frame/field.css): the browser's own text box (a read-only
// input that is never focused) with the bullets over it in its font and colours.
const BOX_STYLE = `
:host { display: inline-block; vertical-align: bottom; line-height: 0; position: relative; }
.cover, iframe, .backdrop {
  position: absolute; inset: 0; box-sizing: border-box; width: 100%; height: 100%; margin: 0;
}
.cover {
  z-index: 1; display: flex; align-items: center; overflow: hidden; white-space: pre;
  color: FieldText; opacity: 1; line-height: 1; letter-spacing: normal; word-spacing: normal;
  text-align: start; text-indent: 0; text-transform: none;
  cursor: text; user-select: none; -webkit-user-select: none;
}
.backdrop { pointer-events: none; }
.text { position: relative; forced-color-adjust: none; }
.cover.failed { color: GrayText; cursor: not-allowed; }
.cover[hidden] { display: none; }
.cover:focus, iframe.focused {
  outline: auto 1px; outline: -webkit-focus-ring-color auto 1px; outline-offset: 0;
}
@media (forced-colors: active) { .cover:focus, iframe.focused { outline-color: Highlight; } }
.cover.through, .cover.aside { pointer-events: none; }
.cover.through .backdrop, .cover.over .backdrop, .cover.aside .backdrop { visibility: hidden; }
.cover.through .text, .cover.over .text, .cover.aside .text { color: transparent; }
iframe { display: block; border: 0; padding: 0; }
iframe.loading { pointer-events: none; opacity: 0; }
`;
const DEFAULT_TITLE = 'Secure password field';

/** @type {Field | null} the field whose frame has the focus, as its news last told */
let fieldWithFocusedFrame = null;

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
    this.frameHasFocus = false; // the frame has the page's focus, as its news last told
    /** @type {ReturnType<typeof setTimeout> | undefined} */
    this.focusTimer = undefined;
    this.keys = new KeyQueue();
    this.heldLength = 0; // bullets drawn for the keys held here
    /** @type {Map<number, ReturnType<typeof setTimeout>>} page calls not answered yet */
    this.calls = new Map();
    /** @type {object[]} calls made before the field was admitted */
    this.heldCalls = [];
    /** @type {HTMLIFrameElement | null} */
    this.frame = null;
    /** @type {ReturnType<typeof setTimeout> | undefined} watches the frame while it loads */
    this.frameTimer = undefined;

    this.box = document.createElement('span');
    // The box is the field's stop in the page's order of focus (its tabindex is the element's); it
    // hands the focus to the cover or the frame in it.
    this.root = this.box.attachShadow({ mode: 'closed', delegatesFocus: true });
    const style = document.createElement('style');
    style.textContent = BOX_STYLE;
    this.cover = document.createElement('div');
    this.cover.className = 'cover';
    this.cover.tabIndex = 0;
    // What assistive technology takes the cover for: a text box, named by the page's labelling.
    const text = (/** @type {string} */ id) => {
      const span = document.createElement('span');
      span.id = id;
      span.hidden = true;
      return span;
    };
    this.coverName = text('name');
    this.coverDescription = text('description');
    this.cover.setAttribute('role', 'textbox');
    this.cover.setAttribute('aria-multiline', 'false');
    this.cover.setAttribute('aria-labelledby', 'name');
    this.cover.setAttribute('aria-describedby', 'description');
    this.backdrop = document.createElement('input');
    this.backdrop.className = 'backdrop';
    this.backdrop.readOnly = true;
    this.backdrop.tabIndex = -1;
    this.backdrop.autocomplete = 'off';
    this.backdrop.setAttribute('aria-hidden', 'true');
    this.coverText = document.createElement('span');
    this.coverText.className = 'text';
    this.cover.append(this.backdrop, this.coverText);
    /** @type {Presentation | null} what the page says of the field (presentation.js) */
    this.presentation = null;
    this.presented = '';
    this.cover.addEventListener('focus', () => this.focusChanged(true));
    this.cover.addEventListener('blur', () => {
      this.focusChanged(false);
      if (this.state !== 'live') return;
      // Keys the cover took for a live frame put its instance in focus; now it has lost it, and
      // the frame takes its place for good.
      this.showFrame();
      toBackground({ type: 'blur', id: this.id });
    });
    this.root.append(style, this.cover, this.coverName, this.coverDescription);
    this.resize();
    this.element.localName === 'object'
      ? this.element.append(this.box)
      : this.element.after(this.box);
    this.fitCover();
    // An <object> the page gave a tabindex can take the focus itself (Firefox): the focus that
    // comes to it from elsewhere goes on into the field, that which comes back out of the field
    // (Shift+Tab) on to the element before it (focus-order.js). Focus that comes from a frame
    // names no element it came from: the frame's news of its focus tells whether it was this one.
    if (this.element.localName === 'object') {
      this.element.addEventListener('focus', (event) => {
        if (event.target !== this.element) return;
        const from = event.relatedTarget;
        if (from === this.box || (from === null && this.frameHasFocus)) {
          focusBefore(this);
        } else {
          this.focus({ preventScroll: true });
        }
      });
    }

    fieldsById.set(this.id, this);
    fieldsByBox.set(this.box, this);
    const attributes = {};
    for (const attribute of element.attributes) attributes[attribute.name] = attribute.value;
    toBackground({ type: 'field', id: this.id, attributes });
    presentAll();
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
      this.frame.setAttribute('aria-hidden', 'true');
      this.cover.className = 'cover';
      this.cover.removeAttribute('aria-hidden');
      this.placeInOrder();
    }
  }

  // The cover's bullets are written in its backdrop's font, inside its border and padding.
  fitCover() {
    const style = getComputedStyle(this.backdrop);
    const inset = (/** @type {'Left' | 'Right'} */ side) =>
      `${parseFloat(style[`padding${side}`]) + parseFloat(style[`border${side}Width`])}px`;
    Object.assign(this.coverText.style, {
      fontFamily: style.fontFamily,
      fontSize: style.fontSize,
      fontWeight: style.fontWeight,
    });
    this.cover.style.paddingLeft = inset('Left');
    this.cover.style.paddingRight = inset('Right');
  }

  /**
   * The element's place in the page's order of focus (its tabindex, as the browser parses it):
   * the box takes it, so the field is reached, or left out, where the element is; the cover and
   * the frame in the box are left out with it.
   */
  tabIndex() {
    const match = /^\s*([+-]?\d+)/.exec(this.element.getAttribute('tabindex') ?? '');
    return match === null ? 0 : Math.max(-1, Math.min(Number(match[1]), 32767));
  }

  placeInOrder() {
    const index = this.tabIndex();
    const inside = Math.min(index, 0);
    const place = (/** @type {HTMLElement} */ element, /** @type {number} */ value) => {
      if (element.getAttribute('tabindex') !== String(value)) element.tabIndex = value;
    };
    place(this.box, index);
    place(this.cover, this.cover.className === 'cover' ? inside : -1);
    if (this.frame !== null && this.state === 'live') place(this.frame, inside);
  }

  /**
   * What the page says of the field now (presentation.js): shown on the cover and the frame's
   * element, and sent to the frame when it is there and it has changed.
   * @param {Presentation} presentation
   */
  present(presentation) {
    this.placeInOrder();
    const text = JSON.stringify(presentation);
    if (text === this.presented) return;
    this.presented = text;
    this.presentation = presentation;
    this.coverName.textContent = presentation.name;
    this.describeCover();
    for (const [name, value] of [
      ['aria-required', presentation.required ? 'true' : null],
      ['aria-invalid', presentation.invalid === 'false' ? null : presentation.invalid],
    ]) {
      if (value === null) {
        this.cover.removeAttribute(/** @type {string} */ (name));
      } else {
        this.cover.setAttribute(/** @type {string} */ (name), value);
      }
    }
    if (this.frame !== null) {
      this.frame.title = presentation.name || DEFAULT_TITLE;
      this.frame.style.colorScheme = presentation.scheme;
    }
    if (this.state === 'live') toBackground({ type: 'presentation', id: this.id, presentation });
  }

  describeCover() {
    this.coverDescription.textContent = [this.presentation?.description ?? '', this.error ?? '']
      .filter((part) => part !== '')
      .join(' ');
  }

  /**
   * The page's focus() on the element: the field takes the focus as a plain input would, not
   * when it is not shown or inert.
   * @param {{preventScroll?: boolean}} options
   */
  focus(options) {
    if (this.removed || !this.shown() || this.element.closest('[inert]') !== null) return;
    const target = this.state === 'live' && this.frame !== null ? this.frame : this.cover;
    target.focus({ preventScroll: options.preventScroll === true });
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
    this.showFocus(3);
    if (hasFocus) watchShown(this);
  }

  /**
   * The page does not match :focus on a frame whose document has the focus: the frame's news of
   * its focus draws the ring, while the frame is the page's focused element. That news can come
   * before the page knows where its focus is: it is looked at again a little later.
   * @param {number} tries
   */
  showFocus(tries) {
    clearTimeout(this.focusTimer);
    const focused =
      this.hasFocus && this.state === 'live' && this.root.activeElement === this.frame;
    this.frameHasFocus = focused;
    this.frame?.classList.toggle('focused', focused);
    if (!focused && this.hasFocus && tries > 0) {
      this.focusTimer = setTimeout(() => this.showFocus(tries - 1), 50);
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
      this.coverText.textContent = '\u2022'.repeat(this.heldLength);
    }
    // The frame is there, but the focus stayed with the cover: the key goes on at once.
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
    // A see-through cover goes on counting the bullets it stands for (its text is its value to
    // assistive technology, drawn invisibly over the frame's).
    if (!this.cover.classList.contains('through')) this.heldLength = 0;
  }

  // The frame takes the cover's place for good: to the eye, to assistive technology and in the
  // order of focus. The cover stays over it, see-through, for the click into it (pointerDown).
  showFrame() {
    this.frame?.removeAttribute('aria-hidden');
    this.cover.setAttribute('aria-hidden', 'true');
    this.placeCover();
    this.coverText.textContent = '';
    this.heldLength = 0;
    this.placeInOrder();
  }

  /**
   * A click on the see-through cover over a live frame: the focus goes into the frame from here,
   * and the click on to the plug-in.
   * @param {MouseEvent} event
   */
  pointerDown(event) {
    if (this.state !== 'live' || this.frame === null || event.type !== 'mousedown') return;
    if (!this.cover.classList.contains('over')) return;
    event.preventDefault();
    this.frame.focus();
    // Should the browser not move the focus into the frame, it stays in the box all the same: the
    // keys then come through the cover, and nothing the page had focused keeps them.
    if (document.activeElement !== this.box) this.cover.focus({ preventScroll: true });
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

  /**
   * The frame says it has the focus, or lost it. While it has it, clicks go straight to it; when
   * it gets it, it waits for the keys that reached the page's side while the focus travelled.
   * @param {boolean} hasFocus
   */
  frameFocused(hasFocus) {
    this.focusChanged(hasFocus);
    if (hasFocus) {
      fieldWithFocusedFrame = this;
    } else if (fieldWithFocusedFrame === this) {
      fieldWithFocusedFrame = null;
    }
    for (const field of fieldsById.values()) field.placeCover();
    if (this.state === 'live' && hasFocus) this.handOver({ answer: true });
  }

  // The see-through cover over a live frame takes the clicks that bring the focus from the page
  // (pointerDown); while a frame of the page's fields has the focus, clicks go straight to the
  // frames, as the browser then routes the keys that follow a click to the frame that had it.
  placeCover() {
    if (this.state !== 'live' || this.cover.getAttribute('aria-hidden') !== 'true') return;
    this.cover.className = fieldWithFocusedFrame === null ? 'cover over' : 'cover aside';
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
    this.placeFrame();
    for (const call of this.heldCalls.splice(0)) toBackground(call);
  }

  placeFrame() {
    const frame = document.createElement('iframe');
    frame.className = 'loading';
    frame.tabIndex = -1;
    // Out of the accessibility tree until it takes the cover's place.
    frame.setAttribute('aria-hidden', 'true');
    frame.title = this.presentation?.name || DEFAULT_TITLE;
    frame.style.colorScheme = this.presentation?.scheme ?? 'light';
    frame.src = `${FIELD_URL}#${this.id}`;
    this.frame = frame;
    this.root.append(frame);
    // A field whose frame never comes on line fails, and is not left a box that takes keys and
    // does nothing with them.
    this.frameTimer = setTimeout(
      () => this.fail('The secure password field could not start: its frame did not load.'),
      FRAME_LOAD_MS,
    );
  }

  // The frame is there and listening: it gets the keys the cover took, then the cover's place.
  // A cover that has the focus keeps it (see-through, out of the way of clicks, out of the tab
  // order) until the user clicks or moves on: the keys typed meanwhile keep coming through it, in
  // the order typed. Moving the focus into the frame here, unasked, would let keys typed during
  // the move reach the frame by two roads at once.
  live() {
    if (this.state === 'failed' || this.frame === null) return;
    this.state = 'live';
    clearTimeout(this.frameTimer);
    const coverHadFocus = this.root.activeElement === this.cover;
    // The frame learns how it is presented (its direction among it) before the keys come.
    if (this.presentation !== null) {
      toBackground({ type: 'presentation', id: this.id, presentation: this.presentation });
    }
    // Assistive technology keeps to a cover that has the focus: the frame joins it when the user
    // moves on.
    if (coverHadFocus) this.cover.classList.add('through');
    this.handOver({ focused: coverHadFocus });
    this.frame.classList.remove('loading');
    if (coverHadFocus) {
      this.placeInOrder();
    } else {
      this.showFrame();
    }
  }

  /** @param {string} message */
  fail(message) {
    if (this.error !== null) return;
    this.error = message;
    const frameShown = this.state === 'live';
    this.state = 'failed';
    clearTimeout(this.frameTimer);
    this.keys.wipe();
    this.heldLength = 0;
    this.heldCalls.length = 0;
    this.coverText.textContent = '';
    if (!frameShown) {
      // The frame never took the cover's place: the cover shows that the field failed.
      this.frame?.remove();
      this.frame = null;
      this.cover.classList.add('failed');
      this.cover.setAttribute('aria-disabled', 'true');
      this.backdrop.disabled = true;
      this.describeCover();
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
    if (fieldWithFocusedFrame === this) fieldWithFocusedFrame = null;
    fieldVanished(this);
    this.removed = true;
    clearTimeout(this.frameTimer);
    this.keys.wipe();
    fieldsById.delete(this.id);
    fieldsByBox.delete(this.box);
    for (const number of [...this.calls.keys()]) {
      this.settle(number, false, undefined, 'The secure password field was removed.');
    }
    if (api.runtime?.id !== undefined) backgroundPort?.postMessage({ type: 'gone', id: this.id });
    this.box.remove();
  }
}
