// Shift+Tab out of a field whose <object> the page gave a tabindex. Firefox lets such an element
// take the focus itself, and it comes before the field inside it: the focus that leaves the field
// backwards lands on it, and would go back into the field. Instead it goes on to the element
// before it in the page's order of focus, found here (elements with a positive tabindex first, by
// their index, then those with 0, in the order of the document); failing that, the element lets
// the focus go. Used by Field (field.js).

const TABBABLE = [
  'a[href]',
  'area[href]',
  'button',
  'input:not([type="hidden" i])',
  'select',
  'textarea',
  'iframe',
  'summary',
  'audio[controls]',
  'video[controls]',
  '[contenteditable]',
  '[tabindex]',
].join(', ');

/**
 * Whether the page's Tab stops at an element (not a field's: those answer for themselves).
 * @param {Element} element
 */
function isTabStop(element) {
  if (!(element instanceof HTMLElement || element instanceof SVGElement)) return false;
  if (element.tabIndex < 0 || element.closest('[inert]') !== null) return false;
  if ('disabled' in element && element.disabled === true) return false;
  if (element.localName === 'object' || element.localName === 'embed') return false;
  return element.checkVisibility?.({ visibilityProperty: true }) ?? true;
}

/**
 * Moves the focus, which has come back from the field onto its element, to the page's Tab stop
 * before the element.
 * @param {Field} field
 */
function focusBefore(field) {
  /** @type {{index: number, focus: () => void, element: Element}[]} */
  const stops = [];
  /** @type {Map<Element, Field>} */
  const fields = new Map();
  for (const other of fieldsById.values()) fields.set(other.element, other);
  for (const element of document.querySelectorAll(`${TABBABLE}, object, embed`)) {
    const other = fields.get(element);
    if (other !== undefined) {
      const index = other.tabIndex();
      if (other === field || (index >= 0 && other.shown())) {
        stops.push({ index, element, focus: () => other.focus({}) });
      }
    } else if (isTabStop(element)) {
      const stop = /** @type {HTMLElement} */ (element);
      stops.push({ index: stop.tabIndex, element, focus: () => stop.focus() });
    }
  }
  const order = [
    ...stops.filter((stop) => stop.index > 0).sort((a, b) => a.index - b.index),
    ...stops.filter((stop) => stop.index === 0),
  ];
  const at = order.findIndex((stop) => stop.element === field.element);
  if (at > 0) {
    order[at - 1].focus();
  } else {
    field.element.blur();
  }
}
