// The page's six methods are listed once, in script/methods.json (the plug-in's script object, the
// native host and the page session are built from it); the extension's scripts cannot import it,
// so this checks each of their copies against it.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { test } from 'node:test';

const read = (path) => fs.readFileSync(new URL(path, import.meta.url), 'utf8');
const methods = JSON.parse(read('../script/methods.json'));

// The string literals of the first array literal after `marker` in a file.
function listAfter(file, marker) {
  const source = read(file);
  const at = source.indexOf(marker);
  assert.ok(at >= 0, `${file} has no ${marker}`);
  const open = source.indexOf('[', at);
  const list = source.slice(open, source.indexOf(']', open));
  return [...list.matchAll(/'([^']*)'/g)].map((match) => match[1]);
}

test("every copy of the page's methods in the extension is the list", () => {
  assert.equal(methods.length, 6);
  for (const [file, marker] of [
    ['page/page-api.js', 'const METHODS ='],
    ['content/calls.js', 'const PAGE_METHODS ='],
  ]) {
    assert.deepEqual(listAfter(file, marker).sort(), [...methods].sort(), file);
  }
});
