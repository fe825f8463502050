#include "path.h"

namespace platform {

// As the shell finds it, with "/" as the only separator.
std::u16string fileNamePart(std::u16string_view path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == u'/' && i + 1 < path.size() && path[i + 1] != u'/') start = i + 1;
  }
  return std::u16string(path.substr(start));
}

}  // namespace platform
