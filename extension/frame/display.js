// What the field frame draws: one bullet per character and the caret, from the display state the
// native host answers ({length, caret}); never a character. Before the host is up, the frame
// draws the keys it holds from a small model of the plug-in's editing (pendingDisplay), so the
// user sees at once that they were taken. Used by field.js; pendingDisplay is pure and tested.

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

export class FieldView {
  /** @param {Document} document */
  constructor(document) {
    const element = (/** @type {string} */ id) => {
      const found = document.getElementById(id);
      if (found === null) throw new Error(`field.html has no #${id}`);
      return found;
    };
    this.body = document.body;
    this.field = element('field');
    this.before = element('before');
    this.caret = element('caret');
    this.after = element('after');
    /** @type {Display} */
    this.shown = { length: -1, caret: -1 };
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
    // Keep the caret in sight when the bullets are wider than the field.
    const edge = this.caret.offsetLeft - this.field.clientWidth + 8;
    this.field.scrollLeft = caret === null ? 0 : Math.max(0, edge);
  }

  /** @param {boolean} focused */
  focused(focused) {
    this.body.classList.toggle('focused', focused);
  }

  /** @param {string} message */
  failed(message) {
    this.body.classList.add('failed');
    this.show({ length: 0, caret: null });
    this.field.title = message;
  }

  /** The text size follows the field's height, as a plain input's would. */
  sizeText() {
    const height = window.innerHeight;
    this.field.style.fontSize = `${Math.max(9, Math.min(24, Math.round(height * 0.6)))}px`;
  }
}
