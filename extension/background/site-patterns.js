// The administrator's site patterns (managed storage "allowedSites" and the like): a host name,
// optionally with a scheme and a port, and "*." before it for every subdomain as well:
// "https://bank.example.com", "*.example.org", "http://intranet:8080". Pure; used by policy.js and
// tested by site-patterns.test.js against the vectors the native host's own check shares.

const PATTERN = /^(?:(https?):\/\/)?(\*\.)?([^/:*\s]+)(?::(\d{1,5}))?\/?$/i;

/**
 * Whether one pattern matches the page at url. Only http and https pages match; a pattern that is
 * not well formed matches nothing.
 * @param {string} pattern
 * @param {URL} url
 */
export function siteMatches(pattern, url) {
  if (url.protocol !== 'http:' && url.protocol !== 'https:') return false;
  const match = PATTERN.exec(pattern.trim());
  if (match === null) return false;
  const [, scheme, anySubdomain, host, port] = match;
  if (scheme !== undefined && `${scheme.toLowerCase()}:` !== url.protocol) return false;
  if (port !== undefined) {
    const pagePort = url.port || (url.protocol === 'https:' ? '443' : '80');
    if (Number(port) !== Number(pagePort)) return false;
  }
  const wanted = host.toLowerCase().replace(/\.$/, '');
  const actual = url.hostname.toLowerCase().replace(/\.$/, '');
  return actual === wanted || (anySubdomain !== undefined && actual.endsWith(`.${wanted}`));
}

/**
 * Whether a list of patterns lets the page at url in: any pattern that matches. Entries that are
 * not strings match nothing.
 * @param {unknown[]} patterns
 * @param {URL} url
 */
export function anySiteMatches(patterns, url) {
  return patterns.some((pattern) => typeof pattern === 'string' && siteMatches(pattern, url));
}
