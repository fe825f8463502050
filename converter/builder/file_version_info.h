// The version information of an executable: written into the output executable's version block
// by the builder, read from the converter's own module for its title and about box.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "win32_error.h"

class CProjectSettings;
class CResourceModule;

class CFileVersionInfo {
 public:
  virtual ~CFileVersionInfo() = default;

  // Patches the version block that `targetPath` carries (the template's, with its placeholder
  // strings) with FileVersion, ProductVersion and the twelve version strings of
  // theProjectSettings, and writes it back as RT_VERSION 1 in the language of its first
  // translation, in one resource update. 0, or the Win32 code of the step that failed; a
  // string longer than its value area fails with kInsufficientBuffer and writes nothing.
  win32::Error WriteVersionResource(std::u16string_view targetPath);
  win32::Error WriteVersionResource(std::u16string_view targetPath, const CProjectSettings& settings);
  // kInsufficientBuffer when a version string of `settings` would not fit the value area of
  // the image's version block (the template's, before a build writes anything); 0 otherwise,
  // also when the image or its block cannot be read (the version step then reports why).
  static win32::Error CheckVersionStrings(std::string_view image, const CProjectSettings& settings);

  // "%d.%d.%d.%d" as the C library's formatted input reads it, each number cut to 16 bits:
  // words[0] = first << 16 | second, words[1] = third << 16 | fourth, numbers not read 0.
  // False, and `words` untouched, when not even the first number can be read.
  static bool ParseVersion(std::u16string_view text, uint32_t words[2]);

  // One string of a module's version information, trimmed; empty when it cannot be read.
  // Without a module, the application's resource module.
  std::u16string GetVersionString(const CResourceModule* module, std::u16string_view key);
  std::u16string GetFileVersion();
  std::u16string GetProductVersion();

  // A version text for display: trailing white space dropped; a text with commas
  // ("1, 2, 3, 4") turned into a dotted one ("1.2.3.4").
  static std::u16string FormatVersion(std::u16string_view text);
};

// The version strings of the block, in the block's order, with the record's field for each.
struct VersionStringField {
  const char16_t* key;
  std::u16string CProjectSettings::*field;
};
extern const VersionStringField kVersionStringFields[12];
