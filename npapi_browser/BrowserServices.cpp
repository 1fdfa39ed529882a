// The browser's services as the stand-in browser plays them.
#include "npapi_browser/BrowserServices.h"

#include <cstring>

#include "nativeui/NSAutoreleasePool.h"
#include "npapi_browser/BrowserCore.h"
#include "npapi_browser/Page.h"

namespace npapibrowser {

namespace {

// The active core, after telling its observer of the call.
BrowserCore* counting(const char* service) {
  BrowserCore* core = BrowserCore::active();
  if (core != nullptr && core->observer != nullptr) core->observer->serviceCalled(service);
  return core;
}

Page* pageOf(BrowserCore* core, NPP npp) { return core != nullptr ? core->pageFor(npp) : nullptr; }

// Keeps an object alive while a call into it runs.
class KeepAlive {
 public:
  KeepAlive(ObjectRuntime& objects, NPObject* object) : _objects(objects), _object(object) {
    _objects.retain(_object);
  }
  ~KeepAlive() { _objects.release(_object); }

 private:
  ObjectRuntime& _objects;
  NPObject* _object;
};

// The object's class when the object is alive, else null.
NPClass* liveClass(BrowserCore* core, NPObject* object) {
  if (core == nullptr || object == nullptr || !core->objects.isLive(object)) return nullptr;
  return object->_class;
}

// ---- Services the plug-in is not expected to call: harmless errors ---------------------------

NPError GetURL(NPP, const char*, const char*) {
  counting("geturl");
  return NPERR_GENERIC_ERROR;
}
NPError PostURL(NPP, const char*, const char*, uint32_t, const char*, NPBool) {
  counting("posturl");
  return NPERR_GENERIC_ERROR;
}
NPError RequestRead(NPStream*, NPByteRange*) {
  counting("requestread");
  return NPERR_GENERIC_ERROR;
}
NPError NewStream(NPP, NPMIMEType, const char*, NPStream** stream) {
  counting("newstream");
  if (stream != nullptr) *stream = nullptr;
  return NPERR_GENERIC_ERROR;
}
int32_t Write(NPP, NPStream*, int32_t, void*) {
  counting("write");
  return -1;
}
NPError DestroyStream(NPP, NPStream*, NPReason) {
  counting("destroystream");
  return NPERR_GENERIC_ERROR;
}
void Status(NPP, const char*) { counting("status"); }
const char* UserAgent(NPP) {
  counting("uagent");
  return "npapibrowser/1.0";
}
uint32_t MemFlush(uint32_t) {
  counting("memflush");
  return 0;
}
void ReloadPlugins(NPBool) { counting("reloadplugins"); }
void* GetJavaEnv() {
  counting("getJavaEnv");
  return nullptr;
}
void* GetJavaPeer(NPP) {
  counting("getJavaPeer");
  return nullptr;
}
NPError GetURLNotify(NPP, const char*, const char*, void*) {
  counting("geturlnotify");
  return NPERR_GENERIC_ERROR;
}
NPError PostURLNotify(NPP, const char*, const char*, uint32_t, const char*, NPBool, void*) {
  counting("posturlnotify");
  return NPERR_GENERIC_ERROR;
}
void InvalidateRegion(NPP, NPRegion) { counting("invalidateregion"); }
void ForceRedraw(NPP) { counting("forceredraw"); }
bool Evaluate(NPP, NPObject*, NPString*, NPVariant* result) {
  counting("evaluate");
  if (result != nullptr) VOID_TO_NPVARIANT(*result);
  return false;
}
void SetException(NPObject*, const NPUTF8* message) {
  BrowserCore* core = counting("setexception");
  if (core != nullptr && core->observer != nullptr) {
    core->observer->exceptionSet(message != nullptr ? message : "");
  }
}
void PushPopupsEnabledState(NPP, NPBool) { counting("pushpopupsenabledstate"); }
void PopPopupsEnabledState(NPP) { counting("poppopupsenabledstate"); }
void PluginThreadAsyncCall(NPP, NPN_AsyncCallbackPtr, void*) { counting("pluginthreadasynccall"); }
NPError GetValueForURL(NPP, NPNURLVariable, const char*, char** value, uint32_t* len) {
  counting("getvalueforurl");
  if (value != nullptr) *value = nullptr;
  if (len != nullptr) *len = 0;
  return NPERR_GENERIC_ERROR;
}
NPError SetValueForURL(NPP, NPNURLVariable, const char*, const char*, uint32_t) {
  counting("setvalueforurl");
  return NPERR_GENERIC_ERROR;
}
NPError GetAuthenticationInfo(NPP, const char*, const char*, int32_t, const char*, const char*,
                              char** username, uint32_t* ulen, char** password, uint32_t* plen) {
  counting("getauthenticationinfo");
  if (username != nullptr) *username = nullptr;
  if (ulen != nullptr) *ulen = 0;
  if (password != nullptr) *password = nullptr;
  if (plen != nullptr) *plen = 0;
  return NPERR_GENERIC_ERROR;
}
uint32_t ScheduleTimer(NPP, uint32_t, NPBool, NPN_TimerCallbackPtr) {
  counting("scheduletimer");
  return 0;
}
void UnscheduleTimer(NPP, uint32_t) { counting("unscheduletimer"); }
NPError PopUpContextMenu(NPP, NPMenu*) {
  counting("popupcontextmenu");
  return NPERR_GENERIC_ERROR;
}
NPBool ConvertPoint(NPP, double, double, NPCoordinateSpace, double*, double*, NPCoordinateSpace) {
  counting("convertpoint");
  return 0;
}
NPBool HandleEvent(NPP, void*, NPBool) {
  counting("handleevent");
  return 0;
}
NPBool UnfocusInstance(NPP, NPFocusDirection) {
  counting("unfocusinstance");
  return 0;
}
void URLRedirectResponse(NPP, void*, NPBool) { counting("urlredirectresponse"); }

}  // namespace

// ---- Services the plug-in relies on ----------------------------------------------------------

namespace {

void* MemAlloc(uint32_t size) {
  BrowserCore* core = counting("memalloc");
  return core != nullptr ? core->allocator.allocate(size) : nullptr;
}

void MemFree(void* block) {
  BrowserCore* core = counting("memfree");
  if (core != nullptr) core->allocator.free(block);
}

NPError GetValue(NPP npp, NPNVariable variable, void* value) {
  BrowserCore* core = counting("getvalue");
  Page* page = pageOf(core, npp);
  if (page == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  if (core->observer != nullptr) core->observer->valueAsked(npp, variable);
  if (value == nullptr) return NPERR_INVALID_PARAM;
  auto answerBool = [value](Answer answer) {
    if (answer == Answer::Error) return static_cast<NPError>(NPERR_GENERIC_ERROR);
    *static_cast<NPBool*>(value) = answer == Answer::Yes ? 1 : 0;
    return static_cast<NPError>(NPERR_NO_ERROR);
  };
  switch (variable) {
    case NPNVsupportsCoreAnimationBool:
      return answerBool(page->options().coreAnimation);
    case NPNVsupportsCocoaBool:
      return answerBool(page->options().cocoaEvents);
    case NPNVsupportsCoreGraphicsBool:
      return answerBool(Answer::Yes);
    case NPNVsupportsOpenGLBool:
    case NPNVsupportsInvalidatingCoreAnimationBool:
    case NPNVprivateModeBool:
      return answerBool(Answer::No);
    case NPNVWindowNPObject: {
      NPObject* window = page->windowObjectForPlugin();
      if (window == nullptr) return NPERR_GENERIC_ERROR;
      *static_cast<NPObject**>(value) = window;
      return NPERR_NO_ERROR;
    }
    default:
      return NPERR_GENERIC_ERROR;
  }
}

NPError SetValue(NPP npp, NPPVariable variable, void* value) {
  BrowserCore* core = counting("setvalue");
  Page* page = pageOf(core, npp);
  if (page == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  auto number = reinterpret_cast<uintptr_t>(value);
  if (core->observer != nullptr) core->observer->valueSet(npp, variable, number);
  switch (variable) {
    case NPPVpluginDrawingModel:
      return number == NPDrawingModelCoreAnimation ||
                     number == NPDrawingModelInvalidatingCoreAnimation ||
                     number == NPDrawingModelCoreGraphics
                 ? NPERR_NO_ERROR
                 : NPERR_GENERIC_ERROR;
    case NPPVpluginEventModel:
      return number == NPEventModelCocoa ? NPERR_NO_ERROR : NPERR_GENERIC_ERROR;
    case NPPVpluginWindowBool:
    case NPPVpluginTransparentBool:
      return NPERR_NO_ERROR;
    default:
      return NPERR_GENERIC_ERROR;
  }
}

void InvalidateRect(NPP npp, NPRect* rect) {
  BrowserCore* core = counting("invalidaterect");
  Page* page = pageOf(core, npp);
  if (page != nullptr && rect != nullptr && core->observer != nullptr) {
    core->observer->rectInvalidated(npp, *rect);
  }
}

NPIdentifier GetStringIdentifier(const NPUTF8* name) {
  BrowserCore* core = counting("getstringidentifier");
  return core != nullptr ? core->identifiers.string(name) : nullptr;
}

void GetStringIdentifiers(const NPUTF8** names, int32_t nameCount, NPIdentifier* identifiers) {
  BrowserCore* core = counting("getstringidentifiers");
  if (names == nullptr || identifiers == nullptr) return;
  for (int32_t i = 0; i < nameCount; ++i) {
    identifiers[i] = core != nullptr ? core->identifiers.string(names[i]) : nullptr;
  }
}

NPIdentifier GetIntIdentifier(int32_t value) {
  BrowserCore* core = counting("getintidentifier");
  return core != nullptr ? core->identifiers.integer(value) : nullptr;
}

bool IdentifierIsString(NPIdentifier identifier) {
  BrowserCore* core = counting("identifierisstring");
  return core != nullptr && core->identifiers.isString(identifier);
}

NPUTF8* UTF8FromIdentifier(NPIdentifier identifier) {
  BrowserCore* core = counting("utf8fromidentifier");
  if (core == nullptr) return nullptr;
  const std::string* name = core->identifiers.name(identifier);
  if (name == nullptr) return nullptr;
  auto* copy =
      static_cast<NPUTF8*>(core->allocator.allocate(static_cast<uint32_t>(name->size() + 1)));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, name->c_str(), name->size() + 1);
  return copy;
}

int32_t IntFromIdentifier(NPIdentifier identifier) {
  BrowserCore* core = counting("intfromidentifier");
  return core != nullptr ? core->identifiers.intValue(identifier) : INT32_MIN;
}

NPObject* CreateObject(NPP npp, NPClass* aClass) {
  BrowserCore* core = counting("createobject");
  if (pageOf(core, npp) == nullptr) return nullptr;
  return core->objects.create(npp, aClass);
}

NPObject* RetainObject(NPObject* object) {
  BrowserCore* core = counting("retainobject");
  return core != nullptr ? core->objects.retain(object) : object;
}

void ReleaseObject(NPObject* object) {
  BrowserCore* core = counting("releaseobject");
  if (core != nullptr) core->objects.release(object);
}

bool Invoke(NPP, NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t argCount,
            NPVariant* result) {
  BrowserCore* core = counting("invoke");
  NPClass* aClass = liveClass(core, object);
  if (result != nullptr) VOID_TO_NPVARIANT(*result);
  if (aClass == nullptr || aClass->invoke == nullptr || result == nullptr) return false;
  KeepAlive alive(core->objects, object);
  return aClass->invoke(object, name, args, argCount, result);
}

bool InvokeDefault(NPP, NPObject* object, const NPVariant* args, uint32_t argCount,
                   NPVariant* result) {
  BrowserCore* core = counting("invokeDefault");
  NPClass* aClass = liveClass(core, object);
  if (result != nullptr) VOID_TO_NPVARIANT(*result);
  if (aClass == nullptr || aClass->invokeDefault == nullptr || result == nullptr) return false;
  KeepAlive alive(core->objects, object);
  return aClass->invokeDefault(object, args, argCount, result);
}

bool GetProperty(NPP, NPObject* object, NPIdentifier name, NPVariant* result) {
  BrowserCore* core = counting("getproperty");
  NPClass* aClass = liveClass(core, object);
  if (result != nullptr) VOID_TO_NPVARIANT(*result);
  if (aClass == nullptr || aClass->getProperty == nullptr || result == nullptr) return false;
  KeepAlive alive(core->objects, object);
  return aClass->getProperty(object, name, result);
}

bool SetProperty(NPP, NPObject* object, NPIdentifier name, const NPVariant* value) {
  BrowserCore* core = counting("setproperty");
  NPClass* aClass = liveClass(core, object);
  if (aClass == nullptr || aClass->setProperty == nullptr || value == nullptr) return false;
  KeepAlive alive(core->objects, object);
  return aClass->setProperty(object, name, value);
}

bool RemoveProperty(NPP, NPObject* object, NPIdentifier name) {
  BrowserCore* core = counting("removeproperty");
  NPClass* aClass = liveClass(core, object);
  if (aClass == nullptr || aClass->removeProperty == nullptr) return false;
  KeepAlive alive(core->objects, object);
  return aClass->removeProperty(object, name);
}

bool HasProperty(NPP, NPObject* object, NPIdentifier name) {
  BrowserCore* core = counting("hasproperty");
  NPClass* aClass = liveClass(core, object);
  if (aClass == nullptr || aClass->hasProperty == nullptr) return false;
  KeepAlive alive(core->objects, object);
  return aClass->hasProperty(object, name);
}

bool HasMethod(NPP, NPObject* object, NPIdentifier name) {
  BrowserCore* core = counting("hasmethod");
  NPClass* aClass = liveClass(core, object);
  if (aClass == nullptr || aClass->hasMethod == nullptr) return false;
  KeepAlive alive(core->objects, object);
  return aClass->hasMethod(object, name);
}

bool Enumerate(NPP, NPObject* object, NPIdentifier** identifiers, uint32_t* count) {
  BrowserCore* core = counting("enumerate");
  NPClass* aClass = liveClass(core, object);
  if (aClass == nullptr || !NP_CLASS_STRUCT_VERSION_HAS_ENUM(aClass) ||
      aClass->enumerate == nullptr || identifiers == nullptr || count == nullptr) {
    return false;
  }
  KeepAlive alive(core->objects, object);
  return aClass->enumerate(object, identifiers, count);
}

bool Construct(NPP, NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result) {
  BrowserCore* core = counting("construct");
  NPClass* aClass = liveClass(core, object);
  if (result != nullptr) VOID_TO_NPVARIANT(*result);
  if (aClass == nullptr || !NP_CLASS_STRUCT_VERSION_HAS_CTOR(aClass) ||
      aClass->construct == nullptr || result == nullptr) {
    return false;
  }
  KeepAlive alive(core->objects, object);
  return aClass->construct(object, args, argCount, result);
}

void ReleaseVariantValue(NPVariant* variant) {
  BrowserCore* core = counting("releasevariantvalue");
  if (core != nullptr) core->releaseVariantValue(variant);
}

}  // namespace

void BrowserServices::fill(NPNetscapeFuncs* t) {
  std::memset(t, 0, sizeof *t);
  t->size = sizeof(NPNetscapeFuncs);
  t->version = NP_TABLE_VERSION;
  t->geturl = GetURL;
  t->posturl = PostURL;
  t->requestread = RequestRead;
  t->newstream = NewStream;
  t->write = Write;
  t->destroystream = DestroyStream;
  t->status = Status;
  t->uagent = UserAgent;
  t->memalloc = MemAlloc;
  t->memfree = MemFree;
  t->memflush = MemFlush;
  t->reloadplugins = ReloadPlugins;
  t->getJavaEnv = GetJavaEnv;
  t->getJavaPeer = GetJavaPeer;
  t->geturlnotify = GetURLNotify;
  t->posturlnotify = PostURLNotify;
  t->getvalue = GetValue;
  t->setvalue = SetValue;
  t->invalidaterect = InvalidateRect;
  t->invalidateregion = InvalidateRegion;
  t->forceredraw = ForceRedraw;
  t->getstringidentifier = GetStringIdentifier;
  t->getstringidentifiers = GetStringIdentifiers;
  t->getintidentifier = GetIntIdentifier;
  t->identifierisstring = IdentifierIsString;
  t->utf8fromidentifier = UTF8FromIdentifier;
  t->intfromidentifier = IntFromIdentifier;
  t->createobject = CreateObject;
  t->retainobject = RetainObject;
  t->releaseobject = ReleaseObject;
  t->invoke = Invoke;
  t->invokeDefault = InvokeDefault;
  t->evaluate = Evaluate;
  t->getproperty = GetProperty;
  t->setproperty = SetProperty;
  t->removeproperty = RemoveProperty;
  t->hasproperty = HasProperty;
  t->hasmethod = HasMethod;
  t->releasevariantvalue = ReleaseVariantValue;
  t->setexception = SetException;
  t->pushpopupsenabledstate = PushPopupsEnabledState;
  t->poppopupsenabledstate = PopPopupsEnabledState;
  t->enumerate = Enumerate;
  t->pluginthreadasynccall = PluginThreadAsyncCall;
  t->construct = Construct;
  t->getvalueforurl = GetValueForURL;
  t->setvalueforurl = SetValueForURL;
  t->getauthenticationinfo = GetAuthenticationInfo;
  t->scheduletimer = ScheduleTimer;
  t->unscheduletimer = UnscheduleTimer;
  t->popupcontextmenu = PopUpContextMenu;
  t->convertpoint = ConvertPoint;
  t->handleevent = HandleEvent;
  t->unfocusinstance = UnfocusInstance;
  t->urlredirectresponse = URLRedirectResponse;
}

}  // namespace npapibrowser
