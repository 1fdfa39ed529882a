// Secret hygiene of the built module, driven through the stand-in browser as a page would: after
// typing, "Clearpassword", every "GetPassword" and "EncodeData", and NPP_Destroy, no copy of the
// clear text may remain in the field's storage (beyond the text itself), in blocks the native
// layer or the browser's allocator freed (other than the encoded text), on the dead stack the
// plug-in's calls left (nor, there, its scrambled form under any variant or an AES input block),
// or in heap memory it freed; no trace or log line may hold it; and the field can neither be read
// in clear nor copied or cut. In fresh processes (hygiene_probe): the first call of a module loaded
// with lazy binding leaves nothing either, and a core dump taken right after typing holds none of
// it, also where the system refuses to lock the field's storage in memory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/NSLog.h"
#include "nativeui/NSSecureTextField.h"
#include "nativeui/NSString.h"
#include "plugin_state/PluginObject.h"
#include "tests/hygiene/secret_scan.h"
#include "tests/support/capture_stdout.h"
#include "tests/support/password_decoder.h"
#include "tests/support/plugin_fixture.h"
#include "tests/support/run_program.h"

namespace {

using hygiene::FreedBlockWatch;
using hygiene::LeavesOnStack;
using hygiene::ReusedHeapHolds;
using hygiene::Secret;
using npapibrowser::KeyPress;
using npapibrowser::Page;

// Printable ASCII, 32 characters; each test uses its own so one cannot find another's.
constexpr char kTyped[] = "Kq7#vL2!pZ9@wR4$mT8%xN1^bH6&cJ3*";
constexpr char kCleared[] = "Vd5)gY8(eU1_sF4+aQ7=kW2~oE9{iP6}";
constexpr char kRead[] = "Mx3[nB6]tG9;yC2:hD5<jS8>lA1?zX4/";
constexpr char kPageData[] = "Rw2|uI5`fO8-qK1.cV4,bN7'eM0\"gL3\\";
constexpr char kDestroyed[] = "Tz6!hJ9@kL2#mN5$pQ8%rS1^vW4&xY7*";
constexpr char kLogged[] = "Ae3(dG6)fJ9_hM2+kP5=nS8~qV1{tY4}";
constexpr char kCopied[] = "Cb1[eF4]gI7;jL0:mO3<pR6>sU9?vX2/";
constexpr char kScripted[] = "Hu8|wZ1`yB4-aD7.cG0,eJ3'gM6\"iP9\\";
constexpr char kPoolless[] = "Nf4]pR7[tV0;xZ3:bD6<fH9>jL2?nP5/";
constexpr char kDumped[] = "Sg7|vJ0`yM3-bP6.eS9,hV2'kY5\"nB8\\";

class SecretHygiene : public PluginTest {
 protected:
  Page* readyPageWithFocus() {
    Page* page = openReadyPage();
    if (page != nullptr) click(page);
    return page;
  }

  // One key press per character, as the user types: no whole copy of the text on the stand-in
  // browser's side.
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
  FreedBlockWatch watch(browser_, secret);
  auto* block = static_cast<char*>(browser_.allocator().allocate(64));
  ASSERT_NE(block, nullptr);
  std::strcpy(block, "... 0123456789-abcdefgh");
  browser_.allocator().free(block);
  EXPECT_EQ(watch.hostHits(), 1u);
}

// The exported encoder at every length from 8 to 126: neither the text nor its scrambled form under
// any variant nor an AES input block stays in the stack below the caller.
TEST_F(SecretHygiene, QsEncodeLeavesNoFormOfTheTextOnTheStack) {
  auto encode = moduleFunction<void (*)(char*, const char*)>("QsEncode");
  ASSERT_NE(encode, nullptr);
  std::string text;
  for (std::size_t length = 1; length <= 126; ++length) {
    text += static_cast<char>('!' + (length * 37 + 11) % 94);
    if (length < 8) continue;  // a shorter text would be found by chance
    const Secret secret(text, true);
    char out[512];
    const hygiene::Finding found = LeavesOnStack(secret, [&] { encode(out, text.c_str()); });
    EXPECT_FALSE(found) << "length " << length << ": " << found;
  }
}

TEST_F(SecretHygiene, TypingLeavesThePasswordOnlyInTheFieldStorage) {
  const Secret secret(kTyped, true);
  Page* page = readyPageWithFocus();
  ASSERT_NE(page, nullptr);
  {
    FreedBlockWatch watch(browser_, secret);
    EXPECT_FALSE(LeavesOnStack(secret, [&] { typeText(page, kTyped); }));
    EXPECT_GT(watch.nativeBlocksSeen(), 0u);  // the key events and their strings
    EXPECT_EQ(watch.nativeHits(), 0u);
    EXPECT_EQ(watch.hostHits(), 0u);
  }
  EXPECT_FALSE(ReusedHeapHolds(secret));
  expectStorageHolds(page, kTyped);
  expectLayerShowsNoText(page);
  browser_.closePage(page);
}

TEST_F(SecretHygiene, ClearpasswordWipesTheFieldAndLeavesNoCopy) {
  const Secret secret(kCleared, true);
  Page* page = readyPageWithFocus();
  ASSERT_NE(page, nullptr);
  typeText(page, kCleared);
  // Editing in the middle moves units around inside the storage; nothing may stay behind its end.
  for (int i = 0; i < 5; ++i) page->keyDown(KeyPress::leftArrow());
  page->keyDown(KeyPress::backspace());
  page->keyDown(KeyPress::forwardDelete());
  {
    FreedBlockWatch watch(browser_, secret);
    const hygiene::Finding found =
        LeavesOnStack(secret, [&] { EXPECT_TRUE(page->invoke("Clearpassword").ok); });
    EXPECT_FALSE(found) << found;
    EXPECT_EQ(watch.nativeHits(), 0u);
    EXPECT_EQ(watch.hostHits(), 0u);
  }
  expectStorageHolds(page, "");
  EXPECT_FALSE(ReusedHeapHolds(secret));
  EXPECT_TRUE(page->invoke("GetPassword").isString(""));
  browser_.closePage(page);
}

TEST_F(SecretHygiene, EveryGetPasswordLeavesOnlyTheEncodedText) {
  const Secret secret(kRead, true);
  Page* page = readyPageWithFocus();
  ASSERT_NE(page, nullptr);
  typeText(page, kRead);
  std::vector<std::string> encoded;
  {
    FreedBlockWatch watch(browser_, secret);
    for (int i = 0; i < 20; ++i) {
      npapibrowser::ScriptResult result;
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
  browser_.closePage(page);
}

TEST_F(SecretHygiene, EveryEncodeDataLeavesOnlyTheEncodedText) {
  const Secret secret(kPageData, true);
  Page* page = openReadyPage();
  ASSERT_NE(page, nullptr);
  // The argument lies in this program's constant data, so any other copy is the plug-in's.
  NPVariant argument;
  STRINGN_TO_NPVARIANT(kPageData, std::strlen(kPageData), argument);
  std::string encoded;
  {
    FreedBlockWatch watch(browser_, secret);
    for (int i = 0; i < 20; ++i) {
      npapibrowser::ScriptResult result;
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
  browser_.closePage(page);
}

TEST_F(SecretHygiene, DestroyWipesTheFieldBeforeItsMemoryIsFreed) {
  const Secret secret(kDestroyed, true);
  Page* page = readyPageWithFocus();
  ASSERT_NE(page, nullptr);
  typeText(page, kDestroyed);
  {
    FreedBlockWatch watch(browser_, secret);
    EXPECT_FALSE(LeavesOnStack(secret, [&] { browser_.closePage(page); }));
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
    browser_.closePage(page);
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
  browser_.resetCalls();
  const std::size_t allocations = browser_.allocator().allocations();
  const std::string out = capturedStdout([&] {
    FreedBlockWatch watch(browser_, secret);
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
  EXPECT_EQ(browser_.allocator().allocations(), allocations);
  for (const char* service :
       {"memalloc", "invoke", "invokeDefault", "evaluate", "setproperty", "getproperty", "geturl",
        "geturlnotify", "posturl", "posturlnotify", "newstream", "write", "status", "setvalue",
        "setvalueforurl", "createobject", "setexception"}) {
    EXPECT_EQ(browser_.calls(service), 0u) << service;
  }
  EXPECT_FALSE(secret.foundIn(out.data(), out.size()));
  for (const std::string& line : NSLogCapturedLines())
    EXPECT_FALSE(secret.foundIn(line.data(), line.size()));
  expectLayerShowsNoText(page);
  browser_.closePage(page);
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
    const npapibrowser::ScriptResult result = page->invoke(method);
    EXPECT_FALSE(secret.foundIn(result.stringValue.data(), result.stringValue.size())) << method;
  }
  // The one way out is the encoded text.
  EXPECT_EQ(testsupport::decodePassword(page->invoke("GetPassword").stringValue), kScripted);
  browser_.closePage(page);
}

// A browser may deliver a key event with no autorelease pool in place. The native key event the
// plug-in rebuilds retains the browser's character strings; in no pool of its own, it would wait
// with them until the process ends.
TEST_F(SecretHygiene, AKeyEventWithNoPoolInPlaceKeepsNoCharacterAlive) {
  Page* page = readyPageWithFocus();
  ASSERT_NE(page, nullptr);
  ASSERT_EQ(NSAutoreleasePool::depth(), 0u);
  const NSUInteger leftovers = NSAutoreleasePool::noPoolCount();
  const NSUInteger strings = NSLiveObjectCount(NSObjectKind::String);
  for (const char* c = kPoolless; *c != '\0'; ++c) {
    const unichar unit = static_cast<unsigned char>(*c);
    NSString* characters = NSObject::alloc<NSString>()->initWithCharacters(&unit, 1);
    ASSERT_NE(characters, nullptr);
    for (const NPCocoaEventType type : {NPCocoaEventKeyDown, NPCocoaEventKeyUp}) {
      NPCocoaEvent event{};
      event.type = type;
      event.data.key.characters = characters;
      event.data.key.charactersIgnoringModifiers = characters;
      EXPECT_EQ(browser_.pluginFuncs().event(page->npp(), &event), 1);
    }
    characters->release();
  }
  EXPECT_EQ(NSAutoreleasePool::noPoolCount(), leftovers);
  EXPECT_EQ(NSLiveObjectCount(NSObjectKind::String), strings);
  expectStorageHolds(page, kPoolless);
  browser_.closePage(page);
}

// Browsers load plug-ins with lazy binding. Had the module left its symbols to be bound at their
// first call, the dynamic linker's resolver would run on the stack of the first call that handles
// the password and save the registers holding it there. Each run is a fresh process.
TEST_F(SecretHygiene, TheFirstCallUnderLazyBindingLeavesNothing) {
  for (const char* length : {"8", "63", "126"}) {
    const testsupport::ProgramRun run =
        testsupport::RunProgram(HYGIENE_PROBE, {"first-qsencode", SPW_MODULE, length});
    EXPECT_EQ(run.status, 0) << "length " << length << ": " << run.out << run.err;
  }
  const testsupport::ProgramRun run =
      testsupport::RunProgram(HYGIENE_PROBE, {"first-getpassword", SPW_MODULE});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
}

// The probe types kDumped, then a core dump of it is taken with gdb while it waits; what the
// probe answered, and whether the dump holds the password in any form.
struct DumpAfterTyping {
  std::string answer;
  hygiene::Finding found;
  hygiene::Finding marker;  // the probe's own heap marker, which every dump must hold
  int status = -1;
};

DumpAfterTyping DumpAfterTypingIn(const std::vector<std::string>& options, const Secret& secret) {
  DumpAfterTyping dump;
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return dump;
  std::vector<std::string> arguments{HYGIENE_PROBE, "typed", SPW_MODULE};
  arguments.insert(arguments.end(), options.begin(), options.end());
  const pid_t child = fork();
  if (child == 0) {
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv(HYGIENE_PROBE, argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  const std::string typed = std::string(kDumped) + "\n";
  (void)!write(in[1], typed.data(), typed.size());
  char c;
  while (read(out[0], &c, 1) == 1 && c != '\n') dump.answer += c;
  const std::string core = ::testing::TempDir() + "hygiene-" + std::to_string(child) + ".core";
  // A dump of the probe is a few megabytes; the cap keeps a runaway one from filling the disk.
  const testsupport::ProgramRun gdb = testsupport::RunProgram(
      "/usr/bin/prlimit", {"--fsize=268435456", "gdb", "--batch", "-nx", "-p",
                           std::to_string(child), "-ex", "gcore " + core, "-ex", "detach"});
  close(in[1]);  // the probe closes its page and ends
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  dump.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (gdb.status == 0) {
    dump.found = hygiene::FileHolds(secret, core);
    dump.marker = hygiene::FileHolds(Secret(hygiene::ProbeHeapMarker()), core);
  } else {
    dump.found.what = "no core dump: gdb answered " + std::to_string(gdb.status) + ": " + gdb.err;
  }
  std::remove(core.c_str());
  return dump;
}

// Right after typing, the field holds the password; a core dump of the process (a crash report,
// gcore) must not. The field's storage is left out of dumps whether or not the system lets the
// plug-in lock it in memory; where it refuses, the field works all the same and says why once in
// the system log.
TEST_F(SecretHygiene, ACoreDumpRightAfterTypingHoldsNoneOfIt) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's shadow memory would make the dump terabytes long";
#endif
  const Secret secret(kDumped, true);
  const DumpAfterTyping locked = DumpAfterTypingIn({}, secret);
  EXPECT_EQ(locked.answer, "typed locked=1 refusal-logged=0");
  EXPECT_TRUE(locked.marker) << "the dump does not hold the probe's heap";
  EXPECT_FALSE(locked.found) << locked.found;
  EXPECT_EQ(locked.status, 0);

  const DumpAfterTyping refused = DumpAfterTypingIn({"--refuse-locking"}, secret);
  EXPECT_EQ(refused.answer, "typed locked=0 refusal-logged=1");
  EXPECT_TRUE(refused.marker) << "the dump does not hold the probe's heap";
  EXPECT_FALSE(refused.found) << refused.found;
  EXPECT_EQ(refused.status, 0);
}

}  // namespace
