#include <windows.h>
#include <shlwapi.h>

#include "path.h"

namespace platform {

std::u16string fileNamePart(std::u16string_view path) {
  const std::u16string p(path);
  const auto* whole = reinterpret_cast<const wchar_t*>(p.c_str());
  const wchar_t* name = PathFindFileNameW(whole);
  return p.substr(static_cast<size_t>(name - whole));
}

}  // namespace platform
