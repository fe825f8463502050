// What the converter does with its command line once it has started: batch mode, or the
// interactive forms, which need the dialog.
#pragma once

#include <string>
#include <vector>

#include "console.h"

class CProjectSettings;

namespace app {

// Exit statuses of the converter. A script tells a good build from a failed one by these; the
// console says why.
enum ExitStatus : int {
  kExitSuccess = 0,           // batch mode: the executable was created; --help
  kExitBuildFailed = 1,       // batch mode: the build failed; "Error: <code>" says why
  kExitProjectNotLoaded = 2,  // batch mode: the project file could not be loaded
  kExitNoDialog = 3,          // not batch mode: the dialog is not available in this build
};

// Batch mode holds when argument 1 exists and argument 2 is exactly "/b" (case-sensitive).
// Element 0 is the program; elements after 2 are ignored.
bool IsBatchMode(const std::vector<std::u16string>& arguments);

// Loads the project file, builds the output executable next to the package and reports the
// outcome. The project file itself is never written.
ExitStatus RunBatch(const std::u16string& projectPath, CProjectSettings& settings, Console& console);

// The interactive forms, where the dialog does not exist: "--help" and "-h" print the usage
// text and succeed; anything else prints it with a line saying that the dialog needs Windows.
ExitStatus RunWithoutDialog(const std::vector<std::u16string>& arguments, Console& console);

}  // namespace app
