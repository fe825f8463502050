#include "pe_checksum.h"

#include <algorithm>
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
  // Eight 16-bit lanes into 32-bit accumulators (what vector units add fastest): a block of at
  // most 65536 rows cannot overflow them.
  while (size >= 16) {
    const size_t rows = std::min<size_t>(size / 16, 65536);
    uint32_t acc[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (size_t i = 0; i < rows; ++i) {
      uint16_t w[8];
      std::memcpy(w, data + 16 * i, 16);
      for (int j = 0; j < 8; ++j) acc[j] += w[j];
    }
    for (uint32_t a : acc) total += a;
    total %= 65535;
    data += 16 * rows;
    size -= 16 * rows;
  }
  while (size >= 2) {
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
