// The test pages' record of their fields' events, as a page gets them: window.fieldEvents, read
// by the tests (support.mjs fieldEvents).
window.fieldEvents = [];
for (const type of ['securepasswordready', 'securepassworderror']) {
  document.addEventListener(type, (event) => {
    window.fieldEvents.push({
      type: event.type,
      id: event.target.id,
      message: event.message ?? null,
    });
  });
}
