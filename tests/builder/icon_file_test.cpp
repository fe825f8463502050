// Reading icon files and building the group, over files made in the test.
#include <gtest/gtest.h>

#include "icon_file.h"
#include "version_icon_test_files.h"

using namespace fixtures;

namespace {

class IconFileTest : public ScratchFolder {
 protected:
  std::u16string write(const std::string& name, const std::string& bytes) {
    writeBytes(dir_ / name, bytes);
    return u16(dir_ / name);
  }
};

TEST_F(IconFileTest, ReadsEveryImageAndBuildsTheGroup) {
  const auto images = fourImages();
  icon::IconFile file;
  ASSERT_EQ(icon::readIconFile(write("four.ico", iconFile(images)), file), 0u);
  ASSERT_EQ(file.images.size(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(file.images[i], images[i].bytes) << i;

  const std::string group = icon::buildGroup(file, 107);
  ASSERT_EQ(group.size(), 6u + 14 * 4);
  EXPECT_EQ(group.substr(0, 6), std::string("\0\0\1\0\4\0", 6));
  for (size_t i = 0; i < 4; ++i) {
    const std::string entry = group.substr(6 + 14 * i, 14);
    EXPECT_EQ(uint8_t(entry[0]), images[i].width) << i;
    EXPECT_EQ(uint8_t(entry[1]), images[i].height) << i;
    // planes, bit count, bytes in the image as the directory has them
    EXPECT_EQ(entry.substr(4, 8), std::string(reinterpret_cast<const char*>(file.directory[i].data()) + 4, 8)) << i;
    EXPECT_EQ(uint8_t(entry[12]) | uint8_t(entry[13]) << 8, 107 + int(i)) << i;
  }
}

// What the reads deliver is taken as it is: no check of the header, sizes or colour data.
TEST_F(IconFileTest, CasesByContent) {
  std::string shortImage = iconFile(fourImages());
  shortImage.pop_back();  // the last image reaches one byte past the end
  std::string farOffset = iconFile({{16, 16, 0, 0, 1, 32, "abcd"}});
  farOffset[6 + 12] = '\x7f';  // offset far past the end
  std::string hugeSize = iconFile({{16, 16, 0, 0, 1, 32, "abcd"}});
  hugeSize.replace(6 + 8, 4, "\xff\xff\xff\xff", 4);  // 4 GiB in the image
  std::string zeroSize = iconFile({{16, 16, 0, 0, 1, 32, ""}});
  std::string sameImageMany(6, '\0');
  sameImageMany[4] = '\xff';
  sameImageMany[5] = '\xff';  // 65535 entries, each the whole file's worth of image
  for (int i = 0; i < 65535; ++i) {
    sameImageMany += std::string("\0\0\0\0\1\0\x20\0", 8);
    std::string entry;
    putU32(entry, 0x401);  // just over 1 KiB each: over 64 MiB in all
    putU32(entry, 0);
    sameImageMany += entry;
  }
  // Read as a header, "This i" counts 0x6920 images: the directory runs past the end.
  const std::string notIcon = "This is a plain text file, not an icon at all.\n";
  struct Case {
    const char* name;
    std::string bytes;
    bool ok;
    size_t images;
  };
  const Case cases[] = {
      {"one image", iconFile({fourImages()[2]}), true, 1},
      {"zero images", iconFile({}), true, 0},
      {"256-pixel PNG image", iconFile({{0, 0, 0, 0, 1, 32, pngImage(256, 0x3366CCFF)}}), true, 1},
      {"reserved and type as they come", iconFile({fourImages()[0]}, 0x1234, 7), true, 1},
      {"image of zero bytes", zeroSize, true, 1},
      {"empty file", "", false, 0},
      {"header cut short", std::string("\0\0\1\0\1", 5), false, 0},
      {"directory cut short", iconFile({fourImages()[0]}).substr(0, 6 + 15), false, 0},
      {"last image past the end", shortImage, false, 0},
      {"offset past the end", farOffset, false, 0},
      {"size past the end", hugeSize, false, 0},
      {"images beyond the memory bound", sameImageMany, false, 0},
      {"text whose reads fail (count too high)", notIcon, false, 0},
  };
  for (const Case& c : cases) {
    icon::IconFile file;
    const win32::Error e = icon::readIconFile(write("case.ico", c.bytes), file);
    EXPECT_EQ(e == 0, c.ok) << c.name << " " << e;
    if (c.ok) {
      EXPECT_EQ(file.images.size(), c.images) << c.name;
      EXPECT_EQ(icon::buildGroup(file, 107).size(), 6 + 14 * c.images) << c.name;
    }
  }
}

TEST_F(IconFileTest, PngImageCopiedAsItIsWithWidthAndHeightZero) {
  const std::string png = pngImage(256, 0x3366CCFF);
  icon::IconFile file;
  ASSERT_EQ(icon::readIconFile(write("png.ico", iconFile({{0, 0, 0, 0, 1, 32, png}})), file), 0u);
  ASSERT_EQ(file.images.size(), 1u);
  EXPECT_EQ(file.images[0], png);
  const std::string group = icon::buildGroup(file, 107);
  EXPECT_EQ(group[6], '\0');
  EXPECT_EQ(group[7], '\0');
}

// A file that is no icon but whose reads all succeed is taken as one.
TEST_F(IconFileTest, NonIconWhoseReadsSucceed) {
  // Header "MZ\x90\0\1\0": one entry, 16 bytes of directory, an image of 8 bytes at offset 0.
  std::string bytes = "MZ\x90";
  bytes += std::string("\0\1\0", 3);
  bytes += "ABCD";
  putU16(bytes, 1);
  putU16(bytes, 4);
  putU32(bytes, 8);
  putU32(bytes, 0);
  icon::IconFile file;
  ASSERT_EQ(icon::readIconFile(write("odd.bin", bytes), file), 0u);
  ASSERT_EQ(file.images.size(), 1u);
  EXPECT_EQ(file.images[0], bytes.substr(0, 8));
  EXPECT_EQ(icon::buildGroup(file, 107).substr(0, 6), bytes.substr(0, 6));
}

TEST_F(IconFileTest, MissingFileOrFolder) {
  icon::IconFile file;
  EXPECT_EQ(icon::readIconFile(u16(dir_ / "missing.ico"), file), win32::kFileNotFound);
  EXPECT_NE(icon::readIconFile(u16(dir_), file), 0u);
}

}  // namespace
