// hygiene_probe: the plug-in module in a fresh process, for the secret-hygiene tests that need one.
//
//   hygiene_probe first-qsencode MODULE LENGTH
//       Loads MODULE with lazy binding, as browsers load plug-ins, and makes the process's first
//       QsEncode call on a text of LENGTH characters; then looks at the dead stack it left.
//   hygiene_probe first-getpassword MODULE
//       Loads MODULE with lazy binding into the stand-in browser, types a password and makes the
//       first "GetPassword"; then looks at the dead stack the call left.
//   hygiene_probe typed MODULE [--refuse-locking]
//       Loads MODULE into the stand-in browser and types into the field, one key press per
//       character, the password it reads from standard input one byte at a time (so no whole copy
//       of it lives in this process outside the plug-in), ends it with Return and reads it once
//       through "GetPassword"; then writes "typed locked=N refusal-logged=M" (N: 1 when the field's
//       storage is locked in memory; M: the system log lines saying it could not be) and waits,
//       alive, until its input ends, for a core dump to be taken. With --refuse-locking it first
//       makes locking memory impossible for itself. It keeps ProbeHeapMarker() in its heap.
//
// The first two print what they found and exit 1 when they found the password or a form of it,
// 0 when not; every mode exits 2 when it could not run.
#include <dlfcn.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "nativeui/NSLog.h"
#include "nativeui/NSSecureTextField.h"
#include "nativeui/SecureMemory.h"
#include "npapi_browser/Browser.h"
#include "plugin_state/PluginObject.h"
#include "tests/hygiene/secret_scan.h"

namespace {

constexpr int kClean = 0, kFound = 1, kCannotRun = 2;

// A printable text of the given length in which no 8 characters repeat.
std::string ProbeText(std::size_t length) {
  std::string text;
  for (std::size_t i = 0; i < length; ++i) text += static_cast<char>('!' + (i * 37 + 11) % 94);
  return text;
}

int Report(const hygiene::Finding& finding) {
  std::printf("%s\n", finding ? finding.what.c_str() : "clean");
  return finding ? kFound : kClean;
}

// Keeps the module loaded with lazy binding: the stand-in browser's own dlopen then finds it open
// and binds nothing more.
void* OpenLazily(const char* module) {
  void* handle = dlopen(module, RTLD_LAZY | RTLD_LOCAL);
  if (handle == nullptr) std::fprintf(stderr, "hygiene_probe: %s\n", dlerror());
  return handle;
}

int FirstQsEncode(const char* module, std::size_t length) {
  if (OpenLazily(module) == nullptr) return kCannotRun;
  using QsEncodeFunc = void (*)(char*, const char*);
  auto encode = reinterpret_cast<QsEncodeFunc>(dlsym(dlopen(module, RTLD_LAZY), "QsEncode"));
  if (encode == nullptr) return kCannotRun;
  const std::string text = ProbeText(length);
  const hygiene::Secret secret(text, true);
  static char out[512];
  return Report(hygiene::LeavesOnStack(secret, [&] { encode(out, text.c_str()); }));
}

npapibrowser::Page* ReadyPageWithFocus(npapibrowser::Browser& browser, const char* module) {
  NSLogSetEchoToStandardError(false);
  if (!browser.load(module)) {
    std::fprintf(stderr, "hygiene_probe: %s\n", browser.lastError().c_str());
    return nullptr;
  }
  npapibrowser::PageOptions options;
  options.mimeType = "application/x-secure-password";
  const npapibrowser::ReadyPage ready = browser.openReadyPage(300, 24, options);
  if (!ready.ok()) return nullptr;
  ready.page->mouse(NPCocoaEventMouseDown, 10, 10);
  ready.page->focus(true);
  ready.page->mouse(NPCocoaEventMouseUp, 10, 10);
  return ready.page;
}

int FirstGetPassword(const char* module) {
  if (OpenLazily(module) == nullptr) return kCannotRun;
  npapibrowser::Browser browser;
  npapibrowser::Page* page = ReadyPageWithFocus(browser, module);
  if (page == nullptr) return kCannotRun;
  const std::string text = ProbeText(40);
  for (const char c : text) {
    page->keyDown(npapibrowser::KeyPress::character(static_cast<char16_t>(c)));
    page->keyUp(npapibrowser::KeyPress::character(static_cast<char16_t>(c)));
  }
  const hygiene::Secret secret(text, true);
  npapibrowser::ScriptResult result;
  const int status =
      Report(hygiene::LeavesOnStack(secret, [&] { result = page->invoke("GetPassword"); }));
  if (!result.ok || result.stringValue.empty()) return kCannotRun;
  browser.closePage(page);
  return status;
}

// No capability to lock memory and a locked-memory limit of zero: every mlock is refused.
bool RefuseLocking() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  data[CAP_IPC_LOCK / 32].effective &= ~(1u << (CAP_IPC_LOCK % 32));
  if (syscall(SYS_capset, &header, data) != 0) return false;
  const rlimit none{0, 0};
  return setrlimit(RLIMIT_MEMLOCK, &none) == 0;
}

int Typed(const char* module, bool refuseLocking) {
  if (refuseLocking && !RefuseLocking()) {
    std::perror("hygiene_probe: cannot refuse locking");
    return kCannotRun;
  }
  const auto* marker = new std::string(hygiene::ProbeHeapMarker());
  NSLogSetCapture(true);
  npapibrowser::Browser browser;
  npapibrowser::Page* page = ReadyPageWithFocus(browser, module);
  if (page == nullptr) return kCannotRun;
  char c = 0;
  while (read(STDIN_FILENO, &c, 1) == 1 && c != '\n') {
    page->keyDown(npapibrowser::KeyPress::character(static_cast<char16_t>(c)));
    page->keyUp(npapibrowser::KeyPress::character(static_cast<char16_t>(c)));
  }
  c = 0;
  page->keyDown(npapibrowser::KeyPress::returnKey());
  const npapibrowser::ScriptResult encoded = page->invoke("GetPassword");
  if (!encoded.ok || encoded.stringValue.empty()) return kCannotRun;
  const auto* record = static_cast<PluginObject*>(page->npp()->pdata);
  const bool locked = NSSecretStorageIsLocked(record->textField->storageForTesting());
  int refusals = 0;
  for (const std::string& line : NSLogCapturedLines()) {
    if (line.find("not locked in memory") != std::string::npos) ++refusals;
  }
  std::printf("typed locked=%d refusal-logged=%d\n", locked ? 1 : 0, refusals);
  std::fflush(stdout);
  while (read(STDIN_FILENO, &c, 1) == 1) {
  }
  browser.closePage(page);
  delete marker;
  return browser.unload().clean() ? kClean : kCannotRun;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[1] : "";
  if (mode == "first-qsencode" && argc == 4) {
    return FirstQsEncode(argv[2], std::strtoul(argv[3], nullptr, 10));
  }
  if (mode == "first-getpassword" && argc == 3) return FirstGetPassword(argv[2]);
  if (mode == "typed" &&
      (argc == 3 || (argc == 4 && std::strcmp(argv[3], "--refuse-locking") == 0))) {
    return Typed(argv[2], argc == 4);
  }
  std::fprintf(stderr, "usage: hygiene_probe first-qsencode|first-getpassword|typed MODULE ...\n");
  return kCannotRun;
}
