// Resources of the running module: FindResourceW, LoadResource, LockResource, SizeofResource.
#include <windows.h>

#include "running_module.h"

namespace running_module {
namespace {

win32::Error lastError() {
  const DWORD e = GetLastError();
  return e ? e : win32::kInvalidFunction;
}

}  // namespace

win32::Error findResource(const pe::ResourceName& type, uint16_t id, const uint8_t*& data, uint32_t& size) {
  const wchar_t* typeName = type.isId ? MAKEINTRESOURCEW(type.id)
                                      : reinterpret_cast<const wchar_t*>(type.name.c_str());
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), typeName);
  if (!found) return lastError();
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (!loaded) return lastError();
  const void* locked = LockResource(loaded);
  if (!locked) return lastError();
  const DWORD count = SizeofResource(nullptr, found);
  if (count == 0) return lastError();
  data = static_cast<const uint8_t*>(locked);
  size = count;
  return win32::kSuccess;
}

}  // namespace running_module
