// The resource reader and editor on small images made here: order, replacement, transaction,
// layouts the editor must refuse, damaged input, the checksum.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "byte_reader.h"
#include "file.h"
#include "pe_checksum.h"
#include "resource_update.h"
#include "text.h"

namespace {

using pe::ResourceName;

struct SectionSpec {
  const char* name;
  uint32_t virtualSize;
  std::string raw;
  uint32_t characteristics;
};

constexpr uint32_t kCode = 0x60000020;
constexpr uint32_t kData = 0xC0000040;
constexpr uint32_t kDiscardable = 0x42000040;

// A minimal image: DOS header, PE headers, sections at 0x1000 apart in memory and 0x200 in the
// file, then `overlay`. `directories` are (index, rva, size).
std::string makeImage(bool pe64, const std::vector<SectionSpec>& sections,
                      const std::vector<std::array<uint32_t, 3>>& directories = {},
                      const std::string& overlay = {}, uint32_t sizeOfHeaders = 0x200) {
  std::string f(sizeOfHeaders, '\0');
  f[0] = 'M';
  f[1] = 'Z';
  pe::putU32(&f[0x3C], 0x40);
  std::memcpy(&f[0x40], "PE\0\0", 4);
  const uint32_t coff = 0x44, opt = coff + 20, optSize = pe64 ? 240 : 224;
  pe::putU16(&f[coff], pe64 ? 0x8664 : 0x14C);
  pe::putU16(&f[coff + 2], static_cast<uint16_t>(sections.size()));
  pe::putU16(&f[coff + 16], static_cast<uint16_t>(optSize));
  pe::putU16(&f[coff + 18], 0x0102);
  pe::putU16(&f[opt], pe64 ? 0x20B : 0x10B);
  pe::putU32(&f[opt + 32], 0x1000);
  pe::putU32(&f[opt + 36], 0x200);
  pe::putU32(&f[opt + 60], sizeOfHeaders);
  pe::putU32(&f[opt + (pe64 ? 108 : 92)], 16);
  const uint32_t dirs = opt + (pe64 ? 112 : 96);
  for (const auto& d : directories) {
    pe::putU32(&f[dirs + 8 * d[0]], d[1]);
    pe::putU32(&f[dirs + 8 * d[0] + 4], d[2]);
  }
  uint32_t va = 0x1000;
  for (size_t i = 0; i < sections.size(); ++i) {
    const SectionSpec& s = sections[i];
    const uint32_t h = opt + optSize + 40 * static_cast<uint32_t>(i);
    std::memcpy(&f[h], s.name, std::strlen(s.name));
    pe::putU32(&f[h + 8], s.virtualSize);
    pe::putU32(&f[h + 12], va);
    const uint32_t rawSize = static_cast<uint32_t>((s.raw.size() + 0x1FF) / 0x200 * 0x200);
    pe::putU32(&f[h + 16], rawSize);
    pe::putU32(&f[h + 20], rawSize ? static_cast<uint32_t>(f.size()) : 0);
    pe::putU32(&f[h + 36], s.characteristics);
    std::string raw = s.raw;
    raw.resize(rawSize, '\0');
    f += raw;
    va += (std::max(s.virtualSize, rawSize) + 0xFFF) / 0x1000 * 0x1000;
  }
  pe::putU32(&f[opt + 56], va);
  return f + overlay;
}

std::string bytesOf(size_t n, char c) { return std::string(n, c); }

class PeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("pe_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::u16string write(const std::string& name, const std::string& bytes) {
    const std::u16string path = text::fromUtf8((dir_ / name).string());
    EXPECT_EQ(platform::writeFileReplacing(path, bytes), 0u);
    return path;
  }
  static std::string contents(const std::u16string& path) {
    std::string bytes;
    EXPECT_EQ(platform::readWholeFile(path, bytes, 1u << 30), 0u);
    return bytes;
  }

  std::filesystem::path dir_;
};

std::string plainImage(bool pe64 = false, const std::string& overlay = {}) {
  return makeImage(pe64, {{".text", 0x100, bytesOf(0x100, '\xC3'), kCode}, {".data", 0x80, bytesOf(0x80, 'd'), kData}},
                   {}, overlay);
}

const ResourceName kBin = ResourceName::fromName(u"BIN");

TEST_F(PeTest, AddsASectionAndReadsEntriesBackInDirectoryOrder) {
  for (bool pe64 : {false, true}) {
    const std::u16string path = write(pe64 ? "a64.exe" : "a32.exe", plainImage(pe64, "OVERLAY"));
    pe::ResourceUpdate u;
    ASSERT_EQ(pe::ResourceUpdate::begin(path, u), 0u);
    // Given out of order: the directory sorts names (upper-cased) before ids, ids and
    // languages ascending.
    ASSERT_EQ(u.update(ResourceName::fromId(16), ResourceName::fromId(1), 0x409, "version"), 0u);
    ASSERT_EQ(u.update(kBin, ResourceName::fromId(125), 0x409, "args"), 0u);
    ASSERT_EQ(u.update(ResourceName::fromId(3), ResourceName::fromId(2), 0x407, "icon-de"), 0u);
    ASSERT_EQ(u.update(ResourceName::fromId(3), ResourceName::fromId(2), 0x409, "icon-en"), 0u);
    ASSERT_EQ(u.update(ResourceName::fromName(u"abd"), ResourceName::fromName(u"zeta"), 0, "1"), 0u);
    ASSERT_EQ(u.update(ResourceName::fromName(u"ABC"), ResourceName::fromName(u"b"), 0, "2"), 0u);
    ASSERT_EQ(u.update(ResourceName::fromName(u"ABC"), ResourceName::fromName(u"_"), 0, "3"), 0u);
    ASSERT_EQ(u.update(ResourceName::fromId(3), ResourceName::fromId(1), 0, bytesOf(70000, 'L')), 0u);
    ASSERT_EQ(u.end(), 0u);

    pe::ResourceReader r;
    ASSERT_EQ(pe::ResourceReader::open(path, r), 0u);
    EXPECT_EQ(r.is64Bit(), pe64);
    std::vector<std::string> order;
    for (const pe::ResourceEntry& e : r.entries()) {
      std::string data;
      ASSERT_EQ(r.read(e, data), 0u);
      order.push_back((e.type.isId ? std::to_string(e.type.id) : text::toUtf8(e.type.name)) + "/" +
                      (e.name.isId ? std::to_string(e.name.id) : text::toUtf8(e.name.name)) + "/" +
                      std::to_string(e.language) + "=" + (data.size() > 16 ? std::to_string(data.size()) : data));
    }
    // "_" (0x5F) sorts after "B" (0x42) once both are upper case, before "b" (0x62) would not.
    EXPECT_EQ(order, (std::vector<std::string>{"ABC/b/0=2", "ABC/_/0=3", "abd/zeta/0=1", "BIN/125/1033=args",
                                               "3/1/0=70000", "3/2/1031=icon-de", "3/2/1033=icon-en",
                                               "16/1/1033=version"}));
    EXPECT_EQ(contents(path).substr(contents(path).size() - 7), "OVERLAY");
  }
}

TEST_F(PeTest, ReplacesByTypeNameAndLanguageAndKeepsTheRest) {
  const std::u16string path = write("a.exe", plainImage());
  {
    pe::ResourceUpdate u;
    ASSERT_EQ(pe::ResourceUpdate::begin(path, u), 0u);
    ASSERT_EQ(u.update(kBin, ResourceName::fromId(102), 0x409, "old"), 0u);
    ASSERT_EQ(u.update(kBin, ResourceName::fromId(102), 0x407, "german"), 0u);
    ASSERT_EQ(u.update(kBin, ResourceName::fromId(125), 0x409, "args"), 0u);
    ASSERT_EQ(u.end(), 0u);
  }
  pe::ResourceUpdate u;
  ASSERT_EQ(pe::ResourceUpdate::begin(path, u), 0u);
  // Names are matched as the system matches them: without regard to case.
  ASSERT_EQ(u.update(ResourceName::fromName(u"bin"), ResourceName::fromId(102), 0x409, "new"), 0u);
  ASSERT_EQ(u.end(), 0u);
  pe::ResourceReader r;
  ASSERT_EQ(pe::ResourceReader::open(path, r), 0u);
  ASSERT_EQ(r.entries().size(), 3u);
  std::string data;
  ASSERT_EQ(r.read(*r.find(kBin, ResourceName::fromId(102), 0x409), data), 0u);
  EXPECT_EQ(data, "new");
  ASSERT_EQ(r.read(*r.find(kBin, ResourceName::fromId(102), 0x407), data), 0u);
  EXPECT_EQ(data, "german");
  ASSERT_EQ(r.read(*r.find(kBin, ResourceName::fromId(125)), data), 0u);
  EXPECT_EQ(data, "args");
  // The new file replaced the old one under its name: nothing else is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 1);
}

TEST_F(PeTest, NothingReachesTheFileBeforeEndAndDiscardLeavesItAlone) {
  const std::string original = plainImage();
  const std::u16string path = write("a.exe", original);
  const std::u16string source = write("big.bin", bytesOf(100000, 'x'));
  {
    pe::ResourceUpdate u;
    ASSERT_EQ(pe::ResourceUpdate::begin(path, u), 0u);
    ASSERT_EQ(u.update(kBin, ResourceName::fromId(1), 0, "x"), 0u);
    ASSERT_EQ(u.updateFromFile(kBin, ResourceName::fromId(2), 0, source, 10, 1000), 0u);
    EXPECT_EQ(contents(path), original);
    u.discard();
    EXPECT_EQ(u.end(), win32::kInvalidHandle);
  }
  {
    pe::ResourceUpdate u;
    ASSERT_EQ(pe::ResourceUpdate::begin(path, u), 0u);
    ASSERT_EQ(u.update(kBin, ResourceName::fromId(1), 0, "x"), 0u);
    EXPECT_EQ(u.updateFromFile(kBin, ResourceName::fromId(2), 0, source, 99999, 2), win32::kHandleEof);
  }  // dropped unended
  EXPECT_EQ(contents(path), original);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 2);
}

// A source that grows between naming it and the end of the update (someone still writing it)
// fails the update: a new file is dropped, the target stays; in place, the code says so.
TEST_F(PeTest, ASourceThatChangesMeanwhileFailsTheUpdate) {
  const std::string original = plainImage();
  const std::u16string path = write("a.exe", original);
  const std::u16string source = write("big.bin", bytesOf(100000, 'x'));
  for (bool inPlace : {false, true}) {
    SCOPED_TRACE(inPlace ? "in place" : "new file");
    write("big.bin", bytesOf(100000, 'x'));
    pe::ResourceUpdate u;
    ASSERT_EQ(pe::ResourceUpdate::begin(path, u), 0u);
    ASSERT_EQ(u.updateFromFile(kBin, ResourceName::fromId(102), 0x409, source, 0, 100000), 0u);
    {
      std::ofstream more(std::filesystem::path(text::toUtf8(source)), std::ios::binary | std::ios::app);
      more << "still being written";
    }
    u.allowInPlace(inPlace);
    EXPECT_EQ(u.end(), win32::kSharingViolation);
    if (!inPlace) {
      EXPECT_EQ(contents(path), original);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 2);
  }
}

// The image checksum one word at a time, with end-around carry.
uint32_t plainChecksum(const std::string& image) {
  uint32_t sum = 0;
  for (size_t i = 0; i < image.size(); i += 2) {
    if (i == 0x44 + 20 + 64 || i == 0x44 + 20 + 66) continue;
    sum += static_cast<uint8_t>(image[i]) | (i + 1 < image.size() ? static_cast<uint8_t>(image[i + 1]) << 8 : 0);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  return sum + static_cast<uint32_t>(image.size());
}

// The same resource set gives the same bytes; a large entry keeps its place across small
// updates; the in-place rewrite gives exactly the bytes of a new file.
TEST_F(PeTest, LayoutIsStableAndInPlaceEqualsANewFile) {
  const std::u16string big = write("big.bin", [] {
    std::string s(17u << 20, '\0');
    std::mt19937 g(1);
    for (char& c : s) c = static_cast<char>(g());
    return s;
  }());
  const std::u16string a = write("a.exe", plainImage(true, "tail"));
  const std::u16string b = write("b.exe", plainImage(true, "tail"));
  for (const auto& path : {a, b}) {
    pe::ResourceUpdate u;
    ASSERT_EQ(pe::ResourceUpdate::begin(path, u), 0u);
    ASSERT_EQ(u.updateFromFile(kBin, ResourceName::fromId(102), 0x409, big, 0, 17u << 20), 0u);
    ASSERT_EQ(u.end(), 0u);
  }
  ASSERT_EQ(contents(a), contents(b));
  pe::ResourceReader before;
  ASSERT_EQ(pe::ResourceReader::open(a, before), 0u);
  const uint64_t bigOffset = before.entries().at(0).fileOffset;
  const std::vector<std::pair<uint16_t, size_t>> steps = {{16, 900}, {125, 524}, {14, 20}, {125, 10}};
  for (const auto& [id, size] : steps) {
    for (const auto& path : {a, b}) {
      pe::ResourceUpdate u;
      ASSERT_EQ(pe::ResourceUpdate::begin(path, u), 0u);
      ASSERT_EQ(u.update(kBin, ResourceName::fromId(id), 0x409, bytesOf(size, static_cast<char>(id))), 0u);
      u.allowInPlace(path == a);
      ASSERT_EQ(u.end(), 0u);
    }
    const std::string bytes = contents(a);
    ASSERT_EQ(bytes, contents(b)) << "after BIN " << id;
    EXPECT_EQ(pe::getU32(&bytes[0x44 + 20 + 64]), plainChecksum(bytes)) << "after BIN " << id;
    if (id == 14) {
      // A checksum that cannot be right is not trusted: the next in-place update reads instead.
      std::string spoilt = bytes;
      pe::putU32(&spoilt[0x44 + 20 + 64], 0);
      write("a.exe", spoilt);
      write("b.exe", spoilt);
    }
    pe::ResourceReader r;
    ASSERT_EQ(pe::ResourceReader::open(a, r), 0u);
    EXPECT_EQ(r.find(kBin, ResourceName::fromId(102))->fileOffset, bigOffset);
  }
}

TEST_F(PeTest, RefusesLayoutsItCannotRewrite) {
  // A resource section followed by a writable data section: code may point into that one.
  std::string withData;
  {
    const std::u16string seed = write("seed.exe", makeImage(false, {{".text", 0x100, bytesOf(0x100, 1), kCode},
                                                                    {".data", 0x80, bytesOf(0x80, 2), kData}}));
    pe::ResourceUpdate u;
    ASSERT_EQ(pe::ResourceUpdate::begin(seed, u), 0u);
    ASSERT_EQ(u.update(kBin, ResourceName::fromId(1), 0, "x"), 0u);
    ASSERT_EQ(u.end(), 0u);
    withData = contents(seed);
  }
  struct Case {
    const char* name;
    std::string image;
    win32::Error expected;
  };
  // Swap the added .rsrc in front of a data section: build it directly.
  std::string rsrcFirst = makeImage(false, {{".text", 0x100, bytesOf(0x100, 1), kCode},
                                            {".rsrc", 0x10, bytesOf(0x10, 0), 0x40000040},
                                            {".data", 0x80, bytesOf(0x80, 2), kData}},
                                    {{2, 0x2000, 0x10}});
  std::string full = makeImage(false, {{".text", 0x100, bytesOf(0x100, 1), kCode}}, {}, {}, 0x200);
  // Fill the header slot the new section would take.
  pe::putU32(&full[0x44 + 20 + 224 + 40], 0xFFFFFFFF);
  // Discardable relocations that would have to move, but one of them patches the resources.
  std::string relocBlock(10, '\0');
  pe::putU32(&relocBlock[0], 0x2000);
  pe::putU32(&relocBlock[4], 10);
  pe::putU16(&relocBlock[8], 0x3004);
  std::string relocIntoResources = makeImage(false, {{".text", 0x100, bytesOf(0x100, 1), kCode},
                                                     {".rsrc", 0x10, bytesOf(0x10, 0), 0x40000040},
                                                     {".reloc", 10, relocBlock, kDiscardable}},
                                             {{2, 0x2000, 0x10}, {5, 0x3000, 10}});
  const std::vector<Case> cases = {
      {"data section behind the resources", rsrcFirst, pe::kUnsupportedLayout},
      {"a relocation patches the resource section", relocIntoResources, pe::kUnsupportedLayout},
      {"no room for a section header", full, pe::kNoRoomForSection},
  };
  for (const Case& c : cases) {
    const std::u16string path = write("case.exe", c.image);
    pe::ResourceUpdate u;
    ASSERT_EQ(pe::ResourceUpdate::begin(path, u), 0u) << c.name;
    ASSERT_EQ(u.update(kBin, ResourceName::fromId(2), 0, bytesOf(5000, 'y')), 0u) << c.name;
    EXPECT_EQ(u.end(), c.expected) << c.name;
    EXPECT_EQ(contents(path), c.image) << c.name;
  }
  // The discardable relocations may move.
  std::string relocAfter = makeImage(false, {{".text", 0x100, bytesOf(0x100, 1), kCode},
                                             {".rsrc", 0x10, bytesOf(0x10, 0), 0x40000040},
                                             {".reloc", 0x8, std::string("\0\x10\0\0\x08\0\0\0", 8), kDiscardable}},
                                     {{2, 0x2000, 0x10}, {5, 0x3000, 8}});
  const std::u16string path = write("reloc.exe", relocAfter);
  pe::ResourceUpdate u;
  ASSERT_EQ(pe::ResourceUpdate::begin(path, u), 0u);
  ASSERT_EQ(u.update(kBin, ResourceName::fromId(2), 0, bytesOf(9000, 'y')), 0u);
  ASSERT_EQ(u.end(), 0u);
  const std::string edited = contents(path);
  pe::ByteReader h(edited);
  h.seek(0x44 + 20 + 96 + 8 * 5);
  const uint32_t relocRva = h.u32le();
  EXPECT_GT(relocRva, 0x3000u);
  h.seek(0x44 + 20 + 224 + 80 + 12);
  EXPECT_EQ(h.u32le(), relocRva);
}

TEST_F(PeTest, RemovesACertificateTableAndKeepsTheOverlay) {
  std::string image = plainImage(false);
  const uint32_t certAt = static_cast<uint32_t>(image.size());
  image += bytesOf(16, 'C') + "after";
  pe::putU32(&image[0x44 + 20 + 96 + 8 * 4], certAt);
  pe::putU32(&image[0x44 + 20 + 96 + 8 * 4 + 4], 16);
  const std::u16string path = write("signed.exe", image);
  pe::ResourceUpdate u;
  ASSERT_EQ(pe::ResourceUpdate::begin(path, u), 0u);
  ASSERT_EQ(u.update(kBin, ResourceName::fromId(1), 0, "x"), 0u);
  ASSERT_EQ(u.end(), 0u);
  const std::string edited = contents(path);
  EXPECT_EQ(edited.find("CCCCCCCCCCCCCCCC"), std::string::npos);
  EXPECT_EQ(edited.substr(edited.size() - 5), "after");
  EXPECT_EQ(pe::getU32(&edited[0x44 + 20 + 96 + 8 * 4]), 0u);
  EXPECT_EQ(pe::getU32(&edited[0x44 + 20 + 96 + 8 * 4 + 4]), 0u);
}

// Damaged input: an error code, no crash, no endless loop, the file unchanged.
TEST_F(PeTest, DamagedImagesGiveBadExeFormat) {
  std::string good;
  {
    const std::u16string p = write("good.exe", plainImage());
    pe::ResourceUpdate u;
    ASSERT_EQ(pe::ResourceUpdate::begin(p, u), 0u);
    ASSERT_EQ(u.update(kBin, ResourceName::fromName(u"NAME"), 0, "x"), 0u);
    ASSERT_EQ(u.end(), 0u);
    good = contents(p);
  }
  pe::ResourceReader ok;
  ASSERT_EQ(pe::ResourceReader::fromBytes(good, ok), 0u);
  // The resource section is the third; its raw data starts at its PointerToRawData.
  const uint32_t rsrcRaw = pe::getU32(&good[0x44 + 20 + 224 + 80 + 20]);
  const uint32_t rootAt = rsrcRaw + (pe::getU32(&good[0x44 + 20 + 96 + 16]) - pe::getU32(&good[0x44 + 20 + 224 + 80 + 12]));
  auto patched = [&](size_t at, uint32_t v) {
    std::string s = good;
    pe::putU32(&s[at], v);
    return s;
  };
  struct Case {
    const char* name;
    std::string image;
  };
  const std::vector<Case> cases = {
      {"empty", ""},
      {"not MZ", "ZM" + good.substr(2)},
      {"e_lfanew past the end", patched(0x3C, 0x7FFFFFF0)},
      {"e_lfanew exactly at the end", patched(0x3C, static_cast<uint32_t>(good.size()))},
      {"no PE signature", patched(0x40, 0x4551)},
      {"bad magic", patched(0x44 + 20, 0x1234)},
      {"section raw data past the end", patched(0x44 + 20 + 224 + 16, 0x7FFFFFF0)},
      {"raw pointer plus size overflows", patched(0x44 + 20 + 224 + 20, 0xFFFFFE00)},
      {"too many sections", patched(0x44, 0xFFFF014C)},
      {"resource directory outside every section", patched(0x44 + 20 + 96 + 16, 0x900000)},
      {"entry count larger than the section", patched(rootAt + 12, 0xFFFFFFFF)},
      {"subdirectory pointing at the root", patched(rootAt + 20, 0x80000000)},
      {"name string past the section", patched(rootAt + 16, 0xFFFFFFF0)},
      {"truncated", good.substr(0, good.size() - 0x100)},
  };
  for (const Case& c : cases) {
    pe::ResourceReader r;
    EXPECT_EQ(pe::ResourceReader::fromBytes(c.image, r), win32::kBadExeFormat) << c.name;
    const std::u16string path = write("bad.exe", c.image);
    pe::ResourceUpdate u;
    EXPECT_EQ(pe::ResourceUpdate::begin(path, u), win32::kBadExeFormat) << c.name;
    EXPECT_EQ(contents(path), c.image) << c.name;
  }
}

TEST(PeChecksum, WideSumEqualsTheWordByWordSum) {
  std::mt19937 g(7);
  for (size_t size : {0u, 1u, 2u, 3u, 5u, 17u, 64u, 1000u, 65537u}) {
    std::string data(size, '\0');
    for (char& c : data) c = static_cast<char>(g());
    for (uint64_t start : {0u, 1u, 2u, 3u}) {
      uint32_t plain = 0;  // end-around carry, one word at a time
      for (size_t i = 0; i < size; ++i) {
        const uint32_t v = static_cast<uint8_t>(data[i]) << (((start + i) & 1) ? 8 : 0);
        plain += v;
        plain = (plain & 0xFFFF) + (plain >> 16);
      }
      pe::WordSum wide;
      // In two pieces, split at an odd place.
      wide.add(data.data(), size / 3, start);
      wide.add(data.data() + size / 3, size - size / 3, start + size / 3);
      EXPECT_EQ(wide.value(), plain % 65535) << size << " at " << start;
    }
  }
}

}  // namespace
