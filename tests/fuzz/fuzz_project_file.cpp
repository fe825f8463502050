// The project-file loader on arbitrary bytes: it must not crash, and whatever record it loads
// must save to a file that loads back to the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "project_file.h"

namespace {

bool Same(CProjectSettings& a, CProjectSettings& b) {
  return a.ProductName == b.ProductName && a.ProductVersion == b.ProductVersion && a.CompanyName == b.CompanyName &&
         a.FileVersion == b.FileVersion && a.FileDescription == b.FileDescription &&
         a.LegalCopyright == b.LegalCopyright && a.LegalTrademarks == b.LegalTrademarks && a.Comments == b.Comments &&
         a.OriginalFilename == b.OriginalFilename && a.InternalName == b.InternalName &&
         a.PrivateBuild == b.PrivateBuild && a.SpecialBuild == b.SpecialBuild && a.IconPath == b.IconPath &&
         a.InstallerPath == b.InstallerPath && a.InstallArgs == b.InstallArgs;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::XmlNode root;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (projectfile::ParseProjectDocument(bytes, root)) return 0;
  CProjectSettings loaded;
  projectfile::AssignFromDocument(root, loaded);

  std::string saved;
  if (projectfile::ComposeProjectFile(loaded, saved)) return 0;
  platform::XmlNode again;
  if (projectfile::ParseProjectDocument(saved, again)) abort();  // we wrote something we cannot read
  CProjectSettings reloaded;
  projectfile::AssignFromDocument(again, reloaded);
  if (!Same(loaded, reloaded)) abort();
  return 0;
}
