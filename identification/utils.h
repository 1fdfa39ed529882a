// Machine identification: the active network interface, the interface list, the serial number of
// the disk that holds "/", and the platform serial number and UUID. The script object calls
// ActiveNIC and DiskNumber; the rest is exported from the module for other callers. Every call asks
// the system afresh (nothing is cached) through the platform layer in identification/platform.h.
#pragma once

#include <map>
#include <optional>
#include <string>

// One network interface: its MAC text ("0A:1B:2C:3D:4E:5F"), and numeric texts of one IPv4 and one
// IPv6 address. Each field is empty when unknown.
struct NIC {
  std::string mac;
  std::string ipv4;
  std::string ipv6;
};

// Interface name -> NIC, ordered byte-wise as unsigned bytes (en1 < en10 < en2 < lo0).
using NICMap = std::map<std::string, NIC>;

// Texts returned as const char* belong to this module and stay valid until the next call of the
// same function; null means no value. Functions returning std::optional hand the caller its own
// string, or no value.
extern "C" {
// "MAC,IPv4" of the interface whose MAC is the active controller's MAC (IPv4 empty when the
// interface has only IPv6), or null when there is no active controller or no interface carries it.
const char* ActiveNIC();
// "MAC,IPv4" of every interface with an address, in name order, joined by "|"; "" when there are
// none. Never null.
const char* LocalNICList();
// The serial number of the disk that holds "/", as UTF-8 of at most 511 bytes, or null.
const char* DiskNumber();
// The platform serial number when it is plain ASCII without NUL bytes, or null.
const char* GetSystemSerialNumber();
}

// The MAC text of the first Ethernet-class controller with an active link, or null.
const char* __FirstActiveMAC();
// The same text as a string owned by the caller, or no value. A MAC property shorter than six
// bytes is padded with zero bytes; a controller whose six bytes are all zero is passed over; when
// the first active controller has no MAC at all, the result is no value even if a later one has.
std::optional<std::string> GetMacAddressFromIOKit();
// The 17 characters that follow "ether" and one more character in the output of "/sbin/ifconfig",
// or no value when the command cannot run, says no "ether", or ends before 17 characters.
std::optional<std::string> GetMacAddressFromIfconfig();
// Clears map, then fills it with every interface that has an IPv4 or IPv6 address that converts
// to numeric text: the last such address of each family, and the interface's MAC text (left empty
// when the link-layer lookup gives nothing).
void __getNICMap(NICMap& map);
// The MAC text of the interface with this name, or no value (also for an address of six zero
// bytes, and for a loopback). Writes a fixed trace line to standard output when the index lookup,
// either step of the link query, or the reply buffer fails.
std::optional<std::string> __getMacForName(const char* name);
// The serial number of the disk whose registry path this is (on Linux, a sysfs device path such as
// "/devices/pci0000:00/0000:00:02.0/virtio1/block/vda"; a partition's disk is the one above it, and
// a device-mapper or md device's is the disk under it), or no value. Paths with ".." components or
// not starting with "/" match nothing.
std::optional<std::string> __GetDiskNumForDevicPath(const std::string& path);
// The platform serial number, or no value.
std::optional<std::string> GetHardwareSerialNumber();
// The platform UUID, or no value.
std::optional<std::string> GetHardwareUUID();
