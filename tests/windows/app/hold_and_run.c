/* hold_and_run.exe FILE PROGRAM [ARGUMENTS...]: holds FILE open for writing (others may still
   open it for reading only if they share writing), runs PROGRAM with the arguments, waits for
   it and exits with its exit code, which it also prints in full ("exit code: N") on standard
   error, since a Linux shell sees only the low 8 bits of a Windows exit code. */
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

static void append_quoted(wchar_t* line, size_t capacity, const wchar_t* argument) {
  if (line[0]) wcsncat(line, L" ", capacity - wcslen(line) - 1);
  wcsncat(line, L"\"", capacity - wcslen(line) - 1);
  wcsncat(line, argument, capacity - wcslen(line) - 1);
  wcsncat(line, L"\"", capacity - wcslen(line) - 1);
}

int wmain(int argc, wchar_t** argv) {
  static wchar_t line[32768];
  STARTUPINFOW startup;
  PROCESS_INFORMATION process;
  HANDLE held;
  DWORD code = 0;
  int i;
  if (argc < 3) {
    fwprintf(stderr, L"usage: hold_and_run FILE PROGRAM [ARGUMENTS...]\n");
    return 2;
  }
  held = CreateFileW(argv[1], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, NULL);
  if (held == INVALID_HANDLE_VALUE) {
    fwprintf(stderr, L"cannot open %ls: %lu\n", argv[1], GetLastError());
    return 2;
  }
  line[0] = 0;
  for (i = 2; i < argc; ++i) append_quoted(line, sizeof line / sizeof line[0], argv[i]);
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  if (!CreateProcessW(NULL, line, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process)) {
    fwprintf(stderr, L"cannot start %ls: %lu\n", argv[2], GetLastError());
    return 2;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(held);
  fwprintf(stderr, L"exit code: %lu\n", code);
  return (int)code;
}
