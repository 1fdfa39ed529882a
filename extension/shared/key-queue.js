// Keys typed into a secure password field before its plug-in instance can take them: the content
// script keeps those typed while the field's frame is still loading, the field frame those typed
// before the native host is up. A key is kept as a record of its DOM event (what the frame later
// turns into a Cocoa event) in fixed typed arrays, never as a string, so that the queue can be
// wiped when its keys have been sent or dropped. Bounded: a full queue refuses further keys.
// A classic script: the content scripts and the field frame load it before their own code.

/**
 * One key event as the field needs it: a plain copy of a DOM KeyboardEvent.
 * @typedef {object} KeyRecord
 * @property {'keydown' | 'keyup'} type
 * @property {string} key       the DOM `key` ("a", "Backspace", "Dead")
 * @property {string} code      the DOM `code` of the physical key ("KeyA")
 * @property {number} modifiers KEY_MODIFIER bits
 */

/** Bits of KeyRecord.modifiers. */
const KEY_MODIFIER = Object.freeze({
  shift: 1,
  control: 2,
  alt: 4,
  meta: 8,
  capsLock: 16,
  altGraph: 32,
  repeat: 64,
  composing: 128,
});

/**
 * The record of a DOM keyboard event.
 * @param {KeyboardEvent} event
 * @returns {KeyRecord}
 */
function keyRecordOf(event) {
  let modifiers = 0;
  if (event.shiftKey) modifiers |= KEY_MODIFIER.shift;
  if (event.ctrlKey) modifiers |= KEY_MODIFIER.control;
  if (event.altKey) modifiers |= KEY_MODIFIER.alt;
  if (event.metaKey) modifiers |= KEY_MODIFIER.meta;
  if (event.getModifierState?.('CapsLock') === true) modifiers |= KEY_MODIFIER.capsLock;
  if (event.getModifierState?.('AltGraph') === true) modifiers |= KEY_MODIFIER.altGraph;
  if (event.repeat) modifiers |= KEY_MODIFIER.repeat;
  if (event.isComposing) modifiers |= KEY_MODIFIER.composing;
  return {
    type: event.type === 'keyup' ? 'keyup' : 'keydown',
    key: event.key,
    code: event.code,
    modifiers,
  };
}

class KeyQueue {
  // A 126-character field typed key by key (down and up) with room for as many editing keys.
  static CAPACITY = 512;
  // DOM key and code names are short ("ArrowRight", "NumpadSubtract"); a character is one or two
  // UTF-16 units. A longer name is no key the field takes.
  static NAME_UNITS = 24;

  constructor(capacity = KeyQueue.CAPACITY) {
    this.capacity = capacity;
    this.count = 0;
    /** @type {Uint16Array | null} key and code units, NAME_UNITS each, per record */
    this.units = null;
    /** @type {Uint8Array | null} per record: type (0 down, 1 up), modifiers, key length, code length */
    this.meta = null;
  }

  get length() {
    return this.count;
  }

  /**
   * Keeps a key; false when the queue is full or the key has no name the field can take.
   * @param {KeyRecord} record
   */
  push(record) {
    const { key, code } = record;
    if (this.count >= this.capacity) return false;
    if (key.length > KeyQueue.NAME_UNITS || code.length > KeyQueue.NAME_UNITS) return false;
    if (this.units === null || this.meta === null) {
      this.units = new Uint16Array(this.capacity * 2 * KeyQueue.NAME_UNITS);
      this.meta = new Uint8Array(this.capacity * 4);
    }
    const base = this.count * 2 * KeyQueue.NAME_UNITS;
    for (let i = 0; i < key.length; i += 1) this.units[base + i] = key.charCodeAt(i);
    for (let i = 0; i < code.length; i += 1) {
      this.units[base + KeyQueue.NAME_UNITS + i] = code.charCodeAt(i);
    }
    const at = this.count * 4;
    this.meta[at] = record.type === 'keyup' ? 1 : 0;
    this.meta[at + 1] = record.modifiers & 0xff;
    this.meta[at + 2] = key.length;
    this.meta[at + 3] = code.length;
    this.count += 1;
    return true;
  }

  /**
   * Every key kept, oldest first; the queue is wiped and empty afterwards.
   * @returns {KeyRecord[]}
   */
  drain() {
    const records = this.records();
    this.wipe();
    return records;
  }

  /**
   * Every key kept, oldest first, left in the queue.
   * @returns {KeyRecord[]}
   */
  records() {
    /** @type {KeyRecord[]} */
    const records = [];
    const { units, meta } = this;
    if (units !== null && meta !== null) {
      for (let n = 0; n < this.count; n += 1) {
        const base = n * 2 * KeyQueue.NAME_UNITS;
        const at = n * 4;
        records.push({
          type: meta[at] === 1 ? 'keyup' : 'keydown',
          key: String.fromCharCode(...units.subarray(base, base + meta[at + 2])),
          code: String.fromCharCode(
            ...units.subarray(
              base + KeyQueue.NAME_UNITS,
              base + KeyQueue.NAME_UNITS + meta[at + 3],
            ),
          ),
          modifiers: meta[at + 1],
        });
      }
    }
    return records;
  }

  /** Forgets every key kept, overwriting them. */
  wipe() {
    this.units?.fill(0);
    this.meta?.fill(0);
    this.count = 0;
  }
}
