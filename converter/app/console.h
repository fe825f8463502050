// The console texts of the converter: the start-up banner, the usage text and the outcome of a
// batch build. Every piece is written on its own and flushed at once.
#pragma once

#include <string_view>

namespace app {

class Console {
 public:
  virtual ~Console() = default;
  virtual void Write(std::u16string_view piece) = 0;
};

// The process's standard output: wide text through the C runtime on Windows, UTF-8 on Linux.
Console& StandardOutput();

void PrintBanner(Console& console);
void PrintUsage(Console& console);

}  // namespace app
