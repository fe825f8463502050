#include "console.h"

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <cwchar>
#else
#include "text.h"
#endif

namespace app {
namespace {

class StdoutConsole final : public Console {
 public:
  void Write(std::u16string_view piece) override {
#ifdef _WIN32
    const std::wstring wide(piece.begin(), piece.end());
    fwprintf(stdout, L"%ls", wide.c_str());
#else
    const std::string utf8 = text::toUtf8(piece);
    fwrite(utf8.data(), 1, utf8.size(), stdout);
#endif
    fflush(stdout);
  }
};

}  // namespace

Console& StandardOutput() {
  static StdoutConsole console;
  return console;
}

void PrintBanner(Console& console) {
  console.Write(u"\n");
  console.Write(u"\n");
  console.Write(u"Wrapsmith v2.0 for Windows XP/7/2008\n");
  console.Write(u"Copyright (C) 2026 Tarnwick, https://wrapsmith.example.com\n");
}

void PrintUsage(Console& console) {
  console.Write(u"\n");
  console.Write(u"Usage: wrapsmith.exe <project file> [/b]\n");
  console.Write(u"\n");
  console.Write(u"Example: wrapsmith.exe C:\\project.xml /b\n");
  console.Write(u"\n");
}

}  // namespace app
