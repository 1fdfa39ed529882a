// The site patterns against the vectors the native host's check shares (tests/data).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { test } from 'node:test';

import { anySiteMatches, siteMatches } from './site-patterns.js';

const vectors = JSON.parse(
  fs.readFileSync(new URL('../../tests/data/site-patterns.json', import.meta.url), 'utf8'),
);

test('each pattern lets in exactly the pages it names', () => {
  for (const { pattern, url, match } of vectors.cases) {
    assert.equal(siteMatches(pattern, new URL(url)), match, `${JSON.stringify(pattern)} ${url}`);
  }
});

test('a list matches when any string entry does, and never through other entries', () => {
  const page = new URL('https://bank.example.com/');
  assert.equal(anySiteMatches(['other.org', 'bank.example.com'], page), true);
  assert.equal(
    anySiteMatches([null, 42, { host: 'bank.example.com' }, ['bank.example.com']], page),
    false,
  );
  assert.equal(anySiteMatches([], page), false);
});
