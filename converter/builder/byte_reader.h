// A bounds-checked cursor over bytes, for reading binary formats. Every check is written as
// `offset <= size && length <= size - offset`, so it cannot overflow; values are assembled
// from bytes (little-endian), never by casting a structure over the buffer. A failed read
// leaves the cursor where it was and sets ok() to false for good.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pe {

class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

  size_t size() const { return bytes_.size(); }
  size_t offset() const { return offset_; }
  size_t remaining() const { return bytes_.size() - offset_; }
  bool ok() const { return ok_; }

  bool has(size_t length) const { return ok_ && length <= bytes_.size() - offset_; }

  bool seek(size_t offset) {
    if (!ok_ || offset > bytes_.size()) return fail();
    offset_ = offset;
    return true;
  }
  bool skip(size_t length) {
    if (!has(length)) return fail();
    offset_ += length;
    return true;
  }
  bool align(size_t to) {
    const size_t rest = offset_ % to;
    return rest == 0 || skip(to - rest);
  }

  uint8_t u8() {
    if (!has(1)) return fail(), 0;
    return static_cast<uint8_t>(bytes_[offset_++]);
  }
  uint16_t u16le() {
    if (!has(2)) return fail(), 0;
    const uint16_t v = static_cast<uint16_t>(byte(0) | byte(1) << 8);
    offset_ += 2;
    return v;
  }
  uint32_t u32le() {
    if (!has(4)) return fail(), 0;
    const uint32_t v = byte(0) | byte(1) << 8 | byte(2) << 16 | static_cast<uint32_t>(byte(3)) << 24;
    offset_ += 4;
    return v;
  }
  uint64_t u64le() {
    const uint64_t low = u32le();
    const uint64_t high = u32le();
    return low | high << 32;
  }
  // The next `length` bytes as a view, the cursor moved behind them.
  std::string_view bytes(size_t length) {
    if (!has(length)) return fail(), std::string_view();
    std::string_view v = bytes_.substr(offset_, length);
    offset_ += length;
    return v;
  }
  // A bounded child cursor over the next `length` bytes.
  ByteReader sub(size_t length) {
    ByteReader child;
    if (!has(length)) {
      fail();
      child.ok_ = false;
      return child;
    }
    child.bytes_ = bytes_.substr(offset_, length);
    offset_ += length;
    return child;
  }

 private:
  uint32_t byte(size_t i) const { return static_cast<uint8_t>(bytes_[offset_ + i]); }
  bool fail() {
    ok_ = false;
    return false;
  }

  std::string_view bytes_;
  size_t offset_ = 0;
  bool ok_ = true;
};

// Little-endian stores into a buffer the caller has sized.
inline void putU16(char* p, uint16_t v) {
  p[0] = static_cast<char>(v);
  p[1] = static_cast<char>(v >> 8);
}
inline void putU32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>(v >> (8 * i));
}
inline uint16_t getU16(const char* p) {
  return static_cast<uint16_t>(static_cast<uint8_t>(p[0]) | static_cast<uint8_t>(p[1]) << 8);
}
inline uint32_t getU32(const char* p) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(p[i]);
  return v;
}

}  // namespace pe
