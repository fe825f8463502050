// The recent-file entry in the registry: HKEY_CURRENT_USER\software\Tarnwick\<program name>\mru,
// value "file0" (REG_SZ). Missing keys are created on writing; a failure to read gives the empty
// string, a failure to write is ignored.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "recent_file.h"

namespace platform {
namespace {

const wchar_t kValueName[] = L"file0";

// The running executable's file name without its extension.
std::wstring programName() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return L"wrapsmith";
    if (n < buffer.size()) break;
    if (buffer.size() >= 32768) return L"wrapsmith";
    buffer.resize(buffer.size() * 2);
  }
  std::wstring path(buffer.data());
  const size_t slash = path.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  return name;
}

std::wstring keyPath() { return L"software\\Tarnwick\\" + programName() + L"\\mru"; }

class RegistryRecentFileStore : public RecentFileStore {
 public:
  std::u16string Read() override {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath().c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
    std::u16string out;
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key, kValueName, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS && type == REG_SZ &&
        bytes > 0) {
      std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 1, L'\0');
      if (RegQueryValueExW(key, kValueName, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes) ==
              ERROR_SUCCESS &&
          type == REG_SZ) {
        data[std::min<size_t>(bytes / sizeof(wchar_t), data.size() - 1)] = L'\0';
        out = reinterpret_cast<const char16_t*>(data.data());
      }
    }
    RegCloseKey(key);
    return out;
  }

  void Write(std::u16string_view path) override {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath().c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return;
    const std::u16string value(path);
    RegSetValueExW(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
    RegCloseKey(key);
  }

  void Delete() override {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath().c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueW(key, kValueName);
    RegCloseKey(key);
  }
};

}  // namespace

RecentFileStore& systemRecentFileStore() {
  static RegistryRecentFileStore store;
  return store;
}

}  // namespace platform
