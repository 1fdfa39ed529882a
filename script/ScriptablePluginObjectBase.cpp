// Defaults and trampolines of the scripted-object bridge.
#include "script/ScriptablePluginObjectBase.h"

#include <cstdio>

namespace {

ScriptablePluginObjectBase* objectOf(NPObject* npobj) {
  return static_cast<ScriptablePluginObjectBase*>(npobj);
}

}  // namespace

ScriptablePluginObjectBase::~ScriptablePluginObjectBase() = default;

void ScriptablePluginObjectBase::Invalidate() { std::puts("base_invalidate"); }

bool ScriptablePluginObjectBase::HasMethod(NPIdentifier) {
  std::puts("base_HasMethod");
  return false;
}

bool ScriptablePluginObjectBase::Invoke(NPIdentifier, const NPVariant*, uint32_t, NPVariant*) {
  std::puts("base_invoke");
  return false;
}

bool ScriptablePluginObjectBase::InvokeDefault(const NPVariant*, uint32_t, NPVariant*) {
  return false;
}

bool ScriptablePluginObjectBase::HasProperty(NPIdentifier) {
  std::puts("base_hasproperty");
  return false;
}

bool ScriptablePluginObjectBase::GetProperty(NPIdentifier, NPVariant*) {
  std::puts("base_getproperty");
  return false;
}

bool ScriptablePluginObjectBase::SetProperty(NPIdentifier, const NPVariant*) {
  std::puts("base_setproperty");
  return false;
}

bool ScriptablePluginObjectBase::RemoveProperty(NPIdentifier) { return false; }

bool ScriptablePluginObjectBase::Enumerate(NPIdentifier**, uint32_t*) { return false; }

bool ScriptablePluginObjectBase::Construct(const NPVariant*, uint32_t, NPVariant*) { return false; }

void ScriptablePluginObjectBase::_Deallocate(NPObject* npobj) {
  if (npobj == nullptr) return;
  delete objectOf(npobj);
}

void ScriptablePluginObjectBase::_Invalidate(NPObject* npobj) { objectOf(npobj)->Invalidate(); }

bool ScriptablePluginObjectBase::_HasMethod(NPObject* npobj, NPIdentifier name) {
  return objectOf(npobj)->HasMethod(name);
}

bool ScriptablePluginObjectBase::_Invoke(NPObject* npobj, NPIdentifier name, const NPVariant* args,
                                         uint32_t argCount, NPVariant* result) {
  return objectOf(npobj)->Invoke(name, args, argCount, result);
}

bool ScriptablePluginObjectBase::_InvokeDefault(NPObject* npobj, const NPVariant* args,
                                                uint32_t argCount, NPVariant* result) {
  return objectOf(npobj)->InvokeDefault(args, argCount, result);
}

bool ScriptablePluginObjectBase::_HasProperty(NPObject* npobj, NPIdentifier name) {
  return objectOf(npobj)->HasProperty(name);
}

bool ScriptablePluginObjectBase::_GetProperty(NPObject* npobj, NPIdentifier name,
                                              NPVariant* result) {
  return objectOf(npobj)->GetProperty(name, result);
}

bool ScriptablePluginObjectBase::_SetProperty(NPObject* npobj, NPIdentifier name,
                                              const NPVariant* value) {
  return objectOf(npobj)->SetProperty(name, value);
}

bool ScriptablePluginObjectBase::_RemoveProperty(NPObject* npobj, NPIdentifier name) {
  return objectOf(npobj)->RemoveProperty(name);
}

bool ScriptablePluginObjectBase::_Enumerate(NPObject* npobj, NPIdentifier** identifiers,
                                            uint32_t* count) {
  return objectOf(npobj)->Enumerate(identifiers, count);
}

bool ScriptablePluginObjectBase::_Construct(NPObject* npobj, const NPVariant* args,
                                            uint32_t argCount, NPVariant* result) {
  return objectOf(npobj)->Construct(args, argCount, result);
}
