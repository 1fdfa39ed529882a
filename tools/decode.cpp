// decode: prints the clear text of an encoded password text, for server developers and for
// checking what a page received. The text comes from the argument or, without one, from one line
// of standard input (one trailing line end allowed). --json prints a JSON object instead. Exit
// status 0 on success, 1 when the text cannot be decoded or read, 2 on a usage error.
#include "decoder/decode.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "decoder/json.h"
#include "wipe/secure_wipe.h"

namespace {

constexpr const char* kUsage =
    "usage: decode [--json] [--] [ENCODED_TEXT]\n"
    "Prints the clear text of ENCODED_TEXT (128 units of letters, digits and \"*\" escapes).\n"
    "Without ENCODED_TEXT, reads one line from standard input. With --json, prints\n"
    "{\"ok\":true,\"clear\":...,\"clear_encoding\":\"utf-8\"|\"latin-1\",\"variant\":N,\"warning\":"
    "...}\n"
    "or {\"ok\":false,\"error\":{\"code\":...,\"position\":N,\"message\":...}}.\n";

// Far more than the longest encoded password text (384 characters); anything longer is refused
// without being kept.
constexpr std::size_t kMaxInput = 4096;

void Wipe(std::string& s) {
  if (!s.empty()) wipe::SecureWipe(s.data(), s.size());
  s.clear();
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// A failure of the tool itself (reading its input), reported like a decode error.
struct InputError {
  const char* code;
  const char* message;
};

// Reads standard input whole and drops one line end ("\n" or "\r\n") at its end. Refuses a
// second line and input above kMaxInput bytes.
bool ReadStdin(std::string& text, InputError& error) {
  char buf[512];
  for (;;) {
    const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = {"read-error", "cannot read standard input"};
      return false;
    }
    if (n == 0) break;
    if (text.size() + static_cast<std::size_t>(n) > kMaxInput) {
      wipe::SecureWipe(buf, sizeof buf);
      error = {"input-too-long", "standard input holds more than 4096 bytes"};
      return false;
    }
    text.append(buf, static_cast<std::size_t>(n));
  }
  wipe::SecureWipe(buf, sizeof buf);
  if (!text.empty() && text.back() == '\n') {
    text.pop_back();
    if (!text.empty() && text.back() == '\r') text.pop_back();
  }
  if (text.find('\n') != std::string::npos) {
    error = {"several-lines", "standard input holds more than one line"};
    return false;
  }
  return true;
}

// AppendString, with running out of memory ending the program (main reports it).
void AppendJson(std::string& out, std::string_view bytes, bool utf8) {
  if (!decoder::json::AppendString(out, bytes, utf8)) throw std::bad_alloc();
}

void AppendError(std::string& out, const char* code, int position, const char* message) {
  out += "{\"ok\":false,\"error\":{\"code\":";
  AppendJson(out, code, true);
  out += ",\"position\":";
  out += position >= 0 ? std::to_string(position) : "null";
  out += ",\"message\":";
  AppendJson(out, message, true);
  out += "}}\n";
}

void AppendSuccess(std::string& out, const decoder::DecodeResult& result) {
  const bool utf8 = decoder::json::IsUtf8(result.text());
  out += "{\"ok\":true,\"clear\":";
  AppendJson(out, result.text(), utf8);
  out += ",\"clear_encoding\":";
  out += utf8 ? "\"utf-8\"" : "\"latin-1\"";
  out += ",\"variant\":";
  out += std::to_string(result.variant);
  out += ",\"warning\":";
  if (result.warning == decoder::DecodeWarning::kNone) {
    out += "null";
  } else {
    out += "{\"code\":";
    AppendJson(out, decoder::WarningName(result.warning), true);
    out += ",\"message\":";
    AppendJson(out, decoder::WarningExplanation(result.warning), true);
    out += '}';
  }
  out += "}\n";
}

int Fail(bool json, const char* code, int position, const char* message) {
  std::fprintf(stderr, "decode: %s\n", message);
  if (json) {
    std::string out;
    AppendError(out, code, position, message);
    WriteAll(STDOUT_FILENO, out);
  }
  return 1;
}

int Run(int argc, char** argv) {
  bool json = false;
  const char* argument = nullptr;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (options && arg == "--") {
      options = false;
    } else if (options && arg == "--json") {
      json = true;
    } else if (options && (arg == "-h" || arg == "--help")) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "decode: unknown option %s\n%s", argv[i], kUsage);
      return 2;
    } else if (argument == nullptr) {
      argument = argv[i];
    } else {
      std::fprintf(stderr, "decode: more than one text given\n%s", kUsage);
      return 2;
    }
  }

  std::string input;
  if (argument != nullptr) {
    input = argument;
  } else {
    InputError error{};
    if (!ReadStdin(input, error)) {
      Wipe(input);
      return Fail(json, error.code, -1, error.message);
    }
  }

  const decoder::DecodeResult result = decoder::DecodePassword(input);
  Wipe(input);
  if (!result.ok()) {
    char message[decoder::kMessageSize];
    decoder::DescribeError(result, message, sizeof message);
    return Fail(json, decoder::ErrorName(result.error), result.position, message);
  }

  std::string out;
  if (json) {
    AppendSuccess(out, result);
  } else {
    out.assign(result.text());
    out += '\n';
  }
  const bool written = WriteAll(STDOUT_FILENO, out);
  Wipe(out);
  if (result.warning != decoder::DecodeWarning::kNone) {
    char message[decoder::kMessageSize];
    decoder::DescribeWarning(result, message, sizeof message);
    std::fprintf(stderr, "decode: warning: %s\n", message);
  }
  if (!written) {
    std::fprintf(stderr, "decode: cannot write standard output\n");
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "decode: %s\n", e.what());
    return 1;
  }
}
