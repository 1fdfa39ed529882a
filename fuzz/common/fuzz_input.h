// Reads a fuzz input as a sequence of choices: integers, booleans, bounded numbers, byte runs.
// Used by every fuzz target to turn libFuzzer's bytes into calls. Reading past the end gives
// zeros and empty runs, never an error, so every input maps to one deterministic run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace fuzzing {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : _data(data), _size(size) {}

  std::size_t remaining() const { return _size - _at; }
  bool empty() const { return _at == _size; }

  std::uint8_t byte() { return _at < _size ? _data[_at++] : 0; }
  bool flag() { return (byte() & 1) != 0; }
  std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }
  std::uint32_t u32() {
    return static_cast<std::uint32_t>(u16()) | (static_cast<std::uint32_t>(u16()) << 16);
  }
  std::uint64_t u64() {
    return static_cast<std::uint64_t>(u32()) | (static_cast<std::uint64_t>(u32()) << 32);
  }
  std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
  double f64() {
    const std::uint64_t bits = u64();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

  // A number from 0 to count - 1 (count >= 1), from as few bytes as that needs.
  std::uint32_t below(std::uint32_t count) {
    if (count <= 1) return 0;
    if (count <= 0x100) return byte() % count;
    if (count <= 0x10000) return u16() % count;
    return u32() % count;
  }
  // A number from low to high inclusive.
  std::int64_t between(std::int64_t low, std::int64_t high) {
    const auto span = static_cast<std::uint64_t>(high - low);
    if (span == 0) return low;
    const std::uint64_t raw = span < 0x100            ? byte()
                              : span < 0x10000        ? u16()
                              : span < 0x100000000ULL ? u32()
                                                      : u64();
    return low + static_cast<std::int64_t>(raw % (span + 1));
  }

  // A run of bytes: a length byte (at most maxLength), then that many bytes, or what is left.
  std::string text(std::size_t maxLength) {
    std::size_t length = maxLength <= 0xFF ? byte() : u16();
    if (length > maxLength) length %= (maxLength + 1);
    return bytes(length);
  }
  std::string bytes(std::size_t length) {
    if (length > remaining()) length = remaining();
    std::string out(reinterpret_cast<const char*>(_data + _at), length);
    _at += length;
    return out;
  }
  std::string rest() { return bytes(remaining()); }

 private:
  const std::uint8_t* _data;
  std::size_t _size;
  std::size_t _at = 0;
};

}  // namespace fuzzing
