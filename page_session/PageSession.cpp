// One page session, from loading the module to the stand-in browser's report.
#include "page_session/PageSession.h"

#include <unistd.h>

#include <optional>
#include <string>

#include "nativeui/NSLog.h"
#include "npapi_browser/Browser.h"
#include "page_session/BundleInfo.h"
#include "page_session/KeyReader.h"
#include "page_session/PasswordCheck.h"
#include "page_session/RawTerminal.h"
#include "page_session/TypedText.h"
#include "script/PageMethods.h"

namespace pagesession {

namespace {

using npapibrowser::Browser;
using npapibrowser::Page;
using npapibrowser::ScriptResult;

constexpr const char* kDefaultMimeType = "application/x-secure-password";
constexpr const char* kBullet = "\xE2\x80\xA2";
constexpr uint32_t kFieldWidth = 320;
constexpr uint32_t kFieldHeight = 24;

std::size_t countOf(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

const char* meaningOf(NPError error) {
  switch (error) {
    case NPERR_INCOMPATIBLE_VERSION_ERROR:
      return "it needs a browser with Core Animation drawing and Cocoa events";
    case NPERR_OUT_OF_MEMORY_ERROR:
      return "it ran out of memory";
    case NPERR_INVALID_INSTANCE_ERROR:
      return "it did not accept the instance";
    default:
      return "it reported an error";
  }
}

class Session {
 public:
  Session(const SessionOptions& options, int inputFd, std::FILE* out, std::FILE* err)
      : _options(options), _inputFd(inputFd), _out(out), _err(err) {
    _inPlace = isatty(inputFd) && isatty(fileno(out));
  }

  int run() {
    _bundle = bundleInfoBeside(_options.modulePath);
    if (_bundle.mimeType.empty()) _bundle.mimeType = kDefaultMimeType;
    introduce();
    // The plug-in's system-log lines (focus changes) stay in the system log, off the page.
    NSLogSetEchoToStandardError(false);
    if (!_browser.load(_options.modulePath)) {
      fail("The plug-in could not be loaded: " + _browser.lastError() + ".");
      return kCannotRun;
    }
    if (!openInstance()) return finish(kCannotRun);
    _ready = true;
    return finish(typePassword());
  }

 private:
  void introduce() {
    std::string name =
        "the " + (_bundle.name.empty() ? "secure password field" : _bundle.name) + " plug-in";
    std::string version = _bundle.version.empty() ? "" : "version " + _bundle.version + ", ";
    std::fprintf(
        _out,
        "Secure password page\n"
        "--------------------\n"
        "This terminal stands for a web page that embeds %s\n"
        "(%stype %s), loaded from\n"
        "  %s\n"
        "into our stand-in browser. The page clicks into the plug-in's field for you.\n"
        "\n"
        "Type a password and press Return. The field shows only bullets; Backspace,\n"
        "Delete, the Left and Right arrows, Home and End edit it. After Return the page's\n"
        "script asks the plug-in for the password, which it only ever gives as encoded\n"
        "password text, and for its other answers. Ctrl-C or Ctrl-D leaves without\n"
        "sending anything.\n",
        name.c_str(), version.c_str(), _bundle.mimeType.c_str(), _options.modulePath.c_str());
    if (!isatty(_inputFd)) {
      std::fprintf(_out, "(Standard input is not a terminal: the keys are read from it.)\n");
    }
    std::fprintf(_out, "\n");
    std::fflush(_out);
  }

  bool fail(const std::string& sentence) {
    std::fflush(_out);
    std::fprintf(_err, "%s\n", sentence.c_str());
    return false;
  }

  // An instance set up as a browser sets it up, with the field clicked into; false (after the
  // sentence) when the plug-in refuses any step.
  bool openInstance() {
    npapibrowser::PageOptions options;
    options.mimeType = _bundle.mimeType;
    options.attributes = {{"type", _bundle.mimeType},
                          {"width", std::to_string(kFieldWidth)},
                          {"height", std::to_string(kFieldHeight)}};
    options.location = "about:page-session";
    const npapibrowser::ReadyPage ready =
        _browser.openReadyPage(kFieldWidth, kFieldHeight, options);
    _page = ready.page;
    switch (ready.reached) {
      case npapibrowser::ReadyStep::kNew:
        if (_page == nullptr) return fail("The plug-in has no entry for new instances.");
        return fail("The plug-in refused to start in this page (NPP_New answered " +
                    std::to_string(_page->newResult()) + ": " + meaningOf(_page->newResult()) +
                    ").");
      case npapibrowser::ReadyStep::kWindow:
        return fail("The plug-in did not accept its window (NPP_SetWindow failed).");
      case npapibrowser::ReadyStep::kLayer:
        return fail("The plug-in gave the page no drawing layer.");
      case npapibrowser::ReadyStep::kScriptObject:
        return fail("The plug-in gave the page no script object.");
      case npapibrowser::ReadyStep::kReady:
        break;
    }
    // A click into the field, as a browser delivers it.
    _page->mouse(NPCocoaEventMouseEntered, 10, 12);
    _page->mouse(NPCocoaEventMouseMoved, 10, 12);
    _page->mouse(NPCocoaEventMouseDown, 10, 12);
    _page->focus(true);
    _page->mouse(NPCocoaEventMouseUp, 10, 12);
    return true;
  }

  // What the field's layer shows: bullets and, while it is edited, the caret.
  std::string fieldText() const { return _page->renderLayerText(); }

  void showField() {
    if (!_inPlace) return;
    std::fprintf(_out, "\r\033[2KPassword: %s", fieldText().c_str());
    std::fflush(_out);
  }

  int typePassword() {
    InputEvent::Kind ending = InputEvent::Kind::EndOfInput;
    bool submitted = false;
    {
      std::optional<RawTerminal> raw;
      if (isatty(_inputFd)) raw.emplace(_inputFd);
      KeyReader reader(_inputFd, raw.has_value() && raw->active());
      showField();
      for (;;) {
        InputEvent event = reader.next();
        if (event.kind != InputEvent::Kind::Key) {
          ending = event.kind;
          break;
        }
        if (_options.verify) _typed.apply(event.key);
        int16_t handled = _page->keyDown(event.key);
        _page->keyUp(event.key);
        if (handled == 0 && event.isReturn()) {  // left to the page
          submitted = true;
          break;
        }
        showField();
      }
    }
    if (_inPlace) {
      std::fprintf(_out, "\n");
    } else {
      std::fprintf(_out, "Password: %s\n", fieldText().c_str());
    }
    if (!submitted) {
      std::fprintf(_out, "\n%s\n",
                   ending == InputEvent::Kind::Interrupt
                       ? "Interrupted before Return was pressed: the page received no password."
                       : "The input ended before Return was pressed: the page received no "
                         "password.");
      return kNoPasswordSent;
    }
    return runPageScript() ? kPasswordSent : kNotVerified;
  }

  // Runs the page's script; false when --verify finds the password is not what was typed.
  bool runPageScript() {
    const std::size_t typed = countOf(fieldText(), kBullet);
    std::fflush(_out);
    ScriptResult password = _page->invoke(pagemethods::kGetPassword);
    ScriptResult nic = _page->invoke(pagemethods::kGetActiveNIC);
    ScriptResult disk = _page->invoke(pagemethods::kGetHardDiskNUM);
    ScriptResult version = _page->invoke(pagemethods::kGetDllVersion);
    std::fflush(_out);

    std::fprintf(_out, "\nReturn was left to the page; its script asked the plug-in:\n");
    std::string why;
    if (typed == 0) {
      why = "the field was empty, so there was nothing to encode";
    } else {
      why = "the password holds a character outside ASCII, which the plug-in does not encode";
    }
    answer(pagemethods::kGetPassword, password, why);
    if (password.ok && !password.stringValue.empty()) {
      std::fprintf(_out,
                   "                  (encoded password text, %zu characters; the clear password "
                   "never reached the page)\n",
                   password.stringValue.size());
    }
    answer(pagemethods::kGetActiveNIC, nic,
           "the plug-in found no active network interface with an address");
    answer(pagemethods::kGetHardDiskNUM, disk,
           "the plug-in found no serial number for the disk that holds /");
    answer(pagemethods::kGetDllVersion, version, "the plug-in gave no version");
    return !_options.verify || verify(password);
  }

  // --verify: decodes what "GetPassword" gave and compares it with the text the keys typed.
  bool verify(const ScriptResult& password) {
    bool matches = false;
    if (!password.ok || password.type != NPVariantType_String) {
      std::fprintf(_out, "  %-15s -> cannot check: the GetPassword call was refused\n", "Verify");
    } else {
      PasswordCheck check = checkPassword(_typed.text(), password.stringValue);
      matches = check.verdict == PasswordCheck::Verdict::kMatches;
      const char* label = "matches";
      if (check.verdict == PasswordCheck::Verdict::kDiffers) label = "DOES NOT MATCH";
      if (check.verdict == PasswordCheck::Verdict::kUndecodable) label = "CANNOT DECODE";
      std::fprintf(_out, "  %-15s -> %s: %s\n", "Verify", label, check.sentence.c_str());
    }
    _typed.clear();
    if (!matches) {
      std::fflush(_out);
      std::fprintf(_err,
                   "The page did not receive the typed password in a form a server can decode (see "
                   "Verify above).\n");
    }
    return matches;
  }

  void answer(const char* method, const ScriptResult& result, const std::string& whyNone) {
    if (!result.ok || result.type != NPVariantType_String) {
      std::fprintf(_out, "  %-15s -> failed (the script call was refused)\n", method);
    } else if (result.stringValue.empty()) {
      std::fprintf(_out, "  %-15s -> none (%s)\n", method, whyNone.c_str());
    } else {
      std::fprintf(_out, "  %-15s -> %s\n", method, result.stringValue.c_str());
    }
  }

  // Clears the field, takes the focus away, destroys the instance, shuts the module down and
  // prints the stand-in browser's report.
  int finish(int status) {
    if (!_browser.isLoaded()) return status;
    if (_ready && _page->isRunning()) {
      _page->invoke(pagemethods::kClearpassword);
      _page->focus(false);
      std::fprintf(_out, "\nThe page cleared the field (Clearpassword) and took the focus away.\n");
    }
    if (_page != nullptr) _browser.closePage(_page);
    _page = nullptr;
    npapibrowser::UnloadReport report = _browser.unload();
    std::fprintf(_out, "The instance was destroyed and the module shut down.\n\n%s",
                 report.text.c_str());
    std::fflush(_out);
    if (!report.clean()) {
      std::fprintf(_err,
                   "The stand-in browser found something the plug-in left alive, or a fault it "
                   "made (see the "
                   "report above).\n");
      return kReportNotClean;
    }
    return status;
  }

  const SessionOptions& _options;
  int _inputFd;
  std::FILE* _out;
  std::FILE* _err;
  bool _inPlace = false;
  BundleInfo _bundle;
  Browser _browser;
  Page* _page = nullptr;
  TypedText _typed;     // with --verify: what the field should hold
  bool _ready = false;  // the instance is set up and clicked into
};

}  // namespace

int runPageSession(const SessionOptions& options, int inputFd, std::FILE* out, std::FILE* err) {
  Session session(options, inputFd, out, err);
  return session.run();
}

}  // namespace pagesession
