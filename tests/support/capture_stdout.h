// Test support: what a callback writes to standard output (the plug-in's trace lines), captured
// through GoogleTest's descriptor redirection with the C streams flushed on both sides.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

template <class Callback>
std::string capturedStdout(Callback callback) {
  std::fflush(stdout);
  ::testing::internal::CaptureStdout();
  callback();
  std::fflush(stdout);
  return ::testing::internal::GetCapturedStdout();
}
