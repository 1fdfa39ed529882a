// The browser's services as the stand-in browser plays them.
#include "npapi_browser/BrowserServices.h"

#include <cstring>

#include "nativeui/NSAutoreleasePool.h"
#include "npapi_browser/Browser.h"

namespace npapibrowser {

namespace {

Browser* browserCounting(const char* service) {
  Browser* browser = Browser::active();
  if (browser != nullptr) BrowserServices::count(browser, service);
  return browser;
}

Page* pageOf(Browser* browser, NPP npp) {
  return browser != nullptr ? browser->pageFor(npp) : nullptr;
}

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
NPClass* liveClass(Browser* browser, NPObject* object) {
  if (browser == nullptr || object == nullptr || !browser->objects().isLive(object)) return nullptr;
  return object->_class;
}

// ---- Services the plug-in is not expected to call: harmless errors ---------------------------

NPError GetURL(NPP, const char*, const char*) {
  browserCounting("geturl");
  return NPERR_GENERIC_ERROR;
}
NPError PostURL(NPP, const char*, const char*, uint32_t, const char*, NPBool) {
  browserCounting("posturl");
  return NPERR_GENERIC_ERROR;
}
NPError RequestRead(NPStream*, NPByteRange*) {
  browserCounting("requestread");
  return NPERR_GENERIC_ERROR;
}
NPError NewStream(NPP, NPMIMEType, const char*, NPStream** stream) {
  browserCounting("newstream");
  if (stream != nullptr) *stream = nullptr;
  return NPERR_GENERIC_ERROR;
}
int32_t Write(NPP, NPStream*, int32_t, void*) {
  browserCounting("write");
  return -1;
}
NPError DestroyStream(NPP, NPStream*, NPReason) {
  browserCounting("destroystream");
  return NPERR_GENERIC_ERROR;
}
void Status(NPP, const char*) { browserCounting("status"); }
const char* UserAgent(NPP) {
  browserCounting("uagent");
  return "npapibrowser/1.0";
}
uint32_t MemFlush(uint32_t) {
  browserCounting("memflush");
  return 0;
}
void ReloadPlugins(NPBool) { browserCounting("reloadplugins"); }
void* GetJavaEnv() {
  browserCounting("getJavaEnv");
  return nullptr;
}
void* GetJavaPeer(NPP) {
  browserCounting("getJavaPeer");
  return nullptr;
}
NPError GetURLNotify(NPP, const char*, const char*, void*) {
  browserCounting("geturlnotify");
  return NPERR_GENERIC_ERROR;
}
NPError PostURLNotify(NPP, const char*, const char*, uint32_t, const char*, NPBool, void*) {
  browserCounting("posturlnotify");
  return NPERR_GENERIC_ERROR;
}
void InvalidateRegion(NPP, NPRegion) { browserCounting("invalidateregion"); }
void ForceRedraw(NPP) { browserCounting("forceredraw"); }
bool Evaluate(NPP, NPObject*, NPString*, NPVariant* result) {
  browserCounting("evaluate");
  if (result != nullptr) VOID_TO_NPVARIANT(*result);
  return false;
}
void SetException(NPObject*, const NPUTF8* message) {
  Browser* browser = browserCounting("setexception");
  if (browser != nullptr) BrowserServices::recordException(browser, message);
}
void PushPopupsEnabledState(NPP, NPBool) { browserCounting("pushpopupsenabledstate"); }
void PopPopupsEnabledState(NPP) { browserCounting("poppopupsenabledstate"); }
void PluginThreadAsyncCall(NPP, NPN_AsyncCallbackPtr, void*) {
  browserCounting("pluginthreadasynccall");
}
NPError GetValueForURL(NPP, NPNURLVariable, const char*, char** value, uint32_t* len) {
  browserCounting("getvalueforurl");
  if (value != nullptr) *value = nullptr;
  if (len != nullptr) *len = 0;
  return NPERR_GENERIC_ERROR;
}
NPError SetValueForURL(NPP, NPNURLVariable, const char*, const char*, uint32_t) {
  browserCounting("setvalueforurl");
  return NPERR_GENERIC_ERROR;
}
NPError GetAuthenticationInfo(NPP, const char*, const char*, int32_t, const char*, const char*,
                              char** username, uint32_t* ulen, char** password, uint32_t* plen) {
  browserCounting("getauthenticationinfo");
  if (username != nullptr) *username = nullptr;
  if (ulen != nullptr) *ulen = 0;
  if (password != nullptr) *password = nullptr;
  if (plen != nullptr) *plen = 0;
  return NPERR_GENERIC_ERROR;
}
uint32_t ScheduleTimer(NPP, uint32_t, NPBool, NPN_TimerCallbackPtr) {
  browserCounting("scheduletimer");
  return 0;
}
void UnscheduleTimer(NPP, uint32_t) { browserCounting("unscheduletimer"); }
NPError PopUpContextMenu(NPP, NPMenu*) {
  browserCounting("popupcontextmenu");
  return NPERR_GENERIC_ERROR;
}
NPBool ConvertPoint(NPP, double, double, NPCoordinateSpace, double*, double*, NPCoordinateSpace) {
  browserCounting("convertpoint");
  return 0;
}
NPBool HandleEvent(NPP, void*, NPBool) {
  browserCounting("handleevent");
  return 0;
}
NPBool UnfocusInstance(NPP, NPFocusDirection) {
  browserCounting("unfocusinstance");
  return 0;
}
void URLRedirectResponse(NPP, void*, NPBool) { browserCounting("urlredirectresponse"); }

}  // namespace

// ---- Services the plug-in relies on ----------------------------------------------------------

namespace {

void* MemAlloc(uint32_t size) {
  Browser* browser = browserCounting("memalloc");
  return browser != nullptr ? browser->allocator().allocate(size) : nullptr;
}

void MemFree(void* block) {
  Browser* browser = browserCounting("memfree");
  if (browser != nullptr) browser->allocator().free(block);
}

NPError GetValue(NPP npp, NPNVariable variable, void* value) {
  Browser* browser = browserCounting("getvalue");
  Page* page = pageOf(browser, npp);
  if (page == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  BrowserServices::recordGetValue(page, variable);
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
      NPObject* window = BrowserServices::windowObjectFor(page);
      if (window == nullptr) return NPERR_GENERIC_ERROR;
      *static_cast<NPObject**>(value) = window;
      return NPERR_NO_ERROR;
    }
    default:
      return NPERR_GENERIC_ERROR;
  }
}

NPError SetValue(NPP npp, NPPVariable variable, void* value) {
  Browser* browser = browserCounting("setvalue");
  Page* page = pageOf(browser, npp);
  if (page == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
  auto number = reinterpret_cast<uintptr_t>(value);
  BrowserServices::recordSetValue(page, variable, number);
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
  Browser* browser = browserCounting("invalidaterect");
  Page* page = pageOf(browser, npp);
  if (page != nullptr && rect != nullptr) BrowserServices::recordInvalidation(page, *rect);
}

NPIdentifier GetStringIdentifier(const NPUTF8* name) {
  Browser* browser = browserCounting("getstringidentifier");
  return browser != nullptr ? browser->identifiers().string(name) : nullptr;
}

void GetStringIdentifiers(const NPUTF8** names, int32_t nameCount, NPIdentifier* identifiers) {
  Browser* browser = browserCounting("getstringidentifiers");
  if (names == nullptr || identifiers == nullptr) return;
  for (int32_t i = 0; i < nameCount; ++i) {
    identifiers[i] = browser != nullptr ? browser->identifiers().string(names[i]) : nullptr;
  }
}

NPIdentifier GetIntIdentifier(int32_t value) {
  Browser* browser = browserCounting("getintidentifier");
  return browser != nullptr ? browser->identifiers().integer(value) : nullptr;
}

bool IdentifierIsString(NPIdentifier identifier) {
  Browser* browser = browserCounting("identifierisstring");
  return browser != nullptr && browser->identifiers().isString(identifier);
}

NPUTF8* UTF8FromIdentifier(NPIdentifier identifier) {
  Browser* browser = browserCounting("utf8fromidentifier");
  if (browser == nullptr) return nullptr;
  const std::string* name = browser->identifiers().name(identifier);
  if (name == nullptr) return nullptr;
  auto* copy =
      static_cast<NPUTF8*>(browser->allocator().allocate(static_cast<uint32_t>(name->size() + 1)));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, name->c_str(), name->size() + 1);
  return copy;
}

int32_t IntFromIdentifier(NPIdentifier identifier) {
  Browser* browser = browserCounting("intfromidentifier");
  return browser != nullptr ? browser->identifiers().intValue(identifier) : INT32_MIN;
}

NPObject* CreateObject(NPP npp, NPClass* aClass) {
  Browser* browser = browserCounting("createobject");
  if (pageOf(browser, npp) == nullptr) return nullptr;
  return browser->objects().create(npp, aClass);
}

NPObject* RetainObject(NPObject* object) {
  Browser* browser = browserCounting("retainobject");
  return browser != nullptr ? browser->objects().retain(object) : object;
}

void ReleaseObject(NPObject* object) {
  Browser* browser = browserCounting("releaseobject");
  if (browser != nullptr) browser->objects().release(object);
}

bool Invoke(NPP, NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t argCount,
            NPVariant* result) {
  Browser* browser = browserCounting("invoke");
  NPClass* aClass = liveClass(browser, object);
  if (result != nullptr) VOID_TO_NPVARIANT(*result);
  if (aClass == nullptr || aClass->invoke == nullptr || result == nullptr) return false;
  KeepAlive alive(browser->objects(), object);
  return aClass->invoke(object, name, args, argCount, result);
}

bool InvokeDefault(NPP, NPObject* object, const NPVariant* args, uint32_t argCount,
                   NPVariant* result) {
  Browser* browser = browserCounting("invokeDefault");
  NPClass* aClass = liveClass(browser, object);
  if (result != nullptr) VOID_TO_NPVARIANT(*result);
  if (aClass == nullptr || aClass->invokeDefault == nullptr || result == nullptr) return false;
  KeepAlive alive(browser->objects(), object);
  return aClass->invokeDefault(object, args, argCount, result);
}

bool GetProperty(NPP, NPObject* object, NPIdentifier name, NPVariant* result) {
  Browser* browser = browserCounting("getproperty");
  NPClass* aClass = liveClass(browser, object);
  if (result != nullptr) VOID_TO_NPVARIANT(*result);
  if (aClass == nullptr || aClass->getProperty == nullptr || result == nullptr) return false;
  KeepAlive alive(browser->objects(), object);
  return aClass->getProperty(object, name, result);
}

bool SetProperty(NPP, NPObject* object, NPIdentifier name, const NPVariant* value) {
  Browser* browser = browserCounting("setproperty");
  NPClass* aClass = liveClass(browser, object);
  if (aClass == nullptr || aClass->setProperty == nullptr || value == nullptr) return false;
  KeepAlive alive(browser->objects(), object);
  return aClass->setProperty(object, name, value);
}

bool RemoveProperty(NPP, NPObject* object, NPIdentifier name) {
  Browser* browser = browserCounting("removeproperty");
  NPClass* aClass = liveClass(browser, object);
  if (aClass == nullptr || aClass->removeProperty == nullptr) return false;
  KeepAlive alive(browser->objects(), object);
  return aClass->removeProperty(object, name);
}

bool HasProperty(NPP, NPObject* object, NPIdentifier name) {
  Browser* browser = browserCounting("hasproperty");
  NPClass* aClass = liveClass(browser, object);
  if (aClass == nullptr || aClass->hasProperty == nullptr) return false;
  KeepAlive alive(browser->objects(), object);
  return aClass->hasProperty(object, name);
}

bool HasMethod(NPP, NPObject* object, NPIdentifier name) {
  Browser* browser = browserCounting("hasmethod");
  NPClass* aClass = liveClass(browser, object);
  if (aClass == nullptr || aClass->hasMethod == nullptr) return false;
  KeepAlive alive(browser->objects(), object);
  return aClass->hasMethod(object, name);
}

bool Enumerate(NPP, NPObject* object, NPIdentifier** identifiers, uint32_t* count) {
  Browser* browser = browserCounting("enumerate");
  NPClass* aClass = liveClass(browser, object);
  if (aClass == nullptr || !NP_CLASS_STRUCT_VERSION_HAS_ENUM(aClass) ||
      aClass->enumerate == nullptr || identifiers == nullptr || count == nullptr) {
    return false;
  }
  KeepAlive alive(browser->objects(), object);
  return aClass->enumerate(object, identifiers, count);
}

bool Construct(NPP, NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result) {
  Browser* browser = browserCounting("construct");
  NPClass* aClass = liveClass(browser, object);
  if (result != nullptr) VOID_TO_NPVARIANT(*result);
  if (aClass == nullptr || !NP_CLASS_STRUCT_VERSION_HAS_CTOR(aClass) ||
      aClass->construct == nullptr || result == nullptr) {
    return false;
  }
  KeepAlive alive(browser->objects(), object);
  return aClass->construct(object, args, argCount, result);
}

void ReleaseVariantValue(NPVariant* variant) {
  Browser* browser = browserCounting("releasevariantvalue");
  if (browser != nullptr) browser->releaseVariantValue(variant);
}

}  // namespace

void BrowserServices::count(Browser* browser, const char* service) { browser->count(service); }

void BrowserServices::recordException(Browser* browser, const char* message) {
  browser->_exceptions.push_back(message != nullptr ? message : "");
}

void BrowserServices::recordGetValue(Page* page, NPNVariable variable) {
  if (page->_options.recordCalls) page->_getValueRequests.push_back(variable);
}

void BrowserServices::recordSetValue(Page* page, NPPVariable variable, uintptr_t value) {
  if (page->_options.recordCalls) page->_setValueCalls.push_back(SetValueCall{variable, value});
}

void BrowserServices::recordInvalidation(Page* page, const NPRect& rect) {
  if (page->_options.recordCalls) page->_invalidatedRects.push_back(rect);
}

NPObject* BrowserServices::windowObjectFor(Page* page) { return page->windowObjectForPlugin(); }

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
