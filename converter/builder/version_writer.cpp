#include <algorithm>

#include "build_sfx.h"
#include "file_version_info.h"
#include "payload.h"
#include "project_settings.h"
#include "resource_update.h"
#include "version_block.h"

namespace {

// The fixed part: signature, structure version, then the file version (most, least
// significant word) and the product version, ... 52 bytes in all.
constexpr size_t kFixedPartSize = 52;
constexpr size_t kFileVersionOffset = 8;
constexpr size_t kProductVersionOffset = 16;

// The version block of an image, cut to its root's wLength: exactly the block, never the space
// that follows it in the resource.
win32::Error readVersionBlock(const pe::ResourceReader& reader, std::string& block) {
  const auto type = pe::ResourceName::fromId(payload::kRtVersion);
  const pe::ResourceEntry* entry = reader.find(type, pe::ResourceName::fromId(1));
  if (!entry) {
    for (const pe::ResourceEntry& any : reader.entries()) {
      if (any.type == type) return win32::kResourceNameNotFound;
    }
    return win32::kResourceTypeNotFound;
  }
  if (win32::Error e = reader.read(*entry, block)) return e;
  const size_t length = versionblock::blockLength(block);
  if (length == 0) return win32::kInvalidData;
  block.resize(length);
  return win32::kSuccess;
}

win32::Error readVersionBlock(std::u16string_view targetPath, std::string& block) {
  pe::ResourceReader reader;
  if (win32::Error e = pe::ResourceReader::open(targetPath, reader)) return e;
  return readVersionBlock(reader, block);
}

// The string table of the block's first translation, as a query prefix; false without one.
bool stringTablePrefix(const std::string& block, std::u16string& prefix, uint16_t& language) {
  versionblock::Value translation;
  if (!versionblock::query(block, u"\\VarFileInfo\\Translation", translation) || translation.bytes() < 4) {
    return false;
  }
  language = versionblock::readU16(block, translation.offset);
  const uint16_t codePage = versionblock::readU16(block, translation.offset + 2);
  prefix = u"\\StringFileInfo\\" + versionblock::hex4(language, false) + versionblock::hex4(codePage, false) + u"\\";
  return true;
}

// Every string must fit its value area with its terminator. A setup whose name or copyright is
// silently cut is worse than a build that asks for a shorter text.
win32::Error stringsFit(const std::string& block, const std::u16string& prefix, const CProjectSettings& settings) {
  for (const VersionStringField& field : kVersionStringFields) {
    const std::u16string& text = settings.*field.field;
    versionblock::Value value;
    if (versionblock::query(block, prefix + field.key, value) && !text.empty() &&
        text.size() + 1 > value.bytes() / 2) {
      return win32::kInsufficientBuffer;
    }
  }
  return win32::kSuccess;
}

void storeVersion(std::string& block, size_t offset, const std::u16string& text) {
  uint32_t words[2];
  if (!CFileVersionInfo::ParseVersion(text, words)) return;  // the template's numbers stay
  versionblock::writeU32(block, offset, words[0]);
  versionblock::writeU32(block, offset + 4, words[1]);
}

}  // namespace

win32::Error CFileVersionInfo::WriteVersionResource(std::u16string_view targetPath) {
  return WriteVersionResource(targetPath, theProjectSettings);
}

win32::Error CFileVersionInfo::WriteVersionResource(std::u16string_view targetPath,
                                                    const CProjectSettings& settings) {
  std::string block;
  if (win32::Error e = readVersionBlock(targetPath, block)) return e;

  // The fixed part follows the root's key at the next 32-bit boundary; its signature is not
  // checked, but it must be whole: nothing is written outside a value.
  versionblock::Value fixed;
  if (!versionblock::query(block, u"\\", fixed) || fixed.bytes() < kFixedPartSize) {
    return win32::kInvalidData;
  }
  storeVersion(block, fixed.offset + kFileVersionOffset, settings.FileVersion);
  storeVersion(block, fixed.offset + kProductVersionOffset, settings.ProductVersion);

  // Without a translation there is no string table to patch: the version query's code for a
  // missing entry.
  std::u16string prefix;
  uint16_t language = 0;
  if (!stringTablePrefix(block, prefix, language)) return win32::kResourceTypeNotFound;
  // A string longer than its area fails the step before anything is written.
  if (win32::Error e = stringsFit(block, prefix, settings)) return e;

  pe::ResourceUpdate update;
  if (win32::Error e = pe::ResourceUpdate::begin(targetPath, update)) return e;
  // A build writes its fresh output in place, so the package is not copied again.
  update.allowInPlace(CBuildSfx::MayUpdateInPlace(targetPath));

  for (const VersionStringField& field : kVersionStringFields) {
    versionblock::Value value;
    if (!versionblock::query(block, prefix + field.key, value)) continue;
    // The whole area zero, then the text and its terminator at its start; no length changes.
    std::fill(block.begin() + value.offset, block.begin() + value.offset + value.bytes(), '\0');
    const std::u16string& text = settings.*field.field;
    for (size_t i = 0; i < text.size(); ++i) versionblock::writeU16(block, value.offset + 2 * i, text[i]);
  }

  if (win32::Error e = update.update(pe::ResourceName::fromId(payload::kRtVersion),
                                     pe::ResourceName::fromId(1), language, block)) {
    update.discard();
    return e;
  }
  return update.end();
}

win32::Error CFileVersionInfo::CheckVersionStrings(std::string_view image, const CProjectSettings& settings) {
  pe::ResourceReader reader;
  std::string block;
  std::u16string prefix;
  uint16_t language = 0;
  // What cannot be read here is left to the version step, which reports it.
  if (pe::ResourceReader::fromBytes(image, reader) || readVersionBlock(reader, block) ||
      !stringTablePrefix(block, prefix, language)) {
    return win32::kSuccess;
  }
  return stringsFit(block, prefix, settings);
}
