// The replay program of a fuzz target: feeds every file named on the command line, and every file
// in every folder named there (sorted by name, not recursive), to the target's
// LLVMFuzzerTestOneInput, as libFuzzer would. Built in every build, so CTest runs each target over
// its checked-in corpus and the targets cannot rot. Fails when nothing was replayed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace {

bool Replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return false;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // An exactly-sized heap copy, as libFuzzer gives it (never null, even when empty), so a read
  // past the end is caught.
  std::unique_ptr<std::uint8_t[]> input(new std::uint8_t[bytes.size()]);
  std::copy(bytes.begin(), bytes.end(), input.get());
  std::fprintf(stderr, "replaying %s (%zu bytes)\n", file.c_str(), bytes.size());
  LLVMFuzzerTestOneInput(input.get(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  std::size_t replayed = 0;
  bool readable = true;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path(argv[i]);
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::directory_iterator(path, error))
        if (entry.is_regular_file()) files.push_back(entry.path());
      std::sort(files.begin(), files.end());
      for (const auto& file : files) replayed += Replay(file) ? 1 : 0;
    } else if (Replay(path)) {
      ++replayed;
    } else {
      readable = false;
    }
  }
  std::fprintf(stderr, "%zu inputs replayed\n", replayed);
  return replayed > 0 && readable ? 0 : 1;
}
