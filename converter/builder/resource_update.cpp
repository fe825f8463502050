// The resource editor. An update holds the resource set (entries of the file, bytes given by
// the caller, ranges of other files); end() lays out a new resource section and writes the
// image around it in two passes: the plan computes every offset and size, the writer follows
// it and checks that what it wrote is what was planned.
//
// Layout of the resource section we write (a pure function of the resource set and the input
// file, so the same input gives the same bytes on every build):
//   large entries (kLargeEntrySize and more), in directory order, each 8-aligned
//   the directory tables (root, then every type's, then every name's), the data entries,
//   the name strings: the resource data directory points at the root here
//   the other entries, in directory order, each 8-aligned
// Sections behind the resource section are packed after it (the relocations that mingw puts
// there); the overlay follows the last section as before, without a certificate table.
#include <algorithm>
#include <cassert>
#include <cstring>
#include <memory>

#include "byte_reader.h"
#include "file.h"
#include "pe_checksum.h"
#include "pe_image.h"
#include "resource_update.h"

namespace pe {
namespace {

constexpr uint64_t kInPlaceBufferLimit = 32u << 20;  // old bytes held while rewriting in place
constexpr size_t kSmallPiece = 1u << 20;
constexpr uint64_t kDeriveSumFrom = 16u << 20;  // kept bytes from which the old checksum is used

uint64_t alignUp(uint64_t v, uint64_t a) { return (v + a - 1) / a * a; }

enum class Source { OldFile, Memory, External, Zero };

struct Item {
  ResourceName type;
  ResourceName name;
  uint16_t language = 0;
  uint32_t codePage = 0;
  uint32_t size = 0;
  Source source = Source::OldFile;
  uint64_t offset = 0;  // in the old file or the external file
  std::shared_ptr<const std::string> data;
  size_t file = 0;      // index of the external file
  uint64_t place = 0;   // planned: offset in the resource section
};

bool sameKey(const Item& item, const ResourceName& type, const ResourceName& name, uint16_t language) {
  return item.language == language && compareNames(item.type, type) == 0 && compareNames(item.name, name) == 0;
}

bool before(const Item& a, const Item& b) {
  if (int c = compareNames(a.type, b.type)) return c < 0;
  if (int c = compareNames(a.name, b.name)) return c < 0;
  return a.language < b.language;
}

struct Piece {
  uint64_t offset = 0;
  uint64_t length = 0;
  Source source = Source::Zero;
  uint64_t sourceOffset = 0;
  const char* data = nullptr;  // Source::Memory
  size_t file = 0;
};

struct Plan {
  std::string headers;  // patched; the checksum field still zero
  std::string tree;     // directories, data entries, name strings
  std::vector<Piece> pieces;
  uint64_t fileSize = 0;
  bool hadResourceSection = false;
  std::vector<std::unique_ptr<std::string>> held;  // old bytes read before an in-place rewrite
};

}  // namespace

struct ResourceUpdate::Impl {
  std::u16string path;
  platform::File target;
  Image image;
  std::vector<Item> items;
  std::vector<platform::File> files;
  std::vector<uint64_t> fileSizes;  // each source's size when it was named
  std::vector<bool> fileIsTarget;
  bool inPlace = false;

  win32::Error plan(Plan& out);
  win32::Error checkReferences(const std::vector<bool>& rewritten) const;
  win32::Error writeNew(Plan& plan);
  win32::Error writeInPlace(Plan& plan, bool& done);
  win32::Error sumPiece(const Piece& piece, WordSum& sum) const;
  win32::Error writePiece(platform::File& out, const Piece& piece, WordSum& sum) const;
  // A source whose size changed meanwhile was being written by someone else (nothing locks it
  // on POSIX systems): what was streamed from it cannot be trusted, which the code for a file
  // held open elsewhere says.
  win32::Error sourcesUnchanged() const {
    for (size_t i = 0; i < files.size(); ++i) {
      uint64_t now = 0;
      if (files[i].size(now) || now != fileSizes[i]) return win32::kSharingViolation;
    }
    return win32::kSuccess;
  }
  const platform::File& fileOf(const Piece& piece) const {
    return piece.source == Source::External ? files[piece.file] : target;
  }
};

namespace {

class PieceList {
 public:
  explicit PieceList(std::vector<Piece>& pieces) : pieces_(pieces) {}
  uint64_t end() const { return pieces_.empty() ? 0 : pieces_.back().offset + pieces_.back().length; }
  void zeroTo(uint64_t offset) {
    assert(offset >= end());
    if (offset > end()) add({end(), offset - end(), Source::Zero, 0, nullptr, 0});
  }
  void memory(const std::string& bytes) { add({end(), bytes.size(), Source::Memory, 0, bytes.data(), 0}); }
  void old(uint64_t from, uint64_t to) {
    if (to > from) add({end(), to - from, Source::OldFile, from, nullptr, 0});
  }
  void item(const Item& it) {
    if (it.size == 0) return;
    Piece p{end(), it.size, it.source, it.offset, nullptr, it.file};
    if (it.source == Source::Memory) p.data = it.data->data();
    add(p);
  }

 private:
  void add(const Piece& p) { pieces_.push_back(p); }
  std::vector<Piece>& pieces_;
};

void putSectionField(std::string& headers, uint32_t tableOffset, size_t index, uint32_t field, uint32_t value) {
  putU32(headers.data() + tableOffset + 40 * index + field, value);
}

}  // namespace

win32::Error ResourceUpdate::Impl::plan(Plan& out) {
  const Image& im = image;
  std::stable_sort(items.begin(), items.end(), before);

  // The resource section: where the data directory points, or a new one at the end.
  int r = -1;
  const DataDirectory& resourceDir = im.directories[kDirectoryResource];
  if (im.numberOfRvaAndSizes > kDirectoryResource && resourceDir.virtualAddress != 0) {
    r = im.sectionOf(resourceDir.virtualAddress);
    if (r < 0) return win32::kBadExeFormat;
  }
  const size_t sectionCount = im.sections.size();
  if (sectionCount == 0) return win32::kBadExeFormat;
  out.hadResourceSection = r >= 0;
  // Nothing else may live in the resource section: it is written anew.
  for (uint32_t i = 0; r >= 0 && i < im.numberOfRvaAndSizes; ++i) {
    if (i == kDirectoryResource || i == kDirectorySecurity || im.directories[i].virtualAddress == 0) continue;
    if (im.sectionOf(im.directories[i].virtualAddress) == r) return kUnsupportedLayout;
  }

  uint32_t rVA = 0;
  uint64_t rRaw = 0;
  const size_t rIndex = r >= 0 ? static_cast<size_t>(r) : sectionCount;
  if (r >= 0) {
    const Section& rs = im.sections[rIndex];
    rVA = rs.virtualAddress;
    uint64_t beforeEnd = im.headers.size();
    for (size_t i = 0; i < rIndex; ++i) {
      const Section& s = im.sections[i];
      if (s.sizeOfRawData) beforeEnd = std::max<uint64_t>(beforeEnd, uint64_t{s.pointerToRawData} + s.sizeOfRawData);
    }
    rRaw = rs.sizeOfRawData ? rs.pointerToRawData : alignUp(beforeEnd, im.fileAlignment);
    if (beforeEnd > rRaw) return kUnsupportedLayout;  // a section before it in memory lies behind it in the file
  } else {
    // Behind every section and the headers: an RVA of 0 would mean "no resources".
    const uint64_t end = std::max<uint64_t>({im.sections.back().virtualEnd(), im.sizeOfHeaders, 1});
    rVA = static_cast<uint32_t>(std::min<uint64_t>(alignUp(end, im.sectionAlignment), 0xFFFFFFFFu));
    rRaw = alignUp(im.rawEnd, im.fileAlignment);
  }

  // Pass 1 over the tree: sizes and offsets.
  struct NameGroup { size_t first, count; };
  struct TypeGroup { size_t first; std::vector<NameGroup> names; };
  std::vector<TypeGroup> types;
  for (size_t i = 0; i < items.size(); ++i) {
    if (types.empty() || compareNames(items[types.back().first].type, items[i].type) != 0) {
      types.push_back({i, {}});
    }
    auto& names = types.back().names;
    if (names.empty() || compareNames(items[names.back().first].name, items[i].name) != 0) names.push_back({i, 0});
    ++names.back().count;
  }
  uint64_t pos = 0;
  for (Item& it : items) {
    if (it.size < kLargeEntrySize) continue;
    pos = alignUp(pos, 8);
    it.place = pos;
    pos += it.size;
  }
  const uint64_t dirBase = alignUp(pos, 8);
  uint64_t dirBytes = 16 + 8 * types.size();
  for (const TypeGroup& t : types) {
    dirBytes += 16 + 8 * t.names.size();
    for (const NameGroup& n : t.names) dirBytes += 16 + 8 * n.count;
  }
  const uint64_t dataEntries = dirBytes;
  uint64_t stringBytes = 0;
  for (const TypeGroup& t : types) {
    if (!items[t.first].type.isId) stringBytes += 2 + 2 * items[t.first].type.name.size();
    for (const NameGroup& n : t.names) {
      if (!items[n.first].name.isId) stringBytes += 2 + 2 * items[n.first].name.name.size();
    }
  }
  const uint64_t strings = dataEntries + 16 * items.size();
  const uint64_t treeSize = strings + stringBytes;
  pos = alignUp(dirBase + treeSize, 8);
  for (Item& it : items) {
    if (it.size >= kLargeEntrySize) continue;
    it.place = pos;
    pos = alignUp(pos + it.size, 8);
  }
  const uint64_t contentSize = std::max(pos, dirBase + treeSize);
  const uint64_t rRawSize = alignUp(contentSize, im.fileAlignment);
  if (uint64_t{rVA} + contentSize > 0x7FFFFFFF || rRaw + rRawSize > 0xFFFFFFFF) return win32::kFileTooLarge;

  // Pass 1 over the tree: its bytes.
  std::string& tree = out.tree;
  tree.assign(static_cast<size_t>(treeSize), '\0');
  uint64_t nextDir = 16 + 8 * types.size();
  uint64_t nextData = dataEntries;
  uint64_t nextString = strings;
  auto nameField = [&](const ResourceName& n) -> uint32_t {
    if (n.isId) return n.id;
    const uint64_t at = nextString;
    putU16(tree.data() + at, static_cast<uint16_t>(n.name.size()));
    for (size_t i = 0; i < n.name.size(); ++i) putU16(tree.data() + at + 2 + 2 * i, n.name[i]);
    nextString += 2 + 2 * n.name.size();
    return 0x80000000u | static_cast<uint32_t>(at);
  };
  auto header = [&](uint64_t at, size_t named, size_t ids) {
    putU16(tree.data() + at + 12, static_cast<uint16_t>(named));
    putU16(tree.data() + at + 14, static_cast<uint16_t>(ids));
  };
  if (types.size() > 0xFFFF) return win32::kInvalidParameter;
  const size_t namedTypes = static_cast<size_t>(
      std::count_if(types.begin(), types.end(), [&](const TypeGroup& g) { return !items[g.first].type.isId; }));
  header(0, namedTypes, types.size() - namedTypes);
  for (size_t t = 0; t < types.size(); ++t) {
    const TypeGroup& tg = types[t];
    const uint64_t typeDir = nextDir;
    nextDir += 16 + 8 * tg.names.size();
    putU32(tree.data() + 16 + 8 * t, nameField(items[tg.first].type));
    putU32(tree.data() + 16 + 8 * t + 4, 0x80000000u | static_cast<uint32_t>(typeDir));
    const size_t named = static_cast<size_t>(
        std::count_if(tg.names.begin(), tg.names.end(), [&](const NameGroup& g) { return !items[g.first].name.isId; }));
    if (tg.names.size() > 0xFFFF) return win32::kInvalidParameter;
    header(typeDir, named, tg.names.size() - named);
    for (size_t n = 0; n < tg.names.size(); ++n) {
      const NameGroup& ng = tg.names[n];
      const uint64_t nameDir = nextDir;
      nextDir += 16 + 8 * ng.count;
      putU32(tree.data() + typeDir + 16 + 8 * n, nameField(items[ng.first].name));
      putU32(tree.data() + typeDir + 16 + 8 * n + 4, 0x80000000u | static_cast<uint32_t>(nameDir));
      header(nameDir, 0, ng.count);
      for (size_t l = 0; l < ng.count; ++l) {
        const Item& it = items[ng.first + l];
        putU32(tree.data() + nameDir + 16 + 8 * l, it.language);
        putU32(tree.data() + nameDir + 16 + 8 * l + 4, static_cast<uint32_t>(nextData));
        putU32(tree.data() + nextData, static_cast<uint32_t>(rVA + it.place));
        putU32(tree.data() + nextData + 4, it.size);
        putU32(tree.data() + nextData + 8, it.codePage);
        nextData += 16;
      }
    }
  }
  assert(nextDir == dataEntries && nextData == strings && nextString == treeSize);
  (void)nextDir;

  // Sections behind the resource section, packed after it.
  struct Move { size_t index; uint32_t virtualAddress; uint32_t pointerToRawData; };
  std::vector<Move> followers;
  uint64_t vEnd = uint64_t{rVA} + contentSize;
  uint64_t rawEnd = rRaw + rRawSize;
  uint64_t oldRawEnd = r >= 0 ? rRaw + im.sections[rIndex].sizeOfRawData : rRaw;
  for (size_t i = rIndex + 1; i < sectionCount; ++i) {
    const Section& s = im.sections[i];
    Move m{i, static_cast<uint32_t>(alignUp(vEnd, im.sectionAlignment)), s.pointerToRawData};
    if (s.sizeOfRawData) {
      if (s.pointerToRawData < oldRawEnd) return kUnsupportedLayout;
      oldRawEnd = uint64_t{s.pointerToRawData} + s.sizeOfRawData;
      m.pointerToRawData = static_cast<uint32_t>(alignUp(rawEnd, im.fileAlignment));
      rawEnd = uint64_t{m.pointerToRawData} + s.sizeOfRawData;
    }
    vEnd = uint64_t{m.virtualAddress} + (s.virtualEnd() - s.virtualAddress);
    if (vEnd > 0xFFFFFFFF || rawEnd > 0xFFFFFFFF) return win32::kFileTooLarge;
    const bool moves = m.virtualAddress != s.virtualAddress || m.pointerToRawData != s.pointerToRawData;
    if (moves) {
      // Only what nothing but the relocation directory points into may move: code and data
      // hold addresses of their own.
      if ((s.characteristics & (kSectionCode | kSectionExecute)) || !(s.characteristics & kSectionDiscardable)) {
        return kUnsupportedLayout;
      }
      for (uint32_t d = 0; d < im.numberOfRvaAndSizes; ++d) {
        if (d == kDirectorySecurity || d == kDirectoryBaseReloc || im.directories[d].virtualAddress == 0) continue;
        if (im.sectionOf(im.directories[d].virtualAddress) == static_cast<int>(i)) return kUnsupportedLayout;
      }
      if (im.pointerToSymbolTable != 0 && s.sizeOfRawData && im.pointerToSymbolTable >= s.pointerToRawData &&
          im.pointerToSymbolTable < oldRawEnd) {
        return kUnsupportedLayout;
      }
    }
    followers.push_back(m);
  }
  std::vector<bool> rewritten(sectionCount, false);
  if (r >= 0) rewritten[rIndex] = true;
  for (const Move& m : followers) {
    const Section& s = im.sections[m.index];
    rewritten[m.index] = m.virtualAddress != s.virtualAddress || m.pointerToRawData != s.pointerToRawData;
  }
  if (win32::Error e = checkReferences(rewritten)) return e;

  // The overlay, less a certificate table.
  uint64_t certStart = im.fileSize, certEnd = im.fileSize;
  if (im.numberOfRvaAndSizes > kDirectorySecurity && im.directories[kDirectorySecurity].size > 0) {
    certStart = im.directories[kDirectorySecurity].virtualAddress;
    certEnd = certStart + im.directories[kDirectorySecurity].size;
    if (certStart < im.rawEnd || certEnd > im.fileSize) return win32::kBadExeFormat;
  }
  const uint64_t overlayStart = rawEnd;

  // The headers.
  std::string& h = out.headers;
  h = im.headers;
  const uint32_t table = im.sectionTableOffset;
  if (r < 0) {
    const uint64_t slot = uint64_t{table} + 40 * sectionCount;
    if (slot + 40 > h.size() || slot + 40 > im.sizeOfHeaders) return kNoRoomForSection;
    if (std::any_of(h.begin() + static_cast<ptrdiff_t>(slot), h.begin() + static_cast<ptrdiff_t>(slot + 40), [](char c) { return c != 0; })) {
      return kNoRoomForSection;
    }
    if (im.numberOfRvaAndSizes > kDirectoryBoundImport) {
      const DataDirectory& bound = im.directories[kDirectoryBoundImport];
      if (bound.size && bound.virtualAddress < slot + 40 && bound.virtualAddress + uint64_t{bound.size} > slot) {
        return kNoRoomForSection;
      }
    }
    std::memcpy(h.data() + slot, ".rsrc\0\0\0", 8);
    putSectionField(h, table, sectionCount, 12, rVA);
    putSectionField(h, table, sectionCount, 36, kSectionInitializedData | kSectionRead);
    putU16(h.data() + im.coffOffset + 2, static_cast<uint16_t>(sectionCount + 1));
  }
  putSectionField(h, table, rIndex, 8, static_cast<uint32_t>(contentSize));
  putSectionField(h, table, rIndex, 16, static_cast<uint32_t>(rRawSize));
  putSectionField(h, table, rIndex, 20, static_cast<uint32_t>(rRaw));
  for (const Move& m : followers) {
    putSectionField(h, table, m.index, 12, m.virtualAddress);
    putSectionField(h, table, m.index, 20, m.pointerToRawData);
  }
  auto putDirectory = [&](int d, uint32_t va, uint32_t size) {
    putU32(h.data() + im.dataDirectoryOffset + 8 * d, va);
    putU32(h.data() + im.dataDirectoryOffset + 8 * d + 4, size);
  };
  if (im.numberOfRvaAndSizes <= kDirectoryResource) return kUnsupportedLayout;
  putDirectory(kDirectoryResource, static_cast<uint32_t>(rVA + dirBase), static_cast<uint32_t>(contentSize - dirBase));
  if (im.numberOfRvaAndSizes > kDirectorySecurity && im.directories[kDirectorySecurity].size > 0) {
    putDirectory(kDirectorySecurity, 0, 0);
  }
  for (const Move& m : followers) {
    const Section& s = im.sections[m.index];
    for (uint32_t d = 0; d < im.numberOfRvaAndSizes; ++d) {
      const DataDirectory& dd = im.directories[d];
      if (d != kDirectorySecurity && dd.virtualAddress && im.sectionOf(dd.virtualAddress) == static_cast<int>(m.index)) {
        putDirectory(static_cast<int>(d), dd.virtualAddress - s.virtualAddress + m.virtualAddress, dd.size);
      }
    }
  }
  uint32_t oldVEnd = 0;
  for (const Section& s : im.sections) oldVEnd = std::max(oldVEnd, s.virtualEnd());
  const int64_t imageGrowth = static_cast<int64_t>(alignUp(vEnd, im.sectionAlignment)) -
                              static_cast<int64_t>(alignUp(oldVEnd, im.sectionAlignment));
  putU32(h.data() + im.sizeOfImageOffset(), static_cast<uint32_t>(im.sizeOfImage + imageGrowth));
  const uint32_t oldRSize = r >= 0 ? im.sections[rIndex].sizeOfRawData : 0;
  const uint32_t rFlags = r >= 0 ? im.sections[rIndex].characteristics : kSectionInitializedData;
  if (rFlags & kSectionInitializedData) {
    const uint32_t initialized = getU32(h.data() + im.sizeOfInitializedDataOffset());
    putU32(h.data() + im.sizeOfInitializedDataOffset(), static_cast<uint32_t>(initialized + rRawSize - oldRSize));
  }
  const uint64_t overlayShift = overlayStart - im.rawEnd;  // modulo 2^64
  if (im.pointerToSymbolTable >= im.rawEnd) {
    uint64_t p = im.pointerToSymbolTable + overlayShift;
    if (im.pointerToSymbolTable >= certEnd) p -= certEnd - certStart;
    putU32(h.data() + im.coffOffset + 8, static_cast<uint32_t>(p));
  } else if (r >= 0 && im.pointerToSymbolTable >= rRaw) {
    return kUnsupportedLayout;
  }
  putU32(h.data() + im.checkSumOffset(), 0);

  // The pieces of the new file, in order.
  out.pieces.clear();
  PieceList list(out.pieces);
  list.memory(h);
  if (r >= 0) {
    list.old(h.size(), rRaw);
  } else {
    list.old(h.size(), im.rawEnd);
    list.zeroTo(rRaw);
  }
  for (const Item& it : items) {
    if (it.size >= kLargeEntrySize) {
      list.zeroTo(rRaw + it.place);
      list.item(it);
    }
  }
  list.zeroTo(rRaw + dirBase);
  list.memory(tree);
  for (const Item& it : items) {
    if (it.size < kLargeEntrySize) {
      list.zeroTo(rRaw + it.place);
      list.item(it);
    }
  }
  list.zeroTo(rRaw + rRawSize);
  for (const Move& m : followers) {
    const Section& s = im.sections[m.index];
    if (!s.sizeOfRawData) continue;
    list.zeroTo(m.pointerToRawData);
    list.old(s.pointerToRawData, uint64_t{s.pointerToRawData} + s.sizeOfRawData);
  }
  list.zeroTo(overlayStart);
  list.old(im.rawEnd, certStart);
  list.old(certEnd, im.fileSize);
  out.fileSize = list.end();
  return win32::kSuccess;
}

// What the image itself says about addresses in the sections that are rewritten or moved:
// no base relocation may patch a place there, and no debug directory entry may point at data
// there (its file offset would go stale). Either refuses the layout.
win32::Error ResourceUpdate::Impl::checkReferences(const std::vector<bool>& rewritten) const {
  const Image& im = image;
  auto affected = [&](uint32_t rva) {
    const int s = im.sectionOf(rva);
    return s >= 0 && rewritten[static_cast<size_t>(s)];
  };
  auto readDirectory = [&](int d, std::string& bytes) -> win32::Error {
    bytes.clear();
    if (im.numberOfRvaAndSizes <= static_cast<uint32_t>(d)) return win32::kSuccess;
    const DataDirectory& dd = im.directories[d];
    if (dd.virtualAddress == 0 || dd.size == 0) return win32::kSuccess;
    uint64_t offset = 0;
    if (!im.rvaToOffset(dd.virtualAddress, dd.size, offset)) return win32::kBadExeFormat;
    bytes.resize(dd.size);
    return target.readExactAt(offset, bytes.data(), bytes.size());
  };
  std::string bytes;
  // Base relocation blocks: PageRVA u32, SizeOfBlock u32, then u16 entries (type << 12 | offset).
  if (win32::Error e = readDirectory(kDirectoryBaseReloc, bytes)) return e;
  ByteReader relocs(bytes);
  while (relocs.remaining() >= 8) {
    const uint32_t page = relocs.u32le();
    const uint32_t blockSize = relocs.u32le();
    if (blockSize < 8 || blockSize - 8 > relocs.remaining()) return win32::kBadExeFormat;
    ByteReader block = relocs.sub(blockSize - 8);
    while (block.remaining() >= 2) {
      const uint16_t entry = block.u16le();
      if ((entry >> 12) != 0 && affected(page + (entry & 0xFFF))) return kUnsupportedLayout;
    }
  }
  // Debug directory entries (28 bytes): ..., SizeOfData u32 at 16, AddressOfRawData u32 at 20,
  // PointerToRawData u32 at 24.
  if (win32::Error e = readDirectory(kDirectoryDebug, bytes)) return e;
  ByteReader debug(bytes);
  while (debug.remaining() >= 28) {
    ByteReader entry = debug.sub(28);
    entry.skip(16);
    const uint32_t size = entry.u32le();
    const uint32_t address = entry.u32le();
    const uint32_t pointer = entry.u32le();
    if (size == 0) continue;
    if (address != 0 && affected(address)) return kUnsupportedLayout;
    for (size_t i = 0; i < im.sections.size(); ++i) {
      const Section& s = im.sections[i];
      if (rewritten[i] && s.sizeOfRawData && pointer >= s.pointerToRawData && pointer - s.pointerToRawData < s.sizeOfRawData) {
        return kUnsupportedLayout;
      }
    }
  }
  return win32::kSuccess;
}

win32::Error ResourceUpdate::Impl::sumPiece(const Piece& p, WordSum& sum) const {
  switch (p.source) {
    case Source::Zero: return win32::kSuccess;
    case Source::Memory: sum.add(p.data, static_cast<size_t>(p.length), p.offset); return win32::kSuccess;
    default: {
      uint64_t at = p.offset;
      return fileOf(p).scan(p.sourceOffset, p.length, [&](const unsigned char* data, size_t size) {
        sum.add(data, size, at);
        at += size;
      });
    }
  }
}

win32::Error ResourceUpdate::Impl::writePiece(platform::File& out, const Piece& p, WordSum& sum) const {
  switch (p.source) {
    case Source::Zero: {
      static const std::string zeros(64 * 1024, '\0');
      for (uint64_t done = 0; done < p.length;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(p.length - done, zeros.size()));
        if (win32::Error e = out.writeAt(p.offset + done, zeros.data(), n)) return e;
        done += n;
      }
      return win32::kSuccess;
    }
    case Source::Memory:
      sum.add(p.data, static_cast<size_t>(p.length), p.offset);
      return out.writeAt(p.offset, p.data, static_cast<size_t>(p.length));
    default: {
      const platform::File& from = fileOf(p);
      if (p.length <= kSmallPiece) {
        std::string buffer(static_cast<size_t>(p.length), '\0');
        if (win32::Error e = from.readExactAt(p.sourceOffset, buffer.data(), buffer.size())) return e;
        sum.add(buffer.data(), buffer.size(), p.offset);
        return out.writeAt(p.offset, buffer.data(), buffer.size());
      }
      // Large: summed and written piece by piece from the source's cache, each piece read once.
      uint64_t at = p.offset;
      return out.copyFromVisiting(from, p.sourceOffset, p.length, p.offset, [&](const unsigned char* data, size_t size) {
        sum.add(data, size, at);
        at += size;
      });
    }
  }
}

win32::Error ResourceUpdate::Impl::writeNew(Plan& plan) {
  const std::u16string temp = platform::siblingTempPath(path);
  platform::File out;
  if (win32::Error e = platform::File::createWrite(temp, out)) return e;
  auto fail = [&](win32::Error e) {
    out.close();
    platform::removeFile(temp);
    return e;
  };
  WordSum sum;
  uint64_t written = 0;
  for (const Piece& p : plan.pieces) {
    if (p.offset != written) return fail(win32::kInvalidData);  // the plan has a hole
    if (win32::Error e = writePiece(out, p, sum)) return fail(e);
    written += p.length;
  }
  if (written != plan.fileSize) return fail(win32::kInvalidData);
  putU32(plan.headers.data() + image.checkSumOffset(), sum.checksum(plan.fileSize));
  if (win32::Error e = out.writeAt(0, plan.headers.data(), plan.headers.size())) return fail(e);
  uint64_t size = 0;
  if (win32::Error e = out.size(size)) return fail(e);
  if (size != plan.fileSize) return fail(win32::kInvalidData);
  if (win32::Error e = sourcesUnchanged()) return fail(e);
  out.close();
  target.close();
  if (win32::Error e = platform::replaceFile(temp, path)) {
    platform::removeFile(temp);
    return e;
  }
  return win32::kSuccess;
}

// Rewrites only what changes: the headers and everything behind the longest run of pieces
// that already stand where they are. `done` stays false when this layout cannot be rewritten
// in place (the caller then writes a new file; both give the same bytes).
win32::Error ResourceUpdate::Impl::writeInPlace(Plan& plan, bool& done) {
  done = false;
  if (!plan.hadResourceSection) return win32::kSuccess;
  for (const Item& it : items) {
    if (it.source == Source::External && fileIsTarget[it.file]) return win32::kSuccess;
  }
  size_t first = 1;
  for (; first < plan.pieces.size(); ++first) {
    const Piece& p = plan.pieces[first];
    if (p.source == Source::OldFile && p.sourceOffset == p.offset) continue;
    if (p.source == Source::Zero && p.length <= 4096 && p.offset + p.length <= image.fileSize) {
      std::string old(static_cast<size_t>(p.length), '\0');
      if (win32::Error e = target.readExactAt(p.offset, old.data(), old.size())) return e;
      if (std::all_of(old.begin(), old.end(), [](char c) { return c == 0; })) continue;
    }
    break;
  }
  const uint64_t keepEnd = first < plan.pieces.size() ? plan.pieces[first].offset : plan.fileSize;
  if (keepEnd > image.fileSize) return win32::kSuccess;
  // Old bytes that the rewrite would overwrite before reading them are read first.
  uint64_t toHold = 0;
  for (size_t i = first; i < plan.pieces.size(); ++i) {
    const Piece& p = plan.pieces[i];
    if (p.source == Source::OldFile) toHold += p.length;
  }
  if (toHold > kInPlaceBufferLimit) return win32::kSuccess;
  for (size_t i = first; i < plan.pieces.size(); ++i) {
    Piece& p = plan.pieces[i];
    if (p.source != Source::OldFile) continue;
    auto bytes = std::make_unique<std::string>(static_cast<size_t>(p.length), '\0');
    if (win32::Error e = target.readExactAt(p.sourceOffset, bytes->data(), bytes->size())) return e;
    p.source = Source::Memory;
    p.data = bytes->data();
    plan.held.push_back(std::move(bytes));
  }

  // The sum of the bytes kept. When they are many (large entries that an earlier update of ours
  // placed), it comes from the old file's checksum, which that update wrote: the checksum less
  // the length is the sum of every word, and the words of the bytes rewritten are taken out
  // again. A checksum that cannot be one (0, or not the length plus 1..0xFFFF) is not used.
  // Otherwise the kept bytes are read.
  WordSum sum;
  const uint32_t oldWords = static_cast<uint32_t>(image.checkSum - image.fileSize);
  const Piece kept{image.headers.size(), keepEnd - image.headers.size(), Source::OldFile, image.headers.size(), nullptr, 0};
  if (kept.length >= kDeriveSumFrom && oldWords >= 1 && oldWords <= 0xFFFF) {
    sum = WordSum::fromValue(oldWords);
    std::string oldHeaders = image.headers;
    putU32(oldHeaders.data() + image.checkSumOffset(), 0);
    WordSum rest;
    rest.add(oldHeaders.data(), oldHeaders.size(), 0);
    const Piece tail{keepEnd, image.fileSize - keepEnd, Source::OldFile, keepEnd, nullptr, 0};
    if (win32::Error e = sumPiece(tail, rest)) return e;
    sum.subtractSum(rest);
  } else if (win32::Error e = sumPiece(kept, sum)) {
    return e;
  }

  target.close();
  platform::File out;
  if (win32::Error e = platform::File::openReadWrite(path, out)) return e;
  done = true;
  sum.add(plan.headers.data(), plan.headers.size(), 0);  // the checksum field still zero
  uint64_t written = keepEnd;
  for (size_t i = first; i < plan.pieces.size(); ++i) {
    const Piece& p = plan.pieces[i];
    if (p.offset != written) return win32::kInvalidData;
    if (win32::Error e = writePiece(out, p, sum)) return e;
    written += p.length;
  }
  if (written != plan.fileSize) return win32::kInvalidData;
  if (win32::Error e = out.truncate(plan.fileSize)) return e;
  putU32(plan.headers.data() + image.checkSumOffset(), sum.checksum(plan.fileSize));
  return out.writeAt(0, plan.headers.data(), plan.headers.size());
}

ResourceUpdate::ResourceUpdate() = default;
ResourceUpdate::~ResourceUpdate() = default;
ResourceUpdate::ResourceUpdate(ResourceUpdate&&) noexcept = default;
ResourceUpdate& ResourceUpdate::operator=(ResourceUpdate&&) noexcept = default;

win32::Error ResourceUpdate::begin(std::u16string_view path, ResourceUpdate& out) {
  auto impl = std::make_unique<Impl>();
  impl->path = std::u16string(path);
  if (win32::Error e = platform::File::openRead(path, impl->target)) return e;
  uint64_t size = 0;
  if (win32::Error e = impl->target.size(size)) return e;
  const platform::File& file = impl->target;
  const ReadAt read = [&file](uint64_t offset, size_t length, std::string& bytes) {
    bytes.resize(length);
    win32::Error e = file.readExactAt(offset, bytes.data(), length);
    return e == win32::kHandleEof ? win32::kBadExeFormat : e;
  };
  if (win32::Error e = parseImage(read, size, impl->image)) return e;
  std::vector<ResourceEntry> entries;
  if (win32::Error e = parseResources(read, impl->image, entries)) return e;
  for (const ResourceEntry& entry : entries) {
    const bool duplicate = std::any_of(impl->items.begin(), impl->items.end(), [&](const Item& it) {
      return sameKey(it, entry.type, entry.name, entry.language);
    });
    if (duplicate) continue;  // a damaged tree: the first of them stays
    Item it;
    it.type = entry.type;
    it.name = entry.name;
    it.language = entry.language;
    it.codePage = entry.codePage;
    it.size = entry.size;
    it.source = Source::OldFile;
    it.offset = entry.fileOffset;
    impl->items.push_back(std::move(it));
  }
  out.impl_ = std::move(impl);
  return win32::kSuccess;
}

namespace {

bool validName(const ResourceName& n) { return n.isId || (!n.name.empty() && n.name.size() <= 0xFFFF); }

void replaceOrAdd(std::vector<Item>& items, Item item) {
  for (Item& it : items) {
    if (sameKey(it, item.type, item.name, item.language)) {
      it = std::move(item);
      return;
    }
  }
  items.push_back(std::move(item));
}

}  // namespace

win32::Error ResourceUpdate::update(const ResourceName& type, const ResourceName& name, uint16_t language,
                                    std::string_view data) {
  if (!impl_) return win32::kInvalidHandle;
  if (!validName(type) || !validName(name)) return win32::kInvalidParameter;
  if (data.size() > 0xFFFFFFFFu) return win32::kFileTooLarge;
  Item it;
  it.type = type;
  it.name = name;
  it.language = language;
  it.size = static_cast<uint32_t>(data.size());
  it.source = Source::Memory;
  it.data = std::make_shared<const std::string>(data);
  replaceOrAdd(impl_->items, std::move(it));
  return win32::kSuccess;
}

win32::Error ResourceUpdate::updateFromFile(const ResourceName& type, const ResourceName& name, uint16_t language,
                                            std::u16string_view sourcePath, uint64_t offset, uint64_t length) {
  if (!impl_) return win32::kInvalidHandle;
  if (!validName(type) || !validName(name)) return win32::kInvalidParameter;
  if (length > 0xFFFFFFFFu) return win32::kFileTooLarge;
  platform::File file;
  if (win32::Error e = platform::File::openRead(sourcePath, file)) return e;
  uint64_t size = 0;
  if (win32::Error e = file.size(size)) return e;
  if (offset > size || length > size - offset) return win32::kHandleEof;
  Item it;
  it.type = type;
  it.name = name;
  it.language = language;
  it.size = static_cast<uint32_t>(length);
  it.source = Source::External;
  it.offset = offset;
  it.file = impl_->files.size();
  impl_->files.push_back(std::move(file));
  impl_->fileSizes.push_back(size);
  impl_->fileIsTarget.push_back(platform::sameFile(sourcePath, impl_->path));
  replaceOrAdd(impl_->items, std::move(it));
  return win32::kSuccess;
}

void ResourceUpdate::allowInPlace(bool allow) {
  if (impl_) impl_->inPlace = allow;
}

win32::Error ResourceUpdate::end() {
  if (!impl_) return win32::kInvalidHandle;
  std::unique_ptr<Impl> impl = std::move(impl_);
  // The file must still be the one that was read.
  uint64_t size = 0;
  if (win32::Error e = impl->target.size(size)) return e;
  if (size != impl->image.fileSize) return win32::kInvalidData;
  Plan plan;
  if (win32::Error e = impl->plan(plan)) return e;
  if (impl->inPlace) {
    bool done = false;
    win32::Error e = impl->writeInPlace(plan, done);
    if (done && !e) e = impl->sourcesUnchanged();
    if (done || e) return e;
  }
  return impl->writeNew(plan);
}

void ResourceUpdate::discard() { impl_.reset(); }

}  // namespace pe
