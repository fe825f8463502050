#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "file.h"
#include "text.h"

namespace {

TEST(Text, ReplaceAllRunsLeftToRightWithoutOverlap) {
  struct Case {
    const char16_t* input;
    const char16_t* from;
    const char16_t* to;
    const char16_t* expected;
  } cases[] = {
      {u"d:\\a.msi\\b.msi", u".msi", u".exe", u"d:\\a.exe\\b.exe"},
      {u"aaaa", u"aa", u"b", u"bb"},
      {u"aaa", u"aa", u"b", u"ba"},
      {u"tool.exe.exe", u".exe", u"", u"tool"},
      {u"", u".msi", u".exe", u""},
      {u"A.MSI", u".msi", u".exe", u"A.MSI"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(text::replaceAll(c.input, c.from, c.to), c.expected) << text::toUtf8(c.input);
  }
  EXPECT_EQ(text::replaceAllAsciiNoCase(u"C:\\Pkg\\App.MsI", u".msi", u".exe"), u"C:\\Pkg\\App.exe");
}

TEST(Text, AsciiLowerAndTrimTouchOnlyWhatTheyShould) {
  EXPECT_EQ(text::asciiLower(u"D:\\Pkg\\\u00C4pp.MSI"), u"d:\\pkg\\\u00C4pp.msi");
  EXPECT_EQ(text::trim(u" \t\r\n\v\fx y\t "), u"x y");
  EXPECT_EQ(text::trim(u"\u00A0x\u00A0"), u"\u00A0x\u00A0");  // not a C-locale space
  EXPECT_EQ(text::trim(u"   "), u"");
  EXPECT_EQ(text::trimRight(u" x "), u" x");
}

TEST(Text, Utf8RoundTripsAndReplacesInvalidInput) {
  const std::u16string samples[] = {u"", u"abc", u"\u00E9\u4E2D", u"\U0001F600", u"a\u0001b"};
  for (const auto& s : samples) EXPECT_EQ(text::fromUtf8(text::toUtf8(s)), s);
  EXPECT_EQ(text::fromUtf8("\xC3"), u"\uFFFD");
  EXPECT_EQ(text::fromUtf8("\xED\xA0\x80"), u"\uFFFD");  // an encoded surrogate
  EXPECT_EQ(text::toUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
}

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/wrapsmith-file-XXXXXX";
    dir_ = mkdtemp(pattern);
  }
  void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }
  std::u16string path(const std::string& name) const { return text::fromUtf8(dir_ + "/" + name); }
  std::string dir_;
};

TEST_F(FileTest, OpenFailuresGiveTheWindowsCodes) {
  mkdir((dir_ + "/folder").c_str(), 0755);
  platform::File file;
  EXPECT_EQ(platform::File::openRead(path("missing"), file), win32::kFileNotFound);
  EXPECT_EQ(platform::File::openRead(path("nofolder/x"), file), win32::kPathNotFound);
  EXPECT_EQ(platform::File::openRead(path("folder"), file), win32::kAccessDenied);
  EXPECT_EQ(platform::File::createWrite(path("nofolder/x"), file), win32::kPathNotFound);
  EXPECT_EQ(platform::File::createWrite(path("folder"), file), win32::kAccessDenied);
  EXPECT_EQ(platform::File::openRead(u"", file), win32::kPathNotFound);

  win32::Error error = 0;
  EXPECT_EQ(platform::pathKind(path("folder")), platform::PathKind::Directory);
  EXPECT_EQ(platform::pathKind(path("missing"), &error), platform::PathKind::Missing);
  EXPECT_EQ(error, win32::kFileNotFound);
  EXPECT_EQ(platform::pathKind(path("nofolder/x"), &error), platform::PathKind::Missing);
  EXPECT_EQ(error, win32::kPathNotFound);
}

TEST_F(FileTest, WriteFileReplacingLeavesTheTargetAloneOnFailure) {
  const std::u16string target = path("project.xml");
  ASSERT_EQ(platform::writeFileReplacing(target, "first"), 0u);
  ASSERT_EQ(platform::writeFileReplacing(target, "second"), 0u);
  std::string content;
  ASSERT_EQ(platform::readWholeFile(target, content, 1024), 0u);
  EXPECT_EQ(content, "second");
  EXPECT_EQ(platform::readWholeFile(target, content, 3), win32::kFileTooLarge);

  // A folder that refuses new files: the save fails and the old file stays whole.
  chmod(dir_.c_str(), 0555);
  const bool rootIgnoresModes = access(dir_.c_str(), W_OK) == 0;
  if (!rootIgnoresModes) {
    EXPECT_NE(platform::writeFileReplacing(target, "third"), 0u);
    ASSERT_EQ(platform::readWholeFile(target, content, 1024), 0u);
    EXPECT_EQ(content, "second");
  }
  chmod(dir_.c_str(), 0755);
}

TEST_F(FileTest, CopyFromCopiesARangeAndSameFileSeesThroughNames) {
  std::string data(3 << 20, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  ASSERT_EQ(platform::writeFileReplacing(path("src"), data), 0u);
  platform::File src, dst;
  ASSERT_EQ(platform::File::openRead(path("src"), src), 0u);
  ASSERT_EQ(platform::File::createWrite(path("dst"), dst), 0u);
  ASSERT_EQ(dst.writeAt(0, "head", 4), 0u);
  ASSERT_EQ(dst.copyFrom(src, 5, data.size() - 5, 4), 0u);
  dst.close();
  std::string copy;
  ASSERT_EQ(platform::readWholeFile(path("dst"), copy, 1 << 30), 0u);
  EXPECT_EQ(copy, "head" + data.substr(5));

  ASSERT_EQ(symlink((dir_ + "/src").c_str(), (dir_ + "/link").c_str()), 0);
  EXPECT_TRUE(platform::sameFile(path("src"), path("link")));
  EXPECT_FALSE(platform::sameFile(path("src"), path("dst")));
  EXPECT_FALSE(platform::sameFile(path("src"), path("missing")));
}

}  // namespace
