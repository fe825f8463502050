#include "file_version_info.h"
#include "payload.h"
#include "resource_module.h"
#include "text.h"
#include "version_block.h"

std::u16string CFileVersionInfo::GetVersionString(const CResourceModule* module, std::u16string_view key) {
  if (!module) module = &ApplicationResourceModule();
  std::string_view bytes;
  std::u16string value;
  if (module->Find(payload::kRtVersion, 1, bytes)) {
    value = versionblock::findString(bytes, key, UserDefaultLanguage());
  }
  return text::trim(value);
}

std::u16string CFileVersionInfo::GetFileVersion() {
  return FormatVersion(GetVersionString(nullptr, u"FileVersion"));
}

std::u16string CFileVersionInfo::GetProductVersion() {
  return FormatVersion(GetVersionString(nullptr, u"ProductVersion"));
}
