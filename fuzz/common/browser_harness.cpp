// The fuzz targets' stand-in browser.
#include "fuzz/common/browser_harness.h"

#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define SPW_WITH_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SPW_WITH_LSAN 1
#endif
#endif
#ifdef SPW_WITH_LSAN
#include <sanitizer/lsan_interface.h>
#endif

#include "fuzz/common/fuzz_check.h"
#include "nativeui/InputSourceRegistry.h"
#include "nativeui/NSLog.h"

namespace fuzzing {

namespace {

npapibrowser::TestBrowser* Load() {
  // Trace lines (property names, base-class defaults) would flood the fuzzer's output.
  if (std::getenv("SPW_FUZZ_SHOW_TRACE") == nullptr) {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::perror("freopen");
  }
  NSLogSetEchoToStandardError(false);
  NSLogSetSystemLog(false);
  NSLogSetCapture(true);
  TISRegistry::reset();
  // One module per process, loaded once and never unloaded, as in a browser's plug-in process.
  // The stand-in browser is not destroyed at exit either: unloading runs autorelease pools, whose
  // per-thread stack is already gone once static destructors run.
  auto* browser = new npapibrowser::TestBrowser();
  if (!browser->load(SPW_PLUGIN_MODULE)) {
    std::fprintf(stderr, "cannot load %s: %s\n", SPW_PLUGIN_MODULE, browser->lastError().c_str());
    std::abort();
  }
  return browser;
}

}  // namespace

npapibrowser::TestBrowser& LoadedBrowser() {
  static npapibrowser::TestBrowser* browser = Load();
  return *browser;
}

void BeginInput() {
  LoadedBrowser();
#ifdef SPW_WITH_LSAN
  // The stand-in browser's own records (interned names, freed-block addresses) grow at first, so
  // libFuzzer's leak check after each input is off for these targets (their options file); the
  // plug-in's memory is checked here every so often instead, and at exit.
  static unsigned long inputs = 0;
  if (++inputs % 20000 == 0)
    FUZZ_CHECK(__lsan_do_recoverable_leak_check() == 0,
               "memory leaked within the last 20000 inputs");
#endif
  TISRegistry::reset();
  NSLogClearCapturedLines();
  LoadedBrowser().allocatorControl().allowAll();
  LoadedBrowser().objectControl().setCreationFails(false);
  LoadedBrowser().objectControl().failNextCreations(0);
}

npapibrowser::Page* OpenReadyPage(uint32_t width, uint32_t height) {
  const npapibrowser::ReadyPage ready = LoadedBrowser().openReadyPage(width, height);
  FUZZ_CHECK(ready.ok(),
             "a plain page refused at step " + std::to_string(static_cast<int>(ready.reached)));
  return ready.page;
}

void CloseAndCheckClean(npapibrowser::Page* page, const std::string& context) {
  LoadedBrowser().allocatorControl().allowAll();
  LoadedBrowser().closePage(page);
  CheckClean(context);
}

void CheckClean(const std::string& context) {
  static const bool verbose = std::getenv("SPW_FUZZ_VERBOSE") != nullptr;
  if (verbose) std::fprintf(stderr, "  input:%s\n", context.c_str());
  npapibrowser::TestBrowser& browser = LoadedBrowser();
  const npapibrowser::UnloadReport report = browser.report();
  FUZZ_CHECK(report.clean(), report.text + "  input: " + context);
  for (const std::string& line : NSLogCapturedLines()) {
    FUZZ_CHECK(line == "focus changed with 0" || line == "focus changed with 1",
               "unexpected log line \"" + line + "\"; input: " + context);
  }
  NSLogClearCapturedLines();
  browser.resetCalls();
}

}  // namespace fuzzing

#ifdef SPW_WITH_LSAN
// A smaller quarantine than the default 256 MB: the stand-in browser remembers every freed block's
// address, and addresses come back sooner so that record stays small over millions of inputs.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=64"; }
#endif

// libFuzzer calls this before the first input: the module is loaded now, so its coverage counters
// are registered from the start.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::LoadedBrowser();
  return 0;
}
