#include "project_settings.h"

#include "prop_exchange.h"
#include "text.h"

CProjectSettings theProjectSettings;

CProjectSettings::CProjectSettings() { Reset(); }

CProjectSettings::~CProjectSettings() = default;

void CProjectSettings::Reset() {
  ProductName = u"Product name";
  ProductVersion = u"1.0.0.1";
  CompanyName = u"Company name";
  FileVersion = u"1.0.0.1";
  FileDescription.clear();
  LegalCopyright.clear();
  LegalTrademarks.clear();
  Comments.clear();
  OriginalFilename.clear();
  InternalName.clear();
  PrivateBuild.clear();
  SpecialBuild.clear();
  IconPath.clear();
  InstallerPath.clear();
  InstallArgs.clear();
  m_projectPath.clear();
}

bool CProjectSettings::ExchangeProperties(CPropExchange* exchange) {
  // The field order is the order of the attributes in a saved project file.
  exchange->ExchangeString(u"ProductName", ProductName, u"");
  exchange->ExchangeString(u"ProductVersion", ProductVersion, u"");
  exchange->ExchangeString(u"CompanyName", CompanyName, u"");
  exchange->ExchangeString(u"FileVersion", FileVersion, u"");
  exchange->ExchangeString(u"FileDescription", FileDescription, u"");
  exchange->ExchangeString(u"LegalCopyright", LegalCopyright, u"");
  exchange->ExchangeString(u"LegalTrademarks", LegalTrademarks, u"");
  exchange->ExchangeString(u"Comments", Comments, u"");
  exchange->ExchangeString(u"OriginalFilename", OriginalFilename, u"");
  exchange->ExchangeString(u"InternalName", InternalName, u"");
  exchange->ExchangeString(u"PrivateBuild", PrivateBuild, u"");
  exchange->ExchangeString(u"SpecialBuild", SpecialBuild, u"");
  exchange->ExchangeString(u"IconPath", IconPath, u"");
  exchange->ExchangeString(u"InstallerPath", InstallerPath, u"");
  exchange->ExchangeString(u"InstallArgs", InstallArgs, u"");
  return true;
}

// The output executable lies next to the package: the package path with every ".msi"
// replaced by ".exe". Windows builds lower-case the record's InstallerPath first (ASCII letters
// only) and keep it so, as the system always has; file names are case-sensitive on Linux, so
// there the path keeps its case and ".msi" is matched ignoring ASCII case.
OutputPath OutputExecutablePath(CProjectSettings& settings) {
  OutputPath out;
#ifdef _WIN32
  settings.InstallerPath = text::asciiLower(settings.InstallerPath);
  out.path = text::replaceAll(settings.InstallerPath, u".msi", u".exe");
#else
  out.path = text::replaceAllAsciiNoCase(settings.InstallerPath, u".msi", u".exe");
#endif
  out.distinctFromPackage = out.path != settings.InstallerPath;
  return out;
}
