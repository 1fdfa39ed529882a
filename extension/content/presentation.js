// What the page says of each secure password field, read as plain text and kept up to date: the
// name and description assistive technology gives it (from the page's labelling of the element),
// whether it is required and invalid, the element's language and direction of writing, and the
// colour scheme the page draws it in. Field (field.js) shows it on its cover and sends it to its
// frame. Only text and a few checked tokens leave here, never markup. Also: a click on the page's
// label of a field focuses the field, as it focuses a labelled input.

/**
 * @typedef {object} Presentation
 * @property {string} name          the accessible name ("" when the page gives none)
 * @property {string} description   the accessible description
 * @property {boolean} required     required, or aria-required="true"
 * @property {string} invalid       aria-invalid: "false", "true", "grammar" or "spelling"
 * @property {string} lang          the element's language ("" when the page gives none)
 * @property {'ltr' | 'rtl'} dir    its direction of writing
 * @property {'light' | 'dark'} scheme  the colour scheme it is drawn in
 */

// Names and descriptions are cut to this many UTF-16 units (a label is a few words).
const MAX_PRESENTED_TEXT = 500;
const INVALID_VALUES = new Set(['false', 'true', 'grammar', 'spelling']);
const LANGUAGE_TAG = /^[A-Za-z]{1,8}(-[A-Za-z0-9]{1,8})*$/;
// Elements whose content is no text of a label.
const NOT_TEXT = new Set(['script', 'style', 'template', 'noscript', 'object', 'embed', 'iframe']);

/**
 * The text of an element, as a label's or a referenced element's text is read: its text nodes and
 * its images' alt text, whitespace collapsed, without what is hidden inside it (unless the element
 * itself is hidden, as an element referenced by aria-labelledby may be) and without the field's
 * own element. Bounded.
 * @param {Element} root
 * @param {Element} fieldElement
 */
function textOf(root, fieldElement) {
  const visibility = { visibilityProperty: true };
  const rootShown = root.checkVisibility?.(visibility) ?? true;
  const walker = document.createTreeWalker(root, NodeFilter.SHOW_ELEMENT | NodeFilter.SHOW_TEXT, {
    acceptNode(node) {
      if (node.nodeType === Node.TEXT_NODE) return NodeFilter.FILTER_ACCEPT;
      const element = /** @type {Element} */ (node);
      const hidden =
        element.getAttribute('aria-hidden') === 'true' ||
        (rootShown && element.checkVisibility?.(visibility) === false);
      return element === fieldElement || NOT_TEXT.has(element.localName) || hidden
        ? NodeFilter.FILTER_REJECT
        : NodeFilter.FILTER_ACCEPT;
    },
  });
  const parts = [];
  let length = 0;
  for (let node = walker.nextNode(); node !== null; node = walker.nextNode()) {
    let text = '';
    if (node.nodeType === Node.TEXT_NODE) {
      text = node.nodeValue ?? '';
    } else if (node instanceof HTMLImageElement) {
      text = ` ${node.alt} `;
    }
    parts.push(text);
    length += text.length;
    if (length > 4 * MAX_PRESENTED_TEXT) break;
  }
  return parts.join('');
}

/**
 * Whitespace collapsed, cut to MAX_PRESENTED_TEXT without splitting a surrogate pair.
 * @param {string} text
 */
function presentedText(text) {
  let plain = text.replace(/\s+/g, ' ').trim();
  if (plain.length > MAX_PRESENTED_TEXT) {
    plain = plain.slice(0, MAX_PRESENTED_TEXT);
    if (/[\uD800-\uDBFF]$/.test(plain)) plain = plain.slice(0, -1);
  }
  return plain;
}

/**
 * The text of the elements an attribute (aria-labelledby, aria-describedby) names by id.
 * @param {Element} element
 * @param {string} attribute
 */
function referencedText(element, attribute) {
  const ids = (element.getAttribute(attribute) ?? '').split(/\s+/).filter((id) => id !== '');
  const root = /** @type {Document | ShadowRoot} */ (element.getRootNode());
  const texts = [];
  for (const id of ids.slice(0, 16)) {
    const referenced = root.getElementById(id);
    if (referenced !== null) texts.push(textOf(referenced, element));
  }
  return presentedText(texts.join(' '));
}

/**
 * The document's <label>s with a "for", by the id they name: read once for all the fields.
 * @returns {Map<string, HTMLLabelElement[]>}
 */
function labelsByTarget() {
  const found = new Map();
  for (const label of document.querySelectorAll('label[for]')) {
    const id = /** @type {HTMLLabelElement} */ (label).htmlFor;
    const list = found.get(id);
    if (list === undefined) {
      found.set(id, [label]);
    } else {
      list.push(label);
    }
  }
  return found;
}

/**
 * The page's <label>s of an element: those whose "for" names its id, and one it is inside that
 * labels no other control.
 * @param {Element} element
 * @param {Map<string, HTMLLabelElement[]>} byTarget the document's (labelsByTarget)
 * @returns {HTMLLabelElement[]}
 */
function labelsOf(element, byTarget) {
  const root = element.getRootNode();
  let labels = [];
  if (element.id !== '' && root === document) {
    labels = [...(byTarget.get(element.id) ?? [])];
  } else if (element.id !== '' && root instanceof ShadowRoot) {
    labels = [...root.querySelectorAll(`label[for="${CSS.escape(element.id)}"]`)].map(
      (label) => /** @type {HTMLLabelElement} */ (label),
    );
  }
  const around = element.parentElement?.closest('label');
  if (
    around instanceof HTMLLabelElement &&
    !around.hasAttribute('for') &&
    around.control === null &&
    !labels.includes(around)
  ) {
    labels.push(around);
  }
  return labels;
}

/**
 * The field element a label labels, if any: the element its "for" names, or the field inside it
 * when it labels no other control.
 * @param {HTMLLabelElement} label
 * @returns {Element | null}
 */
function labelledField(label) {
  if (label.hasAttribute('for')) {
    const root = /** @type {Document | ShadowRoot} */ (label.getRootNode());
    return root.getElementById(label.htmlFor);
  }
  if (label.control !== null) return null;
  return label.querySelector('object, embed');
}

/**
 * What the page says of a field now.
 * @param {Field} field
 * @param {Map<string, HTMLLabelElement[]>} byTarget the document's labels (labelsByTarget)
 * @returns {Presentation}
 */
function presentationOf(field, byTarget) {
  const element = field.element;
  const attribute = (/** @type {string} */ name) => presentedText(element.getAttribute(name) ?? '');
  const title = attribute('title');
  let name = referencedText(element, 'aria-labelledby');
  if (name === '') name = attribute('aria-label');
  if (name === '') {
    name = presentedText(
      labelsOf(element, byTarget)
        .map((label) => textOf(label, element))
        .join(' '),
    );
  }
  if (name === '') name = title;
  let description = referencedText(element, 'aria-describedby');
  if (description === '') description = attribute('aria-description');
  if (description === '' && name !== title) description = title;

  const invalid = attribute('aria-invalid').toLowerCase();
  const lang = element.closest('[lang]')?.getAttribute('lang')?.trim() ?? '';
  const style = getComputedStyle(field.box);
  return {
    name,
    description,
    required:
      element.hasAttribute('required') || attribute('aria-required').toLowerCase() === 'true',
    invalid: invalid === '' ? 'false' : INVALID_VALUES.has(invalid) ? invalid : 'true',
    lang: LANGUAGE_TAG.test(lang) ? lang : '',
    dir: style.direction === 'rtl' ? 'rtl' : 'ltr',
    scheme: schemeOf(field.cover),
  };
}

/**
 * The colour scheme the page draws the element in, as its text box's text colour (FieldText in
 * the cover's style, which follows the page's color-scheme and its preference) shows it: light
 * text is a dark scheme.
 * @param {Element} cover
 * @returns {'light' | 'dark'}
 */
function schemeOf(cover) {
  const channels = (getComputedStyle(cover).color.match(/[\d.]+/g) ?? []).map(Number);
  if (channels.length < 3) return 'light';
  const [red, green, blue] = channels;
  return 0.2126 * red + 0.7152 * green + 0.0722 * blue > 128 ? 'dark' : 'light';
}

let presenting = false;

// Every field shows what the page now says of it, once for all the changes of the moment (and
// a new field, once it is placed).
function presentAll() {
  if (presenting || fieldsById.size === 0) return;
  presenting = true;
  setTimeout(() => {
    presenting = false;
    const byTarget = labelsByTarget();
    for (const field of fieldsById.values()) field.present(presentationOf(field, byTarget));
  }, 0);
}

// The page changes its labels, ids, attributes, texts, styles or colour scheme (a style sheet, a
// class, its <meta name="color-scheme">, the user's preference).
new MutationObserver(presentAll).observe(document, {
  subtree: true,
  childList: true,
  characterData: true,
  attributes: true,
  attributeFilter: [
    'id',
    'for',
    'aria-label',
    'aria-labelledby',
    'aria-describedby',
    'aria-description',
    'aria-required',
    'required',
    'aria-invalid',
    'title',
    'alt',
    'hidden',
    'aria-hidden',
    'tabindex',
    'lang',
    'dir',
    'class',
    'style',
    'content',
  ],
});
matchMedia('(prefers-color-scheme: dark)').addEventListener('change', presentAll);

// A click on a field's label focuses the field, as it focuses a labelled input (not a click on a
// link or control inside the label, and not one the page cancelled).
window.addEventListener('click', (event) => {
  if (!event.isTrusted || event.defaultPrevented || !(event.target instanceof Element)) return;
  const label = event.target.closest('label');
  if (label === null) return;
  const interactive = event.target.closest('a[href], button, input, select, textarea, summary');
  if (interactive !== null && label.contains(interactive)) return;
  const labelled = labelledField(label);
  for (const field of fieldsById.values()) {
    if (field.element === labelled) field.focus({});
  }
});
