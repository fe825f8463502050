// CBuildSfx::Build from the project record to an output executable: what each outcome leaves
// on disk, the argument record, and the refusals that must write nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "build_sfx.h"
#include "running_module.h"
#include "payload.h"
#include "project_settings.h"
#include "resource_update.h"
#include "text.h"

namespace fs = std::filesystem;

namespace {

const pe::ResourceName kBin = pe::ResourceName::fromName(payload::kTypeName);

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out << data;
}

std::u16string u16(const fs::path& path) { return text::fromUtf8(path.string()); }

std::string templateBytes() {
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  EXPECT_EQ(running_module::findResource(kBin, payload::kTemplateId, data, size), 0u);
  return std::string(reinterpret_cast<const char*>(data), size);
}

// A one-image icon file: 16 by 16, 32 bits per pixel.
std::string iconFile() {
  std::string image(40 + 16 * 16 * 4 + 16 * 4, '\x7f');
  std::string out = {0, 0, 1, 0, 1, 0};
  const uint32_t size = static_cast<uint32_t>(image.size()), offset = 22;
  out += {16, 16, 0, 0, 1, 0, 32, 0};
  for (int i = 0; i < 4; ++i) out += static_cast<char>(size >> (8 * i));
  for (int i = 0; i < 4; ++i) out += static_cast<char>(offset >> (8 * i));
  return out + image;
}

std::string argumentRecordUnits(std::u16string_view text) {
  std::string record(payload::kArgumentRecordSize, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    record[2 * i] = static_cast<char>(text[i] & 0xFF);
    record[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  return record;
}

// What a build left at the output path.
enum class Left {
  Nothing,        // no file
  Previous,       // the file that stood there before the build, unchanged
  TemplateCopy,   // the template, byte for byte
  AllButIcon,     // package, version, argument record; the template's icon group
  Complete,       // and the new icon group
};

const char* name(Left left) {
  switch (left) {
    case Left::Nothing: return "nothing";
    case Left::Previous: return "the previous file";
    case Left::TemplateCopy: return "template copy";
    case Left::AllButIcon: return "all but the icon";
    case Left::Complete: return "complete";
  }
  return "?";
}

class PipelineTest : public ::testing::Test {
 public:
  void SetUp() override {
    char pattern[] = "/tmp/pipeline_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    package = dir / "Sample Package.msi";
    std::mt19937 random(7);
    packageBytes.resize(300000);
    for (char& c : packageBytes) c = static_cast<char>(random());
    writeFile(package, packageBytes);
    icon = dir / "sample.ico";
    writeFile(icon, iconFile());
    output = dir / "Sample Package.exe";
    theProjectSettings.Reset();
    theProjectSettings.InstallerPath = u16(package);
    theProjectSettings.InstallArgs = u"/i {package} /qb";
    theProjectSettings.IconPath = u16(icon);
  }
  void TearDown() override { fs::remove_all(dir); }

  win32::Error build() {
    CBuildSfx builder;
    return builder.Build(u16(package), u16(output));
  }

  Left left() const {
    if (!fs::exists(output)) return Left::Nothing;
    const std::string bytes = readFile(output);
    if (bytes == "a previous output") return Left::Previous;
    if (bytes == templateBytes()) return Left::TemplateCopy;
    pe::ResourceReader reader;
    EXPECT_EQ(pe::ResourceReader::open(u16(output), reader), 0u);
    std::string data;
    const pe::ResourceEntry* entry = reader.find(kBin, pe::ResourceName::fromId(payload::kPackageId));
    if (!entry || reader.read(*entry, data) || data != packageBytes) return Left::TemplateCopy;
    entry = reader.find(kBin, pe::ResourceName::fromId(payload::kArgumentRecordId));
    if (!entry || entry->size != payload::kArgumentRecordSize) return Left::TemplateCopy;
    entry = reader.find(pe::ResourceName::fromId(payload::kRtIcon), pe::ResourceName::fromId(payload::kIconGroupId));
    return entry ? Left::Complete : Left::AllButIcon;
  }

  std::string argumentRecord() const {
    pe::ResourceReader reader;
    EXPECT_EQ(pe::ResourceReader::open(u16(output), reader), 0u);
    const pe::ResourceEntry* entry = reader.find(kBin, pe::ResourceName::fromId(payload::kArgumentRecordId),
                                                 payload::kLanguage);
    std::string data;
    if (entry) {
      EXPECT_EQ(reader.read(*entry, data), 0u);
    }
    return data;
  }

  fs::path dir, package, icon, output;
  std::string packageBytes;
};

TEST_F(PipelineTest, OutcomesAndWhatTheyLeave) {
  const std::u16string args259(payload::kMaxArgumentLength, u'a');
  struct Case {
    const char* name;
    std::function<void(PipelineTest&)> setup;
    win32::Error expected;
    Left left;
  };
  const Case cases[] = {
      {"complete build", [](PipelineTest&) {}, 0, Left::Complete},
      {"no icon path", [](PipelineTest&) { theProjectSettings.IconPath.clear(); }, 0, Left::AllButIcon},
      {"unreadable icon", [](PipelineTest& t) { t.icon = t.dir / "missing.ico";
         theProjectSettings.IconPath = u16(t.icon); }, 1, Left::AllButIcon},
      {"package missing", [](PipelineTest& t) { fs::remove(t.package); }, win32::kFileNotFound, Left::Nothing},
      {"output folder missing", [](PipelineTest& t) { t.output = t.dir / "no such folder" / "out.exe"; },
       win32::kPathNotFound, Left::Nothing},
      {"package is a folder", [](PipelineTest& t) { fs::remove(t.package); fs::create_directory(t.package); },
       win32::kAccessDenied, Left::TemplateCopy},
      {"installer arguments of 259 characters", [&](PipelineTest&) {
         theProjectSettings.InstallArgs = u"  " + args259 + u"\t"; }, 0, Left::Complete},
      {"installer arguments of 260 characters", [&](PipelineTest&) {
         theProjectSettings.InstallArgs = args259 + u"b"; }, win32::kInsufficientBuffer, Left::Nothing},
      {"version string of 83 characters", [](PipelineTest&) {
         theProjectSettings.Comments = std::u16string(83, u'c'); }, 0, Left::Complete},
      {"version string of 84 characters, a previous output kept", [](PipelineTest& t) {
         theProjectSettings.LegalCopyright = std::u16string(84, u'c');
         writeFile(t.output, "a previous output"); }, win32::kInsufficientBuffer, Left::Previous},
      {"package of 4 GiB", [](PipelineTest& t) { fs::resize_file(t.package, uint64_t{1} << 32); },
       win32::kFileTooLarge, Left::Nothing},
      {"package of 3 GiB", [](PipelineTest& t) { fs::resize_file(t.package, uint64_t{3} << 30); },
       win32::kFileTooLarge, Left::Nothing},
      {"package of 3 GiB, a previous output kept", [](PipelineTest& t) {
         fs::resize_file(t.package, uint64_t{3} << 30);
         writeFile(t.output, "a previous output"); }, win32::kFileTooLarge, Left::Previous},
      {"existing output overwritten", [](PipelineTest& t) { writeFile(t.output, std::string(1 << 20, 'x')); }, 0,
       Left::Complete},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    c.setup(*this);
    EXPECT_EQ(build(), c.expected);
    EXPECT_STREQ(name(left()), name(c.left));
  }
}

// The package itself must never be overwritten: by its own path (a package path without
// ".msi" yields an output path equal to it) or by another name for the same file.
TEST_F(PipelineTest, RefusesAnOutputPathThatNamesThePackage) {
  const std::string before = readFile(package);
  output = package;
  EXPECT_EQ(build(), win32::kFileExists);
  EXPECT_EQ(readFile(package), before);

  output = dir / "link.exe";
  fs::create_hard_link(package, output);
  EXPECT_EQ(build(), win32::kFileExists);
  EXPECT_EQ(readFile(package), before);

  fs::remove(output);
  fs::create_symlink(package, output);
  EXPECT_EQ(build(), win32::kFileExists);
  EXPECT_EQ(readFile(package), before);
}

TEST_F(PipelineTest, ArgumentRecordHoldsTheTrimmedArgumentsAndTheRecordKeepsThem) {
  const std::u16string args259(payload::kMaxArgumentLength, u'\u00e9');
  struct Case {
    const char* name;
    std::u16string args;
    std::u16string stored;
  };
  const Case cases[] = {
      {"empty", u"", u""},
      {"white space only", u" \t\r\n ", u""},
      {"spaces and tabs around", u" \t/i {package} /qb \t", u"/i {package} /qb"},
      {"259 characters", args259, args259},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    theProjectSettings.InstallArgs = c.args;
    ASSERT_EQ(build(), 0u);
    EXPECT_EQ(theProjectSettings.InstallArgs, c.stored);
    EXPECT_EQ(argumentRecord(), argumentRecordUnits(c.stored));
  }
}

// A refused build leaves the record as it was: the arguments are trimmed only when the build
// reaches the argument record.
TEST_F(PipelineTest, RefusedArgumentsStayUntrimmed) {
  theProjectSettings.InstallArgs = u" " + std::u16string(300, u'x') + u" ";
  theProjectSettings.IconPath = u" " + u16(icon) + u" ";
  EXPECT_EQ(build(), win32::kInsufficientBuffer);
  EXPECT_EQ(theProjectSettings.InstallArgs.size(), 302u);
  EXPECT_EQ(theProjectSettings.IconPath, u" " + u16(icon) + u" ");
}

// The icon path is trimmed in the record too; white space alone means no icon.
TEST_F(PipelineTest, IconPathIsTrimmedInTheRecord) {
  theProjectSettings.IconPath = u" \t" + u16(icon) + u"  ";
  ASSERT_EQ(build(), 0u);
  EXPECT_EQ(theProjectSettings.IconPath, u16(icon));
  EXPECT_STREQ(name(left()), name(Left::Complete));

  theProjectSettings.IconPath = u" \t\n ";
  ASSERT_EQ(build(), 0u);
  EXPECT_EQ(theProjectSettings.IconPath, u"");
  EXPECT_STREQ(name(left()), name(Left::AllButIcon));
}

// Identical input gives identical output, whatever was at the output path before.
TEST_F(PipelineTest, SameProjectSameBytes) {
  ASSERT_EQ(build(), 0u);
  const std::string first = readFile(output);
  writeFile(output, std::string(5 << 20, 'z'));
  ASSERT_EQ(build(), 0u);
  EXPECT_EQ(readFile(output), first);
}

}  // namespace
