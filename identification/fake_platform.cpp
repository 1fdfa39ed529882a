// The scripted platform; see fake_platform.h.
#include "identification/fake_platform.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace identification {
namespace {

class FakeLinkQuery final : public LinkQuery {
 public:
  explicit FakeLinkQuery(FakePlatform& platform) : platform_(platform) {}

  unsigned indexForName(const char* name) override {
    const auto found = platform_.links.find(name);
    if (found == platform_.links.end()) return 0;
    current_ = &found->second;
    currentName_ = name;
    return found->second.index;
  }

  std::optional<std::size_t> replySize(unsigned) override {
    platform_.linkLookups.push_back(currentName_);
    if (current_ == nullptr || current_->failure == FakePlatform::LinkFailure::SizeStep)
      return std::nullopt;
    // More than any allocator hands out, so the buffer cannot be had.
    if (current_->failure == FakePlatform::LinkFailure::Allocation)
      return std::numeric_limits<std::size_t>::max() / 2;
    return current_->reply.size();
  }

  std::optional<std::size_t> readReply(unsigned, std::uint8_t* buffer, std::size_t size) override {
    if (current_ == nullptr || current_->failure == FakePlatform::LinkFailure::ReadStep)
      return std::nullopt;
    const std::size_t count = std::min(size, current_->reply.size());
    if (count != 0) std::memcpy(buffer, current_->reply.data(), count);
    return count;
  }

  std::optional<std::array<std::uint8_t, 6>> hardwareAddress(
      unsigned, std::span<const std::uint8_t> reply) const override {
    if (reply.size() < 6) return std::nullopt;
    std::array<std::uint8_t, 6> bytes;
    std::memcpy(bytes.data(), reply.data(), bytes.size());
    return bytes;
  }

 private:
  FakePlatform& platform_;
  const FakePlatform::Link* current_ = nullptr;
  std::string currentName_;
};

}  // namespace

bool FakePlatform::forEachAddress(const std::function<void(const InterfaceAddress&)>& visit) {
  if (addressListFails) return false;
  for (const Address& address : addresses) {
    InterfaceAddress entry;
    entry.name = address.name.c_str();
    entry.family = address.family;
    if (address.host) {
      entry.address = address.host->data();
      entry.addressSize = address.host->size();
    }
    visit(entry);
  }
  return true;
}

std::optional<std::string> FakePlatform::numericHost(const InterfaceAddress& entry) {
  for (const Address& address : addresses) {
    if (address.host && entry.address == address.host->data()) {
      if (!address.converts) return std::nullopt;
      return *address.host;
    }
  }
  return std::nullopt;
}

std::unique_ptr<LinkQuery> FakePlatform::openLinkQuery() {
  return std::make_unique<FakeLinkQuery>(*this);
}

std::optional<std::vector<EthernetInterface>> FakePlatform::ethernetInterfaces() {
  if (!ethernet) return std::nullopt;
  std::vector<EthernetInterface> interfaces;
  for (const Ethernet& item : *ethernet) interfaces.push_back({item.id, item.hasController});
  return interfaces;
}

const FakePlatform::Ethernet* FakePlatform::FindEthernet(const std::string& id) const {
  if (!ethernet) return nullptr;
  for (const Ethernet& item : *ethernet)
    if (item.id == id) return &item;
  return nullptr;
}

std::optional<std::int64_t> FakePlatform::linkStatus(const EthernetInterface& interface) {
  statusReads.push_back(interface.id);
  const Ethernet* item = FindEthernet(interface.id);
  return item ? item->linkStatus : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> FakePlatform::macAddress(
    const EthernetInterface& interface) {
  macReads.push_back(interface.id);
  const Ethernet* item = FindEthernet(interface.id);
  return item ? item->mac : std::nullopt;
}

std::optional<std::string> FakePlatform::interfaceConfigurationOutput() { return ifconfigOutput; }

std::optional<std::string> FakePlatform::rootDevicePath() { return rootPath; }

std::optional<std::vector<RegistryEntry>> FakePlatform::registryEntriesAtPath(
    const std::string& path) {
  if (!registry) return std::nullopt;
  std::vector<RegistryEntry> entries;
  for (const Entry& entry : *registry)
    if (entry.path == path) entries.push_back({entry.id});
  return entries;
}

std::optional<RegistryEntry> FakePlatform::parentOf(const RegistryEntry& entry) {
  if (!registry) return std::nullopt;
  for (const Entry& item : *registry)
    if (item.id == entry.id && item.parent) return RegistryEntry{*item.parent};
  return std::nullopt;
}

std::optional<std::string> FakePlatform::serialNumberOf(const RegistryEntry& entry) {
  serialReads.push_back(entry.id);
  const auto found = serials.find(entry.id);
  if (found == serials.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> FakePlatform::platformSerialNumber() { return platformSerial; }

std::optional<std::string> FakePlatform::platformUUID() { return platformUuid; }

}  // namespace identification
