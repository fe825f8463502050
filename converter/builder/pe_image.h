// The parts of a PE32 / PE32+ image that the resource reader and editor need: the headers,
// the section table and the resource tree. Internal to the editor.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "resource_update.h"
#include "win32_error.h"

namespace pe {

// Reads bytes of the image's file: exactly `length` bytes at `offset` into `out`.
using ReadAt = std::function<win32::Error(uint64_t offset, size_t length, std::string& out)>;

struct Section {
  uint32_t virtualSize = 0;
  uint32_t virtualAddress = 0;
  uint32_t sizeOfRawData = 0;
  uint32_t pointerToRawData = 0;
  uint32_t characteristics = 0;
  uint32_t virtualEnd() const;  // VirtualAddress plus what the loader maps
};

struct DataDirectory {
  uint32_t virtualAddress = 0;
  uint32_t size = 0;
};

inline constexpr int kDirectorySecurity = 4;
inline constexpr int kDirectoryResource = 2;
inline constexpr int kDirectoryBaseReloc = 5;
inline constexpr int kDirectoryDebug = 6;
inline constexpr int kDirectoryBoundImport = 11;
inline constexpr uint32_t kSectionCode = 0x00000020;
inline constexpr uint32_t kSectionInitializedData = 0x00000040;
inline constexpr uint32_t kSectionDiscardable = 0x02000000;
inline constexpr uint32_t kSectionExecute = 0x20000000;
inline constexpr uint32_t kSectionRead = 0x40000000;

struct Image {
  uint64_t fileSize = 0;
  bool pe64 = false;
  // [0, headersEnd): everything before the first section's raw data, kept as it is and patched.
  std::string headers;
  uint32_t coffOffset = 0;          // of the COFF file header, behind "PE\0\0"
  uint32_t optionalOffset = 0;      // of the optional header
  uint32_t sectionTableOffset = 0;
  uint32_t dataDirectoryOffset = 0;
  uint32_t numberOfRvaAndSizes = 0;
  uint32_t sectionAlignment = 0;
  uint32_t fileAlignment = 0;
  uint32_t sizeOfImage = 0;
  uint32_t sizeOfHeaders = 0;
  uint32_t checkSum = 0;
  uint32_t pointerToSymbolTable = 0;
  std::vector<Section> sections;
  DataDirectory directories[16];
  uint64_t rawEnd = 0;  // end of the last section's raw data: the overlay starts here

  // The file offset of `length` bytes at `rva`, when they lie in one section's raw data.
  bool rvaToOffset(uint32_t rva, uint32_t length, uint64_t& offset) const;
  // The section whose mapped range holds `rva`, or -1.
  int sectionOf(uint32_t rva) const;

  // Field offsets in `headers`.
  uint32_t checkSumOffset() const { return optionalOffset + 64; }
  uint32_t sizeOfImageOffset() const { return optionalOffset + 56; }
  uint32_t sizeOfInitializedDataOffset() const { return optionalOffset + 8; }
};

// Parses the headers and section table. kBadExeFormat for anything that is not a sound image.
win32::Error parseImage(const ReadAt& read, uint64_t fileSize, Image& out);

// Reads every leaf of the resource tree, in the order of the file's directories. A damaged
// tree gives kBadExeFormat.
win32::Error parseResources(const ReadAt& read, const Image& image, std::vector<ResourceEntry>& out);

// Resource names as the system orders them: names before ids, names by their upper-cased
// units, ids ascending.
int compareNames(const ResourceName& a, const ResourceName& b);
char16_t upcase(char16_t c);

}  // namespace pe
