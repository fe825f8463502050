// The project record: its defaults, the exchange of its fields and the output executable path.
#include <gtest/gtest.h>

#include <vector>

#include "project_settings.h"
#include "prop_exchange.h"
#include "record_table.h"
#include "text.h"

namespace {

const std::vector<std::u16string> kFieldNames = {
    u"ProductName",      u"ProductVersion", u"CompanyName",  u"FileVersion",  u"FileDescription",
    u"LegalCopyright",   u"LegalTrademarks", u"Comments",    u"OriginalFilename", u"InternalName",
    u"PrivateBuild",     u"SpecialBuild",   u"IconPath",     u"InstallerPath", u"InstallArgs"};

class RecordingExchange : public CPropExchange {
 public:
  explicit RecordingExchange(bool loading) : loading_(loading) {}
  bool IsLoading() const override { return loading_; }
  void ExchangeString(const char16_t* name, std::u16string& value, const char16_t* defaultValue) override {
    names.emplace_back(name);
    defaults.emplace_back(defaultValue);
    if (loading_) {
      value = u"loaded " + std::u16string(name);
    } else {
      values.push_back(value);
    }
  }
  std::vector<std::u16string> names, defaults, values;

 private:
  bool loading_;
};

TEST(ProjectSettings, ConstructionAndResetGiveTheDefaults) {
  CProjectSettings fresh;
  CProjectSettings edited = projecttest::RecordWithEveryField(u"edited");
  edited.Reset();
  for (const CProjectSettings* r : {&fresh, &edited}) {
    const auto fields = projecttest::Fields(*r);
    EXPECT_EQ(*fields[0].second, u"Product name");
    EXPECT_EQ(*fields[1].second, u"1.0.0.1");
    EXPECT_EQ(*fields[2].second, u"Company name");
    EXPECT_EQ(*fields[3].second, u"1.0.0.1");
    for (size_t i = 4; i < fields.size(); ++i) EXPECT_TRUE(fields[i].second->empty()) << fields[i].first;
  }
}

TEST(ProjectSettings, ExchangeCoversTheFifteenFieldsInOrder) {
  CProjectSettings r;
  r.InstallArgs = u"last";
  RecordingExchange storing(false);
  EXPECT_TRUE(r.ExchangeProperties(&storing));
  EXPECT_EQ(storing.names, kFieldNames);
  EXPECT_EQ(storing.defaults, std::vector<std::u16string>(15, u""));
  EXPECT_EQ(storing.values.front(), u"Product name");
  EXPECT_EQ(storing.values.back(), u"last");

  RecordingExchange loading(true);
  EXPECT_TRUE(r.ExchangeProperties(&loading));
  const auto fields = projecttest::Fields(r);
  for (size_t i = 0; i < fields.size(); ++i) EXPECT_EQ(*fields[i].second, u"loaded " + kFieldNames[i]);
}

// On Linux file names keep their case; ".msi" matches in any case.
TEST(ProjectSettings, OutputExecutablePath) {
  struct Case {
    std::u16string package, output;
    bool distinct;
  };
  const Case cases[] = {
      {u"D:\\Pkg\\App.Msi", u"D:\\Pkg\\App.exe", true},
      {u"d:\\a.msi\\b.msi", u"d:\\a.exe\\b.exe", true},
      {u"/srv/Setups/Sample.MSI", u"/srv/Setups/Sample.exe", true},
      {u"/srv/\u00c4rger.msi", u"/srv/\u00c4rger.exe", true},
      {u"/srv/x.msix.msi", u"/srv/x.exex.exe", true},
      {u"/srv/setup.pkg", u"/srv/setup.pkg", false},
      {u"", u"", false},
  };
  for (const Case& c : cases) {
    CProjectSettings r;
    r.InstallerPath = c.package;
    const OutputPath out = OutputExecutablePath(r);
    EXPECT_EQ(out.path, c.output) << text::toUtf8(c.package);
    EXPECT_EQ(out.distinctFromPackage, c.distinct) << text::toUtf8(c.package);
    EXPECT_EQ(r.InstallerPath, c.package) << "the Linux build keeps the package path as it is";
  }
}

}  // namespace
