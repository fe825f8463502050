#include "pe_checksum.h"

#include <bit>
#include <cstring>

namespace pe {

static_assert(std::endian::native == std::endian::little, "the word sum reads little-endian lanes");

void WordSum::add(const unsigned char* data, size_t size, uint64_t fileOffset) {
  uint64_t total = value_;
  if (size > 0 && (fileOffset & 1)) {  // the high byte of a word
    total += static_cast<uint64_t>(data[0]) << 8;
    ++data;
    --size;
  }
  // 32-bit lanes into 64-bit accumulators: a lane is two words, and 2^16 = 1 (mod 65535).
  // Blocks of at most 2^30 lanes cannot overflow the accumulators.
  while (size >= 4) {
    const size_t lanes = size / 4 < (size_t{1} << 30) ? size / 4 : (size_t{1} << 30);
    uint64_t acc[4] = {0, 0, 0, 0};
    size_t i = 0;
    for (; i + 4 <= lanes; i += 4) {
      uint32_t v[4];
      std::memcpy(v, data + 4 * i, 16);
      acc[0] += v[0];
      acc[1] += v[1];
      acc[2] += v[2];
      acc[3] += v[3];
    }
    for (; i < lanes; ++i) {
      uint32_t v;
      std::memcpy(&v, data + 4 * i, 4);
      acc[0] += v;
    }
    total = total % 65535 + acc[0] % 65535 + acc[1] % 65535 + acc[2] % 65535 + acc[3] % 65535;
    data += 4 * lanes;
    size -= 4 * lanes;
  }
  if (size >= 2) {
    total += static_cast<uint64_t>(data[0]) | static_cast<uint64_t>(data[1]) << 8;
    data += 2;
    size -= 2;
  }
  if (size == 1) total += data[0];
  value_ = static_cast<uint32_t>(total % 65535);
}

uint32_t WordSum::checksum(uint64_t fileLength) const {
  // End-around carry never gives 0 for a sum of words that are not all zero.
  const uint32_t folded = value_ == 0 ? 0xFFFF : value_;
  return static_cast<uint32_t>(folded + fileLength);
}

}  // namespace pe
