// The Windows Installer database functions the package import uses, read-only. On Windows they
// are msi.dll's; elsewhere an adapter over libmsi answers as msi.dll does: the same result codes
// (ERROR_SUCCESS, ERROR_MORE_DATA, ERROR_NO_MORE_ITEMS, ERROR_BAD_QUERY_SYNTAX, ...), the same
// buffer rules, handles that are small nonzero numbers and 0 for none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "win32_error.h"

namespace platform::msi {

using MSIHANDLE = uint32_t;

// MSIDBOPEN_READONLY
inline constexpr uint32_t kOpenReadOnly = 0;

// Result codes of these functions beyond those of win32_error.h.
inline constexpr uint32_t kOpenFailed = 110;          // ERROR_OPEN_FAILED
inline constexpr uint32_t kCallNotImplemented = 120;  // ERROR_CALL_NOT_IMPLEMENTED
inline constexpr uint32_t kNotFound = 1168;           // ERROR_NOT_FOUND
inline constexpr uint32_t kContinue = 1246;           // ERROR_CONTINUE
inline constexpr uint32_t kUnknownProperty = 1608;    // ERROR_UNKNOWN_PROPERTY
inline constexpr uint32_t kBadQuerySyntax = 1615;     // ERROR_BAD_QUERY_SYNTAX
inline constexpr uint32_t kInvalidField = 1616;       // ERROR_INVALID_FIELD
inline constexpr uint32_t kFunctionFailed = 1627;     // ERROR_FUNCTION_FAILED
inline constexpr uint32_t kInvalidTable = 1628;       // ERROR_INVALID_TABLE
inline constexpr uint32_t kDatatypeMismatch = 1629;   // ERROR_DATATYPE_MISMATCH
inline constexpr uint32_t kInvalidDatatype = 1804;    // ERROR_INVALID_DATATYPE

uint32_t MsiOpenDatabaseW(std::u16string_view path, uint32_t persist, MSIHANDLE* database);
uint32_t MsiDatabaseOpenViewW(MSIHANDLE database, std::u16string_view query, MSIHANDLE* view);
MSIHANDLE MsiCreateRecord(unsigned fields);
uint32_t MsiViewExecute(MSIHANDLE view, MSIHANDLE record);
// The next row: ERROR_SUCCESS and its record, ERROR_NO_MORE_ITEMS after the last row.
uint32_t MsiViewFetch(MSIHANDLE view, MSIHANDLE* record);
// `size` holds the buffer's size in UTF-16 units. A value that fits with its terminator is
// copied and `size` becomes its length; otherwise the result is ERROR_MORE_DATA and `size` the
// length the value needs (without the terminator).
uint32_t MsiRecordGetStringW(MSIHANDLE record, unsigned field, char16_t* buffer, uint32_t* size);
uint32_t MsiViewClose(MSIHANDLE view);
uint32_t MsiCloseHandle(MSIHANDLE handle);

#ifndef _WIN32
// How many handles the adapter holds open: for tests that every path closes what it opened.
size_t OpenHandleCount();
#endif

// Owns one handle: closes it when given another and when destroyed; 0 is no handle.
class MsiHandle {
 public:
  MsiHandle() = default;
  explicit MsiHandle(MSIHANDLE handle) : handle_(handle) {}
  MsiHandle(MsiHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = 0; }
  MsiHandle& operator=(MsiHandle&& other) noexcept {
    if (this != &other) {
      reset(other.handle_);
      other.handle_ = 0;
    }
    return *this;
  }
  MsiHandle(const MsiHandle&) = delete;
  MsiHandle& operator=(const MsiHandle&) = delete;
  ~MsiHandle() { reset(); }

  void reset(MSIHANDLE handle = 0) {
    if (handle_ != 0) MsiCloseHandle(handle_);
    handle_ = handle;
  }
  // For functions that hand out a handle: closes the one held first.
  MSIHANDLE* put() {
    reset();
    return &handle_;
  }
  MSIHANDLE get() const { return handle_; }
  operator MSIHANDLE() const { return handle_; }

 private:
  MSIHANDLE handle_ = 0;
};

}  // namespace platform::msi
