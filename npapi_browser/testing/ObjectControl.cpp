// Object creations that fail on purpose.
#include "npapi_browser/testing/ObjectControl.h"

namespace npapibrowser {

bool ObjectControl::refusesCreation() {
  if (_alwaysFail) return true;
  if (_failures > 0) {
    --_failures;
    return true;
  }
  return false;
}

}  // namespace npapibrowser
