// Path helpers of the system's shell.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The file-name part of `path` as the shell's PathFindFileNameW finds it: the text after the last
// path separator that is followed by more than another separator; the whole path if there is
// none. Windows separates with "\\", "/" and ":", Linux with "/".
std::u16string fileNamePart(std::u16string_view path);

}  // namespace platform
