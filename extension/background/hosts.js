// One native host (securepassword-host) per tab that has secure password fields, holding one
// plug-in instance per field of that tab, and nothing else: a host crash takes down the fields of
// one tab only. After a newer host program is installed, the running host refuses new instances
// ("host-replaced"): the tab's new fields go to a new host, and the old one serves its fields
// until they are gone. The host answers requests in the order they came, over one connection; this
// module gives each field's frame its own request ids and instance name on it, and hands each
// reply back to the frame that asked. Used by documents.js.
import { LIMITS } from './limits.js';

const api = globalThis.browser ?? globalThis.chrome;
const HOST_NAME = 'net.securepassword.host';

/**
 * A field's end of its tab's host.
 * @typedef {object} HostUser
 * @property {string} instance  the field's instance name on the connection
 * @property {string} location  the page's address, for the host's own check of the allowed sites
 * @property {(reply: any) => void} deliver   a reply to one of its requests
 * @property {(reason: string) => void} closed the host went away
 * @property {string | null} ended why the host went away (set by closed); null while it serves
 * @property {TabHost | null} host the host that holds its instance (set at its first request)
 */

/** @type {Map<number, TabHost>} */
const byTab = new Map();

/**
 * @param {unknown} message
 * @returns {number} the message's size as the host reads it, in bytes of UTF-8
 */
export function requestBytes(message) {
  const text = JSON.stringify(message);
  return text.length * 3 <= LIMITS.requestBytes
    ? text.length
    : new TextEncoder().encode(text).length;
}

export class TabHost {
  /**
   * The host that serves a field: the one that holds its instance, or its tab's.
   * @param {HostUser} user
   * @param {number} tabId
   */
  static serving(user, tabId) {
    user.host ??= TabHost.of(tabId);
    return user.host;
  }

  /**
   * The host of a tab, started at the first request.
   * @param {number} tabId
   */
  static of(tabId) {
    let host = byTab.get(tabId);
    if (host === undefined) {
      host = new TabHost(tabId);
      byTab.set(tabId, host);
    }
    return host;
  }

  /** @param {number} tabId */
  constructor(tabId) {
    this.tabId = tabId;
    /** @type {chrome.runtime.Port | null} */
    this.port = null;
    /** @type {Set<HostUser>} */
    this.users = new Set();
    /**
     * requests not answered yet, in order; a "new" keeps the field's request, which goes on to a
     * new host should this one have been replaced
     * @type {{user: HostUser | null, id: unknown, hostId: number, request?: Record<string, unknown>}[]}
     */
    this.waiting = [];
    this.nextId = 1;
    /** @type {ReturnType<typeof setTimeout> | undefined} */
    this.idle = undefined;
  }

  /**
   * Sends a field's request, under the field's instance name; a request the host could not read
   * is answered here at once.
   * @param {HostUser} user
   * @param {Record<string, unknown>} request
   */
  send(user, request) {
    const id = request.id;
    /** @type {Record<string, unknown>} */
    const message = { ...request, instance: user.instance };
    if (message.op === 'new') message.location = user.location;
    if (requestBytes(message) > LIMITS.requestBytes) {
      user.deliver({
        id,
        ok: false,
        error: {
          code: 'too-long',
          message: 'the request is too long for the secure password field',
        },
      });
      return;
    }
    this.users.add(user);
    clearTimeout(this.idle);
    const port = this.connect();
    const hostId = this.nextId++;
    this.waiting.push({ user, id, hostId, request: message.op === 'new' ? request : undefined });
    port.postMessage({ ...message, id: hostId });
  }

  /**
   * The field is gone: its instance is destroyed, and the host ends a moment after its last one.
   * @param {HostUser} user
   */
  leave(user) {
    if (!this.users.delete(user)) return;
    for (const request of this.waiting) {
      if (request.user === user) request.user = null;
    }
    if (this.port !== null) {
      const hostId = this.nextId++;
      this.waiting.push({ user: null, id: null, hostId });
      this.port.postMessage({ id: hostId, op: 'destroy', instance: user.instance });
    }
    if (this.users.size === 0) {
      this.idle = setTimeout(() => {
        if (this.users.size === 0) this.close();
      }, LIMITS.idleHostMs);
    }
  }

  /** @returns {chrome.runtime.Port} */
  connect() {
    if (this.port !== null) return this.port;
    const port = api.runtime.connectNative(HOST_NAME);
    this.port = port;
    port.onMessage.addListener((reply) => this.answer(reply));
    port.onDisconnect.addListener((closed) => {
      if (this.port !== port) return;
      const error = /** @type {{error?: {message?: string}}} */ (closed).error;
      const reason =
        error?.message ?? api.runtime.lastError?.message ?? 'the helper program exited';
      this.ended(reason);
    });
    return port;
  }

  /**
   * A reply goes to the field that asked. Replies come in request order; one the host could not
   * tie to a request (id null: it could not read the request) answers the oldest.
   * @param {any} reply
   */
  answer(reply) {
    const index = reply?.id === null ? 0 : this.waiting.findIndex((w) => w.hostId === reply?.id);
    if (index < 0) return;
    const [request] = this.waiting.splice(index, 1);
    const user = request.user;
    if (user !== null && request.request !== undefined && reply?.error?.code === 'host-replaced') {
      this.retire(user);
      TabHost.serving(user, this.tabId).send(user, request.request);
      return;
    }
    user?.deliver({ ...reply, id: request.id });
  }

  /**
   * A newer host program was installed: this host takes no new field. The field that learned it
   * goes to the tab's new host; this one closes once its last field is gone.
   * @param {HostUser} moving
   */
  retire(moving) {
    if (byTab.get(this.tabId) === this) byTab.delete(this.tabId);
    this.users.delete(moving);
    moving.host = null;
    if (this.users.size === 0) this.close();
  }

  /** @param {string} reason */
  ended(reason) {
    this.port = null;
    if (byTab.get(this.tabId) === this) byTab.delete(this.tabId);
    const users = [...this.users];
    this.users.clear();
    this.waiting.length = 0;
    for (const user of users) user.closed(reason);
  }

  close() {
    const port = this.port;
    this.port = null;
    if (byTab.get(this.tabId) === this) byTab.delete(this.tabId);
    port?.disconnect();
  }
}
