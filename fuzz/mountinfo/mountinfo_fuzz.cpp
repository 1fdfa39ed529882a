// Fuzz target for what the disk lookup reads to find the root's device: MountAt over random
// mountinfo contents, searched for "/" (what the disk lookup asks) and for a random mount point
// (the input's first line), and KernelRootArgument over the same bytes as a kernel command line.
// A source must be a field of a line whose mount point matches, after the "-" separator; what a
// capture keeps (MountLinesAt, KernelRootArguments) must give the same answer as the whole text;
// a root argument's path must stay under /dev.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz/common/fuzz_check.h"
#include "identification/parse_cmdline.h"
#include "identification/parse_mountinfo.h"

namespace {

bool Same(const std::optional<identification::DeviceNumber>& a,
          const std::optional<identification::DeviceNumber>& b) {
  return a.has_value() == b.has_value() && (!a || (a->major == b->major && a->minor == b->minor));
}

void CheckMount(std::string_view mountinfo, std::string_view mountPoint) {
  const auto mount = identification::MountAt(mountinfo, mountPoint);
  const std::string context =
      "mount point " + fuzzing::Printable(mountPoint.data(), mountPoint.size()) + " mountinfo " +
      fuzzing::Printable(mountinfo.data(), mountinfo.size());
  const std::string kept = identification::MountLinesAt(mountinfo, mountPoint);
  const auto again = identification::MountAt(kept, mountPoint);
  FUZZ_CHECK(mount.has_value() == again.has_value() &&
                 (!mount || (mount->source == again->source && Same(mount->device, again->device))),
             "the kept lines give another mount: " + context);
  FUZZ_CHECK(kept.size() <= mountinfo.size() + 1, "more kept than there was: " + context);
  if (!mount) return;
  FUZZ_CHECK(mountinfo.find(" - ") != std::string_view::npos,
             "a source without a separator: " + context);
  FUZZ_CHECK(mount->source.size() <= mountinfo.size(), "a source longer than the text: " + context);
  FUZZ_CHECK(mount->source.find('\n') == std::string::npos, "a source spanning lines: " + context);
}

void CheckCmdline(std::string_view cmdline) {
  const std::string context = "cmdline " + fuzzing::Printable(cmdline.data(), cmdline.size());
  const auto root = identification::KernelRootArgument(cmdline);
  const auto again =
      identification::KernelRootArgument(identification::KernelRootArguments(cmdline));
  FUZZ_CHECK(root.has_value() == again.has_value() &&
                 (!root || (root->devPath == again->devPath && Same(root->device, again->device))),
             "the kept arguments give another root: " + context);
  if (!root) return;
  FUZZ_CHECK(root->devPath.has_value() != root->device.has_value(),
             "a root that is both or neither a path and a number: " + context);
  if (root->devPath) {
    FUZZ_CHECK(root->devPath->compare(0, 5, "/dev/") == 0 &&
                   identification::IsPlainDevicePath(*root->devPath),
               "a root path outside /dev: " + context);
  }
  FUZZ_CHECK(cmdline.find("root=") != std::string_view::npos, "a root from no root=: " + context);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 16384) return 0;
  std::unique_ptr<char[]> buffer(new char[size]);
  std::memcpy(buffer.get(), data, size);
  const std::string_view input(buffer.get(), size);
  CheckMount(input, "/");
  const std::size_t newline = input.find('\n');
  if (newline != std::string_view::npos)
    CheckMount(input.substr(newline + 1), input.substr(0, newline));
  CheckCmdline(input);
  return 0;
}
