// What the field frame draws: one bullet per character and the caret, from the display state the
// native host answers ({length, caret}); never a character. Before the host is up, the frame
// draws the keys it holds from a small model of the plug-in's editing (pendingDisplay), so the
// user sees at once that they were taken. It also gives the text box what the page says of it
// (name, description, states, language, direction, colour scheme; checkedPresentation checks what
// arrives), keeps the document's selection at the caret for assistive technology, and fits the
// bullets to the browser's own input drawn behind them. Used by field.js; pendingDisplay is pure
// and tested.

export const BULLET = '\u2022';
// The plug-in's field takes 126 characters at most.
export const MAX_LENGTH = 126;

/**
 * @typedef {object} Display
 * @property {number} length    bullets
 * @property {number | null} caret  0..length, or null when the field is not being edited
 */

/**
 * The display after the keys held so far, as the plug-in's field would edit: characters typed
 * without Control or Command are inserted at the caret (up to 126), Backspace and Delete remove one,
 * the arrows, Home and End move the caret. Everything else leaves it as it is.
 * @param {Display} display
 * @param {KeyRecord} record
 * @returns {Display}
 */
export function pendingDisplay(display, record) {
  const length = display.length;
  const caret = display.caret ?? length;
  if (record.type !== 'keydown') return display;
  const commands = KEY_MODIFIER.control | KEY_MODIFIER.meta;
  const command = (record.modifiers & commands) !== 0;
  if ([...record.key].length === 1 && record.key >= ' ' && !command) {
    if (length >= MAX_LENGTH) return { length, caret };
    return { length: length + 1, caret: caret + 1 };
  }
  switch (record.key) {
    case 'Backspace':
      return caret > 0 ? { length: length - 1, caret: caret - 1 } : { length, caret };
    case 'Delete':
      return caret < length ? { length: length - 1, caret } : { length, caret };
    case 'ArrowLeft':
      return { length, caret: Math.max(0, caret - 1) };
    case 'ArrowRight':
      return { length, caret: Math.min(length, caret + 1) };
    case 'Home':
    case 'ArrowUp':
      return { length, caret: 0 };
    case 'End':
    case 'ArrowDown':
      return { length, caret: length };
    default:
      return { length, caret };
  }
}

/**
 * How the page presents the field (content/presentation.js), as the frame takes it: plain text
 * and a few tokens, each checked and bounded here.
 * @typedef {object} Presentation
 * @property {string} name          the page's label of the element ("" when it has none)
 * @property {string} description   its description
 * @property {boolean} required     required, or aria-required
 * @property {string} invalid       aria-invalid: "false", "true", "grammar" or "spelling"
 * @property {string} lang          the element's language ("" when the page gives none)
 * @property {'ltr' | 'rtl'} dir    its writing direction
 * @property {'light' | 'dark'} scheme  the colour scheme it is drawn in
 */

// As content/presentation.js bounds them.
export const MAX_TEXT = 500;
const INVALID = new Set(['false', 'true', 'grammar', 'spelling']);
const LANGUAGE = /^[A-Za-z]{1,8}(-[A-Za-z0-9]{1,8})*$/;

/**
 * The presentation in a message from the page's side, checked: text is cut to MAX_TEXT, every
 * token not known falls back to its default.
 * @param {any} message
 * @returns {Presentation}
 */
export function checkedPresentation(message) {
  const text = (/** @type {unknown} */ value) =>
    typeof value === 'string' ? value.slice(0, MAX_TEXT) : '';
  const lang = text(message?.lang);
  return {
    name: text(message?.name),
    description: text(message?.description),
    required: message?.required === true,
    invalid: INVALID.has(message?.invalid) ? message.invalid : 'false',
    lang: LANGUAGE.test(lang) ? lang : '',
    dir: message?.dir === 'rtl' ? 'rtl' : 'ltr',
    scheme: message?.scheme === 'dark' ? 'dark' : 'light',
  };
}

export class FieldView {
  /** @param {Document} document */
  constructor(document) {
    const element = (/** @type {string} */ id) => {
      const found = document.getElementById(id);
      if (found === null) throw new Error(`field.html has no #${id}`);
      return found;
    };
    this.document = document;
    this.body = document.body;
    this.backdrop = /** @type {HTMLInputElement} */ (element('backdrop'));
    this.field = element('field');
    this.before = element('before');
    this.caret = element('caret');
    this.after = element('after');
    this.name = element('name');
    this.description = element('description');
    /** @type {Display} */
    this.shown = { length: -1, caret: -1 };
    this.pageDescription = '';
    this.failure = '';
    this.fitToBackdrop();
    this.fitCaret();
  }

  /**
   * Draws a display state; pending marks bullets the host has not confirmed yet.
   * @param {unknown} display what the host answered (checked here)
   * @param {boolean} [pending]
   */
  show(display, pending = false) {
    if (display === null || typeof display !== 'object') return;
    const { length: rawLength, caret: rawCaret } =
      /** @type {{length?: unknown, caret?: unknown}} */ (display);
    const length = Number.isInteger(rawLength) && Number(rawLength) > 0 ? Number(rawLength) : 0;
    const caret = Number.isInteger(rawCaret)
      ? Math.min(Math.max(Number(rawCaret), 0), length)
      : null;
    this.body.classList.toggle('pending', pending);
    if (length === this.shown.length && caret === this.shown.caret) return;
    this.shown = { length, caret };
    const before = caret ?? length;
    this.before.textContent = BULLET.repeat(before);
    this.after.textContent = BULLET.repeat(length - before);
    this.caret.hidden = caret === null;
    this.placeSelection();
    this.keepCaretInSight();
  }

  // Bullets wider than the field scroll, in either direction of writing, so that the caret stays
  // inside the padding; without a caret the field shows the start of the text.
  keepCaretInSight() {
    if (this.shown.caret === null) {
      this.field.scrollLeft = 0;
      return;
    }
    const style = getComputedStyle(this.field);
    const box = this.field.getBoundingClientRect();
    const caret = this.caret.getBoundingClientRect();
    const left = box.left + parseFloat(style.paddingLeft);
    const right = box.right - parseFloat(style.paddingRight);
    if (caret.right > right) this.field.scrollLeft += caret.right - right;
    if (caret.left < left) this.field.scrollLeft -= left - caret.left;
  }

  // The document's selection sits where the caret is drawn: assistive technology reads the caret
  // of a text box from it, as it does an input's.
  placeSelection() {
    const selection = this.document.getSelection();
    if (selection === null) return;
    if (this.shown.caret === null || this.document.activeElement !== this.field) {
      if (selection.rangeCount > 0) selection.removeAllRanges();
      return;
    }
    const text = this.before.firstChild;
    if (text === null) {
      selection.collapse(this.before, 0);
    } else {
      selection.collapse(text, this.shown.caret);
    }
  }

  /** @param {boolean} focused */
  focused(focused) {
    this.body.classList.toggle('focused', focused);
    this.placeSelection();
  }

  // The frame got the focus (the page's Tab, a click, the element's focus()): the text box takes
  // it, as an input would.
  takeFocus() {
    if (this.document.activeElement !== this.field) this.field.focus({ preventScroll: true });
  }

  /** @param {string} message */
  failed(message) {
    this.body.classList.add('failed');
    this.show({ length: 0, caret: null });
    this.backdrop.disabled = true;
    this.field.setAttribute('aria-disabled', 'true');
    this.failure = message;
    this.describe();
  }

  /**
   * What the page says of the field: its name, description and states for assistive
   * technology, its language and direction, its colour scheme. Set as text and attributes only.
   * @param {Presentation} presentation
   */
  present(presentation) {
    const root = this.document.documentElement;
    this.name.textContent = presentation.name;
    this.document.title = presentation.name || 'Secure password field';
    this.pageDescription = presentation.description;
    this.describe();
    if (presentation.required) {
      this.field.setAttribute('aria-required', 'true');
    } else {
      this.field.removeAttribute('aria-required');
    }
    this.field.setAttribute('aria-invalid', presentation.invalid);
    if (presentation.lang === '') {
      root.removeAttribute('lang');
    } else {
      root.lang = presentation.lang;
    }
    root.dir = presentation.dir;
    if (root.style.colorScheme !== presentation.scheme) {
      root.style.colorScheme = presentation.scheme;
      this.fitToBackdrop();
    }
  }

  describe() {
    this.description.textContent = [this.pageDescription, this.failure]
      .filter((part) => part !== '')
      .join(' ');
  }

  // The bullets are written in the backdrop's font, inside its border and padding, as the
  // browser writes the text of its own input.
  fitToBackdrop() {
    const style = getComputedStyle(this.backdrop);
    for (const property of ['fontFamily', 'fontSize', 'fontWeight', 'fontStyle', 'fontStretch']) {
      this.field.style[/** @type {any} */ (property)] = style[/** @type {any} */ (property)];
    }
    const inset = (/** @type {'Left' | 'Right'} */ side) =>
      `${parseFloat(style[`padding${side}`]) + parseFloat(style[`border${side}Width`])}px`;
    this.field.style.paddingLeft = inset('Left');
    this.field.style.paddingRight = inset('Right');
  }

  // The caret is one device pixel wide whatever the zoom and the pixel ratio, and is drawn anew
  // when they change.
  fitCaret() {
    const ratio = window.devicePixelRatio || 1;
    this.caret.style.width = `${Math.max(1, Math.round(ratio)) / ratio}px`;
    this.caret.style.marginInline = `${-Math.max(1, Math.round(ratio)) / ratio / 2}px`;
    matchMedia(`(resolution: ${ratio}dppx)`).addEventListener('change', () => this.fitCaret(), {
      once: true,
    });
  }
}
