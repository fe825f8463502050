// The package import, with packages that wixl built for the tests (make_packages.py).
#include <gtest/gtest.h>

#include <filesystem>

#include "msi_database.h"
#include "project_settings.h"
#include "record_table.h"
#include "text.h"

namespace fs = std::filesystem;

namespace {

const fs::path kPackages = WRAPSMITH_TEST_PACKAGES;

std::u16string U(const fs::path& p) { return text::fromUtf8(p.string()); }

// The project before each import: a previous package's product, an icon and arguments.
CProjectSettings Before(const fs::path& package) {
  CProjectSettings r = projecttest::RecordWithEveryField(u"");
  r.ProductName = u"previous name";
  r.ProductVersion = u"9.9.9.9";
  r.CompanyName = u"previous company";
  r.FileVersion = u"8.8.8.8";
  r.FileDescription = u"previous description";
  r.LegalCopyright = u"(c)";
  r.LegalTrademarks = u"(tm)";
  r.Comments = u"previous comment";
  r.OriginalFilename = u"previous.exe";
  r.InternalName = u"previous";
  r.PrivateBuild = u"private";
  r.SpecialBuild = u"special";
  r.IconPath = u"previous.ico";
  r.InstallerPath = U(package);
  r.InstallArgs = u"/i {package} /qb";
  return r;
}

TEST(PackageImport, FillsTheRecordFromThePackage) {
  struct Case {
    const char* file;
    std::u16string productName, version, company, comments, originalFilename, internalName;
  };
  const std::u16string n255 = std::u16string(254, u'N') + u"5";
  const Case cases[] = {
      {"sample.msi", u"Sample Product", u"1.2.3", u"Sample Co", u"Sample comment", u"sample.exe", u"sample"},
      {"My Setup.MSI", u"Sample Product", u"1.2.3", u"Sample Co", u"Sample comment", u"my setup.exe", u"my setup"},
      {"setup.msi.msi", u"Sample Product", u"1.2.3", u"Sample Co", u"Sample comment", u"setup.exe.exe", u"setup"},
      {"tool.exe.msi", u"Sample Product", u"1.2.3", u"Sample Co", u"Sample comment", u"tool.exe.exe", u"tool"},
      {"setup.pkg", u"Sample Product", u"1.2.3", u"Sample Co", u"Sample comment", u"setup.pkg", u"setup.pkg"},
      // No ARPCOMMENTS: Comments keeps what the project held.
      {"nocomments.msi", u"Other Product", u"4.5.6.7", u"Other Co", u"previous comment", u"nocomments.exe",
       u"nocomments"},
      // 255 characters fit the 256-unit buffer with the terminator; 256 do not.
      {"name255.msi", n255, u"1.0.0", u"Long Co", u"long", u"name255.exe", u"name255"},
      {"name256.msi", u"previous name", u"1.0.0", u"Long Co", u"long", u"name256.exe", u"name256"},
      {"accents.msi", u"Caf\u00e9 \u00dcber", u"2.0.0", u"Fa\u00e7ade S.\u00e0 r.l.", u"Gr\u00fc\u00dfe",
       u"accents.exe", u"accents"},
  };
  for (const Case& c : cases) {
    CProjectSettings r = Before(kPackages / c.file);
    ASSERT_EQ(r.ImportFromPackage(), 0u) << c.file;
    EXPECT_EQ(r.ProductName, c.productName) << c.file;
    EXPECT_EQ(r.ProductVersion, c.version) << c.file;
    EXPECT_EQ(r.FileVersion, c.version) << c.file;
    EXPECT_EQ(r.CompanyName, c.company) << c.file;
    EXPECT_EQ(r.Comments, c.comments) << c.file;
    EXPECT_EQ(r.OriginalFilename, c.originalFilename) << c.file;
    EXPECT_EQ(r.InternalName, c.internalName) << c.file;
    EXPECT_EQ(r.InstallerPath, U(kPackages / c.file)) << c.file;
    EXPECT_EQ(platform::msi::OpenHandleCount(), 0u) << c.file << ": every handle is closed";
    for (const std::u16string* cleared : {&r.InstallArgs, &r.FileDescription, &r.LegalCopyright, &r.LegalTrademarks,
                                          &r.PrivateBuild, &r.SpecialBuild, &r.IconPath})
      EXPECT_TRUE(cleared->empty()) << c.file;
  }
}

TEST(PackageImport, APathThatIsNoPackageLeavesTheRecordUntouched) {
  for (const fs::path& p : {kPackages / "notapackage.msi", kPackages / "missing.msi", kPackages, fs::path()}) {
    CProjectSettings r = Before(p);
    const uint32_t result = r.ImportFromPackage();
    EXPECT_EQ(result, platform::msi::kFunctionFailed) << p;
    EXPECT_EQ(platform::msi::OpenHandleCount(), 0u) << p;
    const auto got = projecttest::Fields(r);
    const CProjectSettings before = Before(p);
    const auto expected = projecttest::Fields(before);
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(*got[i].second, *expected[i].second) << p << " " << got[i].first;
  }
}

// The adapter answers as msi.dll does where the import relies on it.
TEST(PackageImport, DatabaseFunctionsAnswerAsTheSystemDoes) {
  using namespace platform::msi;
  MsiHandle database;
  ASSERT_EQ(MsiOpenDatabaseW(U(kPackages / "name256.msi"), kOpenReadOnly, database.put()), 0u);
  ASSERT_NE(database.get(), 0u);

  MsiHandle view;
  ASSERT_EQ(MsiDatabaseOpenViewW(database, u"SELECT * FROM `Property` WHERE Property = 'ProductName'", view.put()), 0u);
  MsiHandle record(MsiCreateRecord(2));
  ASSERT_EQ(MsiViewExecute(view, record), 0u);
  ASSERT_EQ(MsiViewFetch(view, record.put()), 0u);
  char16_t buffer[256];
  uint32_t size = 256;
  EXPECT_EQ(MsiRecordGetStringW(record, 2, buffer, &size), win32::kMoreData);
  EXPECT_EQ(size, 256u);
  EXPECT_EQ(std::u16string(buffer), std::u16string(255, u'N'));
  std::u16string big(257, u'\0');  // 256 characters and the terminator
  size = 257;
  EXPECT_EQ(MsiRecordGetStringW(record, 2, big.data(), &size), 0u);
  EXPECT_EQ(size, 256u);
  size = 12;
  EXPECT_EQ(MsiRecordGetStringW(record, 1, buffer, &size), 0u);
  EXPECT_EQ(std::u16string(buffer, size), u"ProductName");
  EXPECT_EQ(MsiViewFetch(view, record.put()), win32::kNoMoreItems);
  EXPECT_EQ(record.get(), 0u);
  EXPECT_EQ(MsiViewClose(view), 0u);

  MsiHandle bad;
  EXPECT_EQ(MsiDatabaseOpenViewW(database, u"SELECT * FROM `Nope`", bad.put()), kBadQuerySyntax);
  EXPECT_EQ(MsiDatabaseOpenViewW(12345, u"SELECT * FROM `Property`", bad.put()), win32::kInvalidHandle);
  EXPECT_EQ(MsiCloseHandle(12345), win32::kInvalidHandle);
  record.reset();
  view.reset();
  database.reset();
  EXPECT_EQ(OpenHandleCount(), 0u);
}

// A property that is missing or whose view cannot be read leaves its field alone, and the
// handles of the failed step are closed too.
TEST(PackageImport, ReadPackagePropertyKeepsTheValueOnFailure) {
  using namespace platform::msi;
  MsiHandle database;
  ASSERT_EQ(MsiOpenDatabaseW(U(kPackages / "sample.msi"), kOpenReadOnly, database.put()), 0u);
  CProjectSettings r;
  std::u16string value = u"kept";
  r.ReadPackageProperty(database, u"NoSuchProperty", value);
  EXPECT_EQ(value, u"kept");
  r.ReadPackageProperty(database, u"'", value);  // a query that does not parse
  EXPECT_EQ(value, u"kept");
  r.ReadPackageProperty(0, u"ProductName", value);  // no database
  EXPECT_EQ(value, u"kept");
  r.ReadPackageProperty(database, u"Manufacturer", value);
  EXPECT_EQ(value, u"Sample Co");
  database.reset();
  EXPECT_EQ(OpenHandleCount(), 0u);
}

}  // namespace
