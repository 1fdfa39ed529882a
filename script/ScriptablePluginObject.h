// The script object a page sees on the plug-in's element: six methods ("GetPassword",
// "GetActiveNIC", "GetHardDiskNUM", "Clearpassword", "EncodeData", "GetDllVersion"), no
// properties. The password leaves only as encoded password text. The object lives in the
// browser's allocator and reaches its instance's record through npp->pdata until the instance is
// destroyed (detach); from then on it never touches the instance again. Made by the class table
// in shell/main; every result string is a fresh block of the browser's allocator.
#pragma once

#include <cstddef>
#include <cstdint>

#include "encoding/jnidecrypt.h"
#include "npapi/basic_types.h"
#include "npapi/runtime.h"
#include "script/ScriptablePluginObjectBase.h"

struct PluginObject;

class ScriptablePluginObject : public ScriptablePluginObjectBase {
 public:
  // The longest clear text handed to the encoder, in bytes; longer texts are refused rather than
  // cut, so the page never gets the encoded text of a password it did not send.
  static constexpr std::size_t kMaximumClearLength = kMaxClearTextLength;
  // Size of the block that receives an encoded password text.
  static constexpr uint32_t kEncodedBlockSize = 512;

  // Stores npp and fetches the six method identifiers from the browser.
  explicit ScriptablePluginObject(NPP npp);
  ~ScriptablePluginObject() override = default;

  // Storage from the browser's allocator. new answers null (and nothing is constructed) when the
  // browser refuses the block.
  static void* operator new(std::size_t size) noexcept;
  static void operator delete(void* block) noexcept;

  bool HasMethod(NPIdentifier name) override;
  // The method dispatch: true with a result string, or with the empty result string when the
  // method has nothing to give; false only when not even the one-byte empty string can be had,
  // or for an unknown name (whatever NPN_InvokeDefault answers).
  bool Invoke(NPIdentifier name, const NPVariant* args, uint32_t argCount,
              NPVariant* result) override;
  // Writes the probed name on one line, then answers as the base does: no properties.
  bool HasProperty(NPIdentifier name) override;

  // The empty result string (a one-byte block holding NUL, length 0) in result; false, with result
  // untouched, when the block cannot be had.
  [[nodiscard]] bool setDefaultString(NPVariant* result);

  // Called when the instance ends: from then on the methods that need the field answer the empty
  // result string ("Clearpassword" answers true and does nothing), and npp is never used again.
  void detach() { npp = nullptr; }

 private:
  PluginObject* record() const;
  bool getPassword(NPVariant* result);
  bool encodeData(const NPVariant* args, uint32_t argCount, NPVariant* result);
  bool clearPassword();
  // A result string holding a copy of text; the empty result string for null text or when the
  // block cannot be had.
  [[nodiscard]] bool setResultString(const char* text, NPVariant* result);
  // Encodes clear (at most kMaximumClearLength bytes, NUL-terminated) into a fresh zero-filled
  // block and makes it the result; the empty result string when the block cannot be had.
  [[nodiscard]] bool setEncodedResult(const char* clear, NPVariant* result);

  NPP npp;  // null once detached
  NPIdentifier idGetPassword;
  NPIdentifier idGetActiveNIC;
  NPIdentifier idGetHardDiskNUM;
  NPIdentifier idClearpassword;
  NPIdentifier idEncodeData;
  NPIdentifier idGetDllVersion;
};
