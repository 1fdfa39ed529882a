// Secret hygiene of the built module, driven through the browser host as a page would: after
// typing, "Clearpassword", every "GetPassword" and "EncodeData", and NPP_Destroy, no copy of the
// clear text may remain in the field's storage (beyond the text itself), in blocks the native
// layer or the browser's allocator freed (other than the encoded text), on the dead stack the
// plug-in's calls left, or in heap memory it freed; no trace or log line may hold it; and the
// field can neither be read in clear nor copied or cut.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "nativeui/NSLog.h"
#include "nativeui/NSSecureTextField.h"
#include "plugin_state/PluginObject.h"
#include "tests/hygiene/secret_scan.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/password_decoder.h"
#include "tests/support/plugin_fixture.h"

namespace {

using hygiene::FreedBlockWatch;
using hygiene::LeavesOnStack;
using hygiene::ReusedHeapHolds;
using hygiene::Secret;
using npapihost::KeyPress;
using npapihost::Page;

// Printable ASCII, 32 characters; each test uses its own so one cannot find another's.
constexpr char kTyped[] = "Kq7#vL2!pZ9@wR4$mT8%xN1^bH6&cJ3*";
constexpr char kCleared[] = "Vd5)gY8(eU1_sF4+aQ7=kW2~oE9{iP6}";
constexpr char kRead[] = "Mx3[nB6]tG9;yC2:hD5<jS8>lA1?zX4/";
constexpr char kPageData[] = "Rw2|uI5`fO8-qK1.cV4,bN7'eM0\"gL3\\";
constexpr char kDestroyed[] = "Tz6!hJ9@kL2#mN5$pQ8%rS1^vW4&xY7*";
constexpr char kLogged[] = "Ae3(dG6)fJ9_hM2+kP5=nS8~qV1{tY4}";
constexpr char kCopied[] = "Cb1[eF4]gI7;jL0:mO3<pR6>sU9?vX2/";
constexpr char kScripted[] = "Hu8|wZ1`yB4-aD7.cG0,eJ3'gM6\"iP9\\";

class SecretHygiene : public PluginTest {
 protected:
  Page* readyPageWithFocus() {
    Page* page = openReadyPage();
    if (page != nullptr) click(page);
    return page;
  }

  // One key press per character, as the user types: no whole copy of the text on the host's side.
  static void typeText(Page* page, const char* text) {
    for (const char* c = text; *c != '\0'; ++c) {
      page->keyDown(KeyPress::character(static_cast<char16_t>(*c)));
      page->keyUp(KeyPress::character(static_cast<char16_t>(*c)));
    }
  }

  static NSSecureTextField* fieldOf(Page* page) {
    return static_cast<PluginObject*>(page->npp()->pdata)->textField;
  }

  // The field's storage holds exactly text, then zero units to its end.
  static void expectStorageHolds(Page* page, const char* text) {
    const unichar* storage = fieldOf(page)->storageForTesting();
    const std::size_t length = std::strlen(text);
    for (std::size_t i = 0; i < NSSecureTextField::kMaximumLength; ++i) {
      const unichar expected = i < length ? static_cast<unsigned char>(text[i]) : 0;
      ASSERT_EQ(storage[i], expected) << "storage unit " << i;
    }
  }

  // The layer shows bullets and the caret, nothing of the text.
  static void expectLayerShowsNoText(Page* page) {
    const std::string shown = page->renderLayerText();
    std::string rest = shown;
    for (std::size_t at; (at = rest.find("\xE2\x80\xA2")) != std::string::npos;) rest.erase(at, 3);
    EXPECT_EQ(rest.find_first_not_of("|\n"), std::string::npos) << shown;
  }
};

// What a careless plug-in would leave: a stack buffer and a heap block not wiped.
__attribute__((noinline)) void CopyOntoTheStack(const char* text) {
  char buffer[64];
  std::strncpy(buffer, text, sizeof buffer);
  __asm__ __volatile__("" : : "r"(buffer) : "memory");
}

[[maybe_unused]] __attribute__((noinline)) void CopyIntoAFreedBlock(const char* text) {
  auto* block = static_cast<char*>(std::malloc(96));
  std::strcpy(block + 40, text);  // past the C library's own use of a freed block's first bytes
  __asm__ __volatile__("" : : "r"(block) : "memory");
  std::free(block);
}

// The scanners themselves find a planted copy, so a clean result of the tests below means
// something. (Under AddressSanitizer reused heap blocks come back filled, so that one scan is
// only checked in the plain build.)
TEST_F(SecretHygiene, TheScannersFindAPlantedCopy) {
  const Secret secret("Planted-Copy-0123456789-abcdefgh");
  EXPECT_FALSE(LeavesOnStack(secret, [] {}));
  EXPECT_TRUE(LeavesOnStack(secret, [] { CopyOntoTheStack("Planted-Copy-0123456789-abcdefgh"); }));
  EXPECT_FALSE(LeavesOnStack(secret, [] {}));

#if !defined(__SANITIZE_ADDRESS__)
  CopyIntoAFreedBlock("Planted-Copy-0123456789-abcdefgh");
  EXPECT_TRUE(ReusedHeapHolds(secret));
#endif

  const std::u16string units = u"xx Planted-Copy-0123456789";
  EXPECT_TRUE(secret.foundIn(units.data(), units.size() * sizeof(char16_t)));
  FreedBlockWatch watch(host_, secret);
  auto* block = static_cast<char*>(host_.allocator().allocate(64));
  ASSERT_NE(block, nullptr);
  std::strcpy(block, "... 0123456789-abcdefgh");
  host_.allocator().free(block);
  EXPECT_EQ(watch.hostHits(), 1u);
}

TEST_F(SecretHygiene, TypingLeavesThePasswordOnlyInTheFieldStorage) {
  const Secret secret(kTyped);
  Page* page = readyPageWithFocus();
  ASSERT_NE(page, nullptr);
  {
    FreedBlockWatch watch(host_, secret);
    EXPECT_FALSE(LeavesOnStack(secret, [&] { typeText(page, kTyped); }));
    EXPECT_GT(watch.nativeBlocksSeen(), 0u);  // the key events and their strings
    EXPECT_EQ(watch.nativeHits(), 0u);
    EXPECT_EQ(watch.hostHits(), 0u);
  }
  EXPECT_FALSE(ReusedHeapHolds(secret));
  expectStorageHolds(page, kTyped);
  expectLayerShowsNoText(page);
  host_.closePage(page);
}

TEST_F(SecretHygiene, ClearpasswordWipesTheFieldAndLeavesNoCopy) {
  const Secret secret(kCleared);
  Page* page = readyPageWithFocus();
  ASSERT_NE(page, nullptr);
  typeText(page, kCleared);
  // Editing in the middle moves units around inside the storage; nothing may stay behind its end.
  for (int i = 0; i < 5; ++i) page->keyDown(KeyPress::leftArrow());
  page->keyDown(KeyPress::backspace());
  page->keyDown(KeyPress::forwardDelete());
  {
    FreedBlockWatch watch(host_, secret);
    EXPECT_FALSE(LeavesOnStack(secret, [&] { EXPECT_TRUE(page->invoke("Clearpassword").ok); }));
    EXPECT_EQ(watch.nativeHits(), 0u);
    EXPECT_EQ(watch.hostHits(), 0u);
  }
  expectStorageHolds(page, "");
  EXPECT_FALSE(ReusedHeapHolds(secret));
  EXPECT_TRUE(page->invoke("GetPassword").isString(""));
  host_.closePage(page);
}

TEST_F(SecretHygiene, EveryGetPasswordLeavesOnlyTheEncodedText) {
  const Secret secret(kRead);
  Page* page = readyPageWithFocus();
  ASSERT_NE(page, nullptr);
  typeText(page, kRead);
  std::vector<std::string> encoded;
  {
    FreedBlockWatch watch(host_, secret);
    for (int i = 0; i < 20; ++i) {
      npapihost::ScriptResult result;
      ASSERT_FALSE(LeavesOnStack(secret, [&] { result = page->invoke("GetPassword"); }))
          << "call " << i;
      ASSERT_TRUE(result.ok);
      ASSERT_FALSE(secret.foundIn(result.stringValue.data(), result.stringValue.size()));
      encoded.push_back(result.stringValue);
    }
    EXPECT_GE(watch.hostBlocksSeen(), 20u);  // the result blocks the page released
    EXPECT_EQ(watch.hostHits(), 0u);
    EXPECT_EQ(watch.nativeHits(), 0u);  // the field's text copies, wiped before they are freed
  }
  EXPECT_FALSE(ReusedHeapHolds(secret));
  expectStorageHolds(page, kRead);
  // Only now, after the scans, is the text decoded here (the decoder's copies are its own).
  EXPECT_EQ(testsupport::decodePassword(encoded.front()), kRead);
  host_.closePage(page);
}

TEST_F(SecretHygiene, EveryEncodeDataLeavesOnlyTheEncodedText) {
  const Secret secret(kPageData);
  Page* page = openReadyPage();
  ASSERT_NE(page, nullptr);
  // The argument lies in this program's constant data, so any other copy is the plug-in's.
  NPVariant argument;
  STRINGN_TO_NPVARIANT(kPageData, std::strlen(kPageData), argument);
  std::string encoded;
  {
    FreedBlockWatch watch(host_, secret);
    for (int i = 0; i < 20; ++i) {
      npapihost::ScriptResult result;
      ASSERT_FALSE(LeavesOnStack(secret, [&] { result = page->invoke("EncodeData", {argument}); }))
          << "call " << i;
      ASSERT_TRUE(result.ok && !result.stringValue.empty());
      encoded = result.stringValue;
    }
    EXPECT_EQ(watch.hostHits(), 0u);
    EXPECT_EQ(watch.nativeHits(), 0u);
  }
  EXPECT_FALSE(ReusedHeapHolds(secret));
  EXPECT_EQ(testsupport::decodePassword(encoded), kPageData);
  host_.closePage(page);
}

TEST_F(SecretHygiene, DestroyWipesTheFieldBeforeItsMemoryIsFreed) {
  const Secret secret(kDestroyed);
  Page* page = readyPageWithFocus();
  ASSERT_NE(page, nullptr);
  typeText(page, kDestroyed);
  {
    FreedBlockWatch watch(host_, secret);
    EXPECT_FALSE(LeavesOnStack(secret, [&] { host_.closePage(page); }));
    EXPECT_GT(watch.nativeBlocksSeen(), 0u);  // the field, the panel, the layers
    EXPECT_EQ(watch.nativeHits(), 0u);
    EXPECT_EQ(watch.hostHits(), 0u);
  }
  EXPECT_FALSE(ReusedHeapHolds(secret));
}

TEST_F(SecretHygiene, NoTraceOrLogLineHoldsThePassword) {
  const Secret secret(kLogged);
  NPVariant argument;
  STRINGN_TO_NPVARIANT(kLogged, std::strlen(kLogged), argument);
  const std::string out = capturedStdout([&] {
    Page* page = readyPageWithFocus();
    ASSERT_NE(page, nullptr);
    typeText(page, kLogged);
    page->keyDown(KeyPress::returnKey());
    page->focus(false);
    page->focus(true);
    EXPECT_TRUE(page->invoke("GetPassword").ok);
    EXPECT_TRUE(page->invoke("EncodeData", {argument}).ok);
    EXPECT_FALSE(page->invoke("Copy").ok);
    for (const char* name : {"value", "password", "text", "innerText"}) {
      EXPECT_FALSE(page->hasProperty(name));
      EXPECT_FALSE(page->getProperty(name).ok);
    }
    EXPECT_FALSE(page->hasMethod("getPassword"));
    page->invalidate();
    EXPECT_TRUE(page->invoke("Clearpassword").ok);
    host_.closePage(page);
  });
  EXPECT_FALSE(out.empty());  // the property probes and the defaults do write lines
  EXPECT_FALSE(secret.foundIn(out.data(), out.size())) << out;
  const std::vector<std::string> lines = NSLogCapturedLines();
  EXPECT_FALSE(lines.empty());
  for (const std::string& line : lines)
    EXPECT_FALSE(secret.foundIn(line.data(), line.size())) << line;
}

TEST_F(SecretHygiene, CommandKeysNeitherCopyNorCutNorSelectTheText) {
  const Secret secret(kCopied);
  Page* page = readyPageWithFocus();
  ASSERT_NE(page, nullptr);
  typeText(page, kCopied);
  host_.resetCalls();
  const std::size_t allocations = host_.allocator().allocations();
  const std::string out = capturedStdout([&] {
    FreedBlockWatch watch(host_, secret);
    for (const char16_t key : {u'c', u'x', u'a', u'v', u'z', u'C', u'X'}) {
      EXPECT_EQ(page->keyDown(KeyPress::command(key)), 1);
      page->keyUp(KeyPress::command(key));
      expectStorageHolds(page, kCopied);
    }
    // Select-all then a plain Backspace removes one character, not the selection there is none of.
    page->keyDown(KeyPress::command(u'a'));
    page->keyDown(KeyPress::backspace());
    EXPECT_EQ(watch.nativeHits(), 0u);
    EXPECT_EQ(watch.hostHits(), 0u);
  });
  std::string shortened(kCopied);
  shortened.pop_back();
  expectStorageHolds(page, shortened.c_str());
  // Nothing reached the browser: no block, no script, no stream, no page call.
  EXPECT_EQ(host_.allocator().allocations(), allocations);
  for (const char* service :
       {"memalloc", "invoke", "invokeDefault", "evaluate", "setproperty", "getproperty", "geturl",
        "geturlnotify", "posturl", "posturlnotify", "newstream", "write", "status", "setvalue",
        "setvalueforurl", "createobject", "setexception"}) {
    EXPECT_EQ(host_.calls(service), 0u) << service;
  }
  EXPECT_FALSE(secret.foundIn(out.data(), out.size()));
  for (const std::string& line : NSLogCapturedLines())
    EXPECT_FALSE(secret.foundIn(line.data(), line.size()));
  expectLayerShowsNoText(page);
  host_.closePage(page);
}

TEST_F(SecretHygiene, ThePasswordCannotBeReadInClearThroughTheScriptObject) {
  const Secret secret(kScripted);
  Page* page = readyPageWithFocus();
  ASSERT_NE(page, nullptr);
  typeText(page, kScripted);
  capturedStdout([&] {
    for (const char* name : {"value", "password", "text", "textContent", "GetPassword", "0"}) {
      EXPECT_FALSE(page->hasProperty(name)) << name;
      EXPECT_FALSE(page->getProperty(name).ok) << name;
    }
    NPObject* object = page->scriptObject();
    NPIdentifier* names = nullptr;
    uint32_t count = 0;
    EXPECT_FALSE(object->_class->enumerate(object, &names, &count));
    EXPECT_FALSE(page->invokeDefault().ok);
    EXPECT_FALSE(page->construct().ok);
  });
  for (const char* method : {"GetPassword", "GetActiveNIC", "GetHardDiskNUM", "GetDllVersion",
                             "EncodeData", "Clearpassword", "getpassword", "GetPasswordClear"}) {
    if (std::strcmp(method, "Clearpassword") == 0) continue;  // it would end the test's text
    const npapihost::ScriptResult result = page->invoke(method);
    EXPECT_FALSE(secret.foundIn(result.stringValue.data(), result.stringValue.size())) << method;
  }
  // The one way out is the encoded text.
  EXPECT_EQ(testsupport::decodePassword(page->invoke("GetPassword").stringValue), kScripted);
  host_.closePage(page);
}

}  // namespace
