// The tests' browser: its controls installed for its whole life.
#include "npapi_browser/testing/TestBrowser.h"

namespace npapibrowser {

PageOptions TestPageOptions() {
  PageOptions options;
  options.mimeType = kTestMimeType;
  return options;
}

TestBrowser::TestBrowser() {
  setObserver(&_recorder);
  allocator().setWatcher(&_allocatorControl);
  objects().setCreationGate(&_objectControl);
}

TestBrowser::~TestBrowser() {
  if (isLoaded()) unload();
  setObserver(nullptr);
  allocator().setWatcher(nullptr);
  objects().setCreationGate(nullptr);
}

}  // namespace npapibrowser
