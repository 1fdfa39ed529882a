// Turns the browser's keyboard events (as KeyRecords, shared/key-queue.js) into the Cocoa key
// events the plug-in takes (the native host's "event" requests): the characters AppKit would give,
// the characters without modifiers, the Mac virtual key code of the key's US-layout position, and
// the NSEvent modifier flags. Used by the field frame (field.js); pure, tested by keys.test.js.

export const SHIFT = 1 << 17;
export const CONTROL = 1 << 18;
export const OPTION = 1 << 19;
export const COMMAND = 1 << 20;
const CAPS_LOCK = 1 << 16;

// Keys that are not characters: what AppKit gives as characters, and the key code.
const SPECIAL_KEYS = {
  Backspace: ['\u007f', 51],
  Delete: ['\uf728', 117],
  ArrowLeft: ['\uf702', 123],
  ArrowRight: ['\uf703', 124],
  ArrowDown: ['\uf701', 125],
  ArrowUp: ['\uf700', 126],
  Home: ['\uf729', 115],
  End: ['\uf72b', 119],
  PageUp: ['\uf72c', 116],
  PageDown: ['\uf72d', 121],
  Insert: ['\uf746', 114],
  Enter: ['\r', 36],
  Tab: ['\t', 48],
  Escape: ['\u001b', 53],
  F1: ['\uf704', 122],
  F2: ['\uf705', 120],
  F3: ['\uf706', 99],
  F4: ['\uf707', 118],
  F5: ['\uf708', 96],
  F6: ['\uf709', 97],
  F7: ['\uf70a', 98],
  F8: ['\uf70b', 100],
  F9: ['\uf70c', 101],
  F10: ['\uf70d', 109],
  F11: ['\uf70e', 103],
  F12: ['\uf70f', 111],
};

// Mac virtual key codes (kVK_...) by the DOM's physical key name.
// prettier-ignore
const KEY_CODES = {
  KeyA: 0, KeyS: 1, KeyD: 2, KeyF: 3, KeyH: 4, KeyG: 5, KeyZ: 6, KeyX: 7, KeyC: 8, KeyV: 9,
  IntlBackslash: 10, KeyB: 11, KeyQ: 12, KeyW: 13, KeyE: 14, KeyR: 15, KeyY: 16, KeyT: 17,
  Digit1: 18, Digit2: 19, Digit3: 20, Digit4: 21, Digit6: 22, Digit5: 23, Equal: 24, Digit9: 25,
  Digit7: 26, Minus: 27, Digit8: 28, Digit0: 29, BracketRight: 30, KeyO: 31, KeyU: 32,
  BracketLeft: 33, KeyI: 34, KeyP: 35, Enter: 36, KeyL: 37, KeyJ: 38, Quote: 39, KeyK: 40,
  Semicolon: 41, Backslash: 42, Comma: 43, Slash: 44, KeyN: 45, KeyM: 46, Period: 47, Tab: 48,
  Space: 49, Backquote: 50, Backspace: 51, Escape: 53, NumpadDecimal: 65, NumpadMultiply: 67,
  NumpadAdd: 69, NumLock: 71, NumpadDivide: 75, NumpadEnter: 76, NumpadSubtract: 78,
  NumpadEqual: 81, Numpad0: 82, Numpad1: 83, Numpad2: 84, Numpad3: 85, Numpad4: 86, Numpad5: 87,
  Numpad6: 88, Numpad7: 89, Numpad8: 91, Numpad9: 92, IntlYen: 93, IntlRo: 94,
};

// Modifier keys alone: key code; their presses are "flagsChanged" events.
// prettier-ignore
const MODIFIER_KEYS = {
  MetaRight: 54, MetaLeft: 55, ShiftLeft: 56, CapsLock: 57, AltLeft: 58, ControlLeft: 59,
  ShiftRight: 60, AltRight: 61, ControlRight: 62, OSLeft: 55, OSRight: 54,
};

const MODIFIER_NAMES = new Set(['Shift', 'Control', 'Alt', 'AltGraph', 'Meta', 'CapsLock']);

/**
 * The NSEvent modifier flags of KeyRecord modifier bits. AltGr is not Control and Option: it only
 * chooses the character.
 * @param {number} modifiers KEY_MODIFIER bits
 */
export function modifierFlags(modifiers) {
  const altGraph = (modifiers & KEY_MODIFIER.altGraph) !== 0;
  let flags = 0;
  if (modifiers & KEY_MODIFIER.shift) flags |= SHIFT;
  if (modifiers & KEY_MODIFIER.control && !altGraph) flags |= CONTROL;
  if (modifiers & KEY_MODIFIER.alt && !altGraph) flags |= OPTION;
  if (modifiers & KEY_MODIFIER.meta) flags |= COMMAND;
  if (modifiers & KEY_MODIFIER.capsLock) flags |= CAPS_LOCK;
  return flags;
}

/**
 * With Control, AppKit gives a letter (and @ [ \ ] ^ _) as its control character.
 * @param {string} character
 */
function withControl(character) {
  const code = character.toUpperCase().charCodeAt(0);
  return code >= 0x40 && code <= 0x5f ? String.fromCharCode(code & 0x1f) : character;
}

/**
 * @typedef {object} CocoaKeyEvent
 * @property {'keyDown' | 'keyUp' | 'flagsChanged'} type
 * @property {string} [characters]
 * @property {string} [charactersIgnoringModifiers]
 * @property {number} keyCode
 * @property {number} modifierFlags
 * @property {boolean} [isARepeat]
 */

/**
 * The Cocoa event for a "keydown" or "keyup" event, or null for one to leave out (composition,
 * a named key AppKit has no character for, anything without a key).
 * @param {KeyRecord} event
 * @returns {CocoaKeyEvent | null}
 */
export function cocoaKeyEvent(event) {
  const composing = (event.modifiers & KEY_MODIFIER.composing) !== 0;
  if (composing || event.key === 'Process' || event.key === 'Unidentified') return null;
  const down = event.type === 'keydown';
  const flags = modifierFlags(event.modifiers);
  const shift = (event.modifiers & KEY_MODIFIER.shift) !== 0;
  if (Object.hasOwn(MODIFIER_KEYS, event.code) || MODIFIER_NAMES.has(event.key)) {
    const keyCode = Object.hasOwn(MODIFIER_KEYS, event.code) ? MODIFIER_KEYS[event.code] : 0;
    return { type: 'flagsChanged', modifierFlags: flags, keyCode };
  }
  let characters;
  let ignoring;
  let keyCode = Object.hasOwn(KEY_CODES, event.code) ? KEY_CODES[event.code] : 0;
  const special = Object.hasOwn(SPECIAL_KEYS, event.key) ? SPECIAL_KEYS[event.key] : undefined;
  if (special !== undefined) {
    [characters, keyCode] = special;
    if (event.code === 'NumpadEnter') {
      // The keypad's Enter (AppKit: "\u0003") gives Return, so that it too reaches the page as
      // people expect of both Enter keys.
      keyCode = 76;
    } else if (event.key === 'Tab' && shift) {
      characters = '\u0019'; // back tab
    }
    ignoring = characters;
  } else if (event.key === 'Dead') {
    characters = ''; // a dead key gives no characters of its own
    ignoring = '';
  } else if ([...event.key].length === 1) {
    characters = event.key;
    ignoring = event.key;
    if (flags & CONTROL) characters = withControl(event.key);
  } else {
    return null; // a named key AppKit has no character for (media keys and the like)
  }
  return {
    type: down ? 'keyDown' : 'keyUp',
    characters,
    charactersIgnoringModifiers: ignoring,
    keyCode,
    modifierFlags: flags,
    isARepeat: (event.modifiers & KEY_MODIFIER.repeat) !== 0,
  };
}
