// The bridge between the browser's scripted-object protocol (an NPObject whose NPClass is a table
// of plain functions) and a C++ class: one virtual operation per table entry, their defaults, and
// one static trampoline per entry that turns the browser's NPObject pointer back into the object.
// The concrete class and its class table live elsewhere (ScriptablePluginObject, shell/main).
// Trampolines check nothing but a null object in _Deallocate; arguments pass on unchanged.
#pragma once

#include <cstdint>

#include "npapi/runtime.h"

class ScriptablePluginObjectBase : public NPObject {
 public:
  ScriptablePluginObjectBase() = default;
  virtual ~ScriptablePluginObjectBase();

  ScriptablePluginObjectBase(const ScriptablePluginObjectBase&) = delete;
  ScriptablePluginObjectBase& operator=(const ScriptablePluginObjectBase&) = delete;

  // Defaults: each answers false (Invalidate answers nothing) and leaves every out-argument as it
  // was. Invalidate, HasMethod, Invoke, HasProperty, GetProperty and SetProperty write one fixed
  // trace line to standard output; the other four are silent.
  virtual void Invalidate();
  virtual bool HasMethod(NPIdentifier name);
  virtual bool Invoke(NPIdentifier name, const NPVariant* args, uint32_t argCount,
                      NPVariant* result);
  virtual bool InvokeDefault(const NPVariant* args, uint32_t argCount, NPVariant* result);
  virtual bool HasProperty(NPIdentifier name);
  virtual bool GetProperty(NPIdentifier name, NPVariant* result);
  virtual bool SetProperty(NPIdentifier name, const NPVariant* value);
  virtual bool RemoveProperty(NPIdentifier name);
  virtual bool Enumerate(NPIdentifier** identifiers, uint32_t* count);
  virtual bool Construct(const NPVariant* args, uint32_t argCount, NPVariant* result);

  // The class-table entries. npobj is the NPObject part of an object of this family; each
  // trampoline converts it back and makes the virtual call. _Deallocate ignores null and destroys
  // the object through its deleting destructor, so its storage goes back the way it was taken.
  static void _Deallocate(NPObject* npobj);
  static void _Invalidate(NPObject* npobj);
  static bool _HasMethod(NPObject* npobj, NPIdentifier name);
  static bool _Invoke(NPObject* npobj, NPIdentifier name, const NPVariant* args, uint32_t argCount,
                      NPVariant* result);
  static bool _InvokeDefault(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                             NPVariant* result);
  static bool _HasProperty(NPObject* npobj, NPIdentifier name);
  static bool _GetProperty(NPObject* npobj, NPIdentifier name, NPVariant* result);
  static bool _SetProperty(NPObject* npobj, NPIdentifier name, const NPVariant* value);
  static bool _RemoveProperty(NPObject* npobj, NPIdentifier name);
  static bool _Enumerate(NPObject* npobj, NPIdentifier** identifiers, uint32_t* count);
  static bool _Construct(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                         NPVariant* result);
};
