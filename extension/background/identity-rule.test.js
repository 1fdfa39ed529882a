// Who decides about a site's reading of the identity, in every order the settings can meet.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { identityStanding } from './identity-rule.js';

const BANK = 'https://bank.example.com';
const nothingSet = { identitySites: [], identityBlockedSites: [], identityPrompt: true };

test("the administrator's refusal beats the administrator's permission and the user's answer", () => {
  const settings = {
    identitySites: ['*.example.com'],
    identityBlockedSites: ['bank.example.com'],
    identityPrompt: true,
  };
  assert.equal(identityStanding(settings, BANK, true), 'refused');
  assert.equal(identityStanding(settings, BANK, undefined), 'refused');
  assert.equal(identityStanding(settings, 'https://shop.example.com', false), 'allowed');
});

test('without a word from the administrator the user decides, and is asked until answering', () => {
  assert.equal(identityStanding(nothingSet, BANK, undefined), 'ask');
  assert.equal(identityStanding(nothingSet, BANK, true), 'allowed');
  assert.equal(identityStanding(nothingSet, BANK, false), 'refused');
});

test('with the question turned off only the listed sites read it, whatever the user answered', () => {
  const settings = { ...nothingSet, identitySites: [BANK], identityPrompt: false };
  assert.equal(identityStanding(settings, BANK, undefined), 'allowed');
  assert.equal(identityStanding(settings, 'https://other.example', true), 'refused');
  assert.equal(identityStanding(settings, 'https://other.example', undefined), 'refused');
});

test('an origin that is no web site is refused and never asked about', () => {
  for (const origin of [
    'null',
    '',
    'file://',
    'chrome-extension://abc',
    'ftp://bank.example.com',
  ]) {
    assert.equal(identityStanding(nothingSet, origin, true), 'refused', origin);
  }
});
