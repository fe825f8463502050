#include "pe_image.h"

#include <algorithm>
#include <set>

#include "byte_reader.h"

namespace pe {
namespace {

constexpr uint32_t kMaxSections = 96;          // the loader's own limit
constexpr uint64_t kMaxHeaders = 16u << 20;    // what we read of the headers
constexpr uint32_t kSubdirectoryFlag = 0x80000000u;
constexpr uint32_t kNameFlag = 0x80000000u;

}  // namespace

uint32_t Section::virtualEnd() const {
  const uint64_t size = virtualSize ? virtualSize : sizeOfRawData;
  return static_cast<uint32_t>(std::min<uint64_t>(uint64_t{virtualAddress} + size, 0xFFFFFFFFu));
}

int Image::sectionOf(uint32_t rva) const {
  for (size_t i = 0; i < sections.size(); ++i) {
    const Section& s = sections[i];
    if (rva >= s.virtualAddress && rva < s.virtualEnd()) return static_cast<int>(i);
  }
  return -1;
}

bool Image::rvaToOffset(uint32_t rva, uint32_t length, uint64_t& offset) const {
  const int i = sectionOf(rva);
  if (i < 0) return false;
  const Section& s = sections[static_cast<size_t>(i)];
  const uint32_t within = rva - s.virtualAddress;
  if (within > s.sizeOfRawData || length > s.sizeOfRawData - within) return false;
  offset = uint64_t{s.pointerToRawData} + within;
  return true;
}

// MS-DOS header: "MZ", e_lfanew (u32) at 0x3C.
// "PE\0\0", then the COFF file header (20 bytes): Machine u16, NumberOfSections u16,
//   TimeDateStamp u32, PointerToSymbolTable u32, NumberOfSymbols u32,
//   SizeOfOptionalHeader u16, Characteristics u16.
// Optional header: Magic u16 (0x10B PE32, 0x20B PE32+), ... SectionAlignment at 32,
//   FileAlignment at 36, SizeOfImage at 56, SizeOfHeaders at 60, CheckSum at 64,
//   NumberOfRvaAndSizes at 92 (PE32+ 108), then the data directories (8 bytes each).
// Section headers (40 bytes): Name[8], VirtualSize, VirtualAddress, SizeOfRawData,
//   PointerToRawData, PointerToRelocations, PointerToLinenumbers, NumberOfRelocations u16,
//   NumberOfLinenumbers u16, Characteristics.
win32::Error parseImage(const ReadAt& read, uint64_t fileSize, Image& out) {
  Image image;
  image.fileSize = fileSize;
  if (fileSize < 64) return win32::kBadExeFormat;
  std::string dos;
  if (win32::Error e = read(0, 64, dos)) return e;
  ByteReader dosReader(dos);
  if (dosReader.u16le() != 0x5A4D) return win32::kBadExeFormat;
  dosReader.seek(0x3C);
  const uint32_t peOffset = dosReader.u32le();
  if (peOffset > fileSize || fileSize - peOffset < 24 || peOffset > kMaxHeaders) return win32::kBadExeFormat;

  std::string fixed;
  if (win32::Error e = read(peOffset, 24, fixed)) return e;
  ByteReader coff(fixed);
  if (coff.u32le() != 0x00004550) return win32::kBadExeFormat;
  coff.u16le();  // Machine
  const uint16_t numberOfSections = coff.u16le();
  coff.u32le();  // TimeDateStamp
  image.pointerToSymbolTable = coff.u32le();
  coff.u32le();  // NumberOfSymbols
  const uint16_t sizeOfOptionalHeader = coff.u16le();
  if (numberOfSections > kMaxSections) return win32::kBadExeFormat;
  image.coffOffset = peOffset + 4;
  image.optionalOffset = image.coffOffset + 20;
  image.sectionTableOffset = image.optionalOffset + sizeOfOptionalHeader;
  const uint64_t tableEnd = uint64_t{image.sectionTableOffset} + 40u * numberOfSections;
  if (tableEnd > fileSize || tableEnd > kMaxHeaders) return win32::kBadExeFormat;

  std::string head;
  if (win32::Error e = read(0, static_cast<size_t>(tableEnd), head)) return e;
  ByteReader optional(std::string_view(head).substr(image.optionalOffset, sizeOfOptionalHeader));
  const uint16_t magic = optional.u16le();
  if (magic != 0x10B && magic != 0x20B) return win32::kBadExeFormat;
  image.pe64 = magic == 0x20B;
  const size_t directoryStart = image.pe64 ? 112 : 96;
  if (sizeOfOptionalHeader < directoryStart) return win32::kBadExeFormat;
  optional.seek(32);
  image.sectionAlignment = optional.u32le();
  image.fileAlignment = optional.u32le();
  optional.seek(56);
  image.sizeOfImage = optional.u32le();
  image.sizeOfHeaders = optional.u32le();
  image.checkSum = optional.u32le();
  optional.seek(directoryStart - 4);
  image.numberOfRvaAndSizes = std::min<uint32_t>(
      {optional.u32le(), 16u, static_cast<uint32_t>((sizeOfOptionalHeader - directoryStart) / 8)});
  image.dataDirectoryOffset = image.optionalOffset + static_cast<uint32_t>(directoryStart);
  for (uint32_t i = 0; i < image.numberOfRvaAndSizes; ++i) {
    image.directories[i].virtualAddress = optional.u32le();
    image.directories[i].size = optional.u32le();
  }
  if (!optional.ok()) return win32::kBadExeFormat;
  auto powerOfTwo = [](uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
  if (!powerOfTwo(image.fileAlignment) || !powerOfTwo(image.sectionAlignment) ||
      image.fileAlignment > 0x10000 || image.sectionAlignment < image.fileAlignment) {
    return win32::kBadExeFormat;
  }

  ByteReader table(std::string_view(head).substr(image.sectionTableOffset));
  uint64_t firstRaw = fileSize;
  for (uint16_t i = 0; i < numberOfSections; ++i) {
    Section s;
    table.skip(8);
    s.virtualSize = table.u32le();
    s.virtualAddress = table.u32le();
    s.sizeOfRawData = table.u32le();
    s.pointerToRawData = table.u32le();
    table.skip(12);
    s.characteristics = table.u32le();
    if (s.sizeOfRawData > 0) {
      if (s.pointerToRawData > fileSize || s.sizeOfRawData > fileSize - s.pointerToRawData) {
        return win32::kBadExeFormat;
      }
      firstRaw = std::min<uint64_t>(firstRaw, s.pointerToRawData);
      image.rawEnd = std::max<uint64_t>(image.rawEnd, uint64_t{s.pointerToRawData} + s.sizeOfRawData);
    }
    image.sections.push_back(s);
  }
  if (!table.ok()) return win32::kBadExeFormat;
  // Sections in address order, not overlapping.
  for (size_t i = 1; i < image.sections.size(); ++i) {
    if (image.sections[i].virtualAddress < image.sections[i - 1].virtualEnd()) return win32::kBadExeFormat;
  }
  const uint64_t headersEnd = std::max<uint64_t>(std::min<uint64_t>(firstRaw, fileSize), tableEnd);
  if (headersEnd > kMaxHeaders) return win32::kBadExeFormat;
  if (firstRaw < tableEnd) return win32::kBadExeFormat;
  image.rawEnd = std::max(image.rawEnd, headersEnd);
  if (win32::Error e = read(0, static_cast<size_t>(headersEnd), image.headers)) return e;
  out = std::move(image);
  return win32::kSuccess;
}

namespace {

// The resource tree. A directory (16 bytes): Characteristics u32, TimeDateStamp u32,
// MajorVersion u16, MinorVersion u16, NumberOfNamedEntries u16, NumberOfIdEntries u16, then
// that many entries (8 bytes): Name u32 (high bit: offset of a name string, else an id),
// OffsetToData u32 (high bit: offset of a subdirectory, else of a data entry). Offsets count
// from the root directory. A name string: Length u16, then Length UTF-16 units. A data entry
// (16 bytes): OffsetToData u32 (an RVA), Size u32, CodePage u32, Reserved u32.
class TreeParser {
 public:
  TreeParser(const ReadAt& read, const Image& image) : read_(read), image_(image) {}

  win32::Error parse(std::vector<ResourceEntry>& out) {
    const DataDirectory& dir = image_.directories[kDirectoryResource];
    if (image_.numberOfRvaAndSizes <= kDirectoryResource || dir.virtualAddress == 0) return win32::kSuccess;
    const int s = image_.sectionOf(dir.virtualAddress);
    if (s < 0) return win32::kBadExeFormat;
    const Section& section = image_.sections[static_cast<size_t>(s)];
    rootRva_ = dir.virtualAddress;
    const uint32_t within = rootRva_ - section.virtualAddress;
    if (within >= section.sizeOfRawData) return win32::kBadExeFormat;
    rootOffset_ = uint64_t{section.pointerToRawData} + within;
    limit_ = section.sizeOfRawData - within;
    ResourceEntry path;
    if (win32::Error e = directory(0, 0, path)) return e;
    out = std::move(entries_);
    return win32::kSuccess;
  }

 private:
  win32::Error bytes(uint32_t offset, uint32_t length, std::string& out) {
    if (offset > limit_ || length > limit_ - offset) return win32::kBadExeFormat;
    return read_(rootOffset_ + offset, length, out);
  }

  win32::Error name(uint32_t offset, std::u16string& out) {
    std::string raw;
    if (win32::Error e = bytes(offset, 2, raw)) return e;
    const uint16_t length = getU16(raw.data());
    if (length == 0) return win32::kBadExeFormat;
    if (win32::Error e = bytes(offset + 2, 2u * length, raw)) return e;
    out.resize(length);
    for (uint16_t i = 0; i < length; ++i) out[i] = static_cast<char16_t>(getU16(raw.data() + 2 * i));
    return win32::kSuccess;
  }

  win32::Error directory(uint32_t offset, int depth, ResourceEntry& path) {
    if (!visited_.insert(offset).second) return win32::kBadExeFormat;  // a cycle or a shared table
    std::string head;
    if (win32::Error e = bytes(offset, 16, head)) return e;
    const uint32_t count = uint32_t{getU16(head.data() + 12)} + getU16(head.data() + 14);
    std::string table;
    // Bounded by the section: a count the bytes cannot hold fails here, before any work.
    if (win32::Error e = bytes(offset + 16, 8 * count, table)) return e;
    ByteReader r(table);
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t nameField = r.u32le();
      const uint32_t target = r.u32le();
      ResourceName key;
      if (nameField & kNameFlag) {
        key.isId = false;
        if (win32::Error e = name(nameField & ~kNameFlag, key.name)) return e;
      } else {
        if (nameField > 0xFFFF) return win32::kBadExeFormat;
        key.id = static_cast<uint16_t>(nameField);
      }
      const bool subdirectory = (target & kSubdirectoryFlag) != 0;
      if (subdirectory != (depth < 2)) return win32::kBadExeFormat;  // leaves at depth 3 only
      if (depth == 0) path.type = key;
      if (depth == 1) path.name = key;
      if (subdirectory) {
        if (win32::Error e = directory(target & ~kSubdirectoryFlag, depth + 1, path)) return e;
        continue;
      }
      if (!key.isId) return win32::kBadExeFormat;  // a language is a number
      path.language = key.id;
      std::string data;
      if (win32::Error e = bytes(target, 16, data)) return e;
      const uint32_t rva = getU32(data.data());
      path.size = getU32(data.data() + 4);
      path.codePage = getU32(data.data() + 8);
      path.fileOffset = 0;
      if (path.size > 0 && !image_.rvaToOffset(rva, path.size, path.fileOffset)) return win32::kBadExeFormat;
      entries_.push_back(path);
    }
    return win32::kSuccess;
  }

  const ReadAt& read_;
  const Image& image_;
  uint32_t rootRva_ = 0;
  uint64_t rootOffset_ = 0;
  uint32_t limit_ = 0;
  std::set<uint32_t> visited_;
  std::vector<ResourceEntry> entries_;
};

}  // namespace

win32::Error parseResources(const ReadAt& read, const Image& image, std::vector<ResourceEntry>& out) {
  return TreeParser(read, image).parse(out);
}

// Upper case as the system compares resource names: one unit at a time, without locale.
char16_t upcase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c < 0xE0) return c;
  if (c <= 0xFE) return c == 0xF7 ? c : static_cast<char16_t>(c - 32);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {  // Latin Extended-A: pairs, upper case first
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : static_cast<char16_t>(c - 1);
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c & 1) ? static_cast<char16_t>(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<char16_t>(c - 32);  // Greek
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 32);                 // Cyrillic
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 32);  // full-width Latin
  return c;
}

int compareNames(const ResourceName& a, const ResourceName& b) {
  if (a.isId != b.isId) return a.isId ? 1 : -1;
  if (a.isId) return a.id < b.id ? -1 : a.id > b.id ? 1 : 0;
  const size_t n = std::min(a.name.size(), b.name.size());
  for (size_t i = 0; i < n; ++i) {
    const char16_t x = upcase(a.name[i]);
    const char16_t y = upcase(b.name[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.name.size() < b.name.size() ? -1 : a.name.size() > b.name.size() ? 1 : 0;
}

}  // namespace pe
