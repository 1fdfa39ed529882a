// Test support: securepassword-host run as a browser runs it, over pipes. Requests go in framed
// (a native-order 32-bit length, then JSON), replies are read back one at a time with a time
// limit, standard error is collected on a thread, and the exit status is waited for. Everything
// the host writes to standard output must be framed JSON: anything else fails the read.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace nativehosttest {

using nlohmann::json;

class HostProcess {
 public:
  explicit HostProcess(std::vector<std::string> arguments = {}) {
    std::signal(SIGPIPE, SIG_IGN);
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
      ADD_FAILURE() << "pipe: " << std::strerror(errno);
      return;
    }
    _pid = fork();
    if (_pid == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      dup2(err[1], 2);
      std::vector<char*> argv{const_cast<char*>(NATIVE_HOST)};
      for (std::string& a : arguments) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(NATIVE_HOST, argv.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    _in = in[1];
    _out = out[0];
    _errReader = std::thread([this, fd = err[0]] {
      char buffer[4096];
      ssize_t n;
      while ((n = read(fd, buffer, sizeof buffer)) > 0) _err.append(buffer, n);
      close(fd);
    });
  }

  ~HostProcess() {
    closeInput();
    if (_pid > 0 && !_waited) {
      kill(_pid, SIGKILL);
      waitpid(_pid, nullptr, 0);
    }
    if (_errReader.joinable()) _errReader.join();
    if (_out >= 0) close(_out);
  }

  // Raw bytes on the host's standard input.
  void sendBytes(const std::string& bytes) {
    ASSERT_EQ(write(_in, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  static std::string Frame(const std::string& body) {
    const auto length = static_cast<std::uint32_t>(body.size());
    return std::string(reinterpret_cast<const char*>(&length), sizeof length) + body;
  }
  void send(const json& request) { sendBytes(Frame(request.dump())); }

  // The next reply; no value (and a test failure) when none comes in time, the output ends, or
  // what comes is not a framed JSON object.
  std::optional<json> receive() {
    std::uint32_t length = 0;
    if (!readExactly(&length, sizeof length)) return std::nullopt;
    std::string body(length, '\0');
    if (!readExactly(body.data(), length)) return std::nullopt;
    json reply = json::parse(body, nullptr, false);
    if (reply.is_discarded() || !reply.is_object()) {
      ADD_FAILURE() << "not a JSON object on standard output: " << body;
      return std::nullopt;
    }
    return reply;
  }

  // Sends a request and answers its reply.
  json ask(const json& request) {
    send(request);
    std::optional<json> reply = receive();
    return reply.value_or(json());
  }

  void closeInput() {
    if (_in >= 0) close(_in);
    _in = -1;
  }

  // Closes the input, expects nothing more on standard output, and answers the exit status.
  int finish() {
    closeInput();
    char extra[256];
    ssize_t n;
    std::string rest;
    while ((n = read(_out, extra, sizeof extra)) > 0) rest.append(extra, n);
    EXPECT_EQ(rest, "") << "standard output carried more than the replies";
    int status = 0;
    waitpid(_pid, &status, 0);
    _waited = true;
    if (_errReader.joinable()) _errReader.join();
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  // Standard error, complete once finish() has returned.
  const std::string& err() const { return _err; }

 private:
  bool readExactly(void* into, std::size_t size) {
    auto* at = static_cast<char*>(into);
    while (size > 0) {
      pollfd ready{_out, POLLIN, 0};
      if (poll(&ready, 1, 60000) != 1) {
        ADD_FAILURE() << "no reply within 60 s";
        return false;
      }
      ssize_t n = read(_out, at, size);
      if (n <= 0) {
        ADD_FAILURE() << "standard output ended inside or before a reply";
        return false;
      }
      at += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

  pid_t _pid = -1;
  int _in = -1;
  int _out = -1;
  bool _waited = false;
  std::string _err;
  std::thread _errReader;
};

}  // namespace nativehosttest
