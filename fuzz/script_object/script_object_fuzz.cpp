// Fuzz target for the page's script object, driven through the stand-in browser and the built
// module: random sequences of HasMethod, HasProperty, Invoke, property reads and writes,
// InvokeDefault, Construct, Enumerate and Invalidate, with names from fuzz/common/script_inputs.h,
// random argument lists, typing into the field, allocator refusals, and the instance destroyed
// while the page still holds the object. Every answer is checked against what the page may rely on
// (see Expect* below); after every input the stand-in browser must be back where it started.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/common/browser_harness.h"
#include "fuzz/common/encoded_text.h"
#include "fuzz/common/fuzz_check.h"
#include "fuzz/common/fuzz_input.h"
#include "fuzz/common/script_inputs.h"
#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/NSSecureTextField.h"
#include "plugin_state/PluginObject.h"

namespace {

using fuzzing::Arguments;
using fuzzing::PickedName;

constexpr std::size_t kMaxOperations = 48;
constexpr std::size_t kMaxIdentificationCalls = 2;  // they ask the live system: slow

enum class Refusal { None, All, After, Larger };

struct Session {
  npapibrowser::TestBrowser& browser = fuzzing::LoadedBrowser();
  npapibrowser::Page* page = nullptr;
  NPObject* object = nullptr;
  bool detached = false;  // the instance is gone; the page's script still holds the object
  bool focused = false;
  std::string field;  // what was typed, as the field must hold it
  Refusal refusal = Refusal::None;
  std::size_t largest = 0;  // with Refusal::Larger
  std::size_t identificationCalls = 0;
  std::string trail;  // the operations so far, for failure messages
};

NPClass* ClassOf(NPObject* object) { return object->_class; }

bool IsVoid(const NPVariant& v) { return v.type == NPVariantType_Void; }

// A result string must be a live block of the browser's allocator with the text and its NUL.
std::string ResultText(Session& s, const NPVariant& result) {
  const NPString& text = result.value.stringValue;
  FUZZ_CHECK(text.UTF8Characters != nullptr && s.browser.allocator().isLive(text.UTF8Characters),
             "a result string outside the browser's allocator: " + s.trail);
  FUZZ_CHECK(s.browser.allocator().blockSize(text.UTF8Characters) >= text.UTF8Length + 1 &&
                 text.UTF8Characters[text.UTF8Length] == '\0',
             "a result string without its NUL in its block: " + s.trail);
  return std::string(text.UTF8Characters, text.UTF8Length);
}

// Whether an allocation of size bytes may be refused right now.
bool MayRefuse(const Session& s, std::size_t size) {
  switch (s.refusal) {
    case Refusal::None:
      return false;
    case Refusal::Larger:
      return size > s.largest;
    default:
      return true;
  }
}

// The field's storage holds exactly the typed text and zero units behind it.
void CheckFieldStorage(Session& s) {
  if (s.detached) return;
  auto* record = static_cast<PluginObject*>(s.page->npp()->pdata);
  const unichar* storage = record->textField->storageForTesting();
  for (std::size_t i = 0; i < NSSecureTextField::kMaximumLength; ++i) {
    const unichar expected = i < s.field.size() ? static_cast<unsigned char>(s.field[i]) : 0;
    FUZZ_CHECK(storage[i] == expected,
               "field storage differs at unit " + std::to_string(i) + ": " + s.trail);
  }
}

void ExpectMethodResult(Session& s, int method, const Arguments& args, bool ok,
                        const NPVariant& result) {
  if (!ok) {
    // Only when not even the one-byte empty string could be had; the result is then untouched.
    FUZZ_CHECK(MayRefuse(s, 1) && IsVoid(result), "a method answered false: " + s.trail);
    return;
  }
  if (method == 3) {  // Clearpassword: no result, an empty field with nothing left in its storage
    FUZZ_CHECK(IsVoid(result), "Clearpassword wrote a result: " + s.trail);
    if (!s.detached) s.field.clear();
    CheckFieldStorage(s);
    return;
  }
  FUZZ_CHECK(result.type == NPVariantType_String, "a method answered without a string: " + s.trail);
  const std::string text = ResultText(s, result);
  switch (method) {
    case 0: {  // GetPassword
      if (s.detached || s.field.empty()) {
        FUZZ_CHECK(text.empty(), "GetPassword without a password answered text: " + s.trail);
      } else if (text.empty()) {
        FUZZ_CHECK(MayRefuse(s, 512),
                   "GetPassword answered nothing for \"" + s.field + "\": " + s.trail);
      } else {
        fuzzing::CheckEncodedTextOf(text, s.field,
                                    "GetPassword of \"" + s.field + "\": " + s.trail);
      }
      break;
    }
    case 4: {  // EncodeData
      const bool takesText = args.count() == 1 && args.values()[0].type == NPVariantType_String;
      const std::string clear = takesText ? args.clearText(0) : std::string();
      if (!takesText || clear.size() > 126) {
        FUZZ_CHECK(text.empty(),
                   "EncodeData answered text for " + args.describe() + ": " + s.trail);
      } else if (text.empty()) {
        FUZZ_CHECK(MayRefuse(s, 512),
                   "EncodeData answered nothing for " + args.describe() + ": " + s.trail);
      } else {
        fuzzing::CheckEncodedTextOf(text, clear, "EncodeData " + args.describe() + ": " + s.trail);
      }
      break;
    }
    case 5:  // GetDllVersion
      FUZZ_CHECK(text == "1600" || (text.empty() && MayRefuse(s, 5)),
                 "GetDllVersion answered \"" + text + "\": " + s.trail);
      break;
    default:  // GetActiveNIC, GetHardDiskNUM: whatever the machine has, as text
      FUZZ_CHECK(text.find('\0') == std::string::npos,
                 "an identification text with a zero byte: " + s.trail);
      break;
  }
}

void Invoke(Session& s, fuzzing::FuzzInput& input) {
  const PickedName name = fuzzing::PickName(input, s.browser);
  if ((name.method == 1 || name.method == 2) && ++s.identificationCalls > kMaxIdentificationCalls)
    return;
  const Arguments args = Arguments::Pick(input, s.object, 4);
  s.trail += " invoke(" + fuzzing::Printable(name.text.data(), name.text.size(), 24) + ", " +
             args.describe() + ")";
  NPVariant result;
  VOID_TO_NPVARIANT(result);
  bool ok;
  {
    NSAutoreleaseScope pool;
    ok = ClassOf(s.object)->invoke(s.object, name.id, args.data(), args.count(), &result);
  }
  if (name.method >= 0) {
    ExpectMethodResult(s, name.method, args, ok, result);
  } else {
    FUZZ_CHECK(!ok && IsVoid(result), "an unknown method answered: " + s.trail);
  }
  s.browser.releaseVariantValue(&result);
}

void Probe(Session& s, fuzzing::FuzzInput& input, std::uint8_t what) {
  const PickedName name = fuzzing::PickName(input, s.browser);
  NPClass* c = ClassOf(s.object);
  NSAutoreleaseScope pool;
  switch (what) {
    case 0:
      s.trail += " hasMethod";
      FUZZ_CHECK(c->hasMethod(s.object, name.id) == (name.method >= 0),
                 "hasMethod wrong for " + name.text + ": " + s.trail);
      break;
    case 1:
      s.trail += " hasProperty";
      FUZZ_CHECK(!c->hasProperty(s.object, name.id), "a property exists: " + s.trail);
      break;
    case 2: {
      s.trail += " getProperty";
      NPVariant result;
      VOID_TO_NPVARIANT(result);
      FUZZ_CHECK(!c->getProperty(s.object, name.id, &result) && IsVoid(result),
                 "a property was read: " + s.trail);
      break;
    }
    case 3: {
      s.trail += " setProperty";
      const Arguments value = Arguments::Pick(input, s.object, 1);
      NPVariant v;
      VOID_TO_NPVARIANT(v);
      FUZZ_CHECK(!c->setProperty(s.object, name.id, value.count() > 0 ? value.data() : &v),
                 "a property was set: " + s.trail);
      break;
    }
    default:
      s.trail += " removeProperty";
      FUZZ_CHECK(!c->removeProperty(s.object, name.id), "a property was removed: " + s.trail);
      break;
  }
}

void CallObject(Session& s, fuzzing::FuzzInput& input, bool construct) {
  const Arguments args = Arguments::Pick(input, s.object, 4);
  s.trail += construct ? " construct" : " invokeDefault";
  NPVariant result;
  VOID_TO_NPVARIANT(result);
  NSAutoreleaseScope pool;
  NPClass* c = ClassOf(s.object);
  const bool ok = construct ? c->construct(s.object, args.data(), args.count(), &result)
                            : c->invokeDefault(s.object, args.data(), args.count(), &result);
  FUZZ_CHECK(!ok && IsVoid(result), "the object itself answered a call: " + s.trail);
}

void Enumerate(Session& s) {
  s.trail += " enumerate";
  NPIdentifier marker[1] = {nullptr};
  NPIdentifier* identifiers = marker;
  uint32_t count = 77;
  NSAutoreleaseScope pool;
  FUZZ_CHECK(!ClassOf(s.object)->enumerate(s.object, &identifiers, &count) &&
                 identifiers == marker && count == 77,
             "enumerate answered: " + s.trail);
}

void Type(Session& s, fuzzing::FuzzInput& input) {
  if (s.detached) return;
  if (!s.focused) {
    s.page->focus(true);
    s.focused = true;
  }
  std::string text = input.text(48);
  for (char& c : text)  // printable ASCII, so the password can be read back
    if (c < 0x20 || c > 0x7E) c = static_cast<char>(0x20 + static_cast<unsigned char>(c) % 95);
  s.trail += " type(\"" + text + "\")";
  s.page->typeText(text);
  s.field += text.substr(0, NSSecureTextField::kMaximumLength -
                                std::min(s.field.size(), NSSecureTextField::kMaximumLength));
  CheckFieldStorage(s);
}

void SetRefusal(Session& s, fuzzing::FuzzInput& input) {
  npapibrowser::AllocatorControl& allocator = s.browser.allocatorControl();
  allocator.allowAll();
  switch (input.byte() % 4) {
    case 0:
      s.refusal = Refusal::None;
      s.trail += " allowAll";
      break;
    case 1:
      s.refusal = Refusal::All;
      allocator.refuseAll(true);
      s.trail += " refuseAll";
      break;
    case 2: {
      s.refusal = Refusal::After;
      const std::size_t n = input.below(4);
      allocator.refuseAfter(n);
      s.trail += " refuseAfter(" + std::to_string(n) + ")";
      break;
    }
    default:
      s.refusal = Refusal::Larger;
      s.largest = input.below(600);
      allocator.refuseLargerThan(s.largest);
      s.trail += " refuseLargerThan(" + std::to_string(s.largest) + ")";
      break;
  }
}

// The instance ends while the page's script keeps the object.
void Destroy(Session& s) {
  if (s.detached) return;
  s.trail += " destroy";
  s.browser.objects().retain(s.object);
  s.browser.allocatorControl().allowAll();
  s.browser.closePage(s.page);
  s.page = nullptr;
  s.detached = true;
  s.refusal = Refusal::None;
  FUZZ_CHECK(s.browser.objects().isLive(s.object),
             "the object died with the instance while the page held it: " + s.trail);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  fuzzing::BeginInput();
  fuzzing::FuzzInput input(data, size);
  Session s;
  s.page = fuzzing::OpenReadyPage(input.below(401), input.below(61));
  s.object = s.page->scriptObject();

  for (std::size_t op = 0; op < kMaxOperations && !input.empty(); ++op) {
    const std::uint8_t what = input.byte();
    switch (what % 16) {
      case 0:
      case 1:
      case 2:
      case 3:
      case 4:
        Invoke(s, input);
        break;
      case 5:
      case 6:
      case 7:
        Probe(s, input, what / 16 % 5);
        break;
      case 8:
        CallObject(s, input, (what & 16) != 0);
        break;
      case 9:
        Enumerate(s);
        break;
      case 10: {
        s.trail += " invalidate";
        NSAutoreleaseScope pool;
        ClassOf(s.object)->invalidate(s.object);
        break;
      }
      case 11:
      case 12:
        Type(s, input);
        break;
      case 13:
        SetRefusal(s, input);
        break;
      case 14:
        if ((what & 0xF0) == 0) Destroy(s);
        break;
      default:
        CheckFieldStorage(s);
        break;
    }
  }

  s.browser.allocatorControl().allowAll();
  if (s.detached) {
    s.browser.objects().release(s.object);
    fuzzing::CheckClean(s.trail);
  } else {
    fuzzing::CloseAndCheckClean(s.page, s.trail);
  }
  return 0;
}
