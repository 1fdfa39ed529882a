// The browser's function table as the plug-in keeps it: the global `browser`, stored by
// NP_Initialize, and one thin NPN_ call per browser service the plug-in uses. Used by the shell
// and the script bridge. NP_Initialize keeps only a table that reaches every service below
// (kBrowserTableSizeNeeded); the entries themselves are the browser's to fill.
#pragma once

#include <cstddef>

#include "npapi/function_tables.h"
#include "npapi/runtime.h"

// The table handed to NP_Initialize, kept as it came for the life of the loaded module.
extern NPNetscapeFuncs* browser;

// The size a browser table needs for the services called below: releasevariantvalue is the last
// of them in the table.
inline constexpr std::size_t kBrowserTableSizeNeeded =
    offsetof(NPNetscapeFuncs, releasevariantvalue) + sizeof(NPNetscapeFuncs::releasevariantvalue);

[[nodiscard]] inline NPError NPN_GetValue(NPP instance, NPNVariable variable, void* value) {
  return browser->getvalue(instance, variable, value);
}
inline NPError NPN_SetValue(NPP instance, NPPVariable variable, void* value) {
  return browser->setvalue(instance, variable, value);
}
inline void NPN_InvalidateRect(NPP instance, NPRect* rect) {
  browser->invalidaterect(instance, rect);
}
[[nodiscard]] inline void* NPN_MemAlloc(uint32_t size) { return browser->memalloc(size); }
inline void NPN_MemFree(void* block) { browser->memfree(block); }
inline NPIdentifier NPN_GetStringIdentifier(const NPUTF8* name) {
  return browser->getstringidentifier(name);
}
[[nodiscard]] inline NPUTF8* NPN_UTF8FromIdentifier(NPIdentifier identifier) {
  return browser->utf8fromidentifier(identifier);
}
[[nodiscard]] inline NPObject* NPN_CreateObject(NPP instance, NPClass* aClass) {
  return browser->createobject(instance, aClass);
}
inline NPObject* NPN_RetainObject(NPObject* object) { return browser->retainobject(object); }
inline void NPN_ReleaseObject(NPObject* object) { browser->releaseobject(object); }
inline bool NPN_Invoke(NPP instance, NPObject* object, NPIdentifier method, const NPVariant* args,
                       uint32_t argCount, NPVariant* result) {
  return browser->invoke(instance, object, method, args, argCount, result);
}
inline bool NPN_InvokeDefault(NPP instance, NPObject* object, const NPVariant* args,
                              uint32_t argCount, NPVariant* result) {
  return browser->invokeDefault(instance, object, args, argCount, result);
}
inline void NPN_ReleaseVariantValue(NPVariant* variant) { browser->releasevariantvalue(variant); }
