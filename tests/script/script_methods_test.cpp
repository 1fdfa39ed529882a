// The page's script object, made by the built module's class table through the stand-in browser's
// NPN_CreateObject: every method's answers and failure paths, the trace lines of property probes,
// result strings as fresh allocator blocks, allocation refusals, clear copies wiped before a call
// returns, and an object the page keeps after its instance is gone.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "encoding/format/encoded_text.h"
#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/SecureMemory.h"
#include "tests/support/password_decoder.h"
#include "tests/support/plugin_fixture.h"

namespace {

using npapibrowser::Int32Argument;
using npapibrowser::Page;
using npapibrowser::ScriptResult;
using npapibrowser::StringArgument;

const char* const kMethods[] = {"GetPassword",   "GetActiveNIC", "GetHardDiskNUM",
                                "Clearpassword", "EncodeData",   "GetDllVersion"};

bool isEmptyResult(const ScriptResult& r) {
  return r.ok && r.type == NPVariantType_String && r.stringValue.empty() && r.stringBlockSize == 1;
}

// An encoded password text as a page receives it: 128 units, 128 to 384 characters, in a
// zero-filled 512-byte block.
void expectEncodedText(const ScriptResult& r) {
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.type, NPVariantType_String);
  EXPECT_EQ(r.stringBlockSize, 512u);
  EXPECT_GE(r.stringValue.size(), 128u);
  EXPECT_LE(r.stringValue.size(), 384u);
  unsigned char cipher[encoded_text::kUnitCount];
  EXPECT_TRUE(encoded_text::ReadUnits(r.stringValue, cipher).ok()) << r.stringValue;
}

class ScriptMethods : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    page_ = openReadyPage();
    ASSERT_NE(page_, nullptr);
  }

  // Types text into the page's field after clicking into it.
  void typeIntoField(const std::string& utf8) {
    click(page_);
    page_->typeText(utf8);
  }

  Page* page_ = nullptr;
};

// ---- Method names ------------------------------------------------------------------------

TEST_F(ScriptMethods, HasExactlyTheSixMethodsCaseIncluded) {
  std::string out = capturedStdout([&] {
    for (const char* name : kMethods) EXPECT_TRUE(page_->hasMethod(name)) << name;
  });
  EXPECT_EQ(out, "");
  out = capturedStdout([&] { EXPECT_FALSE(page_->hasMethod("getPassword")); });
  EXPECT_EQ(out, "base_HasMethod\n");
}

TEST_F(ScriptMethods, UnknownNameFailsThroughInvokeDefault) {
  unsigned before = browser_.calls("invokeDefault");
  std::string out = capturedStdout([&] {
    ScriptResult r = page_->invoke("getpassword");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.type, NPVariantType_Void);
  });
  EXPECT_EQ(browser_.calls("invokeDefault"), before + 1);
  EXPECT_EQ(out, "");  // the default InvokeDefault is silent
}

// ---- GetPassword and Clearpassword -------------------------------------------------------

TEST_F(ScriptMethods, GetPasswordGivesTheEncodedTextOfWhatWasTyped) {
  typeIntoField("Secret-42");
  ScriptResult r = page_->invoke("GetPassword");
  expectEncodedText(r);
  EXPECT_EQ(testsupport::decodePassword(r.stringValue), "Secret-42");
  EXPECT_EQ(r.stringValue.find("Secret"), std::string::npos);
}

TEST_F(ScriptMethods, GetPasswordIgnoresItsArguments) {
  typeIntoField("abc");
  ScriptResult r = page_->invoke("GetPassword", {Int32Argument(1), StringArgument("x")});
  expectEncodedText(r);
  EXPECT_EQ(testsupport::decodePassword(r.stringValue), "abc");
}

TEST_F(ScriptMethods, EmptyFieldGivesTheEmptyStringWithoutEncoding) {
  std::size_t before = browser_.allocator().allocations();
  ScriptResult r = page_->invoke("GetPassword");
  EXPECT_TRUE(isEmptyResult(r));
  // Only the one-byte empty string was asked for: no 512-byte block for the encoder.
  EXPECT_EQ(browser_.allocator().allocations(), before + 1);
}

TEST_F(ScriptMethods, NonASCIIPasswordHasNoEncodedText) {
  typeIntoField("pa\xC3\xA4ss");  // "paäss"
  std::size_t before = browser_.allocator().allocations();
  EXPECT_TRUE(isEmptyResult(page_->invoke("GetPassword")));
  EXPECT_EQ(browser_.allocator().allocations(), before + 1);
}

TEST_F(ScriptMethods, FullFieldOf126CharactersIsEncodedWhole) {
  // Characters below "y" cannot turn into a zero byte under any variant at this length, so the
  // receiver gets every byte back.
  std::string text;
  for (int i = 0; i < 126; ++i) text.push_back(static_cast<char>('!' + i % 80));
  typeIntoField(text + "more");  // the field keeps 126 characters
  ScriptResult r = page_->invoke("GetPassword");
  expectEncodedText(r);
  EXPECT_EQ(testsupport::decodePassword(r.stringValue), text);
}

TEST_F(ScriptMethods, ClearpasswordEmptiesTheFieldAndLeavesTheResultAlone) {
  typeIntoField("secret");
  EXPECT_NE(page_->renderLayerText().find("\xE2\x80\xA2"), std::string::npos);
  NPObject* object = page_->scriptObject();
  NPVariant result;
  result.value.objectValue = nullptr;
  INT32_TO_NPVARIANT(42, result);
  {
    NSAutoreleaseScope pool;
    EXPECT_TRUE(object->_class->invoke(object, identifier("Clearpassword"), nullptr, 0, &result));
  }
  EXPECT_EQ(result.type, NPVariantType_Int32);
  EXPECT_EQ(result.value.intValue, 42);
  EXPECT_EQ(page_->renderLayerText().find("\xE2\x80\xA2"), std::string::npos);
  EXPECT_TRUE(isEmptyResult(page_->invoke("GetPassword")));
}

// ---- EncodeData --------------------------------------------------------------------------

TEST_F(ScriptMethods, EncodeDataRoundTrips) {
  const std::vector<std::string> texts = {
      "hello world",        "a",          "~!@#$%^&*()_+`-=[]{};':\",./<>?", std::string(63, 'q'),
      std::string(64, 'q'), "p\xC3\xA4ss"};
  for (const std::string& text : texts) {
    ScriptResult r = page_->invoke("EncodeData", {StringArgument(text)});
    expectEncodedText(r);
    EXPECT_EQ(testsupport::decodePassword(r.stringValue), text);
  }
}

TEST_F(ScriptMethods, EncodeDataOfTheEmptyStringGoesThroughTheEncoder) {
  ScriptResult r = page_->invoke("EncodeData", {StringArgument("")});
  expectEncodedText(r);
  // One scrambled byte is encrypted as 64; the other 64 cipher bytes are never written.
  std::string zeros;
  for (int i = 0; i < 64; ++i) zeros += "*00";
  ASSERT_GE(r.stringValue.size(), 256u);
  EXPECT_EQ(r.stringValue.substr(r.stringValue.size() - 192), zeros);
  EXPECT_EQ(testsupport::decodePassword(r.stringValue), "");
}

TEST_F(ScriptMethods, EncodeDataStopsAtANulInsideTheArgument) {
  ScriptResult r = page_->invoke("EncodeData", {StringArgument(std::string("abc\0def", 7))});
  expectEncodedText(r);
  EXPECT_EQ(testsupport::decodePassword(r.stringValue), "abc");
}

TEST_F(ScriptMethods, EncodeDataWithoutOneStringArgumentGivesTheEmptyString) {
  EXPECT_TRUE(isEmptyResult(page_->invoke("EncodeData")));
  EXPECT_TRUE(
      isEmptyResult(page_->invoke("EncodeData", {StringArgument("a"), StringArgument("b")})));
  EXPECT_TRUE(isEmptyResult(page_->invoke("EncodeData", {Int32Argument(7)})));
}

TEST_F(ScriptMethods, EncodeDataRefusesTextsLongerThan126Bytes) {
  std::string text(126, 'k');
  ScriptResult r = page_->invoke("EncodeData", {StringArgument(text)});
  expectEncodedText(r);
  EXPECT_EQ(testsupport::decodePassword(r.stringValue), text);

  std::size_t before = browser_.allocator().allocations();
  EXPECT_TRUE(isEmptyResult(page_->invoke("EncodeData", {StringArgument(text + "k")})));
  EXPECT_TRUE(isEmptyResult(page_->invoke("EncodeData", {StringArgument(std::string(5000, 'k'))})));
  EXPECT_EQ(browser_.allocator().allocations(), before + 2);  // two one-byte strings, no encoding
  // What counts is the text the encoder would see: a long tail behind a NUL is not part of it.
  r = page_->invoke("EncodeData", {StringArgument(std::string("ok\0", 3) + std::string(300, 'k'))});
  EXPECT_EQ(testsupport::decodePassword(r.stringValue), "ok");
}

// ---- Identification and version ----------------------------------------------------------

TEST_F(ScriptMethods, GetDllVersionAnswers1600) {
  ScriptResult r = page_->invoke("GetDllVersion");
  EXPECT_TRUE(r.isString("1600"));
  EXPECT_EQ(r.stringBlockSize, 5u);
}

TEST_F(ScriptMethods, IdentificationMethodsCopyWhatTheModuleReports) {
  using TextFunction = const char* (*)();
  for (auto [method, function] :
       {std::pair{"GetActiveNIC", "ActiveNIC"}, std::pair{"GetHardDiskNUM", "DiskNumber"}}) {
    SCOPED_TRACE(method);
    auto report = moduleFunction<TextFunction>(function);
    ASSERT_NE(report, nullptr);
    const char* text = report();
    std::string expected = text != nullptr ? text : "";
    ScriptResult r = page_->invoke(method);
    EXPECT_TRUE(r.isString(expected));
    EXPECT_EQ(r.stringBlockSize, expected.size() + 1);
  }
}

// ---- Result strings ----------------------------------------------------------------------

TEST_F(ScriptMethods, EveryResultIsAFreshAllocatorBlock) {
  typeIntoField("pw");
  std::size_t live = browser_.allocator().liveBlocks();
  std::vector<NPVariant> results;
  const std::string data = "data";
  for (const char* method : {"GetDllVersion", "GetDllVersion", "GetPassword", "GetPassword",
                             "GetActiveNIC", "GetHardDiskNUM", "EncodeData"}) {
    NPVariant result;
    NPVariant argument = StringArgument(data);
    ASSERT_TRUE(invokeRaw(page_, method, {argument}, &result)) << method;
    ASSERT_EQ(result.type, NPVariantType_String) << method;
    const NPString& s = result.value.stringValue;
    EXPECT_TRUE(browser_.allocator().isLive(s.UTF8Characters)) << method;
    EXPECT_GE(browser_.allocator().blockSize(s.UTF8Characters), s.UTF8Length + 1u) << method;
    EXPECT_EQ(s.UTF8Characters[s.UTF8Length], '\0') << method;
    EXPECT_EQ(std::strlen(s.UTF8Characters), s.UTF8Length) << method;
    for (const NPVariant& earlier : results) {
      EXPECT_NE(earlier.value.stringValue.UTF8Characters, s.UTF8Characters) << method;
    }
    results.push_back(result);
  }
  EXPECT_EQ(browser_.allocator().liveBlocks(), live + results.size());
  for (NPVariant& result : results) releaseVariant(&result);
  EXPECT_EQ(browser_.allocator().liveBlocks(), live);
}

TEST_F(ScriptMethods, RefusedBlocksGiveTheEmptyStringThenFalse) {
  typeIntoField("secret");
  browser_.allocatorControl().refuseLargerThan(1);
  for (const char* method : {"GetPassword", "GetDllVersion", "GetActiveNIC", "GetHardDiskNUM"}) {
    EXPECT_TRUE(isEmptyResult(page_->invoke(method))) << method;
  }
  EXPECT_TRUE(isEmptyResult(page_->invoke("EncodeData", {StringArgument("x")})));

  browser_.allocatorControl().refuseAll(true);
  NPObject* object = page_->scriptObject();
  for (const char* method : {"GetPassword", "GetDllVersion", "EncodeData"}) {
    NPVariant result;
    result.value.objectValue = nullptr;
    INT32_TO_NPVARIANT(42, result);
    NSAutoreleaseScope pool;
    EXPECT_FALSE(object->_class->invoke(object, identifier(method), nullptr, 0, &result)) << method;
    EXPECT_EQ(result.type, NPVariantType_Int32) << method;  // left as it was
  }
  // Clearing needs no block.
  EXPECT_TRUE(page_->invoke("Clearpassword").ok);
  browser_.allocatorControl().allowAll();
  EXPECT_TRUE(isEmptyResult(page_->invoke("GetPassword")));
}

// ---- Properties and the base defaults ----------------------------------------------------

TEST_F(ScriptMethods, PropertyProbesPrintTheNameThenTheBaseLine) {
  std::size_t live = browser_.allocator().liveBlocks();
  std::string out = capturedStdout([&] { EXPECT_FALSE(page_->hasProperty("value")); });
  EXPECT_EQ(out, "value\nbase_hasproperty\n");
  EXPECT_EQ(browser_.allocator().liveBlocks(), live);  // the name's block went back

  NPObject* object = page_->scriptObject();
  NPIdentifier number = browser_.browserFuncs().getintidentifier(7);
  out = capturedStdout([&] { EXPECT_FALSE(object->_class->hasProperty(object, number)); });
  EXPECT_EQ(out, "base_hasproperty\n");
}

TEST_F(ScriptMethods, OtherOperationsKeepTheBaseDefaults) {
  std::string out = capturedStdout([&] {
    EXPECT_FALSE(page_->getProperty("GetPassword").ok);
    EXPECT_FALSE(page_->setProperty("value", Int32Argument(1)));
    EXPECT_FALSE(page_->removeProperty("value"));
    EXPECT_FALSE(page_->invokeDefault().ok);
    EXPECT_FALSE(page_->construct().ok);
    page_->invalidate();
  });
  EXPECT_EQ(out, "base_getproperty\nbase_setproperty\nbase_invalidate\n");
  EXPECT_TRUE(page_->invoke("GetDllVersion").isString("1600"));  // still usable

  NPObject* object = page_->scriptObject();
  NPIdentifier marker = identifier("marker");
  NPIdentifier* list = &marker;
  uint32_t count = 3;
  EXPECT_FALSE(object->_class->enumerate(object, &list, &count));
  EXPECT_EQ(list, &marker);
  EXPECT_EQ(count, 3u);
}

// ---- Creation ----------------------------------------------------------------------------

TEST_F(ScriptMethods, RefusedStorageConstructsNothingAndIsTriedAgain) {
  unsigned identifiersBefore = browser_.calls("getstringidentifier");
  browser_.allocatorControl().refuseAll(true);
  Page* page = openPage();
  ASSERT_EQ(page->newResult(), NPERR_NO_ERROR);           // a missing script object is not an error
  EXPECT_EQ(browser_.objects().livePluginObjects(), 1u);  // only the first page's object
  EXPECT_EQ(browser_.calls("getstringidentifier"), identifiersBefore);  // no constructor ran
  void* value = nullptr;
  EXPECT_EQ(page->getValue(NPPVpluginScriptableNPObject, &value), NPERR_GENERIC_ERROR);
  browser_.allocatorControl().allowAll();
  EXPECT_NE(page->scriptObject(), nullptr);
  EXPECT_EQ(browser_.objects().livePluginObjects(), 2u);
}

TEST_F(ScriptMethods, EachInstanceReadsItsOwnField) {
  Page* other = openReadyPage();
  typeIntoField("first");
  click(other);  // the focus moves to the other instance
  other->typeText("second");
  EXPECT_NE(page_->scriptObject(), other->scriptObject());
  EXPECT_EQ(testsupport::decodePassword(page_->invoke("GetPassword").stringValue), "first");
  EXPECT_EQ(testsupport::decodePassword(other->invoke("GetPassword").stringValue), "second");
}

// ---- Secret hygiene ----------------------------------------------------------------------

struct FreedBlocks {
  std::vector<std::pair<std::size_t, bool>> blocks;  // size, all zero
  static void hook(const void* block, std::size_t size, void* context) {
    const auto* bytes = static_cast<const unsigned char*>(block);
    bool zero = true;
    for (std::size_t i = 0; i < size; ++i) zero = zero && bytes[i] == 0;
    static_cast<FreedBlocks*>(context)->blocks.emplace_back(size, zero);
  }
};

TEST_F(ScriptMethods, GetPasswordWipesItsClearCopiesBeforeReturning) {
  const std::string password = "Hunter2-Password";
  typeIntoField(password);
  browser_.allocatorControl().watchFreedBlocksFor(password);
  NPObject* object = page_->scriptObject();
  FreedBlocks freed;
  NSAutoreleaseScope callerPool;  // the browser's pool: must receive nothing from the call
  NSUInteger pending = NSAutoreleasePool::pendingCount();
  NSSetFreeHook(&FreedBlocks::hook, &freed);
  NPVariant result;
  bool ok = object->_class->invoke(object, identifier("GetPassword"), nullptr, 0, &result);
  NSSetFreeHook(nullptr, nullptr);
  ASSERT_TRUE(ok);
  EXPECT_EQ(NSAutoreleasePool::pendingCount(), pending);
  // The field's text came out as a string (UTF-16 storage) and its ASCII form; both were freed,
  // wiped, while the call ran.
  bool sawText = false, sawASCII = false;
  for (auto [size, zero] : freed.blocks) {
    if (size == 2 * password.size()) sawText = sawText || zero;
    if (size == password.size() + 1) sawASCII = sawASCII || zero;
  }
  EXPECT_TRUE(sawText);
  EXPECT_TRUE(sawASCII);
  EXPECT_EQ(testsupport::decodePassword(result.value.stringValue.UTF8Characters), password);
  releaseVariant(&result);
  EXPECT_EQ(browser_.allocatorControl().watchHits(), 0u);
}

// ---- An object that outlives its instance ------------------------------------------------

TEST_F(ScriptMethods, ObjectKeptAfterItsInstanceNeverReachesIt) {
  typeIntoField("secret");
  NPObject* object = page_->scriptObject();
  browser_.objects().retain(object);  // the page's script keeps a reference
  browser_.closePage(page_);
  page_ = nullptr;
  ASSERT_TRUE(browser_.objects().isLive(object));

  auto call = [&](const char* method, std::vector<NPVariant> args = {}) {
    ScriptResult out;
    NPVariant result;
    VOID_TO_NPVARIANT(result);
    NSAutoreleaseScope pool;
    out.ok = browser_.browserFuncs().invoke(nullptr, object, identifier(method),
                                            args.empty() ? nullptr : args.data(),
                                            static_cast<uint32_t>(args.size()), &result);
    out.type = result.type;
    if (result.type == NPVariantType_String) {
      out.stringValue.assign(result.value.stringValue.UTF8Characters,
                             result.value.stringValue.UTF8Length);
      out.stringBlockSize = browser_.allocator().blockSize(result.value.stringValue.UTF8Characters);
    }
    releaseVariant(&result);
    return out;
  };
  EXPECT_TRUE(isEmptyResult(call("GetPassword")));
  ScriptResult cleared = call("Clearpassword");
  EXPECT_TRUE(cleared.ok);
  EXPECT_EQ(cleared.type, NPVariantType_Void);
  EXPECT_TRUE(call("GetDllVersion").isString("1600"));
  ScriptResult encoded = call("EncodeData", {StringArgument("still works")});
  EXPECT_EQ(testsupport::decodePassword(encoded.stringValue), "still works");
  EXPECT_FALSE(call("Unknown").ok);
  EXPECT_EQ(capturedStdout([&] {
              EXPECT_FALSE(browser_.browserFuncs().hasproperty(nullptr, object, identifier("x")));
            }),
            "x\nbase_hasproperty\n");

  browser_.objects().release(object);
  EXPECT_FALSE(browser_.objects().isLive(object));
}

}  // namespace
