// Loading, unloading and reporting.
#include "npapi_browser/Browser.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "nativeui/InputSourceRegistry.h"
#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/NSObject.h"
#include "npapi_browser/BrowserServices.h"

namespace npapibrowser {

namespace {

Browser* gActive = nullptr;

// Values preset in the plug-in table that a plug-in must leave alone.
char gJavaClassMarker[] = "javaClass left as the browser set it";
NPBool presetGotFocus(NPP, NPFocusDirection) { return 0; }
void presetLostFocus(NPP) {}
void presetURLRedirectNotify(NPP, const char*, int32_t, void*) {}
NPError presetClearSiteData(const char*, uint64_t, uint64_t) { return NPERR_GENERIC_ERROR; }
char** presetGetSitesWithData() { return nullptr; }

std::string hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

}  // namespace

Browser::Browser() = default;

Browser::~Browser() {
  if (isLoaded()) unload();
}

Browser* Browser::active() { return gActive; }

NPPluginFuncs Browser::presetPluginFuncs() {
  NPPluginFuncs funcs;
  std::memset(&funcs, 0, sizeof funcs);
  funcs.size = sizeof(NPPluginFuncs);
  funcs.version = NP_TABLE_VERSION;
  funcs.javaClass = gJavaClassMarker;
  funcs.gotfocus = presetGotFocus;
  funcs.lostfocus = presetLostFocus;
  funcs.urlredirectnotify = presetURLRedirectNotify;
  funcs.clearsitedata = presetClearSiteData;
  funcs.getsiteswithdata = presetGetSitesWithData;
  return funcs;
}

void Browser::fail(const std::string& text) { _error = text; }

bool Browser::load(const std::string& modulePath, const TableOptions& tables) {
  _error.clear();
  if (isLoaded()) {
    fail("a module is already loaded in this browser: " + _path);
    return false;
  }
  if (gActive != nullptr) {
    fail("another browser has a module loaded in this process");
    return false;
  }
  dlerror();
  void* module = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* why = dlerror();
    fail("cannot open module " + modulePath + ": " + (why != nullptr ? why : "unknown error"));
    return false;
  }
  auto initialize = reinterpret_cast<NP_InitializeFunc>(dlsym(module, NP_INITIALIZE_SYMBOL));
  auto getEntryPoints =
      reinterpret_cast<NP_GetEntryPointsFunc>(dlsym(module, NP_GET_ENTRY_POINTS_SYMBOL));
  auto shutdown = reinterpret_cast<NP_ShutdownFunc>(dlsym(module, NP_SHUTDOWN_SYMBOL));
  const char* missing = initialize == nullptr       ? NP_INITIALIZE_SYMBOL
                        : getEntryPoints == nullptr ? NP_GET_ENTRY_POINTS_SYMBOL
                        : shutdown == nullptr       ? NP_SHUTDOWN_SYMBOL
                                                    : nullptr;
  if (missing != nullptr) {
    dlclose(module);
    fail("module " + modulePath + " does not export " + missing);
    return false;
  }

  _module = module;
  _path = modulePath;
  _shutdown = shutdown;
  gActive = this;
  _nativeBaseline = static_cast<long>(NSLiveObjectTotal());
  _layerBaseline = static_cast<long>(NSLiveObjectCount(NSObjectKind::Layer));
  BrowserCore::setActive(&_core);
  BrowserServices::fill(&_browserTable);
  _core.plugin = presetPluginFuncs();

  // The browser table as presented: the whole one, a shorter copy kept while the module is loaded,
  // or none.
  NPNetscapeFuncs* browserTable = tables.browserTableMissing ? nullptr : &_browserTable;
  _shortBrowser.reset();
  if (browserTable != nullptr && tables.browserTableSize < sizeof _browserTable) {
    _shortBrowser.reset(new unsigned char[tables.browserTableSize]);
    std::memcpy(_shortBrowser.get(), &_browserTable, tables.browserTableSize);
    const auto size = static_cast<uint16_t>(tables.browserTableSize);
    std::memcpy(_shortBrowser.get() + offsetof(NPNetscapeFuncs, size), &size, sizeof size);
    browserTable = reinterpret_cast<NPNetscapeFuncs*>(_shortBrowser.get());
  }
  {
    NSAutoreleaseScope pool;
    _initializeResult = initialize(browserTable);
  }
  if (_initializeResult != NPERR_NO_ERROR) {
    fail("NP_Initialize answered error " + std::to_string(_initializeResult));
    closeModule();
    return false;
  }
  if (tables.pluginTableMissing) {
    NSAutoreleaseScope pool;
    _getEntryPointsResult = getEntryPoints(nullptr);
  } else if (tables.pluginTableSize < sizeof _core.plugin) {
    // Taken back into the whole table; the slots past the shorter one stay empty.
    const std::size_t size = tables.pluginTableSize;
    _core.plugin.size = static_cast<uint16_t>(size);
    std::unique_ptr<unsigned char[]> shorter(new unsigned char[size]);
    std::memcpy(shorter.get(), &_core.plugin, size);
    {
      NSAutoreleaseScope pool;
      _getEntryPointsResult = getEntryPoints(reinterpret_cast<NPPluginFuncs*>(shorter.get()));
    }
    std::memset(&_core.plugin, 0, sizeof _core.plugin);
    std::memcpy(&_core.plugin, shorter.get(), size);
  } else {
    NSAutoreleaseScope pool;
    _getEntryPointsResult = getEntryPoints(&_core.plugin);
  }
  std::string problem;
  if (_getEntryPointsResult != NPERR_NO_ERROR) {
    problem = "NP_GetEntryPoints answered error " + std::to_string(_getEntryPointsResult);
  } else if ((_core.plugin.version >> 8) != NP_VERSION_MAJOR) {
    problem = "the plug-in table has version " + hex(_core.plugin.version) +
              ", whose major version is not " + std::to_string(NP_VERSION_MAJOR);
  } else if (!_core.hasPluginEntry(offsetof(NPPluginFuncs, newp)) ||
             !_core.hasPluginEntry(offsetof(NPPluginFuncs, destroy))) {
    problem = "the plug-in table has no newp or no destroy entry";
  }
  if (!problem.empty()) {
    fail(problem);
    {
      NSAutoreleaseScope pool;
      _shutdownResult = _shutdown();
    }
    closeModule();
    return false;
  }
  return true;
}

void Browser::closeModule() {
  _core.objects.reclaimAll();
  _core.allocator.releaseAll();
  if (_module != nullptr) dlclose(_module);
  _module = nullptr;
  _shutdown = nullptr;
  if (gActive == this) {
    gActive = nullptr;
    BrowserCore::setActive(nullptr);
  }
}

UnloadReport Browser::report() const {
  UnloadReport r;
  r.liveBlocks = _core.allocator.liveBlocks();
  r.liveBytes = _core.allocator.liveBytes();
  r.doubleFrees = _core.allocator.doubleFrees();
  r.invalidFrees = _core.allocator.invalidFrees();
  r.liveObjects = _core.objects.liveCount();
  r.liveNativeObjects = static_cast<long>(NSLiveObjectTotal()) - _nativeBaseline;
  r.liveLayers = static_cast<long>(NSLiveObjectCount(NSObjectKind::Layer)) - _layerBaseline;
  r.inputSourceReferences = TISRegistry::outstandingReferences();
  r.faults = _core.allocator.faults();
  r.faults.insert(r.faults.end(), _core.objects.faults().begin(), _core.objects.faults().end());

  char line[160];
  r.text = "npapibrowser report for " + _path + "\n";
  std::snprintf(line, sizeof line, "  allocator blocks still alive: %zu (%zu bytes)\n",
                r.liveBlocks, r.liveBytes);
  r.text += line;
  std::snprintf(line, sizeof line, "  double frees: %u, frees of unknown blocks: %u\n",
                r.doubleFrees, r.invalidFrees);
  r.text += line;
  std::snprintf(line, sizeof line, "  script objects still alive: %zu\n", r.liveObjects);
  r.text += line;
  std::snprintf(line, sizeof line, "  native objects still alive: %ld (layers: %ld)\n",
                r.liveNativeObjects, r.liveLayers);
  r.text += line;
  std::snprintf(line, sizeof line, "  input-source references not released: %ld\n",
                r.inputSourceReferences);
  r.text += line;
  for (const std::string& fault : r.faults) r.text += "  fault: " + fault + "\n";
  r.text += r.clean() ? "  clean\n" : "  NOT clean\n";
  return r;
}

UnloadReport Browser::unload() {
  if (!isLoaded()) return _lastReport;
  while (!_pages.empty()) closePage(_pages.back().get());
  {
    NSAutoreleaseScope pool;
    _shutdownResult = _shutdown();
  }
  _lastReport = report();
  closeModule();
  return _lastReport;
}

Page* Browser::openPage(const PageOptions& options) {
  if (!isLoaded() || !_core.hasPluginEntry(offsetof(NPPluginFuncs, newp))) return nullptr;
  _pages.push_back(std::make_unique<Page>(_core, options));
  return _pages.back().get();
}

ReadyPage Browser::openReadyPage(uint32_t width, uint32_t height, const PageOptions& options) {
  ReadyPage ready;
  ready.page = openPage(options);
  if (ready.page == nullptr || ready.page->newResult() != NPERR_NO_ERROR) return ready;
  ready.reached = ReadyStep::kWindow;
  if (ready.page->setWindow(0, 0, width, height) != NPERR_NO_ERROR) return ready;
  ready.reached = ReadyStep::kLayer;
  if (ready.page->layer() == nullptr) return ready;
  ready.reached = ReadyStep::kScriptObject;
  if (ready.page->scriptObject() == nullptr) return ready;
  ready.reached = ReadyStep::kReady;
  return ready;
}

void Browser::closePage(Page* page) {
  auto it = std::find_if(_pages.begin(), _pages.end(),
                         [page](const std::unique_ptr<Page>& open) { return open.get() == page; });
  if (it == _pages.end()) return;
  // NPP_Destroy runs while the page is still found by its instance; only then does it leave.
  std::unique_ptr<Page> closing = std::move(*it);
  _pages.erase(it);
  closing.reset();
}

Page* Browser::pageFor(NPP npp) const { return _core.pageFor(npp); }

}  // namespace npapibrowser
