// The version writer on the template's block, and the version reader over PE images.
#include <gtest/gtest.h>

#include "file_version_info.h"
#include "project_settings.h"
#include "resource_module.h"
#include "version_block.h"
#include "version_icon_test_files.h"

using namespace fixtures;

namespace {

// A record with a distinct text in every version string.
CProjectSettings sampleRecord() {
  CProjectSettings s;
  s.Comments = u"Installs the sample";
  s.CompanyName = u"Zürich Tools © 2026";
  s.FileDescription = u"Sample setup";
  s.FileVersion = u"2.0";
  s.InternalName = u"sample";
  s.LegalCopyright = u"";
  s.LegalTrademarks = u"日本語 ™";
  s.OriginalFilename = u"sample.exe";
  s.PrivateBuild = std::u16string(83, u'p');  // exactly fills the area
  s.ProductName = u"Sample";
  s.ProductVersion = u"1.2.3.4.5";
  s.SpecialBuild = u"x";
  return s;
}

// The block the writer must produce from the template's for `s`: same nodes, same lengths.
std::string expectedBlock(const CProjectSettings& s, uint32_t fileMs, uint32_t fileLs, uint32_t productMs,
                          uint32_t productLs) {
  std::vector<VersionNode> strings;
  for (const VersionStringField& field : kVersionStringFields) {
    strings.push_back(stringNode(field.key, s.*field.field, 84));
  }
  return versionBlock({stringTable(u"040904b0", strings)}, {0x04B00409},
                      fixedPart(fileMs, fileLs, productMs, productLs));
}

class VersionWriterTest : public ScratchFolder {
 protected:
  void SetUp() override {
    ScratchFolder::SetUp();
    target_ = dir_ / "out.exe";
    makeStandInTemplate(target_);
  }
  std::string versionBytes() {
    const auto entries = entriesOfType(target_, payload::kRtVersion);
    EXPECT_EQ(entries.size(), 1u);
    if (entries.size() != 1) return {};
    EXPECT_EQ(entries[0].id, 1);
    EXPECT_EQ(entries[0].language, 0x0409);
    return entries[0].bytes;
  }
  std::filesystem::path target_;
};

TEST_F(VersionWriterTest, PatchesNumbersAndStringsInPlace) {
  const CProjectSettings s = sampleRecord();
  ASSERT_EQ(CFileVersionInfo().WriteVersionResource(u16(target_), s), 0u);
  const std::string written = versionBytes();
  // Exactly the block: 2644 bytes, every length as before, the texts zero-padded.
  EXPECT_EQ(written.size(), 2644u);
  EXPECT_EQ(written, expectedBlock(s, 0x00020000, 0, 0x00010002, 0x00030004));
  versionblock::Value value;
  ASSERT_TRUE(versionblock::query(written, u"\\StringFileInfo\\040904b0\\LegalCopyright", value));
  EXPECT_EQ(written.substr(value.offset, value.bytes()), std::string(168, '\0'));
}

// The documented entry point takes theProjectSettings.
TEST_F(VersionWriterTest, UsesTheProjectSettings) {
  theProjectSettings.Reset();
  theProjectSettings.ProductName = u"From the record";
  ASSERT_EQ(CFileVersionInfo().WriteVersionResource(u16(target_)), 0u);
  EXPECT_EQ(versionblock::findString(versionBytes(), u"ProductName", 0x0409), u"From the record");
  EXPECT_EQ(versionblock::findString(versionBytes(), u"FileVersion", 0x0409), u"1.0.0.1");
  theProjectSettings.Reset();
}

TEST_F(VersionWriterTest, VersionNumbers) {
  struct Case {
    const char16_t* fileVersion;
    const char16_t* productVersion;
    uint32_t fileMs, fileLs, productMs, productLs;
  };
  const Case cases[] = {
      {u"1.2.x", u"v3", 0x00010002, 0, 0x00010000, 1},  // a letter first leaves 1.0.0.1
      {u"65536.70000.1.2", u"", 0x00001170, 0x00010002, 0x00010000, 1},
      {u" 9 . 9", u"-1", 0x00090000, 0, 0xFFFF0000, 0},
  };
  for (const Case& c : cases) {
    makeStandInTemplate(target_);
    CProjectSettings s = sampleRecord();
    s.FileVersion = c.fileVersion;
    s.ProductVersion = c.productVersion;
    ASSERT_EQ(CFileVersionInfo().WriteVersionResource(u16(target_), s), 0u);
    EXPECT_EQ(versionBytes(), expectedBlock(s, c.fileMs, c.fileLs, c.productMs, c.productLs))
        << text::toUtf8(c.fileVersion);
  }
}

// A text longer than its 83-character area fails the step with 122 and leaves the file as it
// was; a surrogate pair counts as two units.
TEST_F(VersionWriterTest, TooLongTextFailsAndWritesNothing) {
  const std::string before = readBytes(target_);
  for (auto field : {&CProjectSettings::Comments, &CProjectSettings::SpecialBuild}) {
    for (const std::u16string& text : {std::u16string(84, u'c'), std::u16string(82, u'c') + u"\U0001F600"}) {
      CProjectSettings s = sampleRecord();
      s.*field = text;
      EXPECT_EQ(CFileVersionInfo().WriteVersionResource(u16(target_), s), win32::kInsufficientBuffer);
      EXPECT_EQ(readBytes(target_), before);
    }
  }
}

TEST_F(VersionWriterTest, TargetsWithoutATemplateBlock) {
  const auto plain = dir_ / "plain.exe";
  std::filesystem::copy_file(win64Program("tests/windows/version_icon/plain.exe"), plain);
  const auto notPe = dir_ / "text.exe";
  writeBytes(notPe, "not an executable");
  struct Case {
    const char* name;
    std::filesystem::path path;
    win32::Error expected;
  };
  const Case cases[] = {
      {"no version resource", plain, win32::kResourceTypeNotFound},
      {"not a PE image", notPe, win32::kBadExeFormat},
      {"missing file", dir_ / "missing.exe", win32::kFileNotFound},
  };
  for (const Case& c : cases) {
    const std::string before = readBytes(c.path);
    EXPECT_EQ(CFileVersionInfo().WriteVersionResource(u16(c.path), sampleRecord()), c.expected) << c.name;
    EXPECT_EQ(readBytes(c.path), before) << c.name;
  }
}

// Blocks the writer cannot patch safely: an error code, and the file as it was.
TEST_F(VersionWriterTest, BlocksItRefuses) {
  std::vector<VersionNode> strings;
  for (const auto& key : templateKeys()) strings.push_back(stringNode(key, u"", 84));
  struct Case {
    const char* name;
    std::string block;
    win32::Error expected;
  };
  const Case cases[] = {
      {"no translation", versionBlock({stringTable(u"040904b0", strings)}, {}), win32::kResourceTypeNotFound},
      {"fixed part cut short",
       versionBlock({stringTable(u"040904b0", strings)}, {0x04B00409}, fixedPart(1, 2, 3, 4).substr(0, 48)),
       win32::kInvalidData},
      {"root longer than the resource", templateBlock().substr(0, 2000), win32::kInvalidData},
  };
  for (const Case& c : cases) {
    putResource(target_, payload::kRtVersion, 1, 0x0409, c.block);
    const std::string before = readBytes(target_);
    EXPECT_EQ(CFileVersionInfo().WriteVersionResource(u16(target_), sampleRecord()), c.expected) << c.name;
    EXPECT_EQ(readBytes(target_), before) << c.name;
  }
}

// Another block shape: first translation German / Windows-1252, a string missing, a short
// area. The writer follows the block: its language, the keys it has, the areas they have.
TEST_F(VersionWriterTest, FollowsTheBlockItFinds) {
  std::vector<VersionNode> strings;
  for (const auto& key : templateKeys()) {
    if (key != u"SpecialBuild") strings.push_back(stringNode(key, u"placeholder", key == u"Comments" ? 4 : 84));
  }
  putResource(target_, payload::kRtVersion, 1, 0x0409,
              versionBlock({stringTable(u"040704e4", strings)}, {0x04E40407, 0x04B00409}));
  CProjectSettings s = sampleRecord();
  s.Comments = u"abc";  // exactly fits 4 units
  ASSERT_EQ(CFileVersionInfo().WriteVersionResource(u16(target_), s), 0u);
  const auto entries = entriesOfType(target_, payload::kRtVersion);
  ASSERT_EQ(entries.size(), 2u);  // the 0x0409 entry stays beside the new 0x0407 one
  const std::string& written = entries[0].language == 0x0407 ? entries[0].bytes : entries[1].bytes;
  versionblock::Value value;
  ASSERT_TRUE(versionblock::query(written, u"\\StringFileInfo\\040704e4\\Comments", value));
  EXPECT_EQ(value.length, 4u);
  EXPECT_EQ(versionblock::readText(written, value), u"abc");
  ASSERT_TRUE(versionblock::query(written, u"\\StringFileInfo\\040704e4\\ProductName", value));
  EXPECT_EQ(versionblock::readText(written, value), u"Sample");
  EXPECT_FALSE(versionblock::query(written, u"\\StringFileInfo\\040704e4\\SpecialBuild", value));

  s.Comments = u"abcd";
  EXPECT_EQ(CFileVersionInfo().WriteVersionResource(u16(target_), s), win32::kInsufficientBuffer);
}

// The launcher template itself: its block is exactly the layout the stand-in copies.
TEST_F(VersionWriterTest, LauncherTemplate) {
  const auto launcher = win64Program("launcher/wrapstub.exe");
  ASSERT_TRUE(std::filesystem::exists(launcher)) << launcher;
  std::filesystem::copy_file(launcher, target_, std::filesystem::copy_options::overwrite_existing);
  EXPECT_EQ(versionBytes().substr(0, 2644), templateBlock());
  const CProjectSettings s = sampleRecord();
  ASSERT_EQ(CFileVersionInfo().WriteVersionResource(u16(target_), s), 0u);
  EXPECT_EQ(versionBytes(), expectedBlock(s, 0x00020000, 0, 0x00010002, 0x00030004));
}

class VersionReaderTest : public ScratchFolder {};

TEST_F(VersionReaderTest, ReadsAnImagesVersionStrings) {
  const auto path = dir_ / "reader.exe";
  std::filesystem::copy_file(win64Program("tests/windows/version_icon/plain.exe"), path);
  const std::string noVersion = readBytes(path);

  auto table = [](const std::u16string& name, const std::u16string& productVersion) {
    return stringTable(name, {stringNode(u"FileVersion", u" 3, 1, 4, 1 ", 16),
                              stringNode(u"ProductVersion", productVersion, 16)});
  };
  putResource(path, payload::kRtVersion, 1, 0x0409,
              versionBlock({table(u"040904b0", u"2.7.1.8")}, {0x04B00409}));
  const std::string oneTranslation = readBytes(path);
  putResource(path, payload::kRtVersion, 1, 0x0409,
              versionBlock({table(u"040704b0", u"7.0")}, {0x04B00407, 0x04B00409}));
  const std::string twoTranslations = readBytes(path);

  struct Case {
    const char* name;
    const std::string& image;
    const char16_t* key;
    const char16_t* expected;
  };
  const Case cases[] = {
      {"no version resource", noVersion, u"ProductVersion", u""},
      {"trimmed value", oneTranslation, u"FileVersion", u"3, 1, 4, 1"},
      {"value without commas", oneTranslation, u"ProductVersion", u"2.7.1.8"},
      {"missing key", oneTranslation, u"CompanyName", u""},
      {"two translations, user's language has no table", twoTranslations, u"ProductVersion", u""},
  };
  for (const Case& c : cases) {
    CImageResourceModule module(c.image);
    EXPECT_EQ(text::toUtf8(CFileVersionInfo().GetVersionString(&module, c.key)), text::toUtf8(c.expected))
        << c.name;
  }
  const std::string damaged = "MZ not really";
  CImageResourceModule module(damaged);
  EXPECT_EQ(CFileVersionInfo().GetVersionString(&module, u"FileVersion"), u"");

  // The application's module: its FileVersion turned to the dotted form.
  SetApplicationResourceImage(oneTranslation);
  EXPECT_EQ(CFileVersionInfo().GetFileVersion(), u"3.1.4.1");
  EXPECT_EQ(CFileVersionInfo().GetProductVersion(), u"2.7.1.8");
  SetApplicationResourceImage(noVersion);
  EXPECT_EQ(CFileVersionInfo().GetFileVersion(), u"");
  SetApplicationResourceImage({});
}

}  // namespace
