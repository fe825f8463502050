// The project settings record: everything the converter needs to build one output
// executable. The converter has exactly one, theProjectSettings.
#pragma once

#include <cstdint>
#include <string>

class CPropExchange;

class CProjectSettings {
 public:
  CProjectSettings();
  virtual ~CProjectSettings();

  // Exchanges the fifteen fields, in declaration order, with `exchange`: one string property
  // each, named as the field, default empty. Always true.
  virtual bool ExchangeProperties(CPropExchange* exchange);

  void Reset();

  // Defined with the project file and the package import.
  bool LoadFromPath(const std::u16string& path);
  bool Open(bool browse);
  bool Save(bool saveAs);
  uint32_t ImportFromPackage();

  // The twelve version strings, in the order of the record.
  std::u16string ProductName;
  std::u16string ProductVersion;
  std::u16string CompanyName;
  std::u16string FileVersion;
  std::u16string FileDescription;
  std::u16string LegalCopyright;
  std::u16string LegalTrademarks;
  std::u16string Comments;
  std::u16string OriginalFilename;
  std::u16string InternalName;
  std::u16string PrivateBuild;
  std::u16string SpecialBuild;
  // The icon file, the package and the installer arguments.
  std::u16string IconPath;
  std::u16string InstallerPath;
  std::u16string InstallArgs;
};

extern CProjectSettings theProjectSettings;

// The output executable path rule: see project_settings.cpp.
struct OutputPath {
  std::u16string path;
  // False when the package path holds no ".msi": the output path then equals the package
  // path, and no caller may build to it.
  bool distinctFromPackage = false;
};
OutputPath OutputExecutablePath(CProjectSettings& settings);
