// The fuzz targets' browser host.
#include "fuzz/common/host_harness.h"

#include <cstdio>
#include <cstdlib>

#include "fuzz/common/fuzz_check.h"
#include "platform/InputSourceRegistry.h"
#include "platform/NSLog.h"

namespace fuzzing {

namespace {

npapihost::Host* Load() {
  // Trace lines (property names, base-class defaults) would flood the fuzzer's output.
  if (std::getenv("SPW_FUZZ_SHOW_TRACE") == nullptr) {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::perror("freopen");
  }
  NSLogSetEchoToStandardError(false);
  NSLogSetCapture(true);
  TISRegistry::reset();
  // Kept until exit: one module per process, loaded once (static destruction unloads it).
  static npapihost::Host host;
  if (!host.load(SPW_PLUGIN_MODULE)) {
    std::fprintf(stderr, "cannot load %s: %s\n", SPW_PLUGIN_MODULE, host.lastError().c_str());
    std::abort();
  }
  return &host;
}

}  // namespace

npapihost::Host& PluginHost() {
  static npapihost::Host* host = Load();
  return *host;
}

void BeginInput() {
  PluginHost();
  TISRegistry::reset();
  NSLogClearCapturedLines();
  PluginHost().allocator().allowAll();
  PluginHost().objects().setCreationFails(false);
  PluginHost().objects().failNextCreations(0);
}

npapihost::Page* OpenReadyPage(uint32_t width, uint32_t height) {
  npapihost::Host& host = PluginHost();
  npapihost::Page* page = host.openPage();
  FUZZ_CHECK(page != nullptr && page->isRunning(), "NPP_New refused a plain page");
  page->setWindow(0, 0, width, height);
  page->layer();
  FUZZ_CHECK(page->scriptObject() != nullptr, "no script object");
  return page;
}

void CloseAndCheckClean(npapihost::Page* page, const std::string& context) {
  npapihost::Host& host = PluginHost();
  host.allocator().allowAll();
  host.closePage(page);
  const npapihost::HostReport report = host.report();
  FUZZ_CHECK(report.clean(), report.text + "  input: " + context);
  for (const std::string& line : NSLogCapturedLines()) {
    FUZZ_CHECK(line == "focus changed with 0" || line == "focus changed with 1",
               "unexpected log line \"" + line + "\"; input: " + context);
  }
  NSLogClearCapturedLines();
  host.resetCalls();
}

}  // namespace fuzzing
