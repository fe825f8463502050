// Files, for the portable core: UTF-16 paths, Win32 error codes. The POSIX side maps errno to
// the code Windows reports for the same situation; the Windows side is CreateFileW and friends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "win32_error.h"

namespace platform {

class File {
 public:
  File() = default;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // Existing file, read access, others may read too (never write): GENERIC_READ,
  // FILE_SHARE_READ, OPEN_EXISTING.
  static win32::Error openRead(std::u16string_view path, File& out);
  // Create or truncate, write access, no sharing: GENERIC_WRITE, 0, CREATE_ALWAYS.
  static win32::Error createWrite(std::u16string_view path, File& out);
  // Existing file, read and write access, no sharing: for editing a file in place.
  static win32::Error openReadWrite(std::u16string_view path, File& out);

  bool isOpen() const;
  void close();

  win32::Error size(uint64_t& out) const;
  // Reads up to `length` bytes at `offset`; `got` is less than `length` only at the end.
  win32::Error readAt(uint64_t offset, void* buffer, size_t length, size_t& got) const;
  // Reads exactly `length` bytes at `offset`, kHandleEof if the file ends first.
  win32::Error readExactAt(uint64_t offset, void* buffer, size_t length) const;
  // Writes all `length` bytes at `offset`.
  win32::Error writeAt(uint64_t offset, const void* data, size_t length);
  // Sequential access from the current position.
  win32::Error read(void* buffer, size_t length, size_t& got);
  win32::Error write(const void* data, size_t length);
  win32::Error seek(uint64_t offset);
  win32::Error truncate(uint64_t length);
  // Forces the contents to stable storage before a file replaces another.
  win32::Error flush();

  // Copies `length` bytes from `source` at `sourceOffset` to this file at `offset`, in bounded
  // chunks (in the kernel where the system can); memory use does not grow with `length`.
  win32::Error copyFrom(const File& source, uint64_t sourceOffset, uint64_t length, uint64_t offset);

  // Hands the bytes [offset, offset + length) to `visit` in bounded windows, in order (mapped
  // from the system's cache where it can, so without a copy); memory use does not grow with
  // `length`. kHandleEof if the file ends first.
  win32::Error scan(uint64_t offset, uint64_t length,
                    const std::function<void(const unsigned char* data, size_t size)>& visit) const;

  // copyFrom, and `visit` sees the same bytes in order (as scan on `source` would show them): on
  // a second thread beside the copy where the system can, else chunk by chunk as they are copied.
  win32::Error copyFromVisiting(const File& source, uint64_t sourceOffset, uint64_t length, uint64_t offset,
                                const std::function<void(const unsigned char* data, size_t size)>& visit);

  intptr_t nativeHandle() const { return handle_; }

 private:
  explicit File(intptr_t handle) : handle_(handle) {}
  static constexpr intptr_t kInvalid = -1;
  intptr_t handle_ = kInvalid;
  uint64_t position_ = 0;
};

enum class PathKind { Missing, File, Directory };

// What is at `path`: the existence test of the system (GetFileAttributesW). `error` receives
// the code of a failed test (2 for a missing file, 3 for a missing folder, ...).
PathKind pathKind(std::u16string_view path, win32::Error* error = nullptr);

// A new, unused path in the folder of `target`, for writing a file that then replaces it.
std::u16string siblingTempPath(std::u16string_view target);

// Replaces `target` by `source` in one step (rename over it).
win32::Error replaceFile(std::u16string_view source, std::u16string_view target);

win32::Error removeFile(std::u16string_view path);

// Reads a whole (small) file. Refuses files larger than `limit` with kFileTooLarge.
win32::Error readWholeFile(std::u16string_view path, std::string& out, uint64_t limit);

// Writes `data` to a new file beside `target`, then replaces `target` with it: a failure at
// any point leaves `target` as it was.
win32::Error writeFileReplacing(std::u16string_view target, std::string_view data);

// True when both paths name the same existing file (same device and inode, or same file id).
bool sameFile(std::u16string_view a, std::u16string_view b);

}  // namespace platform
