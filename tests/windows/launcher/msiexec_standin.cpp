// Stands in for msiexec.exe in a test prefix: records where it was started from and the command
// line it was given, and installs nothing. The record, UTF-16LE, is its module path, a line
// feed, then the command line exactly; it goes to the file named by WRAPSMITH_MSIEXEC_RECORD.
#include <windows.h>

int wmain() {
  wchar_t recordPath[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"WRAPSMITH_MSIEXEC_RECORD", recordPath, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 2;
  wchar_t module[MAX_PATH];
  const DWORD moduleLength = GetModuleFileNameW(nullptr, module, MAX_PATH);
  const wchar_t* commandLine = GetCommandLineW();
  HANDLE file = CreateFileW(recordPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  WriteFile(file, module, moduleLength * sizeof(wchar_t), &written, nullptr);
  WriteFile(file, L"\n", sizeof(wchar_t), &written, nullptr);
  WriteFile(file, commandLine, DWORD(lstrlenW(commandLine) * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
  return 0;
}
