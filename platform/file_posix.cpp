// The file layer on POSIX systems. Paths are converted to UTF-8; errno becomes the Win32 code
// that Windows reports for the same situation.
#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "file.h"
#include "text.h"

namespace platform {
namespace {

win32::Error fromErrno(int err) {
  switch (err) {
    case 0: return win32::kSuccess;
    case ENOENT: return win32::kFileNotFound;
    case ENOTDIR: return win32::kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return win32::kAccessDenied;
    case EBUSY:
    case ETXTBSY: return win32::kSharingViolation;
    case EMFILE:
    case ENFILE: return win32::kTooManyOpenFiles;
    case ENOMEM: return win32::kNotEnoughMemory;
    case ENOSPC:
    case EDQUOT: return win32::kDiskFull;
    case EEXIST: return win32::kFileExists;
    case ENAMETOOLONG: return win32::kFilenameExcedRange;
    case EFBIG: return win32::kFileTooLarge;
    case EINVAL: return win32::kInvalidParameter;
    case EIO: return win32::kReadFault;
    default: return win32::kInvalidFunction;
  }
}

std::string nativePath(std::u16string_view path) { return text::toUtf8(path); }

// Windows tells a missing file (2) from a missing folder (3); ENOENT covers both.
win32::Error missingCode(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return win32::kFileNotFound;
  struct stat st;
  const std::string parent = path.substr(0, slash);
  if (stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return win32::kPathNotFound;
  return win32::kFileNotFound;
}

win32::Error openError(const std::string& path) {
  const int err = errno;
  if (err == ENOENT) return missingCode(path);
  return fromErrno(err);
}

win32::Error openWith(std::u16string_view path, int flags, File& out, intptr_t& handle) {
  (void)out;
  if (path.empty()) return win32::kPathNotFound;
  const std::string native = nativePath(path);
  const int fd = ::open(native.c_str(), flags | O_CLOEXEC, 0666);
  if (fd < 0) return openError(native);
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return win32::kAccessDenied;  // CreateFileW on a folder without backup semantics
  }
  handle = fd;
  return win32::kSuccess;
}

}  // namespace

win32::Error File::openRead(std::u16string_view path, File& out) {
  intptr_t handle = kInvalid;
  if (win32::Error e = openWith(path, O_RDONLY, out, handle)) return e;
  out = File(handle);
  return win32::kSuccess;
}

win32::Error File::createWrite(std::u16string_view path, File& out) {
  intptr_t handle = kInvalid;
  if (path.empty()) return win32::kPathNotFound;
  const std::string native = nativePath(path);
  struct stat st;
  if (stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return win32::kAccessDenied;
  if (win32::Error e = openWith(path, O_WRONLY | O_CREAT | O_TRUNC, out, handle)) return e;
  out = File(handle);
  return win32::kSuccess;
}

win32::Error File::openReadWrite(std::u16string_view path, File& out) {
  intptr_t handle = kInvalid;
  if (win32::Error e = openWith(path, O_RDWR, out, handle)) return e;
  out = File(handle);
  return win32::kSuccess;
}

void File::close() {
  if (handle_ != kInvalid) {
    ::close(static_cast<int>(handle_));
    handle_ = kInvalid;
  }
  position_ = 0;
}

win32::Error File::size(uint64_t& out) const {
  struct stat st;
  if (fstat(static_cast<int>(handle_), &st) != 0) return fromErrno(errno);
  out = static_cast<uint64_t>(st.st_size);
  return win32::kSuccess;
}

win32::Error File::readAt(uint64_t offset, void* buffer, size_t length, size_t& got) const {
  got = 0;
  auto* p = static_cast<char*>(buffer);
  while (got < length) {
    const ssize_t n = ::pread(static_cast<int>(handle_), p + got, length - got,
                              static_cast<off_t>(offset + got));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno == EISDIR ? win32::kAccessDenied : fromErrno(errno);
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return win32::kSuccess;
}

win32::Error File::writeAt(uint64_t offset, const void* data, size_t length) {
  const auto* p = static_cast<const char*>(data);
  size_t done = 0;
  while (done < length) {
    const ssize_t n = ::pwrite(static_cast<int>(handle_), p + done, length - done,
                               static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return fromErrno(errno);
    }
    done += static_cast<size_t>(n);
  }
  return win32::kSuccess;
}

win32::Error File::truncate(uint64_t length) {
  if (::ftruncate(static_cast<int>(handle_), static_cast<off_t>(length)) != 0) return fromErrno(errno);
  return win32::kSuccess;
}

win32::Error File::flush() {
  if (::fsync(static_cast<int>(handle_)) != 0 && errno != EINVAL) return fromErrno(errno);
  return win32::kSuccess;
}

win32::Error File::copyFrom(const File& source, uint64_t sourceOffset, uint64_t length, uint64_t offset) {
  const int in = static_cast<int>(source.handle_);
  const int out = static_cast<int>(handle_);
  // In the kernel first: no copy through user memory.
  while (length > 0) {
    off_t inOffset = static_cast<off_t>(sourceOffset);
    off_t outOffset = static_cast<off_t>(offset);
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(length, 1u << 30));
    const ssize_t n = ::copy_file_range(in, &inOffset, out, &outOffset, chunk, 0);
    if (n <= 0) break;
    sourceOffset += static_cast<uint64_t>(n);
    offset += static_cast<uint64_t>(n);
    length -= static_cast<uint64_t>(n);
  }
  // Whatever the kernel could not do, through a bounded buffer.
  std::vector<char> buffer(length > 0 ? (1u << 20) : 0);
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
  uint64_t fileSize = 0;
  if (win32::Error e = size(fileSize)) return e;
  if (offset > fileSize || length > fileSize - offset) return win32::kHandleEof;
  // Windows of 8 MiB mapped one at a time: each is unmapped before the next, so the pages
  // seen do not stay counted against this process.
  constexpr uint64_t kWindow = 8u << 20;
  const uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  std::vector<unsigned char> buffer;
  while (length > 0) {
    const uint64_t start = offset - offset % page;
    const uint64_t skip = offset - start;
    const uint64_t chunk = std::min<uint64_t>(length, kWindow - skip);
    void* map = ::mmap(nullptr, static_cast<size_t>(skip + chunk), PROT_READ, MAP_SHARED | MAP_POPULATE,
                       static_cast<int>(handle_), static_cast<off_t>(start));
    if (map != MAP_FAILED) {
      ::madvise(map, static_cast<size_t>(skip + chunk), MADV_SEQUENTIAL);
      visit(static_cast<const unsigned char*>(map) + skip, static_cast<size_t>(chunk));
      ::munmap(map, static_cast<size_t>(skip + chunk));
    } else {
      buffer.resize(static_cast<size_t>(std::min<uint64_t>(chunk, 1u << 20)));
      for (uint64_t done = 0; done < chunk;) {
        const size_t part = static_cast<size_t>(std::min<uint64_t>(chunk - done, buffer.size()));
        if (win32::Error e = readExactAt(offset + done, buffer.data(), part)) return e;
        visit(buffer.data(), part);
        done += part;
      }
    }
    offset += chunk;
    length -= chunk;
  }
  return win32::kSuccess;
}

win32::Error File::copyFromVisiting(const File& source, uint64_t sourceOffset, uint64_t length, uint64_t offset,
                                    const std::function<void(const unsigned char*, size_t)>& visit) {
  // The source mapped window by window; each piece of 256 KiB is visited, then written while it
  // is still in the processor's cache: the bytes come from memory once, as for a plain copy.
  constexpr size_t kPiece = 256u << 10;
  win32::Error written = win32::kSuccess;
  win32::Error e = source.scan(sourceOffset, length, [&](const unsigned char* data, size_t size) {
    for (size_t done = 0; done < size && !written;) {
      const size_t n = std::min(size - done, kPiece);
      visit(data + done, n);
      written = writeAt(offset, data + done, n);
      offset += n;
      done += n;
    }
  });
  return e ? e : written;
}

PathKind pathKind(std::u16string_view path, win32::Error* error) {
  if (error) *error = win32::kSuccess;
  const std::string native = nativePath(path);
  struct stat st;
  if (path.empty() || stat(native.c_str(), &st) != 0) {
    if (error) *error = path.empty() ? win32::kPathNotFound : openError(native);
    return PathKind::Missing;
  }
  return S_ISDIR(st.st_mode) ? PathKind::Directory : PathKind::File;
}

std::u16string siblingTempPath(std::u16string_view target) {
  static std::atomic<unsigned> counter{0};
  std::u16string path(target);
  const std::string suffix = ".tmp" + std::to_string(getpid()) + "." + std::to_string(counter++);
  path += text::fromUtf8(suffix);
  return path;
}

win32::Error replaceFile(std::u16string_view source, std::u16string_view target) {
  const std::string from = nativePath(source);
  const std::string to = nativePath(target);
  // Over an existing file: swap the two names in one step, then remove the old file under the
  // source's name. The result is that of a rename over it, but ext4 does not start writing the
  // whole new file back at once, as it does for a rename over an existing file (for a file of
  // hundreds of MiB that takes longer than writing it).
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
      ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0) {
    ::unlink(from.c_str());
    return win32::kSuccess;
  }
  if (::rename(from.c_str(), to.c_str()) != 0) return fromErrno(errno);
  return win32::kSuccess;
}

win32::Error removeFile(std::u16string_view path) {
  if (::unlink(nativePath(path).c_str()) != 0) return fromErrno(errno);
  return win32::kSuccess;
}

bool sameFile(std::u16string_view a, std::u16string_view b) {
  struct stat sa, sb;
  if (stat(nativePath(a).c_str(), &sa) != 0 || stat(nativePath(b).c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace platform
