// The key guard. Whenever the page's focus is in a field's box but not yet inside its frame (the
// frame is still loading, the field is waiting for its instance or has failed), every key belongs
// to the field: the guard takes it before any listener of the page (it listens first, on the
// window, in the capture phase) and gives it to the field, which keeps it until its frame can take
// it. When a field that had the focus is removed or hidden, the keys typed after it are dropped
// until the user clicks or tabs elsewhere: they were meant for the field, not for the page.
// Clicks on a field's box do not reach the page either.

/** A field that had the focus vanished; keys go nowhere until the user moves on. */
let orphaned = false;

/** The field whose box holds the page's focus, if any. */
function fieldWithFocus() {
  const active = document.activeElement;
  return active === null ? undefined : fieldsByBox.get(active);
}

/** @param {KeyboardEvent} event */
function guardKey(event) {
  if (!event.isTrusted) return;
  const field = fieldWithFocus();
  if (field === undefined && !orphaned) return;
  if (event.key === 'Tab') {
    // Tab moves the focus on, from a field's box as from any field; it also ends the guard.
    if (field === undefined && event.type === 'keydown') orphaned = false;
    return;
  }
  event.stopImmediatePropagation();
  event.preventDefault();
  if (field !== undefined && event.type !== 'keypress') field.takeKey(keyRecordOf(event));
}

/** @param {Event} event */
function guardPointer(event) {
  const field = event.target instanceof Element ? fieldsByBox.get(event.target) : undefined;
  if (event.isTrusted && (event.type === 'pointerdown' || event.type === 'mousedown')) {
    orphaned = false;
    if (field !== undefined) field.pointerDown(/** @type {MouseEvent} */ (event));
  }
  if (field !== undefined) event.stopImmediatePropagation();
}

for (const type of ['keydown', 'keypress', 'keyup']) {
  window.addEventListener(type, (event) => guardKey(/** @type {KeyboardEvent} */ (event)), true);
}
for (const type of [
  'pointerdown',
  'pointerup',
  'mousedown',
  'mouseup',
  'click',
  'dblclick',
  'auxclick',
  'contextmenu',
]) {
  window.addEventListener(type, guardPointer, true);
}

/**
 * A field that had the focus is gone or hidden: the keys that follow are dropped.
 * @param {Field} field
 */
function fieldVanished(field) {
  if (field.hasFocus) orphaned = true;
}

// While a field has the focus, it must stay shown: a page that hides it (visibility, display,
// size, an ancestor's) takes the focus away from it, as from a plain input. Attribute and style
// sheet changes are seen at once; a timer catches what changes without them (media queries,
// animations).
/** @type {{field: Field, observer: MutationObserver, timer: ReturnType<typeof setInterval>} | null} */
let watch = null;

/** @param {Field} field */
function watchShown(field) {
  if (watch?.field === field) return;
  unwatchShown();
  const check = () => {
    if (!field.hasFocus) {
      unwatchShown();
    } else if (!field.shown()) {
      unwatchShown();
      orphaned = true;
      field.dropFocus();
    }
  };
  const observer = new MutationObserver(check);
  observer.observe(document, {
    subtree: true,
    childList: true,
    attributes: true,
    attributeFilter: ['style', 'class', 'hidden', 'open', 'inert'],
  });
  watch = { field, observer, timer: setInterval(check, 200) };
}

function unwatchShown() {
  if (watch === null) return;
  watch.observer.disconnect();
  clearInterval(watch.timer);
  watch = null;
}
