// Reads version information and icons back through the system's own functions, for the tests
// that check what the builder wrote:
//   verquery info FILE   GetFileVersionInfoW / VerQueryValueW: fixed versions, translations,
//                        the twelve strings of the first translation's table
//   verquery icon FILE ID  ExtractIconExW on group ID: the icons' sizes and centre pixels
//   verquery self        this program's own version strings through CFileVersionInfo
//   verquery write-version FILE KEY=VALUE...  our version writer, as the Windows build runs it
//   verquery add-icon FILE ICO                our icon writer, group 107
// Output is UTF-8, one "name=value" line per item.
#include <windows.h>

#include <string>
#include <vector>

#include "build_sfx.h"
#include "file_version_info.h"
#include "project_settings.h"

namespace {

void print(const std::wstring& line) {
  std::wstring text = line + L"\n";
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), utf8.data(), n, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), DWORD(utf8.size()), &written, nullptr);
}

std::wstring hex(DWORD v, int digits) {
  wchar_t buffer[16];
  wsprintfW(buffer, digits == 4 ? L"%04x" : L"%08x", v);
  return buffer;
}

std::wstring fromU16(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

int info(const wchar_t* path) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &handle);
  if (size == 0) {
    print(L"error=" + std::to_wstring(GetLastError()));
    return 1;
  }
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(path, 0, size, block.data())) {
    print(L"error=" + std::to_wstring(GetLastError()));
    return 1;
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && length >= sizeof(*fixed)) {
    print(L"signature=" + hex(fixed->dwSignature, 8));
    print(L"file=" + hex(fixed->dwFileVersionMS, 8) + L"." + hex(fixed->dwFileVersionLS, 8));
    print(L"product=" + hex(fixed->dwProductVersionMS, 8) + L"." + hex(fixed->dwProductVersionLS, 8));
    print(L"flags=" + hex(fixed->dwFileFlagsMask, 8) + L"." + hex(fixed->dwFileFlags, 8));
  }
  WORD* translation = nullptr;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
      length < 4) {
    print(L"translation=none");
    return 0;
  }
  for (UINT i = 0; i < length / 4; ++i) print(L"translation=" + hex(translation[2 * i], 4) + hex(translation[2 * i + 1], 4));
  const std::wstring prefix = L"\\StringFileInfo\\" + hex(translation[0], 4) + hex(translation[1], 4) + L"\\";
  for (const VersionStringField& field : kVersionStringFields) {
    const std::wstring key = fromU16(field.key);
    wchar_t* value = nullptr;
    if (VerQueryValueW(block.data(), (prefix + key).c_str(), reinterpret_cast<void**>(&value), &length)) {
      print(key + L"=" + value);
      print(key + L".length=" + std::to_wstring(length));
    } else {
      print(key + L".missing");
    }
  }
  return 0;
}

// The colour at the centre of an icon's colour bitmap, as 0xAARRGGBB.
DWORD centrePixel(HICON icon, int& width, int& height) {
  ICONINFO iconInfo{};
  width = height = 0;
  if (!GetIconInfo(icon, &iconInfo)) return 0;
  BITMAP bitmap{};
  GetObjectW(iconInfo.hbmColor, sizeof(bitmap), &bitmap);
  width = bitmap.bmWidth;
  height = bitmap.bmHeight;
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  std::vector<DWORD> pixels(size_t(width) * size_t(height));
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, iconInfo.hbmColor, 0, UINT(height), pixels.data(), &bmi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  DeleteObject(iconInfo.hbmColor);
  DeleteObject(iconInfo.hbmMask);
  return pixels.empty() ? 0 : pixels[size_t(height / 2) * size_t(width) + size_t(width / 2)];
}

int icon(const wchar_t* path, int id) {
  print(L"groups=" + std::to_wstring(ExtractIconExW(path, -1, nullptr, nullptr, 0)));
  HICON large = nullptr, small = nullptr;
  const UINT got = ExtractIconExW(path, -id, &large, &small, 1);
  print(L"extracted=" + std::to_wstring(got));
  for (int which = 0; which < 2; ++which) {
    HICON h = which == 0 ? large : small;
    const wchar_t* name = which == 0 ? L"large" : L"small";
    if (!h) {
      print(std::wstring(name) + L"=none");
      continue;
    }
    int width = 0, height = 0;
    const DWORD pixel = centrePixel(h, width, height);
    print(std::wstring(name) + L"=" + std::to_wstring(width) + L"x" + std::to_wstring(height) + L" " + hex(pixel, 8));
    DestroyIcon(h);
  }
  return 0;
}

int self() {
  CFileVersionInfo info;
  print(L"FileVersion=" + fromU16(info.GetFileVersion()));
  print(L"ProductVersion=" + fromU16(info.GetProductVersion()));
  print(L"CompanyName=" + fromU16(info.GetVersionString(nullptr, u"CompanyName")));
  print(L"Missing=" + fromU16(info.GetVersionString(nullptr, u"NoSuchKey")));
  return 0;
}

std::u16string toU16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

int writeVersion(int argc, wchar_t** argv) {
  CProjectSettings settings;
  for (int i = 3; i < argc; ++i) {
    const std::wstring assignment = argv[i];
    const size_t eq = assignment.find(L'=');
    bool known = false;
    for (const VersionStringField& field : kVersionStringFields) {
      if (eq != std::wstring::npos && toU16(assignment.substr(0, eq)) == field.key) {
        settings.*field.field = toU16(assignment.substr(eq + 1));
        known = true;
      }
    }
    if (!known) {
      print(L"unknown=" + assignment);
      return 2;
    }
  }
  print(L"result=" + std::to_wstring(CFileVersionInfo().WriteVersionResource(toU16(argv[2]), settings)));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"info" && argc == 3) return info(argv[2]);
  if (command == L"icon" && argc == 4) return icon(argv[2], _wtoi(argv[3]));
  if (command == L"self") return self();
  if (command == L"write-version" && argc >= 3) return writeVersion(argc, argv);
  if (command == L"add-icon" && argc == 4) {
    print(L"result=" + std::to_wstring(CBuildSfx().AddIconGroup(toU16(argv[2]), toU16(argv[3]), 107)));
    return 0;
  }
  print(L"usage: verquery info FILE | icon FILE ID | self | write-version FILE KEY=VALUE... | add-icon FILE ICO");
  return 2;
}
