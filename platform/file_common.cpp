// The parts of the file layer that are the same on every system.
#include "file.h"

#include <vector>

namespace platform {

File::File(File&& other) noexcept : handle_(other.handle_), position_(other.position_) {
  other.handle_ = kInvalid;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    position_ = other.position_;
    other.handle_ = kInvalid;
  }
  return *this;
}

File::~File() { close(); }

bool File::isOpen() const { return handle_ != kInvalid; }

win32::Error File::readExactAt(uint64_t offset, void* buffer, size_t length) const {
  size_t got = 0;
  if (win32::Error e = readAt(offset, buffer, length, got)) return e;
  return got == length ? win32::kSuccess : win32::kHandleEof;
}

win32::Error File::read(void* buffer, size_t length, size_t& got) {
  win32::Error e = readAt(position_, buffer, length, got);
  if (!e) position_ += got;
  return e;
}

win32::Error File::write(const void* data, size_t length) {
  win32::Error e = writeAt(position_, data, length);
  if (!e) position_ += length;
  return e;
}

win32::Error File::seek(uint64_t offset) {
  position_ = offset;
  return win32::kSuccess;
}

win32::Error readWholeFile(std::u16string_view path, std::string& out, uint64_t limit) {
  File file;
  if (win32::Error e = File::openRead(path, file)) return e;
  uint64_t size = 0;
  if (win32::Error e = file.size(size)) return e;
  if (size > limit) return win32::kFileTooLarge;
  std::string data(static_cast<size_t>(size), '\0');
  if (win32::Error e = file.readExactAt(0, data.data(), data.size())) return e;
  out = std::move(data);
  return win32::kSuccess;
}

win32::Error writeFileReplacing(std::u16string_view target, std::string_view data) {
  const std::u16string temp = siblingTempPath(target);
  {
    File file;
    if (win32::Error e = File::createWrite(temp, file)) return e;
    win32::Error e = file.writeAt(0, data.data(), data.size());
    if (!e) e = file.flush();
    if (e) {
      file.close();
      removeFile(temp);
      return e;
    }
  }
  if (win32::Error e = replaceFile(temp, target)) {
    removeFile(temp);
    return e;
  }
  return win32::kSuccess;
}

}  // namespace platform
