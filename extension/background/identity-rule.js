// Whether a site may read this computer's identity (the page's GetActiveNIC and GetHardDiskNUM),
// deciding in this order: the administrator's refusal ("identityBlockedSites"), the administrator's
// permission ("identitySites"), then, unless the administrator turned the question off
// ("identityPrompt" false), the user's answer, or else the user is to be asked. Pure; used by
// identity.js and the options page, tested by identity-rule.test.js.
import { anySiteMatches } from './site-patterns.js';

/**
 * @typedef {object} IdentitySettings the administrator's part, as policy.js reads it
 * @property {unknown[]} identitySites
 * @property {unknown[]} identityBlockedSites
 * @property {boolean} identityPrompt
 */

/**
 * @param {IdentitySettings} settings
 * @param {string} origin the asking document's origin; anything but an http or https origin is
 *   refused
 * @param {boolean | undefined} answer the user's answer for that origin; undefined: none
 * @returns {'allowed' | 'refused' | 'ask'}
 */
export function identityStanding(settings, origin, answer) {
  let url;
  try {
    url = new URL(origin);
  } catch {
    return 'refused';
  }
  if (url.protocol !== 'http:' && url.protocol !== 'https:') return 'refused';
  if (anySiteMatches(settings.identityBlockedSites, url)) return 'refused';
  if (anySiteMatches(settings.identitySites, url)) return 'allowed';
  if (!settings.identityPrompt) return 'refused';
  if (answer === undefined) return 'ask';
  return answer ? 'allowed' : 'refused';
}
