// The pages' documents and their fields, as the background sees them. The content script of a
// document with fields holds one "doc" port to here; each field's frame holds its own
// "frame:<id>" port. This module admits fields (allowed sites, the bounds in limits.js), pairs each
// frame with the document that placed it, relays between the two, and carries the frame's
// requests to the tab's native host (hosts.js); the page's reading of this computer's identity
// passes identity.js on both roads. Used by main.js.
//
// Document to background: {type: "field", id, attributes} a field found; {type: "gone", id};
// {type: "keys", id, keys} the keys taken before the frame could; {type: "call", id, call, method,
// args}; {type: "activation", id, call} the page had the user's gesture when it made that call;
// {type: "blur", id}; {type: "presentation", id, presentation} the field's label, states,
// direction and colour scheme. Background to document: {type: "admit" | "fail" | "live" | "ready"
// | "error" | "reply" | "key" | "focus", id, ...}. Frame to background: {page: message} for its
// document, {host: request}; background to frame: {page: message} ("init", "keys", "call",
// "blur", "presentation"), {host: reply}, {hostClosed: reason}, {refused: message}.
import { TabHost } from './hosts.js';
import { IDENTITY_METHODS, IdentityFilter, askingOrigin, beforeIdentityCall } from './identity.js';
import { LIMITS } from './limits.js';
import { onPolicyChange, policy, siteAllowed } from './policy.js';

const api = globalThis.browser ?? globalThis.chrome;
const FIELD_URL = api.runtime.getURL('frame/field.html');
const MIME_TYPE = 'application/x-secure-password';
const ID = /^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$/;
// What a frame may tell its document.
const TO_PAGE = new Set(['ready', 'error', 'reply', 'key', 'focus']);
const REFUSED_SITE =
  'This site may not use the secure password field (the allowed sites are set by the administrator).';

/**
 * @typedef {object} Doc
 * @property {chrome.runtime.Port} port
 * @property {number} tabId
 * @property {string} url
 * @property {string | null} origin the origin it is asked about for the identity (identity.js)
 * @property {Map<string, Field>} fields
 */

/** @type {Set<Doc>} */
const documents = new Set();
/** @type {Map<string, Field>} */
const byId = new Map();

/** One field of a document. */
class Field {
  /**
   * @param {Doc} doc
   * @param {string} id
   * @param {Record<string, string>} attributes
   */
  constructor(doc, id, attributes) {
    this.doc = doc;
    this.id = id;
    this.attributes = attributes;
    this.admitted = false;
    this.ended = false;
    /** @type {chrome.runtime.Port | null} */
    this.frame = null;
    this.generation = 0;
    /** @type {object[]} messages for the frame before it is there */
    this.early = [];
    /** @type {import('./hosts.js').HostUser | null} this frame's end of the tab's host */
    this.user = null;
    /** @type {IdentityFilter | null} the identity values of this frame's calls */
    this.identity = null;
    /** @type {Set<unknown>} the page's calls made with the user's gesture, not yet arrived */
    this.activations = new Set();
  }

  /** @param {object} message */
  toDocument(message) {
    this.doc.port.postMessage({ ...message, id: this.id });
  }

  /**
   * @param {object} message
   * @returns {boolean} false when the frame is not there yet and enough is waiting for it
   */
  toFrame(message) {
    if (this.frame !== null) {
      this.frame.postMessage({ page: message });
    } else if (this.early.length < 64) {
      this.early.push(message);
    } else {
      return false;
    }
    return true;
  }

  /** @param {chrome.runtime.Port} frame */
  attach(frame) {
    this.frame = frame;
    this.generation += 1;
    const field = this;
    const identity = new IdentityFilter(this.doc.origin);
    const user = {
      instance: `${this.id}/${this.generation}`,
      location: this.doc.url,
      /** @type {string | null} why its host went away; its frame is done with hosts then */
      ended: /** @type {string | null} */ (null),
      /** @type {TabHost | null} */
      host: null,
      /** @param {any} reply */
      deliver(reply) {
        if (field.user === user) frame.postMessage({ host: identity.reply(reply) });
      },
      /** @param {string} reason */
      closed(reason) {
        user.ended = reason;
        if (field.user === user) frame.postMessage({ hostClosed: reason });
      },
    };
    this.user = user;
    this.identity = identity;
    frame.onMessage.addListener((message) => this.fromFrame(message));
    frame.onDisconnect.addListener(() => {
      if (this.frame !== frame) return;
      this.detach();
      // The document places the frame again if the page took it away; otherwise it has failed.
      this.toDocument({ type: 'detached' });
    });
    frame.postMessage({ page: { type: 'init', mimeType: MIME_TYPE, attributes: this.attributes } });
    for (const message of this.early.splice(0)) frame.postMessage({ page: message });
    this.toDocument({ type: 'live' });
  }

  detach() {
    this.frame = null;
    const user = this.user;
    this.user = null;
    if (user !== null) user.host?.leave(user);
  }

  /** @param {any} message */
  fromFrame(message) {
    if (message?.host !== undefined && this.user !== null) {
      const request = message.host;
      const user = this.user;
      if (request === null || typeof request !== 'object' || Array.isArray(request)) {
        // nothing to send
      } else if (user.ended !== null) {
        // Its host went away: a late request starts no new one (a new field does).
        const error = { code: 'host-ended', message: user.ended };
        this.frame?.postMessage({ host: { id: request.id, ok: false, error } });
      } else {
        this.identity?.send(request, (sent) => {
          if (this.user === user && user.ended === null) {
            TabHost.serving(user, this.doc.tabId).send(user, sent);
          }
        });
      }
    }
    if (message?.page !== undefined && TO_PAGE.has(message.page?.type)) {
      this.toDocument(message.page);
    }
  }

  /**
   * The field may not go on (refused site, a bound, the page gone): its frame and instance go.
   * @param {string} [message] told to the page, unless the page is gone
   */
  end(message) {
    if (this.ended) return;
    this.ended = true;
    byId.delete(this.id);
    this.doc.fields.delete(this.id);
    if (message !== undefined) this.toDocument({ type: 'fail', message });
    const frame = this.frame;
    this.detach();
    if (frame !== null) {
      if (message !== undefined) frame.postMessage({ refused: message });
      frame.disconnect();
    }
  }
}

/** @param {number} tabId */
function admittedInTab(tabId) {
  let count = 0;
  for (const doc of documents) {
    if (doc.tabId !== tabId) continue;
    for (const field of doc.fields.values()) if (field.admitted) count += 1;
  }
  return count;
}

function tabsWithFields() {
  const tabs = new Set();
  for (const doc of documents) {
    for (const field of doc.fields.values()) if (field.admitted) tabs.add(doc.tabId);
  }
  return tabs;
}

/**
 * Admits a new field, or says why not.
 * @param {Field} field
 */
async function admit(field) {
  const settings = await policy();
  const { doc } = field;
  if (field.ended) return;
  if (!siteAllowed(settings, doc.url)) {
    field.end(REFUSED_SITE);
    return;
  }
  const inDocument = [...doc.fields.values()].filter((other) => other.admitted).length;
  const tabs = tabsWithFields();
  let refusal = null;
  if (inDocument >= LIMITS.fieldsPerDocument) {
    refusal = `This page has ${LIMITS.fieldsPerDocument} secure password fields already, the most one page may have.`;
  } else if (admittedInTab(doc.tabId) >= LIMITS.fieldsPerTab) {
    refusal = `This tab has ${LIMITS.fieldsPerTab} secure password fields already, the most one tab may have.`;
  } else if (!tabs.has(doc.tabId) && tabs.size >= LIMITS.hosts) {
    refusal = `Secure password fields are open in ${LIMITS.hosts} tabs already, the most at once: close one of them to use this one.`;
  }
  if (refusal !== null) {
    field.end(refusal);
    return;
  }
  field.admitted = true;
  field.toDocument({ type: 'admit' });
}

/**
 * The element's attributes as the plug-in gets them: names and values that are strings.
 * @param {unknown} attributes
 * @returns {Record<string, string>}
 */
function plainAttributes(attributes) {
  /** @type {Record<string, string>} */
  const plain = {};
  if (attributes === null || typeof attributes !== 'object') return plain;
  for (const [name, value] of Object.entries(attributes)) {
    if (typeof value === 'string') plain[name] = value;
  }
  return plain;
}

/**
 * @param {Doc} doc
 * @param {any} message
 */
function fromDocument(doc, message) {
  const id = message?.id;
  if (typeof id !== 'string') return;
  if (message.type === 'field') {
    if (!ID.test(id) || byId.has(id)) return;
    const field = new Field(doc, id, plainAttributes(message.attributes));
    doc.fields.set(id, field);
    byId.set(id, field);
    admit(field);
    return;
  }
  const field = doc.fields.get(id);
  if (field === undefined) return;
  if (message.type === 'gone') {
    field.end();
  } else if (message.type === 'keys' && field.admitted) {
    const keys = Array.isArray(message.keys) ? message.keys : [];
    const [focused, answer] = [message.focused === true, message.answer === true];
    field.toFrame({ type: 'keys', keys, focused, answer });
  } else if (message.type === 'click' && field.admitted) {
    const { x, y, button, clickCount, modifiers } = message;
    field.toFrame({ type: 'click', x, y, button, clickCount, modifiers });
  } else if (message.type === 'blur' && field.admitted) {
    field.toFrame({ type: 'blur' });
  } else if (message.type === 'presentation' && field.admitted) {
    field.toFrame({ type: 'presentation', presentation: message.presentation });
  } else if (message.type === 'activation') {
    // Bounded: a page that calls without waiting for the answers has only its last calls count.
    const [oldest] = field.activations;
    if (field.activations.size >= 16) field.activations.delete(oldest);
    field.activations.add(message.call);
  } else if (message.type === 'call' && field.admitted) {
    const call = { type: 'call', call: message.call, method: message.method, args: message.args };
    const send = () => {
      if (field.ended || field.toFrame(call)) return;
      const busy = 'The secure password field is still starting and has too many calls waiting.';
      field.toDocument({ type: 'reply', call: message.call, ok: false, message: busy });
    };
    if (!IDENTITY_METHODS.has(message.method)) {
      send();
      return;
    }
    const gesture = field.activations.delete(message.call);
    beforeIdentityCall(doc, doc.origin, gesture).then(send);
  }
}

/**
 * A content script's port for its document.
 * @param {chrome.runtime.Port} port
 */
export function acceptDocument(port) {
  const sender = port.sender;
  const tabId = sender?.tab?.id;
  if (
    tabId === undefined ||
    sender?.url === undefined ||
    sender.url.startsWith(api.runtime.getURL(''))
  ) {
    port.disconnect();
    return;
  }
  const origin = askingOrigin(sender.url, sender.origin);
  /** @type {Doc} */
  const doc = { port, tabId, url: sender.url, origin, fields: new Map() };
  documents.add(doc);
  port.onMessage.addListener((message) => fromDocument(doc, message));
  port.onDisconnect.addListener(() => {
    documents.delete(doc);
    for (const field of [...doc.fields.values()]) field.end();
  });
}

/**
 * A field frame's port: accepted only from the frame of that field's address, in the tab of the
 * document that placed it, once the field is admitted.
 * @param {chrome.runtime.Port} port
 * @param {string} id
 */
export function acceptFrame(port, id) {
  const field = byId.get(id);
  const sender = port.sender;
  if (
    field === undefined ||
    !field.admitted ||
    field.frame !== null ||
    sender?.url !== `${FIELD_URL}#${id}` ||
    sender.tab?.id !== field.doc.tabId
  ) {
    port.disconnect();
    return;
  }
  field.attach(port);
}

// A site the administrator no longer allows loses its fields.
onPolicyChange((settings) => {
  for (const doc of documents) {
    if (siteAllowed(settings, doc.url)) continue;
    for (const field of [...doc.fields.values()]) field.end(REFUSED_SITE);
  }
});
