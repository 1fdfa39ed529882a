// Secret scanning for the hygiene tests.
#include "tests/hygiene/secret_scan.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "encoding/aes.h"
#include "encoding/encrypt.h"
#include "encoding/jnidecrypt.h"
#include "encoding/variants.h"
#include "nativeui/SecureMemory.h"
#include "wipe/stack_wipe.h"

namespace hygiene {

namespace {

constexpr std::size_t kWindow = 8;
constexpr std::size_t kStackDepth = 96 * 1024;  // zeroed below the spacer, then searched
constexpr std::size_t kSpacer = 16 * 1024;      // between the caller and the operation
constexpr unsigned kFilterBits = 18;

enum Form : uint16_t { kClear = 0, kUnits = 1, kScrambled = 2, kBlock = 3 };

uint16_t FormOf(Form form, int variant = 0) { return static_cast<uint16_t>(form << 8 | variant); }

inline std::size_t FilterIndex(uint64_t head) {
  return static_cast<std::size_t>((head * 0x9E3779B97F4A7C15ull) >> (64 - kFilterBits));
}

// Reads the 8 bytes at p without the sanitizer's check: the scans also run over dead stack.
__attribute__((no_sanitize_address)) inline uint64_t Head(const unsigned char* p) {
  uint64_t value;
  __builtin_memcpy(&value, p, sizeof value);
  return value;
}

__attribute__((no_sanitize_address)) bool SameBytes(const unsigned char* a, const unsigned char* b,
                                                    std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace

Secret::Secret(std::string_view text, bool encoderForms) : _text(text) {
  const std::size_t length = text.size();
  // Every vector gets its final size at once: no partial copy of a form is freed while it grows.
  const std::size_t variants = encoderForms ? scrambler::kVariantCount : 0;
  _bytes.reserve(3 * length + variants * 2 * (length + 1));
  _needles.reserve(2 * length + variants * 2 * (length + 1) + 2);
  _filter.assign((std::size_t{1} << kFilterBits) / 64, 0);

  const auto* ascii = reinterpret_cast<const unsigned char*>(text.data());
  addWindows(ascii, length, 1, kWindow, FormOf(kClear));
  unsigned char units[2 * kMaxClearTextLength + 2];
  for (std::size_t i = 0; i < length && i <= kMaxClearTextLength; ++i) {
    units[2 * i] = ascii[i];
    units[2 * i + 1] = 0;
  }
  if (length <= kMaxClearTextLength) addWindows(units, 2 * length, 2, 2 * kWindow, FormOf(kUnits));

  // Shorter forms than a window would be found by chance anywhere.
  if (encoderForms && length + 1 >= kWindow && length <= kMaxClearTextLength) {
    CAES keyed;
    unsigned char firstRoundKey[128];
    keyed.CharToBinary(CAES::kKeyText, sizeof CAES::kKeyText, firstRoundKey, 0);
    for (int draw = 0; draw < scrambler::kVariantCount; ++draw) {
      const int variant = CEncrypt::VariantForDraw(draw);
      if (draw > 0 && variant == CEncrypt::VariantForDraw(draw - 1)) continue;
      unsigned char scrambled[kMaxClearTextLength + 2] = {};
      CEncrypt().EncodeWithDraw(reinterpret_cast<char*>(scrambled), _text.c_str(), draw,
                                kMaxClearTextLength);
      addWindows(scrambled, length + 1, 1, kWindow, FormOf(kScrambled, variant));
      for (std::size_t i = 0; i <= length; ++i) scrambled[i] ^= firstRoundKey[i % 16];
      addWindows(scrambled, length + 1, 1, kWindow, FormOf(kBlock, variant));
    }
  }
  std::sort(_needles.begin(), _needles.end(),
            [](const Needle& a, const Needle& b) { return a.head < b.head; });
}

void Secret::addWindows(const unsigned char* bytes, std::size_t size, std::size_t step,
                        std::size_t window, uint16_t form) {
  if (size == 0) return;
  window = std::min(window, size);
  const auto offset = static_cast<uint32_t>(_bytes.size());
  _bytes.insert(_bytes.end(), bytes, bytes + size);
  for (std::size_t i = 0; i + window <= size; i += step) {
    Needle needle{0, static_cast<uint32_t>(offset + i), static_cast<uint16_t>(window), form};
    if (window >= sizeof(uint64_t)) {
      needle.head = Head(&_bytes[needle.offset]);
      _filter[FilterIndex(needle.head) / 64] |= uint64_t{1} << (FilterIndex(needle.head) % 64);
    }
    _needles.push_back(needle);
  }
}

std::string Secret::describe(const Needle& needle) const {
  const int variant = needle.form & 0xFF;
  switch (needle.form >> 8) {
    case kClear:
      return "the clear text";
    case kUnits:
      return "the clear text as UTF-16";
    case kScrambled:
      return "the scrambled text of variant " + std::to_string(variant);
    default:
      return "an AES input block (variant " + std::to_string(variant) + ") with the round key";
  }
}

__attribute__((no_sanitize_address)) Finding Secret::find(const void* block, std::size_t size,
                                                          std::size_t base) const {
  const auto* hay = static_cast<const unsigned char*>(block);
  if (hay == nullptr) return {};
  auto at = [&](const Needle& needle, std::size_t i) {
    std::string bytes;
    for (std::size_t k = 0; k < needle.length; ++k) {
      char hex[4];
      std::snprintf(hex, sizeof hex, " %02x", hay[i + k]);
      bytes += hex;
    }
    return Finding{describe(needle) + " (" + bytes.substr(1) + ") at offset " +
                   std::to_string(base + i)};
  };
  // Needles shorter than a head (a secret under 8 characters) are searched for one by one.
  for (const Needle& needle : _needles) {
    if (needle.length >= sizeof(uint64_t)) continue;
    for (std::size_t i = 0; i + needle.length <= size; ++i) {
      if (SameBytes(hay + i, &_bytes[needle.offset], needle.length)) return at(needle, i);
    }
  }
  for (std::size_t i = 0; i + sizeof(uint64_t) <= size; ++i) {
    const uint64_t head = Head(hay + i);
    const std::size_t bit = FilterIndex(head);
    if ((_filter[bit / 64] >> (bit % 64) & 1) == 0) continue;
    auto first = std::lower_bound(_needles.begin(), _needles.end(), head,
                                  [](const Needle& n, uint64_t h) { return n.head < h; });
    for (auto it = first; it != _needles.end() && it->head == head; ++it) {
      if (it->length < sizeof(uint64_t) || i + it->length > size) continue;
      if (SameBytes(hay + i, &_bytes[it->offset], it->length)) return at(*it, i);
    }
  }
  return {};
}

namespace {

// The hooks run on the stack of the operation under test; the search's own frames hold pieces of
// the secret it looks for, which must not be taken for the plug-in's.
bool FoundLeavingNoTrace(const Secret& secret, const void* block, std::size_t size) {
  return wipe::WithStackWipe<8192>([&] { return secret.foundIn(block, size); });
}

}  // namespace

FreedBlockWatch::FreedBlockWatch(npapibrowser::TestBrowser& browser, const Secret& secret)
    : _browser(browser), _secret(secret) {
  NSSetFreeHook(&FreedBlockWatch::onNativeFree, this);
  _browser.allocatorControl().setFreeHook([this](const void* block, std::size_t size) {
    ++_hostSeen;
    if (FoundLeavingNoTrace(_secret, block, size)) ++_hostHits;
  });
}

FreedBlockWatch::~FreedBlockWatch() {
  NSSetFreeHook(nullptr, nullptr);
  _browser.allocatorControl().setFreeHook({});
}

void FreedBlockWatch::onNativeFree(const void* block, std::size_t size, void* context) {
  auto* watch = static_cast<FreedBlockWatch*>(context);
  ++watch->_nativeSeen;
  if (FoundLeavingNoTrace(watch->_secret, block, size)) ++watch->_nativeHits;
}

// None of these may be inlined (their frames decide where the operation's frames lie) nor checked
// by AddressSanitizer (they touch dead stack on purpose).
__attribute__((noinline, no_sanitize_address)) void PaintBelow() {
  unsigned char area[kStackDepth];
  std::memset(area, 0, sizeof area);
  __asm__ __volatile__("" : : "r"(area) : "memory");  // the zeroes must really be written
}

__attribute__((noinline, no_sanitize_address)) void RunBelowSpacer(
    const std::function<void()>& operation) {
  unsigned char spacer[kSpacer];
  std::memset(spacer, 0, sizeof spacer);
  __asm__ __volatile__("" : : "r"(spacer) : "memory");
  PaintBelow();
  operation();
}

__attribute__((noinline, no_sanitize_address)) Finding LeavesOnStack(
    const Secret& secret, const std::function<void()>& operation) {
  const auto frame = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  RunBelowSpacer(operation);
  // The operation's frames lay below the spacer; this search runs within it and disturbs nothing.
  const auto* top = reinterpret_cast<const unsigned char*>(frame - kSpacer);
  const auto* bottom =
      reinterpret_cast<const unsigned char*>(frame - kSpacer - (kStackDepth - 4096));
  Finding found = secret.find(bottom, static_cast<std::size_t>(top - bottom));
  if (found) found.what += " of the dead stack, " + std::to_string(top - bottom) + " bytes deep";
  return found;
}

bool ReusedHeapHolds(const Secret& secret) {
  bool found = false;
  std::vector<void*> blocks;
  for (std::size_t size = 8; size <= 2048; size += 8) {
    for (int i = 0; i < 6; ++i) {
      void* block = std::malloc(size);
      if (block == nullptr) continue;
      found = found || secret.foundIn(block, size);
      blocks.push_back(block);
    }
  }
  for (void* block : blocks) std::free(block);
  return found;
}

Finding FileHolds(const Secret& secret, const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {"cannot read " + path};
  constexpr std::size_t kPiece = 1 << 20, kOverlap = 2 * kWindow;
  std::vector<unsigned char> buffer(kPiece + kOverlap);
  std::size_t kept = 0, offset = 0;
  Finding found;
  for (;;) {
    const ssize_t n = read(fd, buffer.data() + kept, kPiece);
    if (n < 0) {
      found.what = "cannot read " + path;
      break;
    }
    if (n == 0) break;
    const std::size_t filled = kept + static_cast<std::size_t>(n);
    found = secret.find(buffer.data(), filled, offset);
    if (found) {
      found.what += " of " + path;
      break;
    }
    kept = std::min(kOverlap, filled);
    std::memmove(buffer.data(), buffer.data() + filled - kept, kept);
    offset += filled - kept;
  }
  close(fd);
  return found;
}

}  // namespace hygiene
