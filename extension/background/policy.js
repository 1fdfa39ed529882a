// What the administrator set for the extension in the browser's managed storage (schema in
// managed-schema.json): the sites that may use the field ("allowedSites"; empty or missing: every
// http and https site), and which sites may read this computer's identity ("identitySites" allowed
// without asking, "identityBlockedSites" refused without asking, "identityPrompt" false: the user is
// never asked). Read once and again whenever the browser says it changed. Used by documents.js to
// admit fields and by identity.js; the native host checks the allowed sites itself when an
// instance is made, which covers the seconds after an install in which Chromium still reads the
// list as empty.
import { anySiteMatches } from './site-patterns.js';

const api = globalThis.browser ?? globalThis.chrome;

/**
 * @typedef {object} Policy
 * @property {unknown[] | null} allowedSites null: no list, every site
 * @property {unknown[]} identitySites sites that read the identity without being asked
 * @property {unknown[]} identityBlockedSites sites that never read it, and are never asked about
 * @property {boolean} identityPrompt whether the user is asked about the other sites
 */

/** @type {Promise<Policy> | null} */
let current = null;
// Managed storage answers in milliseconds; Chromium, busy loading a policy it has not handed over
// yet, was seen not to answer at all. A field is not kept waiting on it: past this time the
// settings count as unset for now (the native host holds every page to the allowed sites and to
// the administrator's refusals of the computer's identity itself) and are asked for again.
const READ_WAIT_MS = 3000;
/** @type {((policy: Policy) => void)[]} */
const listeners = [];

/**
 * @param {unknown} value
 * @returns {unknown[]}
 */
function list(value) {
  return Array.isArray(value) ? value : [];
}

/** @returns {Promise<Policy>} */
async function read() {
  let items;
  /** @type {ReturnType<typeof setTimeout> | undefined} */
  let timer;
  const late = new Promise((resolve) => {
    timer = setTimeout(() => resolve(null), READ_WAIT_MS);
  });
  try {
    items = await Promise.race([api.storage.managed.get(null), late]);
  } catch {
    // No managed storage at all (Firefox says so with an error): nothing is set.
    items = {};
  } finally {
    clearTimeout(timer);
  }
  if (items === null) {
    current = null; // asked again by the next field
    items = {};
  }
  const sites = list(items?.allowedSites);
  return {
    allowedSites: sites.length > 0 ? sites : null,
    identitySites: list(items?.identitySites),
    identityBlockedSites: list(items?.identityBlockedSites),
    // Only an explicit false turns the question off.
    identityPrompt: items?.identityPrompt !== false,
  };
}

/** The administrator's settings as they stand. */
export function policy() {
  current ??= read();
  return current;
}

/**
 * Calls listener with the new settings whenever the administrator changes them.
 * @param {(policy: Policy) => void} listener
 */
export function onPolicyChange(listener) {
  listeners.push(listener);
}

/**
 * Whether the page at address may use the field.
 * @param {Policy} settings
 * @param {string} address
 */
export function siteAllowed(settings, address) {
  let url;
  try {
    url = new URL(address);
  } catch {
    return false;
  }
  if (url.protocol !== 'http:' && url.protocol !== 'https:') return false;
  return settings.allowedSites === null || anySiteMatches(settings.allowedSites, url);
}

api.storage.onChanged.addListener((_changes, area) => {
  if (area !== 'managed') return;
  current = read();
  current.then((settings) => {
    for (const listener of listeners) listener(settings);
  });
});
