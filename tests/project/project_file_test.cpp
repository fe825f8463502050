// The project file: what a save writes, what a load accepts, the operations with their dialogs
// and the recent-file entry, and files that are hostile or broken.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "file.h"
#include "project_file.h"
#include "record_table.h"
#include "text.h"

namespace fs = std::filesystem;
using projecttest::Fields;

namespace {

class FakeStore : public platform::RecentFileStore {
 public:
  std::u16string Read() override {
    ++reads;
    return entry;
  }
  void Write(std::u16string_view path) override {
    entry = path;
    ++writes;
  }
  void Delete() override { entry.clear(); }
  std::u16string entry;
  int reads = 0, writes = 0;
};

// Answers each dialog with `answer`, or cancels when it is empty; remembers what it was asked.
class FakeDialogs : public platform::FileDialogs {
 public:
  bool ChooseFile(const platform::FileDialogRequest& request, std::u16string& path) override {
    requests.push_back(request);
    if (answer.empty()) return false;
    path = answer;
    return true;
  }
  std::u16string answer;
  std::vector<platform::FileDialogRequest> requests;
};

std::string ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteBytes(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

std::u16string U(const fs::path& p) { return text::fromUtf8(p.string()); }

// An independent reader must accept what we write.
void ExpectXmllintAccepts(const fs::path& p) {
  const std::string command = "xmllint --noout '" + p.string() + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << "xmllint rejects " << p;
}

bool SameRecord(const CProjectSettings& a, const CProjectSettings& b) {
  const auto fa = Fields(a), fb = Fields(b);
  for (size_t i = 0; i < fa.size(); ++i) {
    if (*fa[i].second != *fb[i].second) return false;
  }
  return true;
}

std::string Describe(const CProjectSettings& r) {
  std::string out;
  for (const auto& [name, value] : Fields(r)) {
    if (!value->empty()) out += std::string(name) + "=[" + text::toUtf8(*value) + "] ";
  }
  return out.empty() ? "(all empty)" : out;
}

CProjectSettings Distinctive() {
  CProjectSettings r;
  for (const auto& [name, value] : Fields(r)) *const_cast<std::u16string*>(value) = text::fromUtf8(std::string("was ") + name);
  return r;
}

class ProjectFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("wrapsmith-project-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    projectfile::SetRecentFileStore(&store_);
    projectfile::SetFileDialogs(&dialogs_);
  }
  void TearDown() override {
    projectfile::SetRecentFileStore(nullptr);
    projectfile::SetFileDialogs(nullptr);
    fs::remove_all(dir_);
  }
  // Saves `record` to `name` in the test folder through a plain Save.
  fs::path SaveAs(CProjectSettings record, const std::string& name) {
    const fs::path p = dir_ / name;
    store_.entry = U(p);
    EXPECT_TRUE(record.Save(false)) << name;
    return p;
  }

  fs::path dir_;
  FakeStore store_;
  FakeDialogs dialogs_;
};

TEST_F(ProjectFileTest, WorkedExampleIsWrittenByteForByte) {
  CProjectSettings r = projecttest::RecordWithEveryField(u"");
  r.ProductName = u"Sample Tool";
  r.ProductVersion = u"2.1.0.0";
  r.CompanyName = u"Sample Co";
  r.FileVersion = u"2.1.0.0";
  r.InstallerPath = u"C:\\Setups\\sample.msi";
  r.InstallArgs = u"/i {package} /qb";
  const fs::path p = SaveAs(r, "example.xml");
  EXPECT_EQ(ReadBytes(p),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<Settings CompactMode=\"1\">\r\n"
            "\t<Exe CompactMode=\"1\" ProductName=\"Sample Tool\" ProductVersion=\"2.1.0.0\" "
            "CompanyName=\"Sample Co\" FileVersion=\"2.1.0.0\" InstallerPath=\"C:\\\\Setups\\\\sample.msi\" "
            "InstallArgs=\"/i {package} /qb\"/>\r\n"
            "</Settings>\r\n");
  ExpectXmllintAccepts(p);
}

TEST_F(ProjectFileTest, WritesOnlyNonEmptyFieldsInFieldOrder) {
  struct Case {
    const char* name;
    CProjectSettings record;
    std::string exe;
  };
  CProjectSettings escaped = projecttest::RecordWithEveryField(u"");
  escaped.Comments = u"a\\b\n\"<&>\t";
  escaped.InstallArgs = u"x";
  const Case cases[] = {
      {"after_reset", CProjectSettings(),
       "<Exe CompactMode=\"1\" ProductName=\"Product name\" ProductVersion=\"1.0.0.1\" "
       "CompanyName=\"Company name\" FileVersion=\"1.0.0.1\"/>"},
      {"all_empty", projecttest::RecordWithEveryField(u""), "<Exe CompactMode=\"1\"/>"},
      {"escapes", escaped, "<Exe CompactMode=\"1\" Comments=\"a\\\\b\\n&quot;&lt;&amp;>\\t\" InstallArgs=\"x\"/>"},
  };
  for (const Case& c : cases) {
    const fs::path p = SaveAs(c.record, std::string(c.name) + ".xml");
    EXPECT_EQ(ReadBytes(p), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Settings CompactMode=\"1\">\r\n\t" + c.exe +
                                "\r\n</Settings>\r\n")
        << c.name;
    ExpectXmllintAccepts(p);
  }
}

TEST_F(ProjectFileTest, ValuesSurviveSaveAndLoad) {
  for (const projecttest::ValueCase& c : projecttest::RoundTripValues()) {
    const CProjectSettings original = projecttest::RecordWithEveryField(c.value);
    const fs::path p = SaveAs(original, std::string(c.name) + ".xml");
    ExpectXmllintAccepts(p);
    CProjectSettings loaded = Distinctive();
    ASSERT_TRUE(loaded.LoadFromPath(U(p))) << c.name;
    EXPECT_TRUE(SameRecord(loaded, original)) << c.name << ": " << Describe(loaded);
  }
}

TEST_F(ProjectFileTest, AllEmptyFileLoadsAsEmptyFieldsNotDefaults) {
  const fs::path p = SaveAs(projecttest::RecordWithEveryField(u""), "empty.xml");
  CProjectSettings loaded;
  ASSERT_TRUE(loaded.LoadFromPath(U(p)));
  EXPECT_TRUE(SameRecord(loaded, projecttest::RecordWithEveryField(u""))) << Describe(loaded);
}

TEST(ProjectFileEscapes, EscapeAndUnescape) {
  struct Case {
    std::u16string value, escaped;
  };
  const Case cases[] = {
      {u"C:\\a", u"C:\\\\a"},           {u"\\n", u"\\\\n"},     {u"a\nb\rc\td", u"a\\nb\\rc\\td"},
      {u"\\\\", u"\\\\\\\\"},           {u"plain", u"plain"},   {u"\r\n", u"\\r\\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(projectfile::EscapeValue(c.value), c.escaped) << text::toUtf8(c.value);
    EXPECT_EQ(projectfile::UnescapeValue(c.escaped), c.value) << text::toUtf8(c.escaped);
  }
  // Other backslash sequences stay as they are.
  EXPECT_EQ(projectfile::UnescapeValue(u"a\\q\\"), u"a\\q\\");
}

TEST(ProjectFileIndentation, RewritesAnyLineBreaksIntoTheLayout) {
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Settings CompactMode=\"1\">\r\n\t<Exe CompactMode=\"1\" "
      "A=\"x/>y\"/>\r\n</Settings>\r\n";
  const std::string inputs[] = {
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Settings CompactMode=\"1\"><Exe CompactMode=\"1\" A=\"x/>y\"/></Settings>",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Settings CompactMode=\"1\">\n\t\t<Exe CompactMode=\"1\" "
      "A=\"x/>y\"/>\n</Settings>\r\n",
      expected,
  };
  for (const std::string& in : inputs) EXPECT_EQ(projectfile::IndentXml(in), expected) << in;
  // Text before an end tag stays where it is; short files are left alone.
  EXPECT_EQ(projectfile::IndentXml("<?x?><a><b>t</b></a>"), "<?x?>\r\n<a>\r\n\t<b>t</b>\r\n</a>\r\n");
  EXPECT_EQ(projectfile::IndentXml("<a"), "<a");
}

// Hand-written files and what a load makes of them. The record starts with distinctive values,
// so a failed load shows as an untouched record.
TEST_F(ProjectFileTest, ReadingRules) {
  const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  auto utf16 = [](const std::string& utf8, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text::fromUtf8(utf8)) {
      const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
      out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
  };
  struct Case {
    const char* name;
    std::string bytes;
    bool loads;
    std::vector<std::pair<std::u16string CProjectSettings::*, std::u16string>> fields;  // others empty
  };
  using S = CProjectSettings;
  const std::string elements =
      "<Exe><ProductName>X</ProductName><Comments>two\\nlines</Comments><IconPath>C:\\\\i.ico</IconPath></Exe>";
  const std::string attributes = "<Exe ProductName=\"X\" Comments=\"two\\nlines\" IconPath=\"C:\\\\i.ico\"/>";
  const std::vector<std::pair<std::u16string S::*, std::u16string>> xFields = {
      {&S::ProductName, u"X"}, {&S::Comments, u"two\nlines"}, {&S::IconPath, u"C:\\i.ico"}};
  const std::vector<Case> cases = {
      {"element_form", decl + "<Settings>" + elements + "</Settings>", true, xFields},
      {"attribute_form_without_compact_mode", decl + "<Settings>" + attributes + "</Settings>", true, {}},
      {"compact_mode_2", decl + "<Settings CompactMode=\"2\">" + attributes + "</Settings>", true, xFields},
      {"compact_mode_blank_1", decl + "<Settings CompactMode=\" 1\">" + attributes + "</Settings>", true, xFields},
      {"compact_mode_minus_1", decl + "<Settings CompactMode=\"-1x\">" + attributes + "</Settings>", true, xFields},
      {"compact_mode_true_is_element_form", decl + "<Settings CompactMode=\"true\">" + attributes + elements +
                                                "</Settings>",
       true, {}},
      {"compact_mode_true_reads_elements", decl + "<Settings CompactMode=\"true\">" + elements + "</Settings>", true,
       xFields},
      {"compact_mode_0", decl + "<Settings CompactMode=\"0\">" + elements + "</Settings>", true, xFields},
      {"other_document_element", decl + "<Project CompactMode=\"1\">" + attributes + "</Project>", true, {}},
      {"no_exe", decl + "<Settings CompactMode=\"1\"><Other ProductName=\"X\"/></Settings>", true, {}},
      {"first_exe_counts", decl + "<Settings CompactMode=\"1\"><Other/><Exe ProductName=\"A\"/><Exe ProductName=\"B\"/></Settings>",
       true, {{&S::ProductName, u"A"}}},
      {"serializer_variants", "\xEF\xBB\xBF" + decl + "<Settings CompactMode=\"1\"><Exe CompactMode=\"1\" "
                                                      "ProductName=\"a>b&gt;c\" CompanyName='q' /></Settings>",
       true, {{&S::ProductName, u"a>b>c"}, {&S::CompanyName, u"q"}}},
      {"white_space_kept", decl + "<Settings><Exe><ProductName>  X \n</ProductName></Exe></Settings>", true,
       {{&S::ProductName, u"  X \n"}}},
      {"comments_cdata_and_nested_text", decl + "<!-- c --><?pi x?><Settings><Exe><!-- c --><ProductName>A<![CDATA[<B>]]><i>C</i>"
                                                "</ProductName></Exe></Settings>",
       true, {{&S::ProductName, u"A<B>C"}}},
      {"other_backslash_sequences", decl + "<Settings CompactMode=\"1\"><Exe ProductName=\"a\\q\\\"/></Settings>", true,
       {{&S::ProductName, u"a\\q\\"}}},
      {"utf16le_with_bom", utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?><Settings CompactMode=\"1\"><Exe "
                                 "ProductName=\"\u00c4\u65e5\"/></Settings>",
                                 false),
       true, {{&S::ProductName, u"\u00c4\u65e5"}}},
      {"utf16be_with_bom", utf16("<Settings CompactMode=\"1\"><Exe ProductName=\"X\"/></Settings>", true), true,
       {{&S::ProductName, u"X"}}},
      {"latin1_declared", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Settings CompactMode=\"1\"><Exe "
                          "ProductName=\"\xC4\"/></Settings>",
       true, {{&S::ProductName, u"\u00c4"}}},
      {"windows_1252_declared", "<?xml version='1.0' encoding = 'windows-1252' ?><Settings CompactMode=\"1\"><Exe "
                                "ProductName=\"\x80\"/></Settings>",
       true, {{&S::ProductName, u"\u20ac"}}},
      {"other_encoding_refused", "<?xml version=\"1.0\" encoding=\"UTF-7\"?><Settings CompactMode=\"1\"><Exe "
                                 "ProductName=\"X\"/></Settings>",
       false, {}},
      {"not_well_formed", decl + "<Settings CompactMode=\"1\"><Exe ProductName=\"X\"></Settings>", false, {}},
      {"raw_less_than_in_value", decl + "<Settings CompactMode=\"1\"><Exe ProductName=\"<\"/></Settings>", false, {}},
      {"empty_file", "", false, {}},
      {"text_only", "Product name", false, {}},
      {"utf16_without_bom", utf16("<Settings/>", false).substr(2), false, {}},
      {"undeclared_entity", decl + "<Settings CompactMode=\"1\"><Exe ProductName=\"&x;\"/></Settings>", false, {}},
  };
  for (const Case& c : cases) {
    const fs::path p = dir_ / (std::string(c.name) + ".xml");
    WriteBytes(p, c.bytes);
    CProjectSettings record = Distinctive();
    const bool loaded = record.LoadFromPath(U(p));
    EXPECT_EQ(loaded, c.loads) << c.name;
    CProjectSettings expected = c.loads ? projecttest::RecordWithEveryField(u"") : Distinctive();
    for (const auto& [field, value] : c.fields) expected.*field = value;
    EXPECT_TRUE(SameRecord(record, expected)) << c.name << ": " << Describe(record);
  }
}

TEST_F(ProjectFileTest, MissingFilesAndFoldersFailWithTheRecordUntouched) {
  fs::create_directories(dir_ / "folder.xml");
  for (const fs::path& p : {dir_ / "missing.xml", dir_ / "no-folder" / "missing.xml", dir_ / "folder.xml", fs::path()}) {
    CProjectSettings record = Distinctive();
    EXPECT_FALSE(record.LoadFromPath(U(p))) << p;
    EXPECT_TRUE(SameRecord(record, Distinctive())) << p;
  }
}

// Project files come from anywhere: nothing is fetched or expanded, huge files are refused, and
// the record stays as it was.
TEST_F(ProjectFileTest, HostileFilesFailCleanly) {
  const fs::path secret = dir_ / "secret.txt";
  WriteBytes(secret, "SECRET");
  std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE Settings [\n<!ENTITY l0 \"ha\">\n";
  for (int i = 1; i <= 10; ++i)
    laughs += "<!ENTITY l" + std::to_string(i) + " \"" + std::string("") + [&] {
      std::string s;
      for (int k = 0; k < 10; ++k) s += "&l" + std::to_string(i - 1) + ";";
      return s;
    }() + "\">\n";
  laughs += "]>\n<Settings CompactMode=\"1\"><Exe ProductName=\"&l10;\"/></Settings>\n";
  std::string huge = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Settings CompactMode=\"1\"><Exe ProductName=\"";
  huge += std::string(projectfile::kMaxProjectFileSize, 'x');
  huge += "\"/></Settings>";
  std::string deep = "<Settings CompactMode=\"1\">";
  for (int i = 0; i < 300; ++i) deep += "<d>";
  for (int i = 0; i < 300; ++i) deep += "</d>";
  deep += "<Exe ProductName=\"X\"/></Settings>";
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"external_entity_to_local_file",
       "<?xml version=\"1.0\"?>\n<!DOCTYPE Settings [<!ENTITY x SYSTEM \"file://" + secret.string() +
           "\">]>\n<Settings CompactMode=\"0\"><Exe><ProductName>&x;</ProductName></Exe></Settings>\n"},
      {"external_dtd", "<?xml version=\"1.0\"?>\n<!DOCTYPE Settings SYSTEM \"http://127.0.0.1:9/x.dtd\">\n"
                       "<Settings CompactMode=\"1\"><Exe ProductName=\"X\"/></Settings>\n"},
      {"billion_laughs", laughs},
      {"doctype_in_utf16", [] {
         std::string out = "\xFF\xFE";
         for (char c : std::string("<!DOCTYPE Settings><Settings CompactMode=\"1\"><Exe ProductName=\"X\"/></Settings>")) {
           out += c;
           out += '\0';
         }
         return out;
       }()},
      {"huge", huge},
      {"deeper_than_the_parser_allows", deep},
  };
  for (const auto& c : cases) {
    const fs::path p = dir_ / (std::string(c.name) + ".xml");
    WriteBytes(p, c.bytes);
    CProjectSettings record = Distinctive();
    EXPECT_FALSE(record.LoadFromPath(U(p))) << c.name;
    EXPECT_TRUE(SameRecord(record, Distinctive())) << c.name << ": " << Describe(record);
  }
  platform::XmlNode root;
  std::string bytes;
  WriteBytes(dir_ / "huge.xml", huge);
  EXPECT_EQ(projectfile::ReadProjectDocument(U(dir_ / "huge.xml"), root), win32::kFileTooLarge);
}

TEST_F(ProjectFileTest, OpenUsesTheEntryOrTheDialogAndRecordsThePath) {
  const fs::path good = SaveAs(projecttest::RecordWithEveryField(u"good"), "good.xml");
  const fs::path other = dir_ / "other.xml";
  WriteBytes(other, "<?xml version=\"1.0\"?><Project/>");
  const fs::path broken = dir_ / "broken.xml";
  WriteBytes(broken, "<Settings");

  // No entry: nothing to open.
  store_.entry.clear();
  CProjectSettings r = Distinctive();
  EXPECT_FALSE(r.Open(false));
  EXPECT_TRUE(SameRecord(r, Distinctive()));

  // The entry names the file.
  store_.entry = U(good);
  EXPECT_TRUE(r.Open(false));
  EXPECT_EQ(r.ProductName, u"good");
  EXPECT_TRUE(dialogs_.requests.empty());

  // Browsing: cancelled, then a broken file, then another document element.
  r = Distinctive();
  dialogs_.answer.clear();
  EXPECT_FALSE(r.Open(true));
  ASSERT_EQ(dialogs_.requests.size(), 1u);
  EXPECT_FALSE(dialogs_.requests[0].save);
  EXPECT_EQ(dialogs_.requests[0].initialFileName, u"*.xml");
  EXPECT_EQ(dialogs_.requests[0].filter, u"Text (XML) (*.xml)|*.xml|All Files (*.*)|*.*||");
  EXPECT_EQ(dialogs_.requests[0].defaultExtension, u"xml");
  EXPECT_EQ(dialogs_.requests[0].flags, platform::kOfnHideReadOnly);
  dialogs_.answer = U(broken);
  EXPECT_FALSE(r.Open(true));
  EXPECT_TRUE(SameRecord(r, Distinctive()));
  EXPECT_EQ(store_.entry, U(good));
  dialogs_.answer = U(other);
  EXPECT_TRUE(r.Open(true));
  EXPECT_TRUE(SameRecord(r, projecttest::RecordWithEveryField(u"")));
  EXPECT_EQ(store_.entry, U(other));
}

TEST_F(ProjectFileTest, SaveWritesTheEntrysFileOrAsksForOne) {
  // Plain save with an entry: no dialog, the file named is written.
  const fs::path first = dir_ / "first.xml";
  store_.entry = U(first);
  CProjectSettings r;
  EXPECT_TRUE(r.Save(false));
  EXPECT_TRUE(dialogs_.requests.empty());
  EXPECT_TRUE(fs::exists(first));

  // Save As: the trimmed name is proposed and kept in the record; the file has the name as it
  // was when the save began.
  CProjectSettings named;
  named.ProductName = u"  Sample  ";
  dialogs_.answer = U(dir_ / "chosen.xml");
  EXPECT_TRUE(named.Save(true));
  ASSERT_EQ(dialogs_.requests.size(), 1u);
  EXPECT_TRUE(dialogs_.requests[0].save);
  EXPECT_EQ(dialogs_.requests[0].initialFileName, u"Sample.xml");
  EXPECT_EQ(dialogs_.requests[0].flags, platform::kOfnHideReadOnly | platform::kOfnOverwritePrompt);
  EXPECT_EQ(named.ProductName, u"Sample");
  EXPECT_NE(ReadBytes(dir_ / "chosen.xml").find("ProductName=\"  Sample  \""), std::string::npos);
  EXPECT_EQ(store_.entry, U(dir_ / "chosen.xml"));

  // No entry: a plain save asks too; cancelled, it writes nothing and keeps the entry.
  CProjectSettings unnamed;
  unnamed.ProductName = u"";
  store_.entry.clear();
  dialogs_.answer.clear();
  EXPECT_FALSE(unnamed.Save(false));
  EXPECT_EQ(dialogs_.requests.back().initialFileName, u".xml");
  EXPECT_TRUE(store_.entry.empty());

  // A folder that does not exist: the save fails and the entry stays.
  store_.entry = U(first);
  dialogs_.answer = U(dir_ / "no-folder" / "x.xml");
  EXPECT_FALSE(unnamed.Save(true));
  EXPECT_EQ(store_.entry, U(first));
}

TEST_F(ProjectFileTest, AFailedSaveLeavesTheOldFileAsItWas) {
  const fs::path p = SaveAs(projecttest::RecordWithEveryField(u"old"), "keep.xml");
  const std::string before = ReadBytes(p);
  // A value XML cannot carry: refused before anything is written.
  CProjectSettings bad;
  bad.Comments = u"bell \x07";
  store_.entry = U(p);
  EXPECT_FALSE(bad.Save(false));
  // A record too large for a project file.
  CProjectSettings large;
  large.Comments.assign(projectfile::kMaxProjectFileSize, u'x');
  EXPECT_FALSE(large.Save(false));
  EXPECT_EQ(ReadBytes(p), before);
  // Nothing left beside it either.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

// A project loaded by path (the command line) is saved back to that file, not to the one the
// recent-file entry still names.
TEST_F(ProjectFileTest, APlainSaveAfterLoadFromPathWritesTheLoadedFile) {
  const fs::path a = SaveAs(projecttest::RecordWithEveryField(u"A"), "a.xml");
  const fs::path b = SaveAs(projecttest::RecordWithEveryField(u"B"), "b.xml");
  const std::string aBefore = ReadBytes(a);
  store_.entry = U(a);
  const int writes = store_.writes;

  CProjectSettings r;
  ASSERT_TRUE(r.LoadFromPath(U(b)));
  EXPECT_EQ(store_.entry, U(a));  // LoadFromPath leaves the entry alone
  EXPECT_EQ(store_.writes, writes);
  r.Comments = u"changed";
  EXPECT_TRUE(r.Save(false));
  EXPECT_TRUE(dialogs_.requests.empty());
  EXPECT_EQ(ReadBytes(a), aBefore);
  EXPECT_NE(ReadBytes(b).find("Comments=\"changed\""), std::string::npos);
  EXPECT_EQ(store_.entry, U(b));

  // After Reset (the New command) the project has no file: a plain save asks again.
  r.Reset();
  store_.entry.clear();
  EXPECT_FALSE(r.Save(false));
  EXPECT_EQ(dialogs_.requests.size(), 1u);
}

}  // namespace
