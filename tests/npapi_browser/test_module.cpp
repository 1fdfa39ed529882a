// A minimal plug-in module of our own, loaded by the stand-in browser tests with dlopen: it
// negotiates like a real plug-in, hands out a script object and a layer, records what the browser
// sent, and offers script methods that drive each browser service (and its misuses); an attribute
// "trace" is printed on standard output. TESTMODULE_* variants fail.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "nativeui/CALayer.h"
#include "npapi/all.h"
#include "tests/npapi_browser/test_module_state.h"

namespace {

NPNetscapeFuncs* browser = nullptr;
TestModuleState state;

struct Instance {
  NPP npp;
  NPObject* scriptObject;
  CALayer* layer;
};

struct ScriptObject {
  NPObject header;
  NPP npp;
  int calls;
};

std::string argString(const NPVariant* args, uint32_t argCount, uint32_t index) {
  if (index >= argCount || args[index].type != NPVariantType_String) return std::string();
  const NPString& s = args[index].value.stringValue;
  return std::string(s.UTF8Characters, s.UTF8Length);
}

bool resultString(const std::string& text, NPVariant* result) {
  auto* bytes = static_cast<char*>(browser->memalloc(static_cast<uint32_t>(text.size() + 1)));
  if (bytes == nullptr) return false;
  std::memcpy(bytes, text.c_str(), text.size() + 1);
  STRINGN_TO_NPVARIANT(bytes, text.size(), *result);
  return true;
}

bool named(NPIdentifier name, const char* text) {
  return name == browser->getstringidentifier(text);
}

// ---- A plain class with counters, for reference counting -------------------------------------

void countedDeallocate(NPObject* object) {
  ++state.countedDeallocations;
  std::free(object);
}
NPObject* countedAllocate(NPP, NPClass*) {
  ++state.countedAllocations;
  return static_cast<NPObject*>(std::calloc(1, sizeof(NPObject)));
}
NPClass countedClass = {NP_CLASS_STRUCT_VERSION,
                        countedAllocate,
                        countedDeallocate,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr};

// ---- The script object -----------------------------------------------------------------------

NPObject* scriptAllocate(NPP npp, NPClass*) {
  auto* object = static_cast<ScriptObject*>(browser->memalloc(sizeof(ScriptObject)));
  if (object == nullptr) return nullptr;
  std::memset(object, 0, sizeof *object);
  object->npp = npp;
  return &object->header;
}

void scriptDeallocate(NPObject* object) {
  auto* script = reinterpret_cast<ScriptObject*>(object);
  auto* instance = static_cast<Instance*>(script->npp->pdata);
  if (instance != nullptr && instance->scriptObject == object) instance->scriptObject = nullptr;
  ++state.scriptDeallocations;
  browser->memfree(object);
}

void scriptInvalidate(NPObject*) { ++state.invalidations; }

bool scriptHasMethod(NPObject*, NPIdentifier name) { return named(name, "echo"); }

bool scriptInvoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t argCount,
                  NPVariant* result) {
  auto* self = reinterpret_cast<ScriptObject*>(object);
  ++self->calls;
  if (named(name, "echo")) return resultString(argString(args, argCount, 0), result);
  if (named(name, "leakBlock")) {
    return browser->memalloc(
               static_cast<uint32_t>(std::atoi(argString(args, argCount, 0).c_str()))) != nullptr;
  }
  if (named(name, "allocAndFree")) {
    void* block = browser->memalloc(16);
    browser->memfree(block);
    return block != nullptr;
  }
  if (named(name, "doubleFree")) {
    void* block = browser->memalloc(8);
    browser->memfree(block);
    browser->memfree(block);
    return true;
  }
  if (named(name, "freeForeign")) {
    static char notFromTheBrowser[8];
    browser->memfree(notFromTheBrowser);
    return true;
  }
  if (named(name, "keepSecret")) {  // a block that held a secret, wiped or not before its free
    std::string secret = argString(args, argCount, 0);
    bool wipe = argString(args, argCount, 1) == "wipe";
    auto* block = static_cast<char*>(browser->memalloc(static_cast<uint32_t>(secret.size())));
    if (block == nullptr) return false;
    std::memcpy(block, secret.data(), secret.size());
    if (wipe) std::memset(block, 0, secret.size());
    browser->memfree(block);
    return true;
  }
  if (named(name, "sameIdentifier")) {
    std::string a = argString(args, argCount, 0), b = argString(args, argCount, 1);
    BOOLEAN_TO_NPVARIANT(
        browser->getstringidentifier(a.c_str()) == browser->getstringidentifier(b.c_str()),
        *result);
    return true;
  }
  if (named(name, "identifierName")) {  // the allocator copy becomes the result string
    NPIdentifier id = browser->getstringidentifier(argString(args, argCount, 0).c_str());
    NPUTF8* text = browser->utf8fromidentifier(id);
    if (text == nullptr) return false;
    STRINGZ_TO_NPVARIANT(text, *result);
    return true;
  }
  if (named(name, "intIdentifier")) {
    NPIdentifier id = browser->getintidentifier(7);
    bool ok = !browser->identifierisstring(id) && browser->intfromidentifier(id) == 7 &&
              browser->utf8fromidentifier(id) == nullptr && id == browser->getintidentifier(7);
    BOOLEAN_TO_NPVARIANT(ok, *result);
    return true;
  }
  if (named(name, "countReferences")) {  // create, retain twice, release three times
    NPObject* counted = browser->createobject(self->npp, &countedClass);
    if (counted == nullptr) return false;
    browser->retainobject(counted);
    browser->retainobject(counted);
    browser->releaseobject(counted);
    browser->releaseobject(counted);
    state.deallocationsBeforeLastRelease = state.countedDeallocations;
    browser->releaseobject(counted);
    return true;
  }
  if (named(name, "createPlain")) {  // a class without allocate: the browser supplies memory
    static NPClass plain = {NP_CLASS_STRUCT_VERSION,
                            nullptr,
                            nullptr,
                            nullptr,
                            nullptr,
                            nullptr,
                            nullptr,
                            nullptr,
                            nullptr,
                            nullptr,
                            nullptr,
                            nullptr,
                            nullptr};
    NPObject* object = browser->createobject(self->npp, &plain);
    bool ok = object != nullptr && object->_class == &plain && object->referenceCount == 1;
    if (object != nullptr) browser->releaseobject(object);
    BOOLEAN_TO_NPVARIANT(ok, *result);
    return true;
  }
  if (named(name, "createObject")) {  // answers whether creation gave an object
    NPObject* object = browser->createobject(self->npp, &countedClass);
    BOOLEAN_TO_NPVARIANT(object != nullptr, *result);
    if (object != nullptr) browser->releaseobject(object);
    return true;
  }
  if (named(name, "leakObject")) return browser->createobject(self->npp, &countedClass) != nullptr;
  if (named(name, "echoThroughBrowser")) {  // NPN_Invoke on itself, then release the result
    NPVariant inner;
    VOID_TO_NPVARIANT(inner);
    bool ok = browser->invoke(self->npp, object, browser->getstringidentifier("echo"), args,
                              argCount, &inner);
    std::string copy = ok && inner.type == NPVariantType_String
                           ? std::string(inner.value.stringValue.UTF8Characters,
                                         inner.value.stringValue.UTF8Length)
                           : std::string();
    browser->releasevariantvalue(&inner);
    state.variantVoidAfterRelease = inner.type == NPVariantType_Void;
    return ok && resultString(copy, result);
  }
  if (named(name, "invokeDefaultSelf")) {
    NPVariant inner;
    VOID_TO_NPVARIANT(inner);
    bool ok = browser->invokeDefault(self->npp, object, args, argCount, &inner);
    BOOLEAN_TO_NPVARIANT(ok, *result);
    return true;
  }
  if (named(name, "windowLocation")) {
    NPObject* window = nullptr;
    if (browser->getvalue(self->npp, NPNVWindowNPObject, &window) != NPERR_NO_ERROR) return false;
    NPVariant script, location;
    STRINGZ_TO_NPVARIANT("window.location.href", script);
    VOID_TO_NPVARIANT(location);
    bool ok = browser->invoke(self->npp, window, browser->getstringidentifier("eval"), &script, 1,
                              &location);
    std::string text = ok && location.type == NPVariantType_String
                           ? std::string(location.value.stringValue.UTF8Characters,
                                         location.value.stringValue.UTF8Length)
                           : std::string();
    browser->releasevariantvalue(&location);
    if (argString(args, argCount, 0) != "keepWindow") browser->releaseobject(window);
    return ok && resultString(text, result);
  }
  if (named(name, "releaseSelf")) {  // drops one reference to itself, then keeps working
    browser->releaseobject(object);
    self->calls += 100;  // would be a use after free if nobody kept the object alive
    return true;
  }
  if (named(name, "invalidate")) {
    NPRect rect = {0, 0, 24, 300};
    browser->invalidaterect(self->npp, &rect);
    return true;
  }
  if (named(name, "callCount")) {
    INT32_TO_NPVARIANT(self->calls, *result);
    return true;
  }
  return false;
}

bool scriptInvokeDefault(NPObject*, const NPVariant*, uint32_t, NPVariant*) { return false; }
bool scriptHasProperty(NPObject*, NPIdentifier name) { return named(name, "answer"); }
bool scriptGetProperty(NPObject*, NPIdentifier name, NPVariant* result) {
  if (!named(name, "answer")) return false;
  INT32_TO_NPVARIANT(42, *result);
  return true;
}
bool scriptSetProperty(NPObject*, NPIdentifier, const NPVariant*) { return false; }
bool scriptRemoveProperty(NPObject*, NPIdentifier) { return false; }
bool scriptEnumerate(NPObject*, NPIdentifier**, uint32_t*) { return false; }
bool scriptConstruct(NPObject*, const NPVariant*, uint32_t, NPVariant*) { return false; }

NPClass scriptClass = {NP_CLASS_STRUCT_VERSION, scriptAllocate,       scriptDeallocate,
                       scriptInvalidate,        scriptHasMethod,      scriptInvoke,
                       scriptInvokeDefault,     scriptHasProperty,    scriptGetProperty,
                       scriptSetProperty,       scriptRemoveProperty, scriptEnumerate,
                       scriptConstruct};

// ---- Instance entries ------------------------------------------------------------------------

NPError New(NPMIMEType type, NPP npp, uint16_t mode, int16_t argc, char* argn[], char* argv[],
            NPSavedData*) {
  state.mimeType = type != nullptr ? type : "";
  state.mode = mode;
  state.attributes.clear();
  for (int16_t i = 0; i < argc; ++i) {
    state.attributes.emplace_back(argn[i], argv[i]);
    // A trace line on standard output, as plug-ins print them.
    if (std::strcmp(argn[i], "trace") == 0) std::fputs(argv[i], stdout);
  }
  NPBool supported = 0;
  if (browser->getvalue(npp, NPNVsupportsCoreAnimationBool, &supported) != NPERR_NO_ERROR ||
      !supported) {
    return NPERR_INCOMPATIBLE_VERSION_ERROR;
  }
  browser->setvalue(npp, NPPVpluginDrawingModel,
                    reinterpret_cast<void*>(static_cast<uintptr_t>(NPDrawingModelCoreAnimation)));
  supported = 0;
  if (browser->getvalue(npp, NPNVsupportsCocoaBool, &supported) != NPERR_NO_ERROR || !supported) {
    return NPERR_INCOMPATIBLE_VERSION_ERROR;
  }
  browser->setvalue(npp, NPPVpluginEventModel,
                    reinterpret_cast<void*>(static_cast<uintptr_t>(NPEventModelCocoa)));
  auto* instance = static_cast<Instance*>(std::calloc(1, sizeof(Instance)));
  if (instance == nullptr) return NPERR_OUT_OF_MEMORY_ERROR;
  instance->npp = npp;
  npp->pdata = instance;
  instance->scriptObject = browser->createobject(npp, &scriptClass);
  ++state.liveInstances;
  return NPERR_NO_ERROR;
}

NPError Destroy(NPP npp, NPSavedData**) {
  auto* instance = static_cast<Instance*>(npp->pdata);
  if (instance->scriptObject != nullptr) browser->releaseobject(instance->scriptObject);
  if (instance->layer != nullptr) instance->layer->release();
  std::free(instance);
  npp->pdata = nullptr;
  --state.liveInstances;
  return NPERR_NO_ERROR;
}

NPError SetWindow(NPP, NPWindow* window) {
  state.window = *window;
  ++state.setWindowCalls;
  return NPERR_NO_ERROR;
}

int16_t HandleEvent(NPP, void* raw) {
  auto* event = static_cast<NPCocoaEvent*>(raw);
  state.lastEvent = *event;
  state.lastCharacters.clear();
  state.lastCharactersIgnoringModifiers.clear();
  if (event->type == NPCocoaEventKeyDown || event->type == NPCocoaEventKeyUp) {
    NSString* characters = event->data.key.characters;
    NSString* ignoring = event->data.key.charactersIgnoringModifiers;
    for (NSUInteger i = 0; characters != nullptr && i < characters->length(); ++i) {
      state.lastCharacters.push_back(static_cast<char16_t>(characters->characterAtIndex(i)));
    }
    for (NSUInteger i = 0; ignoring != nullptr && i < ignoring->length(); ++i) {
      state.lastCharactersIgnoringModifiers.push_back(
          static_cast<char16_t>(ignoring->characterAtIndex(i)));
    }
  }
  ++state.events;
  return event->type == NPCocoaEventMouseUp ? kNPEventNotHandled : kNPEventHandled;
}

NPError GetValue(NPP npp, NPPVariable variable, void* value) {
  auto* instance = static_cast<Instance*>(npp->pdata);
  if (variable == NPPVpluginScriptableNPObject) {
    if (instance->scriptObject == nullptr) {
      instance->scriptObject = browser->createobject(npp, &scriptClass);
    }
    if (instance->scriptObject == nullptr) return NPERR_GENERIC_ERROR;
    *static_cast<NPObject**>(value) = browser->retainobject(instance->scriptObject);
    return NPERR_NO_ERROR;
  }
  if (variable == NPPVpluginCoreAnimationLayer) {
    if (instance->layer == nullptr) {
      instance->layer = NSRetain(CALayer::layer());
      CATextLayer* text = CATextLayer::layer();
      text->setString("test module");
      instance->layer->addSublayer(text);
    }
    *static_cast<void**>(value) = NSRetain(instance->layer);
    return NPERR_NO_ERROR;
  }
  return NPERR_GENERIC_ERROR;
}

NPError SetValue(NPP, NPNVariable, void*) { return NPERR_GENERIC_ERROR; }

}  // namespace

extern "C" {

__attribute__((visibility("default"))) TestModuleState* testmodule_state() { return &state; }

__attribute__((visibility("default"))) NPError NP_Initialize(NPNetscapeFuncs* browserFuncs) {
  browser = browserFuncs;
  state.initializeCalls++;
  state.browserSize = browserFuncs->size;
  state.browserVersion = browserFuncs->version;
#ifdef TESTMODULE_FAIL_INITIALIZE
  return NPERR_MODULE_LOAD_FAILED_ERROR;
#else
  return NPERR_NO_ERROR;
#endif
}

// The variant without NP_GetEntryPoints keeps the function under another name.
#ifdef TESTMODULE_NO_ENTRY_POINTS
#define TESTMODULE_ENTRY_POINTS testmodule_entry_points_under_another_name
#else
#define TESTMODULE_ENTRY_POINTS NP_GetEntryPoints
#endif
__attribute__((visibility("default"))) NPError TESTMODULE_ENTRY_POINTS(NPPluginFuncs* funcs) {
  state.getEntryPointsCalls++;
  state.entryPointsAfterInitialize = state.initializeCalls == 1;
  state.presetSize = funcs->size;
  state.presetVersion = funcs->version;
#ifdef TESTMODULE_BAD_VERSION
  funcs->version = 0x0100;
#else
  funcs->version = 8;
#endif
  funcs->size = sizeof(NPPluginFuncs);
  funcs->newp = New;
  funcs->destroy = Destroy;
  funcs->setwindow = SetWindow;
  funcs->event = HandleEvent;
  funcs->getvalue = GetValue;
  funcs->setvalue = SetValue;
  return NPERR_NO_ERROR;
}

__attribute__((visibility("default"))) NPError NP_Shutdown(void) {
  state.shutdownCalls++;
  return NPERR_NO_ERROR;
}
}
