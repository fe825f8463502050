// Without a registry the entry lives for the run only (batch mode never reads it).
#include "recent_file.h"

namespace platform {
namespace {

class MemoryRecentFileStore : public RecentFileStore {
 public:
  std::u16string Read() override { return path_; }
  void Write(std::u16string_view path) override { path_ = path; }
  void Delete() override { path_.clear(); }

 private:
  std::u16string path_;
};

}  // namespace

RecentFileStore& systemRecentFileStore() {
  static MemoryRecentFileStore store;
  return store;
}

}  // namespace platform
