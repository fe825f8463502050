// Field values that a project file must carry unchanged, for the round-trip tests and the
// comparison of the Linux and Windows builds.
#pragma once

#include <string>
#include <vector>

#include "project_settings.h"

namespace projecttest {

struct ValueCase {
  const char* name;
  std::u16string value;
};

inline const std::vector<ValueCase>& RoundTripValues() {
  static const std::vector<ValueCase> values = {
      {"backslashes", u"C:\\Setups\\sample.msi"},
      {"backslash_n_as_two_characters", u"keep \\n as it is"},
      {"backslash_before_t_and_doubled", u"\\\\server\\share\\tools\\"},
      {"line_breaks", u"first line\nsecond line\r\nthird\rend"},
      {"tabs", u"\tcolumn\tcolumn\t"},
      {"quotation_marks", u"say \"hello\" and 'bye'"},
      {"ampersands", u"Fish & Chips &amp; &#65;"},
      {"less_and_greater_than", u"a < b > c /> <Exe/>"},
      {"leading_and_trailing_blanks", u"  padded value  "},
      {"non_ascii", u"Gr\u00fc\u00dfe \u2013 \u65e5\u672c\u8a9e \U0001F600 \u00c4"},
      {"markup_lookalikes", u"]]> <!-- --> <?pi?> &lt;"},
      {"empty", u""},
  };
  return values;
}

// A record whose every field holds `value`, so each attribute of the file carries it.
inline CProjectSettings RecordWithEveryField(const std::u16string& value) {
  CProjectSettings r;
  for (std::u16string* f : {&r.ProductName, &r.ProductVersion, &r.CompanyName, &r.FileVersion, &r.FileDescription,
                            &r.LegalCopyright, &r.LegalTrademarks, &r.Comments, &r.OriginalFilename, &r.InternalName,
                            &r.PrivateBuild, &r.SpecialBuild, &r.IconPath, &r.InstallerPath, &r.InstallArgs})
    *f = value;
  return r;
}

// The fields of a record, in order, with their names.
inline std::vector<std::pair<const char*, const std::u16string*>> Fields(const CProjectSettings& r) {
  return {{"ProductName", &r.ProductName},           {"ProductVersion", &r.ProductVersion},
          {"CompanyName", &r.CompanyName},           {"FileVersion", &r.FileVersion},
          {"FileDescription", &r.FileDescription},   {"LegalCopyright", &r.LegalCopyright},
          {"LegalTrademarks", &r.LegalTrademarks},   {"Comments", &r.Comments},
          {"OriginalFilename", &r.OriginalFilename}, {"InternalName", &r.InternalName},
          {"PrivateBuild", &r.PrivateBuild},         {"SpecialBuild", &r.SpecialBuild},
          {"IconPath", &r.IconPath},                 {"InstallerPath", &r.InstallerPath},
          {"InstallArgs", &r.InstallArgs}};
}

// Every record the builds compare: one per round-trip value, the worked example, a reset
// record and one with all fields empty.
inline std::vector<std::pair<std::string, CProjectSettings>> CrossCheckRecords() {
  std::vector<std::pair<std::string, CProjectSettings>> records;
  for (const ValueCase& c : RoundTripValues()) records.emplace_back(c.name, RecordWithEveryField(c.value));
  CProjectSettings example = RecordWithEveryField(u"");
  example.ProductName = u"Sample Tool";
  example.ProductVersion = u"2.1.0.0";
  example.CompanyName = u"Sample Co";
  example.FileVersion = u"2.1.0.0";
  example.InstallerPath = u"C:\\Setups\\sample.msi";
  example.InstallArgs = u"/i {package} /qb";
  records.emplace_back("worked_example", example);
  records.emplace_back("after_reset", CProjectSettings());
  return records;
}

}  // namespace projecttest
