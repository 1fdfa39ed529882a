// identify: prints what the plug-in would report about a machine (the active interface, the
// interface list, the active controller's MAC, the root's block device and the disk under it, the
// disk's serial, the platform serial and UUID), "none" where there is none. Asks the same
// functions the plug-in exports, over this machine or over a tree captured from one, and can
// capture this machine's tree for someone else to replay. Exit status 0 on success, 1 when a
// capture could not be written whole, 2 on a usage error.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "identification/linux_capture.h"
#include "identification/linux_platform.h"
#include "identification/utf8.h"
#include "identification/utils.h"

namespace {

constexpr const char* kUsage =
    "usage: identify [--root DIR] [--capture DIR] [--json]\n"
    "Prints what the plug-in reports about this machine.\n"
    "  --root DIR     about the machine whose tree was captured into DIR (sys/, proc/, run/udev/,\n"
    "                 dev/) instead; the interface addresses are not in a tree, so the active\n"
    "                 interface and the interface list are left out\n"
    "  --capture DIR  also copy every file the identification reads into DIR (new or empty),\n"
    "                 and nothing else, for replay with --root\n"
    "  --json         one JSON object: activeNIC, activeMAC, interfaces, rootDevice, disk,\n"
    "                 diskSerial, platformSerial, platformUUID (null for none)\n";

using Value = std::optional<std::string>;

Value FromText(const char* text) { return text ? Value(text) : std::nullopt; }

// The whole disk under the root's device, as the disk serial's lookup finds it.
Value RootDisk(identification::Platform& platform, const Value& rootDevice) {
  if (!rootDevice) return std::nullopt;
  const auto entries = platform.registryEntriesAtPath(*rootDevice);
  if (!entries) return std::nullopt;
  for (const identification::RegistryEntry& entry : *entries) {
    if (const auto parent = platform.parentOf(entry)) return parent->id;
  }
  return std::nullopt;
}

std::string Json(const Value& value) {
  if (!value) return "null";
  std::string text = "\"";
  for (const char c : identification::ToUtf8(*value)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      text += '\\';
      text += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      text += escape;
    } else {
      text += c;
    }
  }
  return text + "\"";
}

// Runs call with standard output going to a scratch file: the link-layer lookup writes its trace
// lines (without line ends) there. Whatever came is passed on to standard error with a line end.
template <typename Call>
void KeepingTracesApart(Call call) {
  std::fflush(stdout);
  FILE* scratch = std::tmpfile();
  const int saved = scratch ? ::dup(STDOUT_FILENO) : -1;
  if (saved < 0 || ::dup2(::fileno(scratch), STDOUT_FILENO) < 0) {
    call();
    return;
  }
  call();
  std::fflush(stdout);
  ::dup2(saved, STDOUT_FILENO);
  ::close(saved);
  std::rewind(scratch);
  std::string traces;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, scratch)) > 0) traces.append(chunk, got);
  std::fclose(scratch);
  if (!traces.empty()) std::fprintf(stderr, "%s\n", traces.c_str());
}

// A capture folder: made when missing, refused when it holds anything. Its absolute path.
std::optional<std::string> CaptureFolder(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (error || !std::filesystem::is_directory(path) || !std::filesystem::is_empty(path, error) ||
      error)
    return std::nullopt;
  return std::filesystem::canonical(path, error).string();
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<std::string> root;
  std::optional<std::string> capture;
  bool json = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if ((argument == "--root" || argument == "--capture") && i + 1 < argc && argv[i + 1][0]) {
      (argument == "--root" ? root : capture) = argv[++i];
    } else if (argument == "--json") {
      json = true;
    } else if (argument == "--help" || argument == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }

  identification::LinuxRoots roots;
  if (root) {
    struct stat status;
    if (::stat(root->c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
      std::fprintf(stderr, "identify: %s is not a folder\n", root->c_str());
      return 2;
    }
    roots = identification::LinuxRoots::Captured(*root);
  }
  std::optional<identification::TreeRecorder> recorder;
  if (capture) {
    const std::optional<std::string> folder = CaptureFolder(*capture);
    if (!folder) {
      std::fprintf(stderr, "identify: %s cannot be made, or is not an empty folder\n",
                   capture->c_str());
      return 2;
    }
    recorder.emplace(roots, *folder);
  }
  identification::LinuxPlatform platform(roots, recorder ? &*recorder : nullptr);
  identification::SetPlatform(&platform);

  Value activeNIC, interfaces, activeMAC;
  KeepingTracesApart([&] {
    activeNIC = FromText(ActiveNIC());
    interfaces = FromText(LocalNICList());
    activeMAC = GetMacAddressFromIOKit();
  });
  if (interfaces && interfaces->empty()) interfaces.reset();
  const Value rootDevice = platform.rootDevicePath();
  const Value disk = RootDisk(platform, rootDevice);
  const Value diskSerial = FromText(DiskNumber());
  const Value platformSerial = GetHardwareSerialNumber();
  const Value platformUUID = GetHardwareUUID();
  identification::SetPlatform(nullptr);

  std::vector<std::pair<const char*, const Value*>> fields;
  if (!root) {
    fields.emplace_back("activeNIC", &activeNIC);
    fields.emplace_back("interfaces", &interfaces);
  }
  fields.emplace_back("activeMAC", &activeMAC);
  fields.emplace_back("rootDevice", &rootDevice);
  fields.emplace_back("disk", &disk);
  fields.emplace_back("diskSerial", &diskSerial);
  fields.emplace_back("platformSerial", &platformSerial);
  fields.emplace_back("platformUUID", &platformUUID);

  if (json) {
    std::printf("{\n");
    for (std::size_t i = 0; i < fields.size(); ++i)
      std::printf("  \"%s\": %s%s\n", fields[i].first, Json(*fields[i].second).c_str(),
                  i + 1 < fields.size() ? "," : "");
    std::printf("}\n");
  } else {
    for (const auto& [name, value] : fields) {
      // The serial texts are shown between brackets so that their blanks can be seen.
      const bool quoted = std::strstr(name, "Serial") != nullptr && *value;
      std::printf("%-15s %s%s%s\n", (std::string(name) + ":").c_str(), quoted ? "[" : "",
                  *value ? (*value)->c_str() : "none", quoted ? "]" : "");
    }
  }
  if (recorder && !recorder->complete()) {
    std::fprintf(stderr, "identify: some of what was read could not be written into %s\n",
                 capture->c_str());
    return 1;
  }
  return 0;
}
