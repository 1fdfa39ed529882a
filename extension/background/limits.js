// The bounds on what pages can make the secure password field cost, whatever they do. Every field
// holds one plug-in instance in its tab's native host; a tab has at most one host. Used by
// documents.js (admitting fields) and hosts.js.
export const LIMITS = Object.freeze({
  // A log-in or change-password form has one to three fields; a page with more is not using them
  // as password fields, and its frames of other sites are pages of their own.
  fieldsPerDocument: 16,
  // The native host's instance limit per connection (securepassword-host --max-instances).
  fieldsPerTab: 32,
  // Host processes at once in the whole browser (about 4 MB each with their instances), so a
  // page that opens tabs cannot make them without bound.
  hosts: 16,
  // The native host skips a request over 64 KiB without being able to say which it was.
  requestBytes: 64 * 1024,
  // A tab's host outlives its last field this long, so that fields removed and added again
  // (a page redrawing its form) do not start a process each time.
  idleHostMs: 1000,
});
