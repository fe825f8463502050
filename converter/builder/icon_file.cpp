#include "icon_file.h"

#include "file.h"

namespace icon {

win32::Error readIconFile(const ReadExact& read, uint64_t fileSize, IconFile& out) {
  out = IconFile();
  if (win32::Error e = read(0, out.header.data(), out.header.size())) return e;
  const size_t count = out.count();
  out.directory.resize(count);
  uint64_t at = out.header.size();
  for (auto& entry : out.directory) {
    if (win32::Error e = read(at, entry.data(), entry.size())) return e;
    at += entry.size();
  }
  uint64_t total = 0;
  out.images.reserve(count);
  for (const auto& entry : out.directory) {
    const uint32_t size = uint32_t(entry[8] | entry[9] << 8 | entry[10] << 16) | uint32_t(entry[11]) << 24;
    const uint32_t offset = uint32_t(entry[12] | entry[13] << 8 | entry[14] << 16) | uint32_t(entry[15]) << 24;
    // An image that reaches past the end would be a short read: refuse it before its buffer.
    if (offset > fileSize || size > fileSize - offset) return win32::kHandleEof;
    total += size;
    if (total > kMaxImageBytes) return win32::kNotEnoughMemory;
    std::string image(size, '\0');
    if (win32::Error e = read(offset, image.data(), image.size())) return e;
    out.images.push_back(std::move(image));
  }
  return win32::kSuccess;
}

win32::Error readIconFile(std::u16string_view path, IconFile& out) {
  platform::File file;
  if (win32::Error e = platform::File::openRead(path, file)) return e;
  uint64_t size = 0;
  if (win32::Error e = file.size(size)) return e;
  return readIconFile(
      [&file](uint64_t offset, void* buffer, size_t length) {
        return length == 0 ? win32::kSuccess : file.readExactAt(offset, buffer, length);
      },
      size, out);
}

std::string buildGroup(const IconFile& file, uint16_t groupId) {
  std::string group(6 + 14 * file.directory.size(), '\0');
  group[0] = char(file.header[0]);
  group[1] = char(file.header[1]);
  group[2] = char(file.header[2]);
  group[3] = char(file.header[3]);
  group[4] = char(file.header[4]);
  group[5] = char(file.header[5]);
  for (size_t i = 0; i < file.directory.size(); ++i) {
    char* entry = group.data() + 6 + 14 * i;
    for (size_t b = 0; b < 12; ++b) entry[b] = char(file.directory[i][b]);
    const uint16_t id = uint16_t(groupId + i);
    entry[12] = char(id & 0xFF);
    entry[13] = char(id >> 8);
  }
  return group;
}

}  // namespace icon
