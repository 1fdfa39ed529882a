// Runs one of our command-line programs as a user or a script would: arguments, bytes on its
// standard input, and what it wrote to standard output and standard error, with its exit status.
// Used by the tests of encode-text, decode and page-session.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

struct ProgramRun {
  int status = -1;  // the exit status, 128 + the signal that ended it, or -1 when it could not run
  std::string out;
  std::string err;
};

inline std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0)
    text.append(buffer, static_cast<std::size_t>(n));
  return text;
}

// Input is written, and both outputs read, on their own threads, so a program that writes much
// before it reads, or stops reading early, cannot block the test.
inline ProgramRun RunProgram(const char* program, std::vector<std::string> arguments,
                             const std::string& input = "") {
  // A program that ends before reading its input closes the pipe: the write must fail with
  // EPIPE, not kill the test program.
  std::signal(SIGPIPE, SIG_IGN);
  int in[2], out[2], err[2];
  if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) return {};
  const pid_t child = fork();
  if (child < 0) return {};
  if (child == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    std::vector<char*> argv{const_cast<char*>(program)};
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program, argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  std::thread writer([&] {
    (void)!write(in[1], input.data(), input.size());
    close(in[1]);
  });
  ProgramRun run;
  std::thread errors([&] { run.err = ReadAll(err[0]); });
  run.out = ReadAll(out[0]);
  writer.join();
  errors.join();
  close(out[0]);
  close(err[0]);
  int status = 0;
  waitpid(child, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

}  // namespace testsupport
