// The file layer on Windows: CreateFileW and friends; results are GetLastError() codes.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "file.h"
#include "text.h"

namespace platform {
namespace {

const wchar_t* wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

HANDLE h(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

win32::Error lastError() {
  const DWORD e = GetLastError();
  return e ? e : win32::kInvalidFunction;
}

win32::Error openWith(std::u16string_view path, DWORD access, DWORD share, DWORD disposition,
                      intptr_t& out) {
  const std::u16string p(path);
  HANDLE file = CreateFileW(wide(p), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lastError();
  out = reinterpret_cast<intptr_t>(file);
  return win32::kSuccess;
}

OVERLAPPED at(uint64_t offset) {
  OVERLAPPED o{};
  o.Offset = static_cast<DWORD>(offset);
  o.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return o;
}

}  // namespace

win32::Error File::openRead(std::u16string_view path, File& out) {
  intptr_t handle = kInvalid;
  if (win32::Error e = openWith(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, handle)) return e;
  out = File(handle);
  return win32::kSuccess;
}

win32::Error File::createWrite(std::u16string_view path, File& out) {
  intptr_t handle = kInvalid;
  if (win32::Error e = openWith(path, GENERIC_WRITE, 0, CREATE_ALWAYS, handle)) return e;
  out = File(handle);
  return win32::kSuccess;
}

win32::Error File::openReadWrite(std::u16string_view path, File& out) {
  intptr_t handle = kInvalid;
  if (win32::Error e = openWith(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, handle)) return e;
  out = File(handle);
  return win32::kSuccess;
}

void File::close() {
  if (handle_ != kInvalid) {
    CloseHandle(h(handle_));
    handle_ = kInvalid;
  }
  position_ = 0;
}

win32::Error File::size(uint64_t& out) const {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(h(handle_), &size)) return lastError();
  out = static_cast<uint64_t>(size.QuadPart);
  return win32::kSuccess;
}

win32::Error File::readAt(uint64_t offset, void* buffer, size_t length, size_t& got) const {
  got = 0;
  auto* p = static_cast<char*>(buffer);
  while (got < length) {
    OVERLAPPED o = at(offset + got);
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(length - got, 1u << 30));
    if (!ReadFile(h(handle_), p + got, chunk, &n, &o)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return lastError();
    }
    if (n == 0) break;
    got += n;
  }
  return win32::kSuccess;
}

win32::Error File::writeAt(uint64_t offset, const void* data, size_t length) {
  const auto* p = static_cast<const char*>(data);
  size_t done = 0;
  while (done < length) {
    OVERLAPPED o = at(offset + done);
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(length - done, 1u << 30));
    if (!WriteFile(h(handle_), p + done, chunk, &n, &o)) return lastError();
    if (n == 0) return win32::kWriteFault;
    done += n;
  }
  return win32::kSuccess;
}

win32::Error File::truncate(uint64_t length) {
  LARGE_INTEGER li;
  li.QuadPart = static_cast<LONGLONG>(length);
  if (!SetFilePointerEx(h(handle_), li, nullptr, FILE_BEGIN) || !SetEndOfFile(h(handle_))) return lastError();
  return win32::kSuccess;
}

win32::Error File::flush() {
  if (!FlushFileBuffers(h(handle_))) return lastError();
  return win32::kSuccess;
}

win32::Error File::copyFrom(const File& source, uint64_t sourceOffset, uint64_t length, uint64_t offset) {
  std::vector<char> buffer(static_cast<size_t>(std::min<uint64_t>(length, 1u << 20)));
  while (length > 0) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(length, buffer.size()));
    if (win32::Error e = source.readExactAt(sourceOffset, buffer.data(), chunk)) return e;
    if (win32::Error e = writeAt(offset, buffer.data(), chunk)) return e;
    sourceOffset += chunk;
    offset += chunk;
    length -= chunk;
  }
  return win32::kSuccess;
}

win32::Error File::scan(uint64_t offset, uint64_t length,
                        const std::function<void(const unsigned char*, size_t)>& visit) const {
  std::vector<unsigned char> buffer(static_cast<size_t>(std::min<uint64_t>(length, 4u << 20)));
  while (length > 0) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(length, buffer.size()));
    if (win32::Error e = readExactAt(offset, buffer.data(), chunk)) return e;
    visit(buffer.data(), chunk);
    offset += chunk;
    length -= chunk;
  }
  return win32::kSuccess;
}

win32::Error File::copyFromVisiting(const File& source, uint64_t sourceOffset, uint64_t length, uint64_t offset,
                                    const std::function<void(const unsigned char*, size_t)>& visit) {
  std::vector<unsigned char> buffer(static_cast<size_t>(std::min<uint64_t>(length, 4u << 20)));
  while (length > 0) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(length, buffer.size()));
    if (win32::Error e = source.readExactAt(sourceOffset, buffer.data(), chunk)) return e;
    visit(buffer.data(), chunk);
    if (win32::Error e = writeAt(offset, buffer.data(), chunk)) return e;
    sourceOffset += chunk;
    offset += chunk;
    length -= chunk;
  }
  return win32::kSuccess;
}

PathKind pathKind(std::u16string_view path, win32::Error* error) {
  if (error) *error = win32::kSuccess;
  const std::u16string p(path);
  const DWORD attributes = GetFileAttributesW(wide(p));
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (error) *error = lastError();
    return PathKind::Missing;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Directory : PathKind::File;
}

std::u16string siblingTempPath(std::u16string_view target) {
  static std::atomic<unsigned> counter{0};
  std::u16string path(target);
  path += text::fromUtf8(".tmp" + std::to_string(GetCurrentProcessId()) + "." + std::to_string(counter++));
  return path;
}

win32::Error replaceFile(std::u16string_view source, std::u16string_view target) {
  const std::u16string s(source), t(target);
  if (!MoveFileExW(wide(s), wide(t), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return lastError();
  return win32::kSuccess;
}

win32::Error removeFile(std::u16string_view path) {
  const std::u16string p(path);
  if (!DeleteFileW(wide(p))) return lastError();
  return win32::kSuccess;
}

bool sameFile(std::u16string_view a, std::u16string_view b) {
  File fa, fb;
  if (File::openRead(a, fa) || File::openRead(b, fb)) return false;
  BY_HANDLE_FILE_INFORMATION ia, ib;
  if (!GetFileInformationByHandle(h(fa.nativeHandle()), &ia) ||
      !GetFileInformationByHandle(h(fb.nativeHandle()), &ib))
    return false;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
         ia.nFileIndexLow == ib.nFileIndexLow;
}

}  // namespace platform
