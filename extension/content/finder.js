// Finds the page's secure password fields: <object> and <embed> elements of type
// "application/x-secure-password", those in the page as it is parsed and those added, removed or
// retyped later, and makes, keeps and removes a Field (field.js) for each.

/**
 * @param {Node} node
 * @returns {node is HTMLElement}
 */
function isFieldElement(node) {
  if (node.nodeType !== Node.ELEMENT_NODE) return false;
  const element = /** @type {Element} */ (node);
  if (element.localName !== 'object' && element.localName !== 'embed') return false;
  if (!(element instanceof HTMLElement)) return false;
  const type = element.getAttribute('type');
  return type !== null && type.split(';')[0].trim().toLowerCase() === MIME_TYPE;
}

/** @type {Map<Element, Field>} */
const fieldsByElement = new Map();

/**
 * The field of an element, made when the element is one and in the page.
 * @param {HTMLElement} element
 */
function adopt(element) {
  let field = fieldsByElement.get(element);
  if (field === undefined && element.isConnected && isFieldElement(element)) {
    field = new Field(element);
    fieldsByElement.set(element, field);
  }
  return field;
}

/** @param {Node} node */
function scan(node) {
  if (isFieldElement(node)) adopt(node);
  if (node instanceof Element || node instanceof Document || node instanceof DocumentFragment) {
    for (const element of node.querySelectorAll('object, embed')) {
      if (isFieldElement(element)) adopt(element);
    }
  }
}

function review() {
  for (const [element, field] of fieldsByElement) {
    if (!element.isConnected || !isFieldElement(element) || field.removed) {
      fieldsByElement.delete(element);
      field.remove();
    } else {
      field.keepPlaced();
    }
  }
}

new MutationObserver((records) => {
  let removals = false;
  for (const record of records) {
    if (record.type === 'childList') {
      if (record.removedNodes.length > 0) removals = true;
      for (const node of record.addedNodes) scan(node);
    } else if (record.attributeName === 'type') {
      removals = true;
      scan(record.target);
    } else {
      fieldsByElement.get(/** @type {Element} */ (record.target))?.resize();
    }
  }
  if (removals) review();
}).observe(document, {
  childList: true,
  subtree: true,
  attributes: true,
  attributeFilter: ['type', 'width', 'height'],
});
scan(document);

// A page restored from the back-forward cache lost its link to the extension: its fields start
// afresh, as on a new load.
window.addEventListener('pageshow', (event) => {
  if (!event.persisted) return;
  for (const [element, field] of [...fieldsByElement]) {
    fieldsByElement.delete(element);
    field.remove();
  }
  scan(document);
});
