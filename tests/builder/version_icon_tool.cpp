// Drives the version and icon writers for the cross-checks with other readers
// (version_icon_check.py):
//   version_icon_tool version FILE KEY=VALUE...  WriteVersionResource with those fields
//   version_icon_tool icon FILE KIND ICO      write the icon file KIND (four, one, zero, png,
//                                             past-end) to ICO, then AddIconGroup(FILE, ICO, 107)
// Prints "result=N" for the writer's result. Values are UTF-8.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "build_sfx.h"
#include "file_version_info.h"
#include "project_settings.h"
#include "text.h"
#include "version_fixtures.h"

using namespace fixtures;

namespace {

void writeBytes(const char* path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

bool setField(CProjectSettings& s, const std::string& assignment) {
  const size_t eq = assignment.find('=');
  if (eq == std::string::npos) return false;
  const std::u16string key = text::fromUtf8(assignment.substr(0, eq));
  for (const VersionStringField& field : kVersionStringFields) {
    if (key == field.key) {
      s.*field.field = text::fromUtf8(assignment.substr(eq + 1));
      return true;
    }
  }
  return false;
}

bool iconBytes(const std::string& kind, std::string& out) {
  if (kind == "four") out = iconFile(fourImages());
  else if (kind == "one") out = iconFile({fourImages()[2]});
  else if (kind == "zero") out = iconFile({});
  else if (kind == "png") out = iconFile({{0, 0, 0, 0, 1, 32, pngImage(256, 0x3366CCFF)}});
  else if (kind == "past-end") out = iconFile(fourImages()).substr(0, iconFile(fourImages()).size() - 1);
  else return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "version") == 0) {
    CProjectSettings s;
    for (int i = 3; i < argc; ++i) {
      if (!setField(s, argv[i])) {
        std::fprintf(stderr, "unknown field: %s\n", argv[i]);
        return 2;
      }
    }
    std::printf("result=%u\n", CFileVersionInfo().WriteVersionResource(text::fromUtf8(argv[2]), s));
    return 0;
  }
  std::string bytes;
  if (argc == 5 && std::strcmp(argv[1], "icon") == 0 && iconBytes(argv[3], bytes)) {
    writeBytes(argv[4], bytes);
    std::printf("result=%u\n", CBuildSfx().AddIconGroup(text::fromUtf8(argv[2]), text::fromUtf8(argv[4]), 107));
    return 0;
  }
  std::fprintf(stderr, "usage: version_icon_tool version FILE KEY=VALUE... | icon FILE KIND ICO\n");
  return 2;
}
