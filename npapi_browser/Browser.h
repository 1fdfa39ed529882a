// The stand-in browser: loads a plug-in module with dlopen, hands it a complete browser function
// table, runs pages of instances, and on unload reports what is still alive. Failures are
// reported as text (lastError), never by crashing. One loaded browser per process.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "npapi/all.h"
#include "npapi_browser/BrowserCore.h"
#include "npapi_browser/BrowserObserver.h"
#include "npapi_browser/Page.h"
#include "npapi_browser/PageOptions.h"
#include "npapi_browser/UnloadReport.h"

namespace npapibrowser {

// The steps a browser takes with a new instance before the user clicks in, in order.
enum class ReadyStep { kNew, kWindow, kLayer, kScriptObject, kReady };

// A page opened ready, or the step the plug-in refused (its page, if any, stays open).
struct ReadyPage {
  Page* page = nullptr;  // null only when no module is loaded or the plug-in has no newp
  ReadyStep reached = ReadyStep::kNew;  // kReady, or the step that failed
  bool ok() const { return reached == ReadyStep::kReady; }
};

// How the stand-in browser hands its tables to the module at load. By default both are whole, as a
// current browser hands them; a test can present either one shorter (its size field says so, and it
// lies in a block of exactly that many bytes, so a sanitizer catches any access past it) or none.
struct TableOptions {
  std::size_t browserTableSize = sizeof(NPNetscapeFuncs);  // at most that
  bool browserTableMissing = false;                        // NP_Initialize(nullptr)
  std::size_t pluginTableSize = sizeof(NPPluginFuncs);     // at most that, at least 4
  bool pluginTableMissing = false;                         // NP_GetEntryPoints(nullptr)
};

// Every slot of the browser table is filled; services nobody should call answer an error
// harmlessly. The table's services that carry no instance reach the loaded browser.
class Browser {
 public:
  Browser();
  ~Browser();  // unloads
  Browser(const Browser&) = delete;
  Browser& operator=(const Browser&) = delete;

  // Loads the module and runs NP_Initialize then NP_GetEntryPoints. False with lastError() set
  // when the file cannot be opened, an entry point is missing, either call answers an error, or
  // the plug-in table is unusable (major version not 0, no newp or destroy); the module is then
  // closed again.
  [[nodiscard]] bool load(const std::string& modulePath,
                          const TableOptions& tables = TableOptions());
  bool isLoaded() const { return _module != nullptr; }
  const std::string& lastError() const { return _error; }
  NPError initializeResult() const { return _initializeResult; }
  NPError getEntryPointsResult() const { return _getEntryPointsResult; }
  NPError shutdownResult() const { return _shutdownResult; }

  // Closes every page, calls NP_Shutdown, makes the report, then reclaims what is left (objects,
  // blocks) and closes the module. The report stays available as lastReport().
  UnloadReport unload();
  const UnloadReport& lastReport() const { return _lastReport; }
  // The report as it would be now.
  UnloadReport report() const;

  // A new instance (NPP_New). The page exists even when NPP_New refused (see newResult); null
  // only when no module is loaded or the plug-in has no newp.
  Page* openPage(const PageOptions& options = PageOptions());
  // A new instance set up as a browser sets it up before the user clicks in: NPP_New, a window of
  // width by height at the origin, the drawing layer, the script object. Stops at the first step
  // the plug-in refuses.
  [[nodiscard]] ReadyPage openReadyPage(uint32_t width, uint32_t height,
                                        const PageOptions& options = PageOptions());
  // NPP_Destroy if the instance runs, then drops the page's references; the page is freed.
  void closePage(Page* page);
  Page* pageFor(NPP npp) const;

  // The table handed to NP_Initialize, and the plug-in's table after NP_GetEntryPoints.
  const NPNetscapeFuncs& browserFuncs() const { return _browserTable; }
  const NPPluginFuncs& pluginFuncs() const { return _core.plugin; }
  // The plug-in table as preset before NP_GetEntryPoints: size, version, and recognisable values
  // in javaClass and the slots after setvalue.
  static NPPluginFuncs presetPluginFuncs();

  BrowserAllocator& allocator() { return _core.allocator; }
  Identifiers& identifiers() { return _core.identifiers; }
  ObjectRuntime& objects() { return _core.objects; }

  // Who watches the services the plug-in calls and what it asks of each page (BrowserObserver.h);
  // null, the default, for nobody. The observer must outlive its installation.
  void setObserver(BrowserObserver* observer) { _core.observer = observer; }

  // NPN_ReleaseVariantValue: frees string bytes with the allocator, releases an object, and
  // leaves the variant void.
  void releaseVariantValue(NPVariant* variant) { _core.releaseVariantValue(variant); }

  // The loaded browser of this process, or null.
  static Browser* active();

 private:
  void fail(const std::string& text);
  void closeModule();

  void* _module = nullptr;
  std::string _path;
  std::string _error;
  NPError _initializeResult = NPERR_NO_ERROR;
  NPError _getEntryPointsResult = NPERR_NO_ERROR;
  NPError _shutdownResult = NPERR_NO_ERROR;
  NP_ShutdownFunc _shutdown = nullptr;
  NPNetscapeFuncs _browserTable{};
  std::unique_ptr<unsigned char[]> _shortBrowser;  // the shorter table the module was given
  BrowserCore _core;
  std::vector<std::unique_ptr<Page>> _pages;  // in the order opened
  UnloadReport _lastReport;
  long _nativeBaseline = 0;
  long _layerBaseline = 0;
};

}  // namespace npapibrowser
