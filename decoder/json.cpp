// JSON string escaping and the UTF-8 check.
#include "decoder/json.h"

#include <new>

namespace decoder::json {
namespace {

const char kHex[] = "0123456789abcdef";

void AppendU(std::string& out, unsigned cp) {
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(cp >> shift) & 0xF];
}

// Length of the well-formed UTF-8 sequence at s[i], or 0 when there is none.
std::size_t SequenceLength(const unsigned char* s, std::size_t n, std::size_t i) {
  const unsigned char c = s[i];
  if (c < 0x80) return 1;
  std::size_t len;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    if (c == 0xE0) lo = 0xA0;  // overlong
    if (c == 0xED) hi = 0x9F;  // surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    if (c == 0xF0) lo = 0x90;  // overlong
    if (c == 0xF4) hi = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (n - i < len) return 0;
  if (s[i + 1] < lo || s[i + 1] > hi) return 0;
  for (std::size_t k = 2; k < len; ++k)
    if ((s[i + k] & 0xC0) != 0x80) return 0;
  return len;
}

void Append(std::string& out, std::string_view bytes, bool utf8) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  out += '"';
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = s[i];
    switch (c) {
      case '"':
        out += "\\\"";
        continue;
      case '\\':
        out += "\\\\";
        continue;
      case '\b':
        out += "\\b";
        continue;
      case '\f':
        out += "\\f";
        continue;
      case '\n':
        out += "\\n";
        continue;
      case '\r':
        out += "\\r";
        continue;
      case '\t':
        out += "\\t";
        continue;
      default:
        break;
    }
    if (c < 0x20 || c == 0x7F) {
      AppendU(out, c);
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (!utf8) {
      AppendU(out, c);
    } else if (c == 0xE2 && i + 2 < bytes.size() && s[i + 1] == 0x80 &&
               (s[i + 2] == 0xA8 || s[i + 2] == 0xA9)) {
      AppendU(out, s[i + 2] == 0xA8 ? 0x2028 : 0x2029);  // line and paragraph separators
      i += 2;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

}  // namespace

bool IsUtf8(std::string_view bytes) noexcept {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t len = SequenceLength(s, bytes.size(), i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

bool AppendString(std::string& out, std::string_view bytes, bool utf8) noexcept {
  const std::size_t before = out.size();
  try {
    Append(out, bytes, utf8);
  } catch (const std::bad_alloc&) {
    out.resize(before);
    return false;
  }
  return true;
}

}  // namespace decoder::json
