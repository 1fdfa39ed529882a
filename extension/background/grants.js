// The user's answers to "may this site read this computer's network address and disk serial
// number?", kept in the extension's own storage (storage.local), one item per site:
// "identity:<origin>" -> {allowed: boolean, at: milliseconds since 1970}. Pages never reach it.
// Written by identity.js when the user answers; read by identity.js and by the options page
// (options/options.js), which also takes answers back.

const api = globalThis.browser ?? globalThis.chrome;
const PREFIX = 'identity:';

/**
 * @typedef {object} Answer
 * @property {string} origin  the site: scheme, host and port ("https://bank.example.com")
 * @property {boolean} allowed
 * @property {number} at      when the user answered, in milliseconds since 1970
 */

/**
 * Every answer kept, by origin; items not in this shape are left out (they count as no answer).
 * @returns {Promise<Map<string, Answer>>}
 */
export async function readAnswers() {
  const items = await api.storage.local.get(null);
  /** @type {Map<string, Answer>} */
  const answers = new Map();
  for (const [key, value] of Object.entries(items ?? {})) {
    if (!key.startsWith(PREFIX) || typeof value?.allowed !== 'boolean') continue;
    const origin = key.slice(PREFIX.length);
    let url;
    try {
      url = new URL(origin);
    } catch {
      continue;
    }
    if (url.origin !== origin) continue;
    const at = Number.isFinite(value.at) ? value.at : 0;
    answers.set(origin, { origin, allowed: value.allowed, at });
  }
  return answers;
}

/**
 * Keeps the user's answer for a site.
 * @param {string} origin
 * @param {boolean} allowed
 */
export function keepAnswer(origin, allowed) {
  return api.storage.local.set({ [PREFIX + origin]: { allowed, at: Date.now() } });
}

/**
 * Takes the user's answer for a site back: the site is asked again.
 * @param {string} origin
 */
export function forgetAnswer(origin) {
  return api.storage.local.remove(PREFIX + origin);
}

/**
 * Calls listener whenever an answer is kept or taken back, by any page of the extension.
 * @param {() => void} listener
 */
export function onAnswersChange(listener) {
  api.storage.onChanged.addListener((changes, area) => {
    if (area === 'local' && Object.keys(changes).some((key) => key.startsWith(PREFIX))) listener();
  });
}
