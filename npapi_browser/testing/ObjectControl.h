// The tests' hand on script object creation: the next creations, or all until turned off, fail
// as if the browser had no memory for them. Installed by TestBrowser as the objects' gate.
#pragma once

#include "npapi_browser/ObjectRuntime.h"

namespace npapibrowser {

class ObjectControl : public CreationGate {
 public:
  // The next count creations answer null.
  void failNextCreations(unsigned count) { _failures = count; }
  // Every creation answers null until turned off.
  void setCreationFails(bool fails) { _alwaysFail = fails; }

  bool refusesCreation() override;

 private:
  unsigned _failures = 0;
  bool _alwaysFail = false;
};

}  // namespace npapibrowser
