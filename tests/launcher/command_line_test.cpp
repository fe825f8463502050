// The launcher's command line, from the argument record, the process command line and the
// temporary path to the line given to msiexec.exe, through the same calls the launcher makes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line.h"
#include "payload.h"

namespace {

using std::u16string;

// An argument record as the builder writes it: the text, then zero units up to 262 (524 bytes).
std::vector<char16_t> record(const u16string& text) {
  std::vector<char16_t> units(payload::kArgumentRecordSize / 2, 0);
  std::copy(text.begin(), text.end(), units.begin());
  return units;
}

u16string repeat(const u16string& piece, size_t count) {
  u16string out;
  for (size_t i = 0; i < count; ++i) out += piece;
  return out;
}

std::string narrow(const u16string& s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? char(c) : '?';
  return out;
}

const u16string P = u"C:\\Temp\\0A1F.tmp";
const u16string S = u"C:\\Temp Dir\\0A1F.tmp";  // a temporary path with a space
const u16string Q = u"\"C:\\Temp Dir\\0A1F.tmp\"";
const u16string kMsiexec = u"msiexec.exe ";

// A temporary path of 259 characters (the most the platform gives), holding a space.
const u16string kLongPath = u"C:\\Temp Dir\\" + repeat(u"x", 259 - 12 - 9) + u"\\0A1F.tmp";

// Process command lines whose line of exactly 32766 characters fits and one more does not.
const size_t kFill = launcher::kCommandLineUnits - 1 - kMsiexec.size() - 1 - P.size();
const u16string kFits = u"setup.exe " + repeat(u"a", kFill);
const u16string kOneOver = u"setup.exe " + repeat(u"a", kFill + 1);

const u16string k259 = repeat(u"/qn ", 64) + u"/qn";  // 259 characters, no token
const u16string kTokens = repeat(u"{package} ", 25) + u"/qn";  // 253 characters, 25 tokens

struct Case {
  const char* name;
  std::vector<char16_t> record;
  u16string processCommandLine;
  u16string tempPath;
  win32::Error error;
  u16string expected;
};

const std::vector<Case>& cases() {
  static const std::vector<Case> table = {
      {"token lower case", record(u"/i {package} /qn"), u"setup.exe", P, 0, kMsiexec + u"/i " + P + u" /qn"},
      {"token mixed case", record(u"/i {Package} /q"), u"setup.exe", P, 0, kMsiexec + u"/i " + P + u" /q"},
      {"token upper case", record(u"/i {PACKAGE}"), u"setup.exe", P, 0, kMsiexec + u"/i " + P},
      {"two tokens", record(u"/i {package} /l*v {PACKAGE}.log"), u"setup.exe", P, 0,
       kMsiexec + u"/i " + P + u" /l*v " + P + u".log"},
      {"adjacent tokens", record(u"{package}{package}"), u"setup.exe", P, 0, kMsiexec + P + P},
      {"token inside braces", record(u"{{package}}"), u"setup.exe", P, 0, kMsiexec + u"{" + P + u"}"},
      {"token at the very end", record(u"/i{package}"), u"setup.exe", P, 0, kMsiexec + u"/i" + P},
      {"no token", record(u"/q"), u"setup.exe", P, 0, kMsiexec + u"/q " + P},
      {"near miss is no token", record(u"/i {packag} /q"), u"setup.exe", P, 0, kMsiexec + u"/i {packag} /q " + P},
      {"record ignores own arguments", record(u"/i {package}"), u"setup.exe /x {package} /qn", P, 0,
       kMsiexec + u"/i " + P},
      {"empty record, no own arguments", record(u""), u"setup.exe", P, 0, kMsiexec + u"/i " + P},
      {"empty record, only blanks after the name", record(u""), u"setup.exe  \t ", P, 0, kMsiexec + u"/i " + P},
      {"empty record, own arguments with token", record(u""), u"setup.exe /x {PACKAGE}", P, 0,
       kMsiexec + u"/x " + P},
      {"empty record, own arguments without token", record(u""), u"setup.exe /qb", P, 0, kMsiexec + u"/qb " + P},
      {"own arguments keep their trailing space", record(u""), u"setup.exe /q ", P, 0, kMsiexec + u"/q  " + P},
      {"own arguments keep their quotes", record(u""), u"setup.exe /i \"{package}\" TARGETDIR=\"C:\\A B\"", P, 0,
       kMsiexec + u"/i \"" + P + u"\" TARGETDIR=\"C:\\A B\""},
      {"quoted program name with spaces", record(u""), u"\"C:\\My Downloads\\setup.exe\"  /q", P, 0,
       kMsiexec + u"/q " + P},
      {"quote toggles inside the program name", record(u""), u"C:\\My\" \"Downloads\\setup.exe /q", P, 0,
       kMsiexec + u"/q " + P},
      {"arguments glued to a quoted name belong to it", record(u""), u"\"setup.exe\"/q", P, 0, kMsiexec + u"/i " + P},
      {"tabs after the program name", record(u""), u"setup.exe\t\t/q", P, 0, kMsiexec + u"/q " + P},
      {"path with a space, token", record(u"/i {package} /qn"), u"setup.exe", S, 0, kMsiexec + u"/i " + Q + u" /qn"},
      {"path with a space, no token", record(u"/qn"), u"setup.exe", S, 0, kMsiexec + u"/qn " + Q},
      {"path with a space, empty record", record(u""), u"setup.exe", S, 0, kMsiexec + u"/i " + Q},
      {"path with a space, own arguments", record(u""), u"setup.exe /x {package}", S, 0, kMsiexec + u"/x " + Q},
      {"path of 259 characters with a space is quoted", record(u"/i {package}"), u"setup.exe", kLongPath, 0,
       kMsiexec + u"/i \"" + kLongPath + u"\""},
      {"record of 259 characters composes in full", record(k259), u"setup.exe", P, 0, kMsiexec + k259 + u" " + P},
      {"line far beyond 259 characters", record(kTokens), u"setup.exe", S, 0,
       kMsiexec + repeat(Q + u" ", 25) + u"/qn"},
      {"line of 32766 characters fits", record(u""), kFits, P, 0,
       kMsiexec + repeat(u"a", kFill) + u" " + P},
      {"line of 32767 characters is refused", record(u""), kOneOver, P, launcher::kCommandLineTooLong, u""},
      {"substitution beyond the limit is refused", record(u""), u"setup.exe " + repeat(u"{package}", 3000), P,
       launcher::kCommandLineTooLong, u""},
      {"record without terminator is refused", std::vector<char16_t>(262, u'a'), u"setup.exe", P,
       win32::kInvalidData, u""},
      {"record shorter than 524 bytes", std::vector<char16_t>{u'/', u'q', 0}, u"setup.exe", P, 0,
       kMsiexec + u"/q " + P},
  };
  return table;
}

TEST(LauncherCommandLine, ComposesEveryRowOfTheTable) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    std::vector<char16_t> line(launcher::kCommandLineUnits, u'#');
    launcher::Text text{};
    win32::Error error = launcher::readArgumentRecord(c.record.data(), c.record.size(), &text);
    if (error == win32::kSuccess) {
      error = launcher::prepareCommandLine(text, c.processCommandLine.c_str(), c.tempPath.c_str(), line.data(),
                                           line.size());
    }
    EXPECT_EQ(error, c.error);
    if (error != win32::kSuccess) continue;
    const u16string composed(line.data());
    EXPECT_EQ(composed, c.expected) << narrow(composed);
    // Nothing is written after the terminator.
    for (size_t i = composed.size() + 1; i < line.size(); ++i) {
      ASSERT_EQ(line[i], u'#') << "unit " << i;
    }
  }
}

}  // namespace
