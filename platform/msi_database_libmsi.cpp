// The Windows Installer database functions over libmsi. libmsi hands out GObjects and reports
// failures as GErrors of its own (or, when opening a database, not at all); this adapter keeps
// a table of small handle numbers and answers with msi.dll's result codes and buffer rules.
#include <libmsi.h>

#include <map>

#include "msi_database.h"
#include "text.h"

namespace platform::msi {
namespace {

// Handles of this process, one number per object; numbers are never reused while the
// process runs, and 0 is never one.
class HandleTable {
 public:
  MSIHANDLE add(gpointer object) {
    const MSIHANDLE handle = ++last_;
    objects_[handle] = object;
    return handle;
  }
  template <typename T>
  T* get(MSIHANDLE handle, GType type) const {
    auto it = objects_.find(handle);
    if (it == objects_.end() || !G_TYPE_CHECK_INSTANCE_TYPE(it->second, type)) return nullptr;
    return static_cast<T*>(it->second);
  }
  bool close(MSIHANDLE handle) {
    auto it = objects_.find(handle);
    if (it == objects_.end()) return false;
    g_object_unref(it->second);
    objects_.erase(it);
    return true;
  }
  size_t size() const { return objects_.size(); }

 private:
  std::map<MSIHANDLE, gpointer> objects_;
  MSIHANDLE last_ = 0;
};

HandleTable& handles() {
  static HandleTable table;
  return table;
}

// libmsi reports its own failures as warnings on the default log domain; the caller reports
// through result codes instead.
void quietLibmsi() {
  static const bool quiet = [] {
    g_log_set_handler(nullptr, static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
                      [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    return true;
  }();
  (void)quiet;
}

uint32_t resultCode(const GError* error, uint32_t otherwise) {
  if (!error) return otherwise;
  if (error->domain != LIBMSI_RESULT_ERROR) return kFunctionFailed;
  switch (error->code) {
    case LIBMSI_RESULT_SUCCESS: return otherwise;
    case LIBMSI_RESULT_ACCESS_DENIED: return win32::kAccessDenied;
    case LIBMSI_RESULT_INVALID_HANDLE: return win32::kInvalidHandle;
    case LIBMSI_RESULT_NOT_ENOUGH_MEMORY: return win32::kNotEnoughMemory;
    case LIBMSI_RESULT_INVALID_DATA: return win32::kInvalidData;
    case LIBMSI_RESULT_OUTOFMEMORY: return win32::kOutOfMemory;
    case LIBMSI_RESULT_INVALID_PARAMETER: return win32::kInvalidParameter;
    case LIBMSI_RESULT_OPEN_FAILED: return kOpenFailed;
    case LIBMSI_RESULT_CALL_NOT_IMPLEMENTED: return kCallNotImplemented;
    case LIBMSI_RESULT_MORE_DATA: return win32::kMoreData;
    case LIBMSI_RESULT_NOT_FOUND: return kNotFound;
    case LIBMSI_RESULT_CONTINUE: return kContinue;
    case LIBMSI_RESULT_UNKNOWN_PROPERTY: return kUnknownProperty;
    case LIBMSI_RESULT_BAD_QUERY_SYNTAX: return kBadQuerySyntax;
    case LIBMSI_RESULT_INVALID_FIELD: return kInvalidField;
    case LIBMSI_RESULT_FUNCTION_FAILED: return kFunctionFailed;
    case LIBMSI_RESULT_INVALID_TABLE: return kInvalidTable;
    case LIBMSI_RESULT_DATATYPE_MISMATCH: return kDatatypeMismatch;
    case LIBMSI_RESULT_INVALID_DATATYPE: return kInvalidDatatype;
    default: return kFunctionFailed;
  }
}

class ErrorHolder {
 public:
  ~ErrorHolder() { g_clear_error(&error_); }
  GError** out() { return &error_; }
  const GError* get() const { return error_; }

 private:
  GError* error_ = nullptr;
};

}  // namespace

uint32_t MsiOpenDatabaseW(std::u16string_view path, uint32_t persist, MSIHANDLE* database) {
  if (!database || persist != kOpenReadOnly) return win32::kInvalidParameter;
  quietLibmsi();
  const std::string utf8 = text::toUtf8(path);
  if (utf8.find('\0') != std::string::npos) return win32::kInvalidParameter;
  ErrorHolder error;
  LibmsiDatabase* db = libmsi_database_new(utf8.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, error.out());
  // libmsi names no reason when a file cannot be opened as a database (missing, a folder, not a
  // compound file, not a package); msi.dll answers ERROR_FUNCTION_FAILED for all of these.
  if (!db) return resultCode(error.get(), kFunctionFailed);
  *database = handles().add(db);
  return win32::kSuccess;
}

uint32_t MsiDatabaseOpenViewW(MSIHANDLE database, std::u16string_view query, MSIHANDLE* view) {
  if (!view) return win32::kInvalidParameter;
  auto* db = handles().get<LibmsiDatabase>(database, libmsi_database_get_type());
  if (!db) return win32::kInvalidHandle;
  ErrorHolder error;
  LibmsiQuery* q = libmsi_query_new(db, text::toUtf8(query).c_str(), error.out());
  if (!q) return resultCode(error.get(), kBadQuerySyntax);
  *view = handles().add(q);
  return win32::kSuccess;
}

MSIHANDLE MsiCreateRecord(unsigned fields) {
  if (fields > 65535) return 0;
  LibmsiRecord* record = libmsi_record_new(fields);
  return record ? handles().add(record) : 0;
}

uint32_t MsiViewExecute(MSIHANDLE view, MSIHANDLE record) {
  auto* q = handles().get<LibmsiQuery>(view, libmsi_query_get_type());
  if (!q) return win32::kInvalidHandle;
  LibmsiRecord* rec = nullptr;
  if (record != 0) {
    rec = handles().get<LibmsiRecord>(record, libmsi_record_get_type());
    if (!rec) return win32::kInvalidHandle;
  }
  ErrorHolder error;
  if (!libmsi_query_execute(q, rec, error.out())) return resultCode(error.get(), kFunctionFailed);
  return win32::kSuccess;
}

uint32_t MsiViewFetch(MSIHANDLE view, MSIHANDLE* record) {
  if (!record) return win32::kInvalidParameter;
  auto* q = handles().get<LibmsiQuery>(view, libmsi_query_get_type());
  if (!q) return win32::kInvalidHandle;
  ErrorHolder error;
  LibmsiRecord* row = libmsi_query_fetch(q, error.out());
  // libmsi ends the rows with no record and no error; msi.dll with ERROR_NO_MORE_ITEMS.
  if (!row) return resultCode(error.get(), win32::kNoMoreItems);
  *record = handles().add(row);
  return win32::kSuccess;
}

uint32_t MsiRecordGetStringW(MSIHANDLE record, unsigned field, char16_t* buffer, uint32_t* size) {
  auto* rec = handles().get<LibmsiRecord>(record, libmsi_record_get_type());
  if (!rec) return win32::kInvalidHandle;
  if (!size && buffer) return win32::kInvalidParameter;
  std::u16string value;
  if (field <= libmsi_record_get_field_count(rec)) {
    // A field beyond the record's count reads as empty, as in msi.dll.
    gchar* utf8 = libmsi_record_get_string(rec, field);
    if (utf8) {
      value = text::fromUtf8(utf8);
      g_free(utf8);
    }
  }
  const auto length = static_cast<uint32_t>(value.size());
  if (!size) return win32::kSuccess;
  if (!buffer) {
    *size = length;
    return win32::kSuccess;
  }
  uint32_t result = win32::kSuccess;
  size_t copied = value.size();
  if (length >= *size) {
    // msi.dll copies what fits, terminates it, and names the length needed.
    result = win32::kMoreData;
    copied = *size ? *size - 1 : 0;
  }
  if (*size) {
    value.copy(buffer, copied);
    buffer[copied] = u'\0';
  }
  *size = length;
  return result;
}

uint32_t MsiViewClose(MSIHANDLE view) {
  auto* q = handles().get<LibmsiQuery>(view, libmsi_query_get_type());
  if (!q) return win32::kInvalidHandle;
  ErrorHolder error;
  if (!libmsi_query_close(q, error.out())) return resultCode(error.get(), kFunctionFailed);
  return win32::kSuccess;
}

size_t OpenHandleCount() { return handles().size(); }

uint32_t MsiCloseHandle(MSIHANDLE handle) {
  if (handle == 0) return win32::kSuccess;
  return handles().close(handle) ? win32::kSuccess : win32::kInvalidHandle;
}

}  // namespace platform::msi
