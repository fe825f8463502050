// The image checksum: the 16-bit words of the file (the checksum field counted as zero) added
// with end-around carry, then the file's length added. Since 2^16 is 1 modulo 65535, that sum
// is the plain sum of the words modulo 65535 (0 written as 0xFFFF once any byte is not zero),
// so it can be taken over pieces in any order, over wide lanes, and pieces can be taken out
// again by subtraction.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pe {

class WordSum {
 public:
  // Adds `size` bytes that stand at file offset `fileOffset` (its parity decides which byte
  // of a word each one is).
  void add(const unsigned char* data, size_t size, uint64_t fileOffset);
  void add(const char* data, size_t size, uint64_t fileOffset) {
    add(reinterpret_cast<const unsigned char*>(data), size, fileOffset);
  }
  void addSum(const WordSum& other) { value_ = (value_ + other.value_) % 65535; }
  void subtractSum(const WordSum& other) { value_ = (value_ + 65535 - other.value_) % 65535; }
  // The sum modulo 65535.
  uint32_t value() const { return value_; }
  static WordSum fromValue(uint32_t value) {
    WordSum s;
    s.value_ = value % 65535;
    return s;
  }
  // The checksum of a file of `fileLength` bytes whose words add up to this sum.
  uint32_t checksum(uint64_t fileLength) const;

 private:
  uint32_t value_ = 0;
};

}  // namespace pe
