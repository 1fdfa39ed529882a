// The options page's script (options.html): lists the user's answers about the identity (kept by
// background/grants.js) with a button that takes each back, and what the administrator set
// (background/policy.js). Drawn afresh whenever either changes; builds nodes, never markup.
import { forgetAnswer, onAnswersChange, readAnswers } from '../background/grants.js';
import { identityStanding } from '../background/identity-rule.js';
import { onPolicyChange, policy } from '../background/policy.js';

const rows = /** @type {HTMLElement} */ (document.getElementById('answer-rows'));
const table = /** @type {HTMLElement} */ (document.getElementById('answers'));
const none = /** @type {HTMLElement} */ (document.getElementById('no-answers'));
const administrator = /** @type {HTMLElement} */ (document.getElementById('administrator'));
const settingsList = /** @type {HTMLElement} */ (document.getElementById('administrator-settings'));

/**
 * @param {string} tag
 * @param {string} [text]
 */
function element(tag, text) {
  const made = document.createElement(tag);
  if (text !== undefined) made.textContent = text;
  return made;
}

/** @param {unknown[]} patterns */
function patternsText(patterns) {
  const names = patterns.filter((pattern) => typeof pattern === 'string');
  return names.length > 0 ? names.join(', ') : 'none';
}

/**
 * One site's row: its answer, what the administrator decides instead where that is so, and the
 * button that takes the answer back.
 * @param {import('../background/grants.js').Answer} answer
 * @param {import('../background/policy.js').Policy} settings
 */
function answerRow(answer, settings) {
  const row = element('tr');
  const answerCell = element('td', answer.allowed ? 'Allowed' : 'Denied');
  const standing = identityStanding(settings, answer.origin, answer.allowed);
  if ((standing === 'allowed') !== answer.allowed) {
    const decides = standing === 'allowed' ? 'allows it' : 'refuses it';
    const overruled = element('span', `Your administrator ${decides} whatever you answer.`);
    overruled.className = 'overruled';
    answerCell.append(overruled);
  }
  const label = answer.allowed ? 'Take back' : 'Forget';
  const button = document.createElement('button');
  button.type = 'button';
  button.textContent = label;
  button.setAttribute('aria-label', `${label} your answer for ${answer.origin}`);
  button.addEventListener('click', () => {
    button.disabled = true;
    forgetAnswer(answer.origin).catch(() => {
      button.disabled = false;
    });
  });
  const buttonCell = element('td');
  buttonCell.append(button);
  row.append(
    element('td', answer.origin),
    answerCell,
    element('td', new Date(answer.at).toLocaleDateString()),
    buttonCell,
  );
  row.dataset.origin = answer.origin;
  return row;
}

/** @param {import('../background/policy.js').Policy} settings */
function showAdministrator(settings) {
  const set =
    settings.identitySites.length > 0 ||
    settings.identityBlockedSites.length > 0 ||
    !settings.identityPrompt;
  administrator.hidden = !set;
  settingsList.replaceChildren(
    element('dt', 'Always allowed'),
    element('dd', patternsText(settings.identitySites)),
    element('dt', 'Never allowed, and never asked about'),
    element('dd', patternsText(settings.identityBlockedSites)),
    element('dt', 'Other sites'),
    element(
      'dd',
      settings.identityPrompt
        ? 'You are asked about them.'
        : 'You are not asked about them: they never get it, whatever you answered before.',
    ),
  );
}

async function show() {
  const [answers, settings] = await Promise.all([readAnswers(), policy()]);
  const sorted = [...answers.values()].sort((a, b) => (a.origin < b.origin ? -1 : 1));
  rows.replaceChildren(...sorted.map((answer) => answerRow(answer, settings)));
  table.hidden = sorted.length === 0;
  none.hidden = sorted.length > 0;
  showAdministrator(settings);
}

onAnswersChange(show);
onPolicyChange(show);
show();
