// The standard file dialogs, as the project file operations ask for them. The dialog layer of
// the converter supplies the Windows dialogs; without it (and on Linux, where the converter has
// no window) every dialog counts as cancelled.
#pragma once

#include <string>

namespace platform {

struct FileDialogRequest {
  bool save = false;               // a save dialog, otherwise an open dialog
  std::u16string initialFileName;  // "*.xml", or the proposed name of the file to save
  std::u16string filter;           // in the framework's form: "Text|*.txt|All Files (*.*)|*.*||"
  std::u16string defaultExtension; // without the dot
  unsigned flags = 0;              // OFN_* flags
};

inline constexpr unsigned kOfnOverwritePrompt = 0x00000002;  // OFN_OVERWRITEPROMPT
inline constexpr unsigned kOfnHideReadOnly = 0x00000004;     // OFN_HIDEREADONLY

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // Shows the dialog; true and the chosen path, or false when the user cancels.
  virtual bool ChooseFile(const FileDialogRequest& request, std::u16string& path) = 0;
};

// The dialogs of this system: until the dialog layer installs its own, a cancel for everything.
FileDialogs& systemFileDialogs();
void setSystemFileDialogs(FileDialogs* dialogs);

}  // namespace platform
