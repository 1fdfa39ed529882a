// The plug-in's entry points: module start and end, the plug-in table, the instance lifecycle
// (record, browser checks, panel, field, layer tree, script object), plug-in variables, and the
// class table of the page's script object.
#include "shell/main.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "nativeui/AppKit.h"
#include "plugin_state/Browser.h"
#include "plugin_state/PluginObject.h"
#include "script/ScriptablePluginObject.h"
#include "shell/EventHandling.h"
#include "shell/MyWindow.h"
#include "wipe/stack_wipe.h"

namespace {

// The browser's allocate hook for the script object: storage from the browser's allocator, or
// null (and nothing constructed) when it refuses.
NPObject* createScriptablePluginObject(NPP npp, NPClass* /*aClass*/) {
  ScriptablePluginObject* object = new ScriptablePluginObject(npp);
  return object;
}

NPClass sScriptablePluginObject_NPClass = {
    NP_CLASS_STRUCT_VERSION,
    createScriptablePluginObject,
    ScriptablePluginObjectBase::_Deallocate,
    ScriptablePluginObjectBase::_Invalidate,
    ScriptablePluginObjectBase::_HasMethod,
    ScriptablePluginObjectBase::_Invoke,
    ScriptablePluginObjectBase::_InvokeDefault,
    ScriptablePluginObjectBase::_HasProperty,
    ScriptablePluginObjectBase::_GetProperty,
    ScriptablePluginObjectBase::_SetProperty,
    ScriptablePluginObjectBase::_RemoveProperty,
    ScriptablePluginObjectBase::_Enumerate,
    ScriptablePluginObjectBase::_Construct,
};

// The stack cleared after each key event, which carries typed characters through the native
// layer into the field. A key event was seen to use under 1 kB below NPP_HandleEvent with GCC 12 at
// -O2, and about 3 kB when the native layer's pools first grow.
constexpr std::size_t kKeyEventStackBytes = 8192;

// The plug-in table's size through setvalue, the last entry NP_GetEntryPoints fills.
constexpr std::size_t kPluginTableSizeNeeded =
    offsetof(NPPluginFuncs, setvalue) + sizeof(NPPluginFuncs::setvalue);

// The instance's record, or null for a null instance or one without a record.
PluginObject* recordOf(NPP instance) {
  return instance != nullptr ? static_cast<PluginObject*>(instance->pdata) : nullptr;
}

// Whether the browser answers yes to a yes/no question about this instance.
bool browserSupports(NPP instance, NPNVariable variable) {
  NPBool supported = 0;
  return NPN_GetValue(instance, variable, &supported) == NPERR_NO_ERROR && supported != 0;
}

// Gives back everything a record owns, then the record; the instance no longer points to it.
void releaseRecord(NPP instance, PluginObject* obj) {
  NSRelease(obj->textField);
  NSRelease(obj->panel);
  NSRelease(obj->rootLayer);
  if (obj->scriptObject != nullptr) {
    // The page may keep the object after the instance ends; it must never reach this record.
    if (obj->scriptObject->_class == &sScriptablePluginObject_NPClass) {
      static_cast<ScriptablePluginObject*>(
          static_cast<ScriptablePluginObjectBase*>(obj->scriptObject))
          ->detach();
    }
    NPN_ReleaseObject(obj->scriptObject);
  }
  std::free(obj);
  instance->pdata = nullptr;
}

}  // namespace

// ---- Module entry points ---------------------------------------------------------------------

// Keeps the browser's table, unless it is missing or its size says it ends before the last service
// the plug-in calls: such a table is refused, and the plug-in would never call through it.
extern "C" NPError NP_Initialize(NPNetscapeFuncs* browserFuncs) {
  if (browserFuncs == nullptr || browserFuncs->size < kBrowserTableSizeNeeded) {
    return NPERR_INVALID_FUNCTABLE_ERROR;
  }
  browser = browserFuncs;
  return NPERR_NO_ERROR;
}

// Fills the plug-in's entries, newp through setvalue, into a table whose size holds them all (the
// older tables end at setvalue); a missing or smaller table is refused untouched. The size written
// back is the table's own when it is smaller than ours, so the browser is never told of entries
// its table does not have.
extern "C" NPError NP_GetEntryPoints(NPPluginFuncs* pluginFuncs) {
  if (pluginFuncs == nullptr || pluginFuncs->size < kPluginTableSizeNeeded) {
    return NPERR_INVALID_FUNCTABLE_ERROR;
  }
  pluginFuncs->version = 8;
  pluginFuncs->size =
      static_cast<uint16_t>(std::min<std::size_t>(pluginFuncs->size, sizeof(NPPluginFuncs)));
  pluginFuncs->newp = NPP_New;
  pluginFuncs->destroy = NPP_Destroy;
  pluginFuncs->setwindow = NPP_SetWindow;
  pluginFuncs->newstream = NPP_NewStream;
  pluginFuncs->destroystream = NPP_DestroyStream;
  pluginFuncs->asfile = NPP_StreamAsFile;
  pluginFuncs->writeready = NPP_WriteReady;
  pluginFuncs->write = NPP_Write;
  pluginFuncs->print = NPP_Print;
  pluginFuncs->event = NPP_HandleEvent;
  pluginFuncs->urlnotify = NPP_URLNotify;
  pluginFuncs->getvalue = NPP_GetValue;
  pluginFuncs->setvalue = NPP_SetValue;
  return NPERR_NO_ERROR;
}

extern "C" NPError NP_Shutdown(void) { return NPERR_NO_ERROR; }

// ---- Instance lifecycle ----------------------------------------------------------------------

NPError NPP_New(NPMIMEType /*pluginType*/, NPP instance, uint16_t /*mode*/, int16_t /*argc*/,
                char* /*argn*/[], char* /*argv*/[], NPSavedData* /*saved*/) {
  if (instance == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  auto* obj = static_cast<PluginObject*>(std::malloc(sizeof(PluginObject)));
  if (obj == nullptr) {
    instance->pdata = nullptr;
    return NPERR_OUT_OF_MEMORY_ERROR;
  }
  std::memset(obj, 0, sizeof *obj);
  obj->npp = instance;
  instance->pdata = obj;

  // A refused instance gets no NPP_Destroy from the browser: its record goes at once.
  if (!browserSupports(instance, NPNVsupportsCoreAnimationBool)) {
    releaseRecord(instance, obj);
    return NPERR_INCOMPATIBLE_VERSION_ERROR;
  }
  NPN_SetValue(instance, NPPVpluginDrawingModel,
               reinterpret_cast<void*>(static_cast<uintptr_t>(NPDrawingModelCoreAnimation)));
  if (!browserSupports(instance, NPNVsupportsCocoaBool)) {
    releaseRecord(instance, obj);
    return NPERR_INCOMPATIBLE_VERSION_ERROR;
  }
  NPN_SetValue(instance, NPPVpluginEventModel,
               reinterpret_cast<void*>(static_cast<uintptr_t>(NPEventModelCocoa)));

  MyWindow* panel = NSObject::alloc<MyWindow>();
  if (panel != nullptr) {
    panel->initWithContentRect(NSZeroRect, NSClosableWindowMask, NSBackingStoreNonretained, NO);
  }
  obj->panel = panel;
  NSSecureTextField* field = NSObject::alloc<NSSecureTextField>();
  if (field != nullptr) field = field->initWithFrame(NSZeroRect);  // nil without its storage
  if (field != nullptr) field->setEditable(YES);
  obj->textField = field;
  if (panel == nullptr || field == nullptr) {
    releaseRecord(instance, obj);
    return NPERR_OUT_OF_MEMORY_ERROR;
  }

  // A failed creation is tried again when the browser asks for the object.
  obj->scriptObject = NPN_CreateObject(instance, &sScriptablePluginObject_NPClass);
  return NPERR_NO_ERROR;
}

NPError NPP_Destroy(NPP instance, NPSavedData** /*save*/) {
  PluginObject* obj = recordOf(instance);
  if (obj == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  releaseRecord(instance, obj);
  return NPERR_NO_ERROR;
}

NPError NPP_SetWindow(NPP instance, NPWindow* window) {
  PluginObject* obj = recordOf(instance);
  if (obj == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  if (window == nullptr) return NPERR_GENERIC_ERROR;
  obj->npWindow = *window;
  auto x = static_cast<CGFloat>(window->x);
  auto y = static_cast<CGFloat>(window->y);
  auto width = static_cast<CGFloat>(window->width);
  auto height = static_cast<CGFloat>(window->height);
  obj->panel->setFrame(NSMakeRect(x, y, width, height), YES);
  obj->textField->setFrame(NSMakeRect(0, 0, width, height));
  return NPERR_NO_ERROR;
}

// ---- Streams and printing: files only, no data consumed --------------------------------------

NPError NPP_NewStream(NPP instance, NPMIMEType /*type*/, NPStream* /*stream*/, NPBool /*seekable*/,
                      uint16_t* stype) {
  if (recordOf(instance) == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  if (stype != nullptr) *stype = NP_ASFILEONLY;
  return NPERR_NO_ERROR;
}

NPError NPP_DestroyStream(NPP instance, NPStream* /*stream*/, NPReason /*reason*/) {
  if (recordOf(instance) == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  return NPERR_NO_ERROR;
}

void NPP_StreamAsFile(NPP /*instance*/, NPStream* /*stream*/, const char* /*fname*/) {}

int32_t NPP_WriteReady(NPP /*instance*/, NPStream* /*stream*/) { return 0; }

int32_t NPP_Write(NPP /*instance*/, NPStream* /*stream*/, int32_t /*offset*/, int32_t /*len*/,
                  void* /*buffer*/) {
  return 0;
}

void NPP_Print(NPP /*instance*/, NPPrint* /*platformPrint*/) {}

void NPP_URLNotify(NPP /*instance*/, const char* /*url*/, NPReason /*reason*/,
                   void* /*notifyData*/) {}

// ---- Events ----------------------------------------------------------------------------------

int16_t NPP_HandleEvent(NPP instance, void* event) {
  PluginObject* obj = recordOf(instance);
  if (obj == nullptr || event == nullptr) return 0;
  const auto* cocoa = static_cast<const NPCocoaEvent*>(event);
  // A newer browser may send types this enumeration lacks: read the raw number.
  uint32_t type = 0;
  std::memcpy(&type, &cocoa->type, sizeof type);
  switch (type) {
    case NPCocoaEventDrawRect:  // the layer tree draws
    case NPCocoaEventMouseDown:
      return 1;
    case NPCocoaEventMouseMoved:
    case NPCocoaEventMouseEntered:
      return chooseCursor(obj, cocoa);
    case NPCocoaEventKeyDown:
      return wipe::WithStackWipe<kKeyEventStackBytes>([=] { return handleKeyDown(obj, cocoa); });
    case NPCocoaEventKeyUp:
      return wipe::WithStackWipe<kKeyEventStackBytes>([=] { return handleKeyUp(obj, cocoa); });
    case NPCocoaEventFocusChanged:
      return handleFocusChange(obj, cocoa);
    case NPCocoaEventMouseUp:
    case NPCocoaEventMouseExited:
    case NPCocoaEventMouseDragged:
    case NPCocoaEventFlagsChanged:
    case NPCocoaEventWindowFocusChanged:
    case NPCocoaEventScrollWheel:
    case NPCocoaEventTextInput:
    default:  // anything else, and 0
      return 0;
  }
}

// ---- Plug-in variables -----------------------------------------------------------------------

void setupLayerHierarchy(PluginObject* obj) {
  CALayer* root = NSRetain(CALayer::layer());
  if (root == nullptr) return;
  obj->rootLayer = root;
  obj->panel->setBecomesKeyOnlyIfNeeded(YES);
  obj->textField->setWantsLayer(YES);
  obj->panel->setContentView(obj->textField);
  root->addSublayer(obj->textField->layer());
}

NPError NPP_GetValue(NPP instance, NPPVariable variable, void* value) {
  PluginObject* obj = recordOf(instance);
  if (obj == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  if (value == nullptr) return NPERR_GENERIC_ERROR;
  switch (variable) {
    case NPPVpluginScriptableNPObject:
      if (obj->scriptObject == nullptr) {
        obj->scriptObject = NPN_CreateObject(instance, &sScriptablePluginObject_NPClass);
      }
      if (obj->scriptObject == nullptr) return NPERR_GENERIC_ERROR;
      *static_cast<NPObject**>(value) = obj->scriptObject;
      NPN_RetainObject(obj->scriptObject);
      return NPERR_NO_ERROR;
    case NPPVpluginCoreAnimationLayer:
      if (obj->rootLayer == nullptr) setupLayerHierarchy(obj);
      if (obj->rootLayer == nullptr) return NPERR_GENERIC_ERROR;
      *static_cast<void**>(value) = static_cast<void*>(NSRetain(obj->rootLayer));
      return NPERR_NO_ERROR;
    default:
      return NPERR_GENERIC_ERROR;
  }
}

NPError NPP_SetValue(NPP instance, NPNVariable /*variable*/, void* /*value*/) {
  if (recordOf(instance) == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  return NPERR_GENERIC_ERROR;
}

// ---- Helpers nothing in the plug-in calls ----------------------------------------------------

bool ensureVersion(const char* version) {
  if (version == nullptr) return false;
  NSString* bundleVersion =
      NSBundle::mainBundle()->infoDictionary()->valueForKey(kCFBundleVersionKey);
  float current = bundleVersion != nullptr ? bundleVersion->floatValue() : 0.0f;
  return static_cast<double>(current) >= std::atof(version);
}

NSString* getCurrentUrl(NPP instance) {
  NPObject* window = nullptr;
  // window stays null unless the browser hands one over, with a reference; that is all to check.
  static_cast<void>(NPN_GetValue(instance, NPNVWindowNPObject, &window));
  NPIdentifier eval = NPN_GetStringIdentifier("eval");

  NPVariant result;
  VOID_TO_NPVARIANT(result);
  auto* script = static_cast<char*>(std::calloc(2048, 1));
  if (window != nullptr && script != nullptr) {
    std::strcpy(script, "(function(){return window.location.href;\n})();");
    NPVariant argument;
    STRINGN_TO_NPVARIANT(script, std::strlen(script), argument);
    NPN_Invoke(instance, window, eval, &argument, 1, &result);
  }
  std::free(script);

  NSString* location = nullptr;
  if (NPVARIANT_IS_STRING(result)) {
    const NPString& text = NPVARIANT_TO_STRING(result);
    NSMutableData* bytes = NSMutableData::dataWithBytes(text.UTF8Characters, text.UTF8Length);
    const char nul = '\0';
    if (bytes != nullptr && bytes->appendBytes(&nul, 1)) {
      location = NSString::stringWithUTF8String(static_cast<const char*>(bytes->bytes()));
    }
    std::fprintf(stdout, "window.location = %.*s", static_cast<int>(text.UTF8Length),
                 text.UTF8Characters);
  }
  if (window != nullptr) NPN_ReleaseObject(window);
  NPN_ReleaseVariantValue(&result);
  return location;
}
