// Starts a program with an exact command line, waits for it and prints its full exit code, which
// a Linux shell would see only in its low 8 bits.
//
// Usage: run_and_wait.exe RUNFILE
// RUNFILE is a UTF-8 file: lines NAME=VALUE set environment variables of the started program; a
// line "--" ends them; everything after that line, byte for byte, is the command line.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring fromUtf8(const std::string& s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
  std::wstring out(size_t(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), out.data(), n);
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: run_and_wait.exe RUNFILE\n");
    return 2;
  }
  FILE* file = _wfopen(argv[1], L"rb");
  if (file == nullptr) {
    std::fprintf(stderr, "cannot open the run file\n");
    return 2;
  }
  std::string runFile;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) runFile.append(buffer, n);
  std::fclose(file);

  size_t position = 0;
  for (;;) {
    const size_t end = runFile.find('\n', position);
    if (end == std::string::npos) {
      std::fprintf(stderr, "run file without a \"--\" line\n");
      return 2;
    }
    const std::wstring line = fromUtf8(runFile.substr(position, end - position));
    position = end + 1;
    if (line == L"--") break;
    const size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) continue;
    SetEnvironmentVariableW(line.substr(0, equals).c_str(), line.substr(equals + 1).c_str());
  }
  std::wstring commandLine = fromUtf8(runFile.substr(position));

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::fprintf(stderr, "start failed: %lu\n", GetLastError());
    return 3;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::printf("%lu\n", code);
  return 0;
}
