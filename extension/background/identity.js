// This computer's identity (the page's GetActiveNIC and GetHardDiskNUM) goes only to the sites
// allowed to read it: by the administrator (policy.js) or by the user, who is asked once per site
// in a window of the extension's own (consent/consent.html), never by the page. A document is
// asked about on its own origin's behalf, a frame of another site inside a page too. Used by
// documents.js (the page's calls, and the field frames' requests to the native host) and main.js
// (the question window's port).
//
// The question comes up only for a call the page made with the user's gesture (content/calls.js
// tells), at most once per document, and waits at most ANSWER_WAIT_MS. The call of a site without
// permission still goes the usual road, through its field's frame to the native host and back; only
// here, on its way back, is the value replaced by "", the plug-in's answer on a machine without
// one. The page can tell a refusal from such a machine neither by the answer nor by its time.
import { keepAnswer, onAnswersChange, readAnswers } from './grants.js';
import { identityStanding } from './identity-rule.js';
import { policy } from './policy.js';

const api = globalThis.browser ?? globalThis.chrome;

export const IDENTITY_METHODS = new Set(['GetActiveNIC', 'GetHardDiskNUM']);
const QUESTION_URL = api.runtime.getURL('consent/consent.html');
// Long enough to read the question; a call then gets "" and the window closes.
const ANSWER_WAIT_MS = 60000;
// The question window: room for the site's name on two lines, the explanation and two buttons.
const WINDOW_SIZE = { width: 480, height: 330 };

/**
 * The origin a document is asked about: the browser's word for it where it gives one (Chromium),
 * else its address's; null for anything but an http or https origin (a sandboxed frame's is
 * opaque).
 * @param {string} address
 * @param {string} [origin]
 * @returns {string | null}
 */
export function askingOrigin(address, origin) {
  let url;
  try {
    url = new URL(origin ?? address);
  } catch {
    return null;
  }
  return url.protocol === 'http:' || url.protocol === 'https:' ? url.origin : null;
}

/** @type {Promise<Map<string, import('./grants.js').Answer>> | null} the user's answers */
let answers = null;
onAnswersChange(() => {
  answers = null;
});

/**
 * @param {string | null} origin
 * @returns {Promise<'allowed' | 'refused' | 'ask'>}
 */
async function standing(origin) {
  if (origin === null) return 'refused';
  const settings = await policy();
  answers ??= readAnswers().catch(() => {
    answers = null;
    return new Map();
  });
  return identityStanding(settings, origin, (await answers).get(origin)?.allowed);
}

/** @type {Map<string, Question>} the open questions by origin: one per site at a time */
const questions = new Map();
/** @type {WeakSet<object>} the documents that have had their one question */
const haveAsked = new WeakSet();

/** The question about one site, in its window, until the user answers or it times out. */
class Question {
  /** @param {string} origin */
  constructor(origin) {
    this.origin = origin;
    this.key = crypto.randomUUID();
    this.done = false;
    /** @type {number | undefined} */
    this.windowId = undefined;
    /** @type {chrome.runtime.Port | null} */
    this.port = null;
    /** @type {() => void} */
    let resolve = () => {};
    /** @type {Promise<void>} resolves once the answer is kept (or none came) */
    this.answered = new Promise((settle) => {
      resolve = settle;
    });
    this.resolve = resolve;
    this.timer = setTimeout(() => this.end(null), ANSWER_WAIT_MS);
    questions.set(origin, this);
    api.windows
      .create({ type: 'popup', url: `${QUESTION_URL}#${this.key}`, focused: true, ...WINDOW_SIZE })
      .then(
        (window) => {
          this.windowId = window?.id;
          if (this.done) this.closeWindow();
        },
        () => this.end(null),
      );
  }

  /**
   * The user answered (true: Allow, false: Deny), or null: the window closed or the time ran out.
   * The answer is kept before the calls waiting for it go on.
   * @param {boolean | null} allowed
   */
  async end(allowed) {
    if (this.done) return;
    this.done = true;
    clearTimeout(this.timer);
    this.closeWindow();
    if (allowed !== null) {
      try {
        await keepAnswer(this.origin, allowed);
      } catch {
        // Not kept: the site is asked again on a later visit.
      }
      answers = null;
    }
    questions.delete(this.origin);
    this.resolve();
  }

  closeWindow() {
    if (this.windowId !== undefined) api.windows.remove(this.windowId).catch(() => {});
  }
}

api.windows.onRemoved.addListener((windowId) => {
  for (const question of questions.values()) {
    if (question.windowId === windowId) question.end(null);
  }
});

/**
 * Before a page's call of GetActiveNIC or GetHardDiskNUM goes on: when the document's site has no
 * answer yet, the call came with the user's gesture and the document has not asked before, asks
 * the user and waits for the answer (a question about the site already open is waited for too).
 * Resolves, never rejects, once the call may go on, whatever the answer.
 * @param {object} doc the document, for its one question
 * @param {string | null} origin the document's origin (askingOrigin)
 * @param {boolean} gesture whether the page had the user's gesture when it called
 */
export async function beforeIdentityCall(doc, origin, gesture) {
  if (origin === null || !gesture) return;
  if ((await standing(origin)) !== 'ask') return;
  let question = questions.get(origin);
  if (question === undefined) {
    if (haveAsked.has(doc)) return;
    haveAsked.add(doc);
    question = new Question(origin);
  }
  await question.answered;
}

/**
 * The question window's port ("question:<key>"): accepted only from the window of that question.
 * It is told the site, and sends the user's answer.
 * @param {chrome.runtime.Port} port
 * @param {string} key
 */
export function acceptQuestion(port, key) {
  const question = [...questions.values()].find((open) => open.key === key);
  if (
    question === undefined ||
    question.port !== null ||
    port.sender?.url !== `${QUESTION_URL}#${key}`
  ) {
    port.disconnect();
    return;
  }
  question.port = port;
  port.onMessage.addListener((/** @type {any} */ message) => {
    if (message?.answer === 'allow') question.end(true);
    if (message?.answer === 'deny') question.end(false);
  });
  port.onDisconnect.addListener(() => {
    if (question.port === port) question.port = null;
  });
  port.postMessage({ origin: question.origin });
}

/**
 * A field frame's requests to the native host, as far as they read the identity. One per frame
 * (documents.js), for the document that placed the field.
 */
export class IdentityFilter {
  /** @param {string | null} origin the document's origin (askingOrigin) */
  constructor(origin) {
    this.origin = origin;
    /** @type {Set<number>} the request ids whose value the site may not have */
    this.withheld = new Set();
  }

  /**
   * Sends a request to the host: at once, or for a call of GetActiveNIC or GetHardDiskNUM once the
   * site's standing is known, marked to have its value withheld when the site may not read it.
   * @param {Record<string, unknown>} request
   * @param {(request: Record<string, unknown>) => void} send
   */
  send(request, send) {
    if (request.op !== 'call' || !IDENTITY_METHODS.has(/** @type {string} */ (request.method))) {
      send(request);
      return;
    }
    standing(this.origin).then((found) => {
      if (found !== 'allowed') {
        // A reply must be recognised to be withheld; the frame numbers its requests.
        if (!Number.isSafeInteger(request.id)) return;
        this.withheld.add(/** @type {number} */ (request.id));
      }
      send(request);
    });
  }

  /**
   * The host's reply, with "" in place of a withheld value.
   * @param {any} reply
   * @returns {any}
   */
  reply(reply) {
    if (!this.withheld.delete(reply?.id) || reply.ok !== true) return reply;
    return { ...reply, result: '' };
  }
}
