#include "file_dialogs.h"

namespace platform {
namespace {

class CancellingFileDialogs : public FileDialogs {
 public:
  bool ChooseFile(const FileDialogRequest&, std::u16string&) override { return false; }
};

FileDialogs* installed = nullptr;

}  // namespace

FileDialogs& systemFileDialogs() {
  static CancellingFileDialogs cancelling;
  return installed ? *installed : cancelling;
}

void setSystemFileDialogs(FileDialogs* dialogs) { installed = dialogs; }

}  // namespace platform
