// One program, built for Linux and for Windows, that lets a script compare what the two builds
// make of the same input:
//   project_crosscheck save DIR          writes every record of the table to DIR/<name>.xml
//   project_crosscheck load FILE...      loads each file and prints the record
//   project_crosscheck import PACKAGE... imports each package into a fixed record and prints it
//   project_crosscheck recent-write PATH | recent-read | recent-delete
//                                        the system's recent-file entry
// Records print as one line per field, UTF-8, with every unit outside printable ASCII (and the
// backslash) written as \uXXXX, so the outputs compare as text.
#include <cstdio>
#include <string>
#include <vector>

#include "project_file.h"
#include "record_table.h"
#include "text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

class FixedStore : public platform::RecentFileStore {
 public:
  std::u16string Read() override { return path; }
  void Write(std::u16string_view p) override { path = p; }
  void Delete() override { path.clear(); }
  std::u16string path;
};

void Print(const std::string& s) { fwrite(s.data(), 1, s.size(), stdout); }

std::string Quote(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) {
    if (c >= 0x20 && c < 0x7F && c != u'\\') {
      out += static_cast<char>(c);
    } else {
      char buffer[8];
      snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  return out;
}

void PrintRecord(const CProjectSettings& r, bool withInstallerPath) {
  for (const auto& [name, value] : projecttest::Fields(r)) {
    if (!withInstallerPath && std::string(name) == "InstallerPath") continue;
    Print(std::string("  ") + name + "=" + Quote(*value) + "\n");
  }
}

std::u16string BaseName(const std::u16string& path) {
  const size_t slash = path.find_last_of(u"/\\");
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

std::u16string Join(const std::u16string& dir, const std::string& name) {
#ifdef _WIN32
  return dir + u"\\" + text::fromUtf8(name);
#else
  return dir + u"/" + text::fromUtf8(name);
#endif
}

int Run(const std::vector<std::u16string>& args) {
  if (args.size() < 2) return 2;
  const std::u16string& command = args[1];
  if (command == u"save" && args.size() == 3) {
    FixedStore store;
    projectfile::SetRecentFileStore(&store);
    int failures = 0;
    for (auto& [name, record] : projecttest::CrossCheckRecords()) {
      store.path = Join(args[2], name + ".xml");
      if (!record.Save(false)) {
        Print("save failed: " + name + "\n");
        ++failures;
      }
    }
    return failures ? 1 : 0;
  }
  if (command == u"load") {
    for (size_t i = 2; i < args.size(); ++i) {
      CProjectSettings record;
      record.ProductName = u"(untouched)";
      const bool loaded = record.LoadFromPath(args[i]);
      Print(text::toUtf8(BaseName(args[i])) + (loaded ? " loaded\n" : " failed\n"));
      PrintRecord(record, true);
    }
    return 0;
  }
  if (command == u"import") {
    for (size_t i = 2; i < args.size(); ++i) {
      CProjectSettings record;
      record.ProductName = u"previous name";
      record.Comments = u"previous comment";
      record.IconPath = u"previous.ico";
      record.InstallArgs = u"/qb";
      record.InstallerPath = args[i];
      const uint32_t result = record.ImportFromPackage();
      Print(text::toUtf8(BaseName(args[i])) + " result " + std::to_string(result) + "\n");
      PrintRecord(record, false);
    }
    return 0;
  }
  if (command == u"recent-write" && args.size() == 3) {
    platform::systemRecentFileStore().Write(args[2]);
    return 0;
  }
  if (command == u"recent-read") {
    Print("[" + text::toUtf8(platform::systemRecentFileStore().Read()) + "]\n");
    return 0;
  }
  if (command == u"recent-delete") {
    platform::systemRecentFileStore().Delete();
    return 0;
  }
  return 2;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::u16string> args;
  for (int i = 0; i < argc; ++i) args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
  return Run(args);
}
#else
int main(int argc, char** argv) {
  std::vector<std::u16string> args;
  for (int i = 0; i < argc; ++i) args.push_back(text::fromUtf8(argv[i]));
  return Run(args);
}
#endif
