// The icon file reader over arbitrary bytes: every read bounded, the group built from what
// was read.
#include <cstring>
#include <string_view>

#include "icon_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  icon::IconFile file;
  const auto read = [bytes](uint64_t offset, void* buffer, size_t length) -> win32::Error {
    if (offset > bytes.size() || length > bytes.size() - offset) return win32::kHandleEof;
    std::memcpy(buffer, bytes.data() + offset, length);
    return win32::kSuccess;
  };
  if (icon::readIconFile(read, bytes.size(), file) == win32::kSuccess) {
    const std::string group = icon::buildGroup(file, 107);
    if (group.size() != 6 + 14 * file.images.size() || file.images.size() != file.count()) __builtin_trap();
  }
  return 0;
}
