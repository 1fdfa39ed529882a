// The browser's keys as the plug-in must get them (Cocoa events, US key codes), the queue that
// holds keys before the instance is up, and the bullets drawn for held keys.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { test } from 'node:test';
import vm from 'node:vm';

// The queue is a classic script shared with the content scripts: its names become globals here.
vm.runInThisContext(fs.readFileSync(new URL('../shared/key-queue.js', import.meta.url), 'utf8'));
const { cocoaKeyEvent, SHIFT, CONTROL, OPTION, COMMAND } = await import('./keys.js');
const { pendingDisplay } = await import('./display.js');

const key = (k, code, modifiers = 0, type = 'keydown') => ({ type, key: k, code, modifiers });

test('characters, modifiers and key codes are what AppKit gives', () => {
  assert.deepEqual(cocoaKeyEvent(key('A', 'KeyA', KEY_MODIFIER.shift)), {
    type: 'keyDown',
    characters: 'A',
    charactersIgnoringModifiers: 'A',
    keyCode: 0,
    modifierFlags: SHIFT,
    isARepeat: false,
  });
  const control = cocoaKeyEvent(key('c', 'KeyC', KEY_MODIFIER.control));
  assert.equal(control.characters, '\u0003');
  assert.equal(control.modifierFlags, CONTROL);
  // AltGr (reported as Control and Alt) chooses a character; it is neither Control nor Option.
  const altGraph = KEY_MODIFIER.control | KEY_MODIFIER.alt | KEY_MODIFIER.altGraph;
  const at = cocoaKeyEvent(key('@', 'KeyQ', altGraph));
  assert.equal(at.characters, '@');
  assert.equal(at.modifierFlags & (CONTROL | OPTION), 0);
  assert.equal(cocoaKeyEvent(key('v', 'KeyV', KEY_MODIFIER.meta)).modifierFlags, COMMAND);
  assert.equal(cocoaKeyEvent(key('x', 'KeyX', KEY_MODIFIER.repeat)).isARepeat, true);
  assert.equal(cocoaKeyEvent(key('1', 'Digit1', 0, 'keyup')).type, 'keyUp');
});

test('editing keys carry the characters and key codes of the Mac keyboard', () => {
  const expected = {
    Backspace: ['\u007f', 51],
    Delete: ['\uf728', 117],
    ArrowLeft: ['\uf702', 123],
    ArrowRight: ['\uf703', 124],
    Home: ['\uf729', 115],
    End: ['\uf72b', 119],
    Enter: ['\r', 36],
  };
  for (const [name, [characters, keyCode]] of Object.entries(expected)) {
    const event = cocoaKeyEvent(key(name, name));
    assert.deepEqual([event.characters, event.keyCode], [characters, keyCode], name);
  }
  assert.equal(cocoaKeyEvent(key('Enter', 'NumpadEnter')).keyCode, 76);
  assert.equal(cocoaKeyEvent(key('Tab', 'Tab', KEY_MODIFIER.shift)).characters, '\u0019');
});

test('composition, unknown names and modifier keys never insert a character', () => {
  assert.equal(cocoaKeyEvent(key('a', 'KeyA', KEY_MODIFIER.composing)), null);
  assert.equal(cocoaKeyEvent(key('Process', 'KeyA')), null);
  assert.equal(cocoaKeyEvent(key('AudioVolumeUp', 'AudioVolumeUp')), null);
  assert.equal(cocoaKeyEvent(key('Dead', 'Quote')).characters, '');
  assert.deepEqual(cocoaKeyEvent(key('Shift', 'ShiftLeft', KEY_MODIFIER.shift)), {
    type: 'flagsChanged',
    modifierFlags: SHIFT,
    keyCode: 56,
  });
  // Names of the lookup tables' own prototype are no keys.
  assert.equal(cocoaKeyEvent(key('a', 'constructor')).keyCode, 0);
  assert.equal(cocoaKeyEvent(key('toString', 'KeyA')), null);
});

test('the queue keeps keys in order up to its bound, and wipes them once given out', () => {
  const queue = new KeyQueue(3);
  assert.equal(queue.push(key('x'.repeat(25), 'KeyX')), false, 'a name no key has');
  assert.ok(queue.push(key('a', 'KeyA')));
  assert.ok(queue.push(key('\u00e9', 'KeyE', KEY_MODIFIER.alt, 'keyup')));
  assert.ok(queue.push(key('Backspace', 'Backspace')));
  assert.equal(queue.push(key('b', 'KeyB')), false, 'a full queue refuses');
  assert.deepEqual(queue.records()[1], key('\u00e9', 'KeyE', KEY_MODIFIER.alt, 'keyup'));
  const drained = queue.drain();
  assert.deepEqual(
    drained.map((record) => record.key),
    ['a', '\u00e9', 'Backspace'],
  );
  assert.equal(queue.length, 0);
  assert.ok(queue.units.every((unit) => unit === 0) && queue.meta.every((byte) => byte === 0));
});

test('held keys are drawn as the field would edit them, up to 126 characters', () => {
  const typed = (keys) =>
    keys.reduce((display, [k, code]) => pendingDisplay(display, key(k, code)), {
      length: 0,
      caret: null,
    });
  assert.deepEqual(typed([['a'], ['b'], ['ArrowLeft'], ['Backspace'], ['c']]), {
    length: 2,
    caret: 1,
  });
  assert.deepEqual(typed([['Backspace'], ['Delete'], ['Home'], ['x'], ['End']]), {
    length: 1,
    caret: 1,
  });
  const full = typed(Array.from({ length: 130 }, () => ['z']));
  assert.deepEqual(full, { length: 126, caret: 126 });
  const command = pendingDisplay({ length: 0, caret: 0 }, key('v', 'KeyV', KEY_MODIFIER.meta));
  assert.deepEqual(command, { length: 0, caret: 0 });
});
