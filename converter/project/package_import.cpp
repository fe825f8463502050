// Fills the project from the package it wraps: four properties of the package's Property table
// and two names derived from the package's file name.
#include "msi_database.h"
#include "path.h"
#include "project_settings.h"
#include "text.h"

using platform::msi::MsiHandle;

uint32_t CProjectSettings::ImportFromPackage() {
  MsiHandle database;
  const uint32_t result = platform::msi::MsiOpenDatabaseW(InstallerPath, platform::msi::kOpenReadOnly, database.put());
  if (result != win32::kSuccess) return result;

  // What belonged to the previous package's product goes.
  InstallArgs.clear();
  FileDescription.clear();
  LegalCopyright.clear();
  LegalTrademarks.clear();
  PrivateBuild.clear();
  SpecialBuild.clear();
  IconPath.clear();

  ReadPackageProperty(database, u"ProductName", ProductName);
  ReadPackageProperty(database, u"ProductVersion", ProductVersion);
  FileVersion = ProductVersion;
  ReadPackageProperty(database, u"Manufacturer", CompanyName);
  ReadPackageProperty(database, u"ARPCOMMENTS", Comments);

  // "C:\Pkg\My Setup.MSI" gives "my setup.exe" and "my setup".
  OriginalFilename = platform::fileNamePart(InstallerPath);
  OriginalFilename = text::asciiLower(OriginalFilename);
  OriginalFilename = text::replaceAll(OriginalFilename, u".msi", u".exe");
  InternalName = text::replaceAll(OriginalFilename, u".exe", u"");

  database.reset();
  return win32::kSuccess;
}

void CProjectSettings::ReadPackageProperty(uint32_t database, std::u16string property, std::u16string& value) {
  // The four names asked for are fixed identifiers; nothing here quotes them.
  const std::u16string query = u"SELECT * FROM `Property` WHERE Property = '" + property + u"'";
  MsiHandle view;
  if (platform::msi::MsiDatabaseOpenViewW(database, query, view.put()) != win32::kSuccess) return;
  MsiHandle record(platform::msi::MsiCreateRecord(2));
  if (platform::msi::MsiViewExecute(view, record) != win32::kSuccess) return;
  // Property is the table's key: at most one row. Any result other than a row ends the loop.
  while (platform::msi::MsiViewFetch(view, record.put()) == win32::kSuccess) {
    // 256 units: a value of up to 255 characters and its terminator.
    char16_t buffer[256];
    uint32_t size = 256;
    if (platform::msi::MsiRecordGetStringW(record, 2, buffer, &size) == win32::kSuccess)
      value.assign(buffer, size);
  }
  platform::msi::MsiViewClose(view);
}
