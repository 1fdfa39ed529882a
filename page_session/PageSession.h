// The page session: a terminal plays a web page that embeds the plug-in, in our stand-in browser.
// It introduces itself, loads the module as a browser would, opens and sizes an instance, takes its
// layer and script object, clicks into the field, turns the keys read from the input into key
// events (the field shows only as bullets and caret from its layer), and when the plug-in leaves
// Return to the page, runs the page's script: "GetPassword", "GetActiveNIC", "GetHardDiskNUM",
// "GetDllVersion", then "Clearpassword". It then takes the focus away, destroys the instance,
// shuts the module down and prints the stand-in browser's report. Every failure ends in a clear
// sentence. With verify, the page also decodes the encoded password text and compares it with the
// text the keys it sent should have left in the field.
#pragma once

#include <cstdio>
#include <string>

namespace pagesession {

struct SessionOptions {
  std::string modulePath;
  bool verify = false;  // decode what "GetPassword" gave and compare it with what was typed
};

// Exit statuses of the session program.
enum ExitStatus : int {
  kPasswordSent = 0,    // the page read the password and the stand-in browser's report is clean
  kReportNotClean = 1,  // something was left alive or a fault was recorded
  kCannotRun = 2,       // bad arguments, module not loadable, instance refused...
  kNoPasswordSent = 3,  // the input ended, or was interrupted, before Return
  kNotVerified = 4,     // with verify: the page's password is not what was typed, or undecodable
};

// Runs one session reading keys from inputFd (a terminal is put in raw mode for the time of
// typing), writing the page to out and failures to err. Returns an ExitStatus.
int runPageSession(const SessionOptions& options, int inputFd, std::FILE* out, std::FILE* err);

}  // namespace pagesession
