// The storage and platform half of identification: the serial number of the disk that holds "/",
// the serial for a registry path, and the platform serial number and UUID. Written once over the
// platform layer; knows nothing of sysfs. Writes no diagnostics.
#include <cstring>

#include "identification/platform.h"
#include "identification/utf8.h"
#include "identification/utils.h"

using namespace identification;

const char* DiskNumber() {
  // The serial goes into a zero-filled 512-byte block, so the text is always terminated and at
  // most 511 bytes long.
  static char block[512];
  Platform& platform = CurrentPlatform();
  const std::optional<std::string> path = platform.rootDevicePath();
  if (!path) return nullptr;
  const std::optional<std::string> serial = __GetDiskNumForDevicPath(*path);
  if (!serial) return nullptr;
  // A serial that does not fit whole, is not UTF-8, or holds a NUL byte (which would cut the text
  // short) gives no value rather than a different, shorter identifier.
  if (serial->size() >= sizeof block || !IsUtf8(*serial) || serial->find('\0') != std::string::npos)
    return nullptr;
  std::memset(block, 0, sizeof block);
  std::memcpy(block, serial->data(), serial->size());
  return block;
}

std::optional<std::string> __GetDiskNumForDevicPath(const std::string& path) {
  Platform& platform = CurrentPlatform();
  const std::optional<std::vector<RegistryEntry>> entries = platform.registryEntriesAtPath(path);
  if (!entries) return std::nullopt;
  for (const RegistryEntry& entry : *entries) {
    const std::optional<RegistryEntry> parent = platform.parentOf(entry);
    if (!parent) continue;
    // The first entry with a parent decides, whether or not that parent has a serial.
    return platform.serialNumberOf(*parent);
  }
  return std::nullopt;
}

std::optional<std::string> GetHardwareSerialNumber() {
  return CurrentPlatform().platformSerialNumber();
}

const char* GetSystemSerialNumber() {
  static std::string text;
  const std::optional<std::string> serial = GetHardwareSerialNumber();
  if (!serial) return nullptr;
  for (const char c : *serial) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == 0 || byte >= 0x80) return nullptr;
  }
  text = *serial;
  return text.c_str();
}

std::optional<std::string> GetHardwareUUID() { return CurrentPlatform().platformUUID(); }
