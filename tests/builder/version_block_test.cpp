// The version block query, ParseVersion, FormatVersion and the reader's string lookup, over
// blocks built in the test.
#include <gtest/gtest.h>

#include "file_version_info.h"
#include "text.h"
#include "version_block.h"
#include "version_fixtures.h"

using namespace fixtures;

namespace {

std::string u8(const std::u16string& s) { return text::toUtf8(s); }

TEST(VersionBlock, TemplateLayoutIs2644BytesWithFixedPartAt40) {
  const std::string block = templateBlock();
  ASSERT_EQ(block.size(), 2644u);
  EXPECT_EQ(versionblock::blockLength(block), 2644u);
  versionblock::Value fixed;
  ASSERT_TRUE(versionblock::query(block, u"\\", fixed));
  EXPECT_EQ(fixed.offset, 40u);
  EXPECT_EQ(fixed.bytes(), 52u);
  EXPECT_EQ(versionblock::readU32(block, 40), 0xFEEF04BDu);

  versionblock::Value translation;
  ASSERT_TRUE(versionblock::query(block, u"\\VarFileInfo\\Translation", translation));
  EXPECT_FALSE(translation.text);
  EXPECT_EQ(translation.length, 4u);
  EXPECT_EQ(versionblock::readU32(block, translation.offset), 0x04B00409u);

  for (const auto& key : templateKeys()) {
    versionblock::Value value;
    ASSERT_TRUE(versionblock::query(block, u"\\StringFileInfo\\040904b0\\" + key, value)) << u8(key);
    EXPECT_TRUE(value.text);
    EXPECT_EQ(value.length, 84u) << u8(key);
    EXPECT_EQ(versionblock::readText(block, value), std::u16string(83, u'=')) << u8(key);
  }
}

TEST(VersionBlock, QueryPathsAndMisses) {
  const std::string block = templateBlock();
  versionblock::Value value;
  // Keys compare without regard to ASCII case; repeated separators are skipped.
  EXPECT_TRUE(versionblock::query(block, u"\\stringfileinfo\\040904B0\\productname", value));
  EXPECT_TRUE(versionblock::query(block, u"\\\\VarFileInfo\\\\Translation\\", value));
  EXPECT_FALSE(versionblock::query(block, u"\\StringFileInfo\\040704b0\\ProductName", value));
  EXPECT_FALSE(versionblock::query(block, u"\\StringFileInfo\\040904b0\\Product", value));
  EXPECT_FALSE(versionblock::query(block, u"\\StringFileInfo\\040904b0\\ProductNameX", value));
  EXPECT_FALSE(versionblock::query(block, u"\\VarFileInfo\\Translation\\More", value));
}

// Damaged blocks: every check holds at its boundary and nothing reads outside the bytes.
TEST(VersionBlock, DamagedBlocksGiveNoValue) {
  const std::string block = templateBlock();
  struct Case {
    const char* name;
    std::string bytes;
  };
  std::string wLengthPastEnd = block;
  versionblock::writeU16(wLengthPastEnd, 0, uint16_t(block.size() + 4));
  std::string childPastParent = block;
  versionblock::writeU16(childPastParent, 92, 0xFFF0);  // StringFileInfo's wLength
  std::string zeroChild = block;
  versionblock::writeU16(zeroChild, 92, 0);
  const Case cases[] = {
      {"empty", ""},
      {"five bytes", block.substr(0, 5)},
      {"header only", block.substr(0, 6)},
      {"key without terminator", block.substr(0, 20)},
      {"root longer than the bytes", wLengthPastEnd},
      {"child longer than its parent", childPastParent},
      {"child of length zero", zeroChild},
  };
  for (const Case& c : cases) {
    versionblock::Value value;
    EXPECT_FALSE(versionblock::query(c.bytes, u"\\StringFileInfo\\040904b0\\ProductName", value)) << c.name;
    EXPECT_TRUE(versionblock::findString(c.bytes, u"ProductName", 0x0409).empty()) << c.name;
  }
  EXPECT_EQ(versionblock::blockLength(wLengthPastEnd), 0u);
  // Every prefix of the block reads without fault (the sanitizer build checks the bounds).
  for (size_t n = 0; n <= block.size(); ++n) {
    versionblock::Value value;
    versionblock::query(std::string_view(block).substr(0, n), u"\\VarFileInfo\\Translation", value);
    versionblock::findString(std::string_view(block).substr(0, n), u"SpecialBuild", 0x0409);
  }
}

// A string whose wValueLength claims more than its node holds is clamped to the node, so a
// writer that fills the value never reaches the next string.
TEST(VersionBlock, ValueClampedToItsNode) {
  VersionNode lying = stringNode(u"Comments", u"abc", 4);
  lying.wValueLength = 400;
  const std::string block =
      versionBlock({stringTable(u"040904b0", {lying, stringNode(u"CompanyName", u"x", 8)})}, {0x04B00409});
  versionblock::Value value;
  ASSERT_TRUE(versionblock::query(block, u"\\StringFileInfo\\040904b0\\Comments", value));
  EXPECT_EQ(value.length, 4u);
  versionblock::Value next;
  ASSERT_TRUE(versionblock::query(block, u"\\StringFileInfo\\040904b0\\CompanyName", next));
  EXPECT_LE(value.offset + value.bytes(), next.offset);
}

TEST(VersionReader, StringLookupByTranslation) {
  auto table = [](const std::u16string& name, const std::u16string& productVersion) {
    return stringTable(name, {stringNode(u"FileVersion", u"  1, 2, 3, 4 ", 16),
                              stringNode(u"ProductVersion", productVersion, 16)});
  };
  struct Case {
    const char* name;
    std::string block;
    uint16_t userLanguage;
    std::u16string key;
    std::u16string expected;
  };
  const Case cases[] = {
      {"one translation: its table, whatever the user's language",
       versionBlock({table(u"040704B0", u"7.0"), table(u"040904b0", u"9.0")}, {0x04B00407}), 0x0409,
       u"ProductVersion", u"7.0"},
      {"one translation with another code page",
       versionBlock({table(u"040904E4", u"1252")}, {0x04E40409}), 0x0409, u"ProductVersion", u"1252"},
      {"two translations: the user's language with code page 04B0",
       versionBlock({table(u"040704b0", u"7.0"), table(u"040904b0", u"9.0")}, {0x04B00407, 0x04B00409}),
       0x0409, u"ProductVersion", u"9.0"},
      {"two translations, no table for the user's language: empty",
       versionBlock({table(u"040704b0", u"7.0")}, {0x04B00407, 0x04B00409}), 0x0409, u"ProductVersion", u""},
      {"no translation: the user's language",
       versionBlock({table(u"041104b0", u"11.0")}, {}), 0x0411, u"ProductVersion", u"11.0"},
      {"missing key", versionBlock({table(u"040904b0", u"9.0")}, {0x04B00409}), 0x0409, u"LegalCopyright",
       u""},
      {"value kept as stored (the caller trims)",
       versionBlock({table(u"040904b0", u"9.0")}, {0x04B00409}), 0x0409, u"FileVersion", u"  1, 2, 3, 4 "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(u8(versionblock::findString(c.block, c.key, c.userLanguage)), u8(c.expected)) << c.name;
  }
}

TEST(ParseVersion, Table) {
  struct Case {
    const char16_t* text;
    bool ok;
    uint32_t ms, ls;
  };
  constexpr uint32_t kUntouched = 0xDEADBEEF;
  const Case cases[] = {
      {u"1.0.0.1", true, 0x00010000, 0x00000001},
      {u"2.0", true, 0x00020000, 0x00000000},
      {u"7", true, 0x00070000, 0x00000000},
      {u"1.2.3.4.5", true, 0x00010002, 0x00030004},
      {u"1.2.x", true, 0x00010002, 0x00000000},
      {u"1.2.", true, 0x00010002, 0x00000000},
      {u"1..3", true, 0x00010000, 0x00000000},
      {u"v1.2", false, kUntouched, kUntouched},
      {u"", false, kUntouched, kUntouched},
      {u"   ", false, kUntouched, kUntouched},
      {u".1", false, kUntouched, kUntouched},
      {u"+", false, kUntouched, kUntouched},
      {u"65535.65535.65535.65535", true, 0xFFFFFFFF, 0xFFFFFFFF},
      {u"65536.1", true, 0x00000001, 0x00000000},
      {u"70000.0.0.70001", true, 0x11700000, 0x00001171},
      {u"4294967297.2", true, 0x00010002, 0x00000000},  // 2^32 + 1: still its remainder
      {u"-1.+2.-0.3", true, 0xFFFF0002, 0x00000003},
      {u"1.- 2", true, 0x00010000, 0x00000000},  // a sign must touch its digits
      {u" 1. 2.\t3.\n4", true, 0x00010002, 0x00030004},  // white space before each number
      {u"1 .2", true, 0x00010000, 0x00000000},  // the dot must follow its number directly
      {u"1,2,3,4", true, 0x00010000, 0x00000000},
  };
  for (const Case& c : cases) {
    uint32_t words[2] = {kUntouched, kUntouched};
    EXPECT_EQ(CFileVersionInfo::ParseVersion(c.text, words), c.ok) << u8(c.text);
    EXPECT_EQ(words[0], c.ms) << u8(c.text);
    EXPECT_EQ(words[1], c.ls) << u8(c.text);
  }
}

TEST(FormatVersion, Table) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"", u""},
      {u"1.2.3.4", u"1.2.3.4"},
      {u"1.2.3.4 \t", u"1.2.3.4"},
      {u"beta 2", u"beta 2"},
      {u"1, 2, 3, 4", u"1.2.3.4"},
      {u"1,2,3,4  ", u"1.2.3.4"},
      {u"1,\t 2", u"1.2"},
      {u"1 , 2", u"1 .2"},
      {u"1,", u"1."},
      {u"1,,2", u"1..2"},
      {u"2, 0 beta", u"2.0 beta"},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(u8(CFileVersionInfo::FormatVersion(input)), u8(expected)) << u8(input);
  }
}

}  // namespace
