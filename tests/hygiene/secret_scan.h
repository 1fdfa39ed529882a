// Finding copies of a secret in memory, for the secret-hygiene tests: in a block (as ASCII or as
// UTF-16, any 8 consecutive characters of it, and on request any 8 consecutive bytes of what the
// encoder makes of it), in blocks the native layer or the stand-in browser's allocator frees
// (through their free hooks), on the dead part of the stack below the caller, in heap memory the C
// library hands out again after the plug-in freed it, and in a file (a core dump). Test-only; not
// thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "npapi_browser/testing/TestBrowser.h"

namespace hygiene {

// What a scan found: empty when nothing; otherwise which form of the secret, and where.
struct Finding {
  std::string what;
  explicit operator bool() const { return !what.empty(); }
};
inline std::ostream& operator<<(std::ostream& out, const Finding& finding) {
  return out << (finding ? finding.what : std::string("nothing found"));
}

// Any 8 consecutive characters of the secret (or all of it when shorter), as ASCII bytes or as
// UTF-16 units; with encoderForms, also any 8 consecutive bytes of the scrambled text under each
// of the scrambler's 123 variants (text and variant number) and of the AES input blocks after
// the first round key is added, which is what the cipher's first step holds in its registers.
// Each of these gives the password back to anyone who has the plug-in.
class Secret {
 public:
  explicit Secret(std::string_view text, bool encoderForms = false);
  Secret(const Secret&) = delete;
  Secret& operator=(const Secret&) = delete;

  bool foundIn(const void* block, std::size_t size) const {
    return static_cast<bool>(find(block, size));
  }
  // Offsets in the finding are counted from base (where the block lies in a file).
  Finding find(const void* block, std::size_t size, std::size_t base = 0) const;
  std::string_view text() const { return _text; }

 private:
  struct Needle {
    uint64_t head;    // its first 8 bytes, the key the scan looks up
    uint32_t offset;  // where it starts in _bytes
    uint16_t length;  // 8, or 16 for UTF-16 units
    uint16_t form;    // index into kForms, and the variant for encoder forms
  };
  void addWindows(const unsigned char* bytes, std::size_t size, std::size_t step,
                  std::size_t window, uint16_t form);
  std::string describe(const Needle& needle) const;

  std::string _text;
  std::vector<unsigned char> _bytes;  // every form, one after another
  std::vector<Needle> _needles;       // sorted by head
  std::vector<uint64_t> _filter;      // one bit per hash of a head, to skip most lookups
};

// Counts, while it lives, the blocks freed by the native layer (objects and string storage) and by
// the stand-in browser's allocator that hold the secret.
class FreedBlockWatch {
 public:
  FreedBlockWatch(npapibrowser::TestBrowser& browser, const Secret& secret);
  ~FreedBlockWatch();
  FreedBlockWatch(const FreedBlockWatch&) = delete;
  FreedBlockWatch& operator=(const FreedBlockWatch&) = delete;

  std::size_t nativeHits() const { return _nativeHits; }
  std::size_t hostHits() const { return _hostHits; }
  std::size_t nativeBlocksSeen() const { return _nativeSeen; }
  std::size_t hostBlocksSeen() const { return _hostSeen; }

 private:
  static void onNativeFree(const void* block, std::size_t size, void* context);
  npapibrowser::TestBrowser& _browser;
  const Secret& _secret;
  std::size_t _nativeHits = 0, _hostHits = 0, _nativeSeen = 0, _hostSeen = 0;
};

// Runs operation deep below the caller's frame on zeroed stack, then says what the calls it made
// left of the secret in the stack they used (96 kB of it).
Finding LeavesOnStack(const Secret& secret, const std::function<void()>& operation);

// Takes back from the C library many blocks of the sizes the plug-in's temporaries have, looks
// for the secret in their old contents, and frees them. Finds nothing under AddressSanitizer,
// which fills the blocks it hands out.
bool ReusedHeapHolds(const Secret& secret);

// The secret in the file at path (read in pieces that overlap by a window); "cannot read" when
// the file cannot be read.
Finding FileHolds(const Secret& secret, const std::string& path);

// A text hygiene_probe keeps in its heap, so a test can tell a core dump holds the heap. The
// probe makes it at run time from a constant with every byte one higher, which is all its
// program file holds.
inline std::string ProbeHeapMarker() {
  std::string text = "Qspcf(t!ifbq!nbslfs;!2ie5lQ";
  for (char& c : text) --c;
  return text;
}

}  // namespace hygiene
