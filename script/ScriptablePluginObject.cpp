// The script object's methods.
#include "script/ScriptablePluginObject.h"

#include <cstdio>
#include <cstring>

#include "encoding/jnidecrypt.h"
#include "identification/utils.h"
#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/NSSecureTextField.h"
#include "nativeui/NSString.h"
#include "plugin_state/Browser.h"
#include "plugin_state/PluginObject.h"
#include "script/PageMethods.h"
#include "wipe/secure_wipe.h"
#include "wipe/stack_wipe.h"

namespace {

// The stack cleared after each method that handles the password or page data. "GetPassword", the
// deepest, was seen to use about 3 kB below the dispatch with GCC 12 at -O2; a script call from a
// page costs microseconds, next to which clearing 8 kB is nothing.
constexpr std::size_t kMethodStackBytes = 8192;

// The names come from script/methods.json; each one there has its handling below.
static_assert(pagemethods::kCount == 6,
              "script/methods.json lists a method the script object does not handle, or drops one");

}  // namespace

ScriptablePluginObject::ScriptablePluginObject(NPP instance)
    : npp(instance),
      idGetPassword(NPN_GetStringIdentifier(pagemethods::kGetPassword)),
      idGetActiveNIC(NPN_GetStringIdentifier(pagemethods::kGetActiveNIC)),
      idGetHardDiskNUM(NPN_GetStringIdentifier(pagemethods::kGetHardDiskNUM)),
      idClearpassword(NPN_GetStringIdentifier(pagemethods::kClearpassword)),
      idEncodeData(NPN_GetStringIdentifier(pagemethods::kEncodeData)),
      idGetDllVersion(NPN_GetStringIdentifier(pagemethods::kGetDllVersion)) {}

void* ScriptablePluginObject::operator new(std::size_t size) noexcept {
  return NPN_MemAlloc(static_cast<uint32_t>(size));
}

void ScriptablePluginObject::operator delete(void* block) noexcept { NPN_MemFree(block); }

bool ScriptablePluginObject::HasMethod(NPIdentifier name) {
  if (name == idGetPassword || name == idGetActiveNIC || name == idGetHardDiskNUM ||
      name == idClearpassword || name == idEncodeData || name == idGetDllVersion) {
    return true;
  }
  return ScriptablePluginObjectBase::HasMethod(name);
}

bool ScriptablePluginObject::Invoke(NPIdentifier name, const NPVariant* args, uint32_t argCount,
                                    NPVariant* result) {
  // The methods that handle the password or page data run in frames of their own, and the stack
  // they used is cleared before the answer goes back to the browser.
  if (name == idGetPassword) {
    return wipe::WithStackWipe<kMethodStackBytes>([this, result] { return getPassword(result); });
  }
  if (name == idGetActiveNIC) return setResultString(ActiveNIC(), result);
  if (name == idGetHardDiskNUM) return setResultString(DiskNumber(), result);
  if (name == idClearpassword) {
    return wipe::WithStackWipe<kMethodStackBytes>([this] { return clearPassword(); });
  }
  if (name == idEncodeData) {
    return wipe::WithStackWipe<kMethodStackBytes>(
        [this, args, argCount, result] { return encodeData(args, argCount, result); });
  }
  if (name == idGetDllVersion) return setResultString(PluginVersion, result);
  return NPN_InvokeDefault(npp, this, args, argCount, result);
}

bool ScriptablePluginObject::HasProperty(NPIdentifier name) {
  NPUTF8* text = NPN_UTF8FromIdentifier(name);
  if (text != nullptr) {
    std::puts(text);
    NPN_MemFree(text);
  }
  return ScriptablePluginObjectBase::HasProperty(name);
}

bool ScriptablePluginObject::setDefaultString(NPVariant* result) {
  auto* block = static_cast<NPUTF8*>(NPN_MemAlloc(1));
  if (block == nullptr) return false;
  block[0] = '\0';
  STRINGN_TO_NPVARIANT(block, 0, *result);
  return true;
}

PluginObject* ScriptablePluginObject::record() const {
  return npp != nullptr ? static_cast<PluginObject*>(npp->pdata) : nullptr;
}

bool ScriptablePluginObject::setResultString(const char* text, NPVariant* result) {
  if (text == nullptr) return setDefaultString(result);
  std::size_t length = std::strlen(text);
  auto* block = static_cast<NPUTF8*>(NPN_MemAlloc(static_cast<uint32_t>(length + 1)));
  if (block == nullptr) return setDefaultString(result);
  std::memcpy(block, text, length + 1);
  STRINGN_TO_NPVARIANT(block, length, *result);
  return true;
}

bool ScriptablePluginObject::setEncodedResult(const char* clear, NPVariant* result) {
  auto* block = static_cast<char*>(NPN_MemAlloc(kEncodedBlockSize));
  if (block == nullptr) return setDefaultString(result);
  std::memset(block, 0, kEncodedBlockSize);
  QsEncode(block, clear);
  STRINGN_TO_NPVARIANT(block, std::strlen(block), *result);
  return true;
}

bool ScriptablePluginObject::getPassword(NPVariant* result) {
  PluginObject* owner = record();
  if (owner == nullptr || owner->textField == nullptr) return setDefaultString(result);
  // The field's text is copied into a string object (and its ASCII form) that this pool frees,
  // wiped, before the call returns.
  NSAutoreleaseScope pool;
  NSString* text = owner->textField->stringValue();
  if (text == nullptr || text->length() == 0) return setDefaultString(result);
  // A text with a character outside ASCII has no ASCII form: nothing is encoded.
  const char* clear = text->cStringUsingEncoding(NSASCIIStringEncoding);
  if (clear == nullptr || std::strlen(clear) > kMaximumClearLength) {
    return setDefaultString(result);
  }
  return setEncodedResult(clear, result);
}

bool ScriptablePluginObject::encodeData(const NPVariant* args, uint32_t argCount,
                                        NPVariant* result) {
  if (argCount != 1 || args == nullptr || args[0].type != NPVariantType_String) {
    return setDefaultString(result);
  }
  const NPString& argument = args[0].value.stringValue;
  // The browser's string is length-counted; a NUL inside it ends the clear text.
  std::size_t length = 0;
  if (argument.UTF8Characters != nullptr) {
    const void* nul = std::memchr(argument.UTF8Characters, '\0', argument.UTF8Length);
    length =
        nul != nullptr
            ? static_cast<std::size_t>(static_cast<const NPUTF8*>(nul) - argument.UTF8Characters)
            : argument.UTF8Length;
  }
  if (length > kMaximumClearLength) return setDefaultString(result);
  char clear[kMaximumClearLength + 1];
  if (length > 0) std::memcpy(clear, argument.UTF8Characters, length);
  clear[length] = '\0';
  bool answered = setEncodedResult(clear, result);
  wipe::SecureWipe(clear, sizeof clear);
  return answered;
}

bool ScriptablePluginObject::clearPassword() {
  PluginObject* owner = record();
  if (owner != nullptr && owner->textField != nullptr) {
    NSAutoreleaseScope pool;
    owner->textField->setStringValue(NSString::string());
  }
  return true;
}
