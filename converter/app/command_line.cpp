#include "command_line.h"

#include <string>

#include "build_sfx.h"
#include "project_settings.h"

namespace app {

bool IsBatchMode(const std::vector<std::u16string>& arguments) {
  return arguments.size() > 2 && arguments[2] == u"/b";
}

ExitStatus RunBatch(const std::u16string& projectPath, CProjectSettings& settings, Console& console) {
  if (!settings.LoadFromPath(projectPath)) {
    console.Write(u"\n");
    console.Write(u"Can't load the project file: ");
    console.Write(projectPath);
    return kExitProjectNotLoaded;
  }
  // The path rule lower-cases InstallerPath in the record on Windows; the build refuses an
  // output path that names the package itself.
  const OutputPath output = OutputExecutablePath(settings);
  CBuildSfx builder;
  const win32::Error result = builder.Build(settings.InstallerPath, output.path);
  if (result == win32::kSuccess) {
    console.Write(u"\nExecutable file created successfuly\n");
    return kExitSuccess;
  }
  // "%d": the code as a signed decimal, as the C library formats it.
  const std::string code = std::to_string(static_cast<int32_t>(result));
  console.Write(u"\nError: " + std::u16string(code.begin(), code.end()) + u"\n");
  return kExitBuildFailed;
}

ExitStatus RunWithoutDialog(const std::vector<std::u16string>& arguments, Console& console) {
  PrintUsage(console);
  if (arguments.size() == 2 && (arguments[1] == u"--help" || arguments[1] == u"-h")) return kExitSuccess;
  console.Write(u"The dialog needs Windows and is not part of this build; use batch mode (/b).\n");
  return kExitNoDialog;
}

}  // namespace app
