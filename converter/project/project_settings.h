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

  // The project file (project_file.cpp). Each returns true on success; a failed load leaves
  // the record as it was.
  //
  // LoadFromPath loads the file at `path` and makes it the project's file: a later Save(false)
  // writes there. It leaves the recent-file entry alone.
  bool LoadFromPath(const std::u16string& path);
  // Loads the file the user chooses (`browse`), or the one the recent-file entry names, and
  // records its path in the entry.
  bool Open(bool browse);
  // Writes the project to its file: the one last loaded or saved during this run, else the one
  // the recent-file entry names; with `saveAs`, or when there is none, to the file the user
  // chooses. On success the entry names the file written.
  bool Save(bool saveAs);

  // The package import (package_import.cpp): fills the record from the package at
  // InstallerPath. A Windows Installer result code; on failure the record is untouched.
  uint32_t ImportFromPackage();
  // Reads the Value of `property` from the package's Property table into `value`; `value` keeps
  // what it held when the property is missing, unreadable or 256 characters or longer.
  void ReadPackageProperty(uint32_t database, std::u16string property, std::u16string& value);

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

 private:
  // The file this project was last loaded from or saved to during the run; empty after
  // construction and Reset. Not a field: it is neither exchanged nor saved.
  std::u16string m_projectPath;
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
