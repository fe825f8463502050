// Files for the tests of the writers: a scratch folder per test, and the PE images the tests
// edit (the launcher template, and small programs of ours built for x64).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "payload.h"
#include "resource_update.h"
#include "text.h"
#include "version_fixtures.h"

namespace fixtures {

inline std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::u16string u16(const std::filesystem::path& path) { return text::fromUtf8(path.string()); }

inline std::filesystem::path win64Program(const char* relative) {
  return std::filesystem::path(WRAPSMITH_WIN64_DIR) / relative;
}

inline const pe::ResourceName& rtVersion() {
  static const pe::ResourceName name = pe::ResourceName::fromId(payload::kRtVersion);
  return name;
}

// Replaces (or adds) one resource of a file through our editor.
inline void putResource(const std::filesystem::path& path, uint16_t type, uint16_t id, uint16_t language,
                        const std::string& bytes) {
  pe::ResourceUpdate update;
  ASSERT_EQ(pe::ResourceUpdate::begin(u16(path), update), 0u);
  ASSERT_EQ(update.update(pe::ResourceName::fromId(type), pe::ResourceName::fromId(id), language, bytes), 0u);
  ASSERT_EQ(update.end(), 0u);
}

// Every entry of one type, as (id, language, bytes).
struct Entry {
  uint16_t id;
  uint16_t language;
  std::string bytes;
};
inline std::vector<Entry> entriesOfType(const std::filesystem::path& path, uint16_t type) {
  std::vector<Entry> out;
  pe::ResourceReader reader;
  EXPECT_EQ(pe::ResourceReader::open(u16(path), reader), 0u);
  for (const pe::ResourceEntry& e : reader.entries()) {
    if (e.type != pe::ResourceName::fromId(type) || !e.name.isId) continue;
    std::string bytes;
    EXPECT_EQ(reader.read(e, bytes), 0u);
    out.push_back({e.name.id, e.language, bytes});
  }
  return out;
}

// A stand-in for the launcher template made from a small program of ours: the template's
// version block as RT_VERSION 1 (0x0409) and a four-image icon group 107 with images 1 to 4.
inline void makeStandInTemplate(const std::filesystem::path& path) {
  std::filesystem::copy_file(win64Program("tests/windows/version_icon/plain.exe"), path,
                             std::filesystem::copy_options::overwrite_existing);
  putResource(path, payload::kRtVersion, 1, 0x0409, templateBlock());
  const auto images = fourImages();
  std::string group = std::string("\0\0\1\0\4\0", 6);
  for (size_t i = 0; i < images.size(); ++i) {
    group += iconFile({images[i]}).substr(6, 12);
    putU16(group, uint16_t(1 + i));
    putResource(path, payload::kRtIcon, uint16_t(1 + i), 0x0409, images[i].bytes);
  }
  putResource(path, payload::kRtGroupIcon, 107, 0x0409, group);
}

class ScratchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("wrapsmith-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

}  // namespace fixtures
