// A directory of real files and symbolic links under the system's temporary directory, removed
// again when the object goes. Used by the tests to fabricate sysfs, udev and proc trees.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

class TempTree {
 public:
  TempTree() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "identification-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) root_ = pattern;
  }
  ~TempTree() {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::string& root() const { return root_; }
  std::string Path(std::string_view relative) const { return root_ + "/" + std::string(relative); }

  // Writes a file with exactly these bytes, creating the folders above it.
  void File(std::string_view relative, std::string_view bytes) const {
    const std::filesystem::path path = Path(relative);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  void Dir(std::string_view relative) const { std::filesystem::create_directories(Path(relative)); }
  // A symbolic link at relative pointing to target (taken as written, usually relative).
  void Link(std::string_view relative, std::string_view target) const {
    const std::filesystem::path path = Path(relative);
    std::filesystem::create_directories(path.parent_path());
    std::filesystem::create_symlink(std::string(target), path);
  }

 private:
  std::string root_;
};
