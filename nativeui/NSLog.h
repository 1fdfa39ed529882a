// NSLog: formats one line (printf-style) and writes it to the system log (syslog) and, with a
// date and process prefix, to standard error, as on macOS. Tests can capture the lines (the text
// as formatted, without prefix) and turn the standard-error copy off.
#pragma once

#include <string>
#include <vector>

extern "C" void NSLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Capturing keeps every line logged from now on until it is turned off.
void NSLogSetCapture(bool capture);
std::vector<std::string> NSLogCapturedLines();
void NSLogClearCapturedLines();
// Whether lines also go to standard error (on by default).
void NSLogSetEchoToStandardError(bool echo);
// Whether lines go to the system log (on by default). Fuzzers and long tests turn it off rather
// than write millions of lines there; without a syslog daemon every line would also cost a
// failed connection attempt.
void NSLogSetSystemLog(bool enabled);
