// CBuildSfx::AddIconGroup on a stand-in of the template (or the template itself).
#include <gtest/gtest.h>

#include <map>

#include "build_sfx.h"
#include "version_icon_test_files.h"

using namespace fixtures;

namespace {

class AddIconGroupTest : public ScratchFolder {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    target_ = dir_ / "out.exe";
    makeStandInTemplate(target_);
  }
  std::map<uint16_t, std::string> icons() {
    std::map<uint16_t, std::string> out;
    for (const Entry& e : entriesOfType(target_, payload::kRtIcon)) {
      EXPECT_EQ(e.language, 0x0409) << e.id;
      out[e.id] = e.bytes;
    }
    return out;
  }
  std::string group107() {
    const auto groups = entriesOfType(target_, payload::kRtGroupIcon);
    EXPECT_EQ(groups.size(), 1u);
    return groups.empty() ? std::string() : groups[0].bytes;
  }
  std::filesystem::path target_;
};

TEST_F(AddIconGroupTest, WritesGroupAndImages) {
  const auto templateIcons = icons();
  ASSERT_EQ(templateIcons.size(), 4u);
  struct Case {
    const char* name;
    std::vector<IconImage> images;
  };
  const Case cases[] = {
      {"four images", fourImages()},
      {"one image", {fourImages()[1]}},
      {"zero images", {}},
      {"256-pixel PNG image", {{0, 0, 0, 0, 1, 32, pngImage(256, 0x3366CCFF)}}},
  };
  for (const Case& c : cases) {
    makeStandInTemplate(target_);
    const auto ico = dir_ / "icon.ico";
    const std::string file = iconFile(c.images);
    writeBytes(ico, file);
    ASSERT_EQ(CBuildSfx().AddIconGroup(u16(target_), u16(ico), 107), 0u) << c.name;

    // The group: the file's header, then each directory entry's first 12 bytes and its id.
    std::string expected = file.substr(0, 6);
    for (size_t i = 0; i < c.images.size(); ++i) {
      expected += file.substr(6 + 16 * i, 12);
      putU16(expected, uint16_t(107 + i));
    }
    EXPECT_EQ(group107(), expected) << c.name;

    // Images 107 and up beside the template's 1 to 4, which stay.
    auto now = icons();
    EXPECT_EQ(now.size(), 4 + c.images.size()) << c.name;
    for (const auto& [id, bytes] : templateIcons) EXPECT_EQ(now[id], bytes) << c.name << " " << id;
    for (size_t i = 0; i < c.images.size(); ++i) EXPECT_EQ(now[uint16_t(107 + i)], c.images[i].bytes) << c.name;
  }
}

TEST_F(AddIconGroupTest, FailuresGiveOneAndWriteNothing) {
  std::string pastEnd = iconFile(fourImages());
  pastEnd.pop_back();
  // 65430 empty images: ids 107 and up would run past 65535.
  std::string tooMany("\0\0\1\0", 4);
  putU16(tooMany, 65430);
  tooMany += std::string(16 * size_t{65430}, '\0');
  const auto notPe = dir_ / "text.exe";
  writeBytes(notPe, "not an executable at all");
  struct Case {
    const char* name;
    std::string icon;  // empty: no icon file
    std::filesystem::path target;
  };
  const Case cases[] = {
      {"last image past the end of the file", pastEnd, target_},
      {"header cut short", std::string("\0\0\1", 3), target_},
      {"more images than ids", tooMany, target_},
      {"missing icon file", "", target_},
      {"target not a PE image", iconFile(fourImages()), notPe},
      {"missing target", iconFile(fourImages()), dir_ / "missing.exe"},
  };
  for (const Case& c : cases) {
    const auto ico = dir_ / "icon.ico";
    std::filesystem::remove(ico);
    if (!c.icon.empty()) writeBytes(ico, c.icon);
    const std::string before = readBytes(c.target);
    EXPECT_EQ(CBuildSfx().AddIconGroup(u16(c.target), u16(ico), 107), 1u) << c.name;
    EXPECT_EQ(readBytes(c.target), before) << c.name;
  }
}

// Not an icon file, but every read succeeds: written as it comes, result 0.
TEST_F(AddIconGroupTest, NonIconFileWhoseReadsSucceed) {
  // Header: reserved 0x5A4D ("MZ"), type 0x0090, count 1; one entry naming 8 bytes at 0.
  std::string bytes = std::string("MZ\x90\0\1\0", 6) + "ABCD";
  putU16(bytes, 1);
  putU16(bytes, 4);
  putU32(bytes, 8);
  putU32(bytes, 0);
  bytes += "tail";
  const auto ico = dir_ / "odd.bin";
  writeBytes(ico, bytes);
  ASSERT_EQ(CBuildSfx().AddIconGroup(u16(target_), u16(ico), 107), 0u);
  std::string expected = bytes.substr(0, 18);
  putU16(expected, 107);
  EXPECT_EQ(group107(), expected);
  EXPECT_EQ(icons()[107], bytes.substr(0, 8));
}

// The real launcher template: its group 107 is replaced, its images 1 to 4 stay.
TEST_F(AddIconGroupTest, LauncherTemplate) {
  const auto launcher = win64Program("launcher/wrapstub.exe");
  ASSERT_TRUE(std::filesystem::exists(launcher)) << launcher;
  std::filesystem::copy_file(launcher, target_, std::filesystem::copy_options::overwrite_existing);
  const auto templateIcons = icons();
  const auto ico = dir_ / "icon.ico";
  writeBytes(ico, iconFile({fourImages()[0]}));
  ASSERT_EQ(CBuildSfx().AddIconGroup(u16(target_), u16(ico), 107), 0u);
  const auto now = icons();
  EXPECT_EQ(now.size(), templateIcons.size() + 1);
  for (uint16_t id = 1; id <= 4; ++id) EXPECT_EQ(now.count(id), 1u) << id;
  EXPECT_EQ(group107().size(), 6u + 14);
}

}  // namespace
