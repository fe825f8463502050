// The Windows Installer database functions: msi.dll's own.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

#include "msi_database.h"

namespace platform::msi {
namespace {
const wchar_t* wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
}  // namespace

uint32_t MsiOpenDatabaseW(std::u16string_view path, uint32_t persist, MSIHANDLE* database) {
  if (!database) return win32::kInvalidParameter;
  const std::u16string p(path);
  ::MSIHANDLE handle = 0;
  const UINT result = ::MsiOpenDatabaseW(wide(p), reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(persist)), &handle);
  if (result == ERROR_SUCCESS) *database = handle;
  return result;
}

uint32_t MsiDatabaseOpenViewW(MSIHANDLE database, std::u16string_view query, MSIHANDLE* view) {
  if (!view) return win32::kInvalidParameter;
  const std::u16string q(query);
  ::MSIHANDLE handle = 0;
  const UINT result = ::MsiDatabaseOpenViewW(database, wide(q), &handle);
  if (result == ERROR_SUCCESS) *view = handle;
  return result;
}

MSIHANDLE MsiCreateRecord(unsigned fields) { return ::MsiCreateRecord(fields); }

uint32_t MsiViewExecute(MSIHANDLE view, MSIHANDLE record) { return ::MsiViewExecute(view, record); }

uint32_t MsiViewFetch(MSIHANDLE view, MSIHANDLE* record) {
  if (!record) return win32::kInvalidParameter;
  ::MSIHANDLE handle = 0;
  const UINT result = ::MsiViewFetch(view, &handle);
  if (result == ERROR_SUCCESS) *record = handle;
  return result;
}

uint32_t MsiRecordGetStringW(MSIHANDLE record, unsigned field, char16_t* buffer, uint32_t* size) {
  DWORD n = size ? *size : 0;
  const UINT result = ::MsiRecordGetStringW(record, field, reinterpret_cast<LPWSTR>(buffer), size ? &n : nullptr);
  if (size) *size = n;
  return result;
}

uint32_t MsiViewClose(MSIHANDLE view) { return ::MsiViewClose(view); }

uint32_t MsiCloseHandle(MSIHANDLE handle) { return ::MsiCloseHandle(handle); }

}  // namespace platform::msi
