// The names the type check needs beyond the DOM's: Firefox's `browser` namespace, which the
// extension uses as Chromium's `chrome` (the same calls, answering promises). Not shipped.
declare var browser: typeof chrome | undefined;
