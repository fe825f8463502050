// The recent-file entry: the one value in the per-user settings store that names the current
// project file between runs. On Windows it is the registry value "file0" under
// HKEY_CURRENT_USER\Software\Tarnwick\<program name>\mru, the program name being the running
// executable's file name without its extension. Elsewhere the converter runs only in batch
// mode, which never needs it: the entry lives in memory for the run.
#pragma once

#include <string>
#include <string_view>

namespace platform {

class RecentFileStore {
 public:
  virtual ~RecentFileStore() = default;
  // The stored path, or the empty string when there is none or the store cannot be read.
  virtual std::u16string Read() = 0;
  // Stores `path`, creating what is missing; a store that cannot be written ignores it.
  virtual void Write(std::u16string_view path) = 0;
  // Removes the entry.
  virtual void Delete() = 0;
};

// The store of this system (see above).
RecentFileStore& systemRecentFileStore();

}  // namespace platform
