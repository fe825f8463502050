// An icon file as the icon writer reads it, and the icon group resource built from it.
//
// Icon file (little-endian):
//   header  WORD idReserved, WORD idType, WORD idCount
//   idCount directory entries of 16 bytes, right after the header:
//           BYTE bWidth, bHeight (0 stands for 256), bColorCount, bReserved,
//           WORD wPlanes, wBitCount, DWORD dwBytesInRes, DWORD dwImageOffset
//   images  dwBytesInRes bytes at dwImageOffset, exactly as an RT_ICON resource holds them
// Icon group (RT_GROUP_ICON): the 6-byte header, then per image the first 12 bytes of its
// directory entry followed by a WORD image id (14 bytes).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "win32_error.h"

namespace icon {

struct IconFile {
  std::array<uint8_t, 6> header{};
  std::vector<std::array<uint8_t, 16>> directory;
  std::vector<std::string> images;  // one per directory entry, in the file's order

  uint16_t count() const { return uint16_t(header[4] | header[5] << 8); }
};

// The images of one icon file may hold at most this many bytes together; no real icon comes
// near it, and a damaged directory cannot make the reader take more memory than this.
inline constexpr uint64_t kMaxImageBytes = 64ull << 20;

// Reads exactly `length` bytes at `offset`; a failed or short read is an error.
using ReadExact = std::function<win32::Error(uint64_t offset, void* buffer, size_t length)>;

// Reads the header, the directory and every image, nothing checked beyond what the reads
// deliver: any file whose reads succeed is an icon file. `fileSize` bounds each image before
// its buffer is made.
win32::Error readIconFile(const ReadExact& read, uint64_t fileSize, IconFile& out);
// The same over a file, opened for reading and shared for reading only.
win32::Error readIconFile(std::u16string_view path, IconFile& out);

// The group: the header's reserved and type words as read, the count, then one 14-byte entry
// per image whose id is `groupId` plus the entry's index.
std::string buildGroup(const IconFile& file, uint16_t groupId);

}  // namespace icon
