// The page's window object: its class table and "eval".
#include "npapi_browser/WindowObject.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace npapibrowser {

namespace {

struct WindowObject {
  NPObject header;
  BrowserCore* core;
  NPP npp;
  const PageOptions* options;  // null once the page has closed
};

WindowObject* windowOf(NPObject* object) { return reinterpret_cast<WindowObject*>(object); }

NPObject* windowAllocate(NPP, NPClass*) {
  return static_cast<NPObject*>(std::calloc(1, sizeof(WindowObject)));
}
void windowDeallocate(NPObject* object) { std::free(object); }

bool isEval(const WindowObject* window, NPIdentifier name) {
  if (window->core == nullptr) return false;
  const std::string* text = window->core->identifiers.name(name);
  return text != nullptr && *text == "eval";
}

bool windowHasMethod(NPObject* object, NPIdentifier name) { return isEval(windowOf(object), name); }

bool windowInvoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t argCount,
                  NPVariant* result) {
  WindowObject* window = windowOf(object);
  if (window->options == nullptr || !isEval(window, name)) return false;
  if (args == nullptr || argCount < 1 || args[0].type != NPVariantType_String) return false;
  const NPString& script = args[0].value.stringValue;
  BrowserCore& core = *window->core;
  if (core.observer != nullptr) {
    core.observer->scriptEvaluated(window->npp,
                                   script.UTF8Characters != nullptr
                                       ? std::string_view(script.UTF8Characters, script.UTF8Length)
                                       : std::string_view());
  }
  if (!window->options->hasLocation || result == nullptr) return false;
  const std::string& location = window->options->location;
  auto* bytes =
      static_cast<NPUTF8*>(core.allocator.allocate(static_cast<uint32_t>(location.size() + 1)));
  if (bytes == nullptr) return false;
  std::memcpy(bytes, location.c_str(), location.size() + 1);
  STRINGN_TO_NPVARIANT(bytes, location.size(), *result);
  return true;
}

bool windowNoCall(NPObject*, const NPVariant*, uint32_t, NPVariant*) { return false; }
bool windowNoProperty(NPObject*, NPIdentifier) { return false; }
bool windowNoGet(NPObject*, NPIdentifier, NPVariant*) { return false; }
bool windowNoSet(NPObject*, NPIdentifier, const NPVariant*) { return false; }
bool windowNoEnumerate(NPObject*, NPIdentifier**, uint32_t*) { return false; }

NPClass gWindowClass = {
    NP_CLASS_STRUCT_VERSION,
    windowAllocate,
    windowDeallocate,
    nullptr,
    windowHasMethod,
    windowInvoke,
    windowNoCall,
    windowNoProperty,
    windowNoGet,
    windowNoSet,
    windowNoProperty,
    windowNoEnumerate,
    windowNoCall,
};

}  // namespace

NPObject* NewWindowObject(BrowserCore& core, NPP npp, const PageOptions& options) {
  NPObject* object = core.objects.create(npp, &gWindowClass, true);
  if (object == nullptr) return nullptr;
  WindowObject* window = windowOf(object);
  window->core = &core;
  window->npp = npp;
  window->options = &options;
  return object;
}

void DetachWindowObject(NPObject* window) {
  if (window != nullptr) windowOf(window)->options = nullptr;
}

}  // namespace npapibrowser
