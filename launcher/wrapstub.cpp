// wrapstub: the program that every output executable is. It writes the package it carries to a
// new temporary file, starts msiexec.exe on it with the composed command line and exits at once.
// It opens no window; its exit code is its only report: 0 once msiexec.exe has started,
// otherwise the system's error code of the step that failed.
//
// Built without a C run time: its own entry point, kernel32 only.
#include <windows.h>

#include "command_line.h"
#include "payload.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t));

namespace {

// The composed command line; static, so that it costs no stack and no file space.
wchar_t theCommandLine[launcher::kCommandLineUnits];

const char16_t* asText(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

// The system's code for the call that just failed; never 0, so that no failure reads as success.
DWORD lastError() {
  const DWORD error = GetLastError();
  return error != 0 ? error : ERROR_GEN_FAILURE;
}

// Looks up BIN `id` in the own module: its bytes stay valid for the life of the process.
DWORD loadPayload(WORD id, const void** bytes, DWORD* size) {
  HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(id), L"" WRAPSMITH_BIN_TYPE_NAME);
  if (info == nullptr) return lastError();
  HGLOBAL loaded = LoadResource(nullptr, info);
  if (loaded == nullptr) return lastError();
  *bytes = LockResource(loaded);
  if (*bytes == nullptr) return lastError();
  *size = SizeofResource(nullptr, info);
  return ERROR_SUCCESS;
}

// Keeps DLLs from being loaded out of the launcher's own folder, typically a downloads folder:
// only the system folder is searched. Systems without this facility go on as before.
void restrictDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return;
  auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefaultDllDirectories != nullptr) setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The full path of msiexec.exe in the system folder, so that no msiexec.exe planted beside the
// launcher can run in its place.
DWORD msiexecPath(wchar_t (&path)[MAX_PATH]) {
  static const wchar_t kName[] = L"\\msiexec.exe";
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0) return lastError();
  if (length + sizeof kName / sizeof kName[0] > MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  for (UINT i = 0; i < sizeof kName / sizeof kName[0]; ++i) path[length + i] = kName[i];
  return ERROR_SUCCESS;
}

DWORD run() {
  restrictDllSearch();

  const void* recordBytes = nullptr;
  DWORD recordSize = 0;
  if (DWORD error = loadPayload(WRAPSMITH_ID_ARGUMENT_RECORD, &recordBytes, &recordSize)) return error;
  launcher::Text record{};
  if (DWORD error = launcher::readArgumentRecord(static_cast<const char16_t*>(recordBytes),
                                                 recordSize / sizeof(char16_t), &record)) {
    return error;
  }

  const void* package = nullptr;
  DWORD packageSize = 0;
  if (DWORD error = loadPayload(WRAPSMITH_ID_PACKAGE, &package, &packageSize)) return error;

  wchar_t application[MAX_PATH];
  if (DWORD error = msiexecPath(application)) return error;

  wchar_t tempDirectory[MAX_PATH];
  const DWORD tempLength = GetTempPathW(MAX_PATH, tempDirectory);
  if (tempLength == 0 || tempLength > MAX_PATH) {
    const DWORD error = GetLastError();
    return error != 0 ? error : ERROR_FILENAME_EXCED_RANGE;
  }
  wchar_t tempPath[MAX_PATH];
  if (GetTempFileNameW(tempDirectory, L"0", 0, tempPath) == 0) return lastError();

  // Composed before the package is written out: a line too long to start leaves no file behind
  // (the file is still the empty one the system made for the name).
  if (DWORD error = launcher::prepareCommandLine(record, asText(GetCommandLineW()), asText(tempPath),
                                                 reinterpret_cast<char16_t*>(theCommandLine),
                                                 launcher::kCommandLineUnits)) {
    DeleteFileW(tempPath);
    return error;
  }

  HANDLE file = CreateFileW(tempPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lastError();
  DWORD written = 0;
  DWORD error = ERROR_SUCCESS;
  if (!WriteFile(file, package, packageSize, &written, nullptr)) {
    error = lastError();
  } else if (written != packageSize) {
    error = ERROR_WRITE_FAULT;
  }
  CloseHandle(file);
  if (error != ERROR_SUCCESS) return error;

  STARTUPINFOW startup;
  unsigned char* raw = reinterpret_cast<unsigned char*>(&startup);
  for (size_t i = 0; i < sizeof startup; ++i) raw[i] = 0;
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (!CreateProcessW(application, theCommandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return lastError();
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ERROR_SUCCESS;
}

}  // namespace

// The process entry point (no C run time to call a wWinMain).
extern "C" void wrapstubStart() { ExitProcess(run()); }
