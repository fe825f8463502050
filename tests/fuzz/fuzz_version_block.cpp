// The version block query over arbitrary bytes, and the writer's patching of what it finds.
#include <algorithm>
#include <string>

#include "version_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string block(reinterpret_cast<const char*>(data), size);
  versionblock::blockLength(block);
  versionblock::findString(block, u"ProductName", 0x0409);
  versionblock::findString(block, u"FileVersion", 0x0407);
  for (const char16_t* path : {u"\\", u"\\VarFileInfo\\Translation", u"\\StringFileInfo\\040904b0\\Comments"}) {
    versionblock::Value value;
    if (!versionblock::query(block, path, value)) continue;
    if (value.offset > block.size() || value.bytes() > block.size() - value.offset) __builtin_trap();
    std::fill(block.begin() + value.offset, block.begin() + value.offset + value.bytes(), '\0');
    versionblock::readText(block, value);
  }
  return 0;
}
