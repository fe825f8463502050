#include "project_file.h"

#include "file.h"
#include "prop_exchange.h"
#include "text.h"

namespace projectfile {
namespace {

platform::RecentFileStore* recentFileStore = nullptr;
platform::FileDialogs* fileDialogs = nullptr;

platform::FileDialogs& Dialogs() { return fileDialogs ? *fileDialogs : platform::systemFileDialogs(); }

// Storing: takes each non-empty field as an attribute of Exe.
class CStoreExchange : public CPropExchange {
 public:
  bool IsLoading() const override { return false; }
  void ExchangeString(const char16_t* name, std::u16string& value, const char16_t*) override {
    if (!value.empty()) {
      attributes.emplace_back(name, &value);
      units += value.size();
    }
  }
  std::vector<std::pair<std::u16string, const std::u16string*>> attributes;
  size_t units = 0;
};

// Loading: each field from Exe (or its default when Exe or the field is missing).
class CLoadExchange : public CPropExchange {
 public:
  CLoadExchange(const platform::XmlNode* exe, bool attributeForm) : exe_(exe), attributeForm_(attributeForm) {}
  bool IsLoading() const override { return true; }
  void ExchangeString(const char16_t* name, std::u16string& value, const char16_t* defaultValue) override {
    const std::u16string* found = nullptr;
    std::u16string content;
    if (exe_ && attributeForm_) {
      for (const auto& [attribute, text] : exe_->attributes) {
        if (attribute == name) {
          found = &text;
          break;
        }
      }
    } else if (exe_) {
      if (const platform::XmlNode* element = FirstChildElement(*exe_, name)) {
        content = TextContent(*element);
        found = &content;
      }
    }
    if (!found) {
      value = defaultValue;
    } else if (!found->empty() && found->find(u'\\') != std::u16string::npos) {
      value = UnescapeValue(*found);
    } else {
      value = *found;
    }
  }

  static const platform::XmlNode* FirstChildElement(const platform::XmlNode& parent, std::u16string_view name) {
    for (const platform::XmlNode& child : parent.children) {
      if (child.kind == platform::XmlNode::Kind::Element && child.name == name) return &child;
    }
    return nullptr;
  }

  // The text of every text node under `element`, in document order.
  static std::u16string TextContent(const platform::XmlNode& element) {
    std::u16string out;
    AppendText(element, out);
    return out;
  }

 private:
  static void AppendText(const platform::XmlNode& node, std::u16string& out) {
    if (node.kind == platform::XmlNode::Kind::Text) {
      out += node.text;
      return;
    }
    for (const platform::XmlNode& child : node.children) AppendText(child, out);
  }

  const platform::XmlNode* exe_;
  bool attributeForm_;
};

// The integer wcstol would read from `s` in base 10, as far as telling zero from non-zero:
// leading white space, an optional sign, then digits up to the first other character.
bool NonZeroInteger(std::u16string_view s) {
  size_t i = 0;
  while (i < s.size() && text::isSpace(s[i])) ++i;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) ++i;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
    if (s[i] != u'0') return true;  // any value beyond the range of long reads as LONG_MAX or LONG_MIN
  }
  return false;
}

bool XmlCharacters(std::u16string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0D) return false;
    if (c == 0xFFFE || c == 0xFFFF) return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

void AppendAttribute(std::string& out, std::u16string_view name, std::u16string_view value) {
  out += ' ';
  out += text::toUtf8(name);
  out += "=\"";
  for (char c : text::toUtf8(value)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c; break;
    }
  }
  out += '"';
}

}  // namespace

std::u16string EscapeValue(std::u16string_view value) {
  std::u16string s = text::replaceAll(value, u"\\", u"\\\\");
  s = text::replaceAll(s, u"\n", u"\\n");
  s = text::replaceAll(s, u"\r", u"\\r");
  return text::replaceAll(s, u"\t", u"\\t");
}

std::u16string UnescapeValue(std::u16string_view escaped) {
  std::u16string s = text::replaceAll(escaped, u"\\\\", u"\x01\x01");
  s = text::replaceAll(s, u"\\n", u"\n");
  s = text::replaceAll(s, u"\\r", u"\r");
  s = text::replaceAll(s, u"\\t", u"\t");
  return text::replaceAll(s, u"\x01\x01", u"\\");
}

win32::Error ComposeProjectFile(const CProjectSettings& record, std::string& bytes) {
  CStoreExchange exchange;
  const_cast<CProjectSettings&>(record).ExchangeProperties(&exchange);  // storing reads only
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Settings CompactMode=\"1\"><Exe CompactMode=\"1\"";
  // Every unit takes at least one byte in the file.
  if (exchange.units > kMaxProjectFileSize) return win32::kFileTooLarge;
  for (const auto& [name, value] : exchange.attributes) {
    const std::u16string escaped = EscapeValue(*value);
    if (!XmlCharacters(escaped)) return win32::kInvalidData;
    AppendAttribute(out, name, escaped);
    if (out.size() > kMaxProjectFileSize) return win32::kFileTooLarge;
  }
  out += "/></Settings>";
  out = IndentXml(out);
  if (out.size() > kMaxProjectFileSize) return win32::kFileTooLarge;
  bytes = std::move(out);
  return win32::kSuccess;
}

std::string IndentXml(std::string_view in) {
  if (in.size() < 3) return std::string(in);
  std::string_view s = in;
  if (s[s.size() - 2] == '\r') s.remove_suffix(2);

  auto isRun = [](char c) { return c == '\r' || c == '\n' || c == '\t'; };
  auto newLine = [](std::string& out, size_t depth) {
    out += "\r\n";
    out.append(depth, '\t');
  };
  // The first two bytes open the declaration and are never indented.
  std::string out(s.substr(0, 2));
  size_t depth = 0;
  bool afterTag = false;  // the last byte before the current run ended a tag
  size_t i = 2;
  // Copies a tag from its "<" to its ">", quoted attribute values included, and tells whether
  // it ended with "/>".
  auto copyTag = [&](bool& empty) {
    char quote = 0;
    empty = false;
    while (i < s.size()) {
      const char c = s[i++];
      out += c;
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        empty = out.size() >= 2 && out[out.size() - 2] == '/';
        return;
      }
    }
  };
  // The declaration (or whatever stands first) runs to its first ">".
  {
    bool empty = false;
    copyTag(empty);
    afterTag = true;
  }
  while (i < s.size()) {
    size_t runEnd = i;
    while (runEnd < s.size() && isRun(s[runEnd])) ++runEnd;
    const bool tagFollows = runEnd < s.size() && s[runEnd] == '<';
    const bool startTag = tagFollows && runEnd + 1 < s.size() && s[runEnd + 1] != '/' && s[runEnd + 1] != '!' &&
                          s[runEnd + 1] != '?';
    const bool endTag = tagFollows && runEnd + 1 < s.size() && s[runEnd + 1] == '/';
    if (startTag) {
      i = runEnd;
      newLine(out, depth);
      bool empty = false;
      copyTag(empty);
      if (!empty) ++depth;
      afterTag = true;
    } else if (endTag) {
      if (depth > 0) --depth;
      if (afterTag) {
        i = runEnd;
        newLine(out, depth);
      } else {
        out.append(s.substr(i, runEnd - i));
        i = runEnd;
      }
      bool empty = false;
      copyTag(empty);
      afterTag = true;
    } else if (tagFollows) {
      // a comment, a processing instruction or a section: kept as it stands
      out.append(s.substr(i, runEnd - i));
      i = runEnd;
      bool empty = false;
      copyTag(empty);
      afterTag = true;
    } else {
      // text up to the next tag
      size_t next = s.find('<', runEnd);
      if (next == std::string_view::npos) next = s.size();
      out.append(s.substr(i, next - i));
      i = next;
      afterTag = false;
    }
  }
  out += "\r\n";
  return out;
}

win32::Error ParseProjectDocument(std::string_view bytes, platform::XmlNode& documentElement) {
  if (bytes.size() > kMaxProjectFileSize) return win32::kFileTooLarge;
  return platform::parseXmlDocument(bytes, documentElement);
}

win32::Error ReadProjectDocument(std::u16string_view path, platform::XmlNode& documentElement) {
  win32::Error error = win32::kSuccess;
  switch (platform::pathKind(path, &error)) {
    case platform::PathKind::Missing: return error ? error : win32::kFileNotFound;
    case platform::PathKind::Directory: return win32::kAccessDenied;
    case platform::PathKind::File: break;
  }
  std::string bytes;
  if (win32::Error e = platform::readWholeFile(path, bytes, kMaxProjectFileSize)) return e;
  return ParseProjectDocument(bytes, documentElement);
}

void AssignFromDocument(const platform::XmlNode& root, CProjectSettings& record) {
  const platform::XmlNode* exe = nullptr;
  bool attributeForm = false;
  if (root.kind == platform::XmlNode::Kind::Element && root.name == u"Settings") {
    for (const auto& [name, value] : root.attributes) {
      if (name == u"CompactMode") {
        attributeForm = NonZeroInteger(value);
        break;
      }
    }
    exe = CLoadExchange::FirstChildElement(root, u"Exe");
  }
  CLoadExchange exchange(exe, attributeForm);
  record.ExchangeProperties(&exchange);
}

void SetRecentFileStore(platform::RecentFileStore* store) { recentFileStore = store; }
void SetFileDialogs(platform::FileDialogs* dialogs) { fileDialogs = dialogs; }
platform::RecentFileStore& RecentFileStore() {
  return recentFileStore ? *recentFileStore : platform::systemRecentFileStore();
}

}  // namespace projectfile

bool CProjectSettings::LoadFromPath(const std::u16string& path) {
  platform::XmlNode root;
  if (projectfile::ReadProjectDocument(path, root)) return false;
  projectfile::AssignFromDocument(root, *this);
  // Tie the project to its file, so that a plain Save writes here and not to the file the
  // recent-file entry may still name.
  m_projectPath = path;
  return true;
}

bool CProjectSettings::Open(bool browse) {
  platform::RecentFileStore& store = projectfile::RecentFileStore();
  std::u16string path = store.Read();
  if (browse) {
    platform::FileDialogRequest request;
    request.save = false;
    request.initialFileName = u"*.xml";
    request.filter = projectfile::kFilter;
    request.defaultExtension = projectfile::kDefaultExtension;
    request.flags = platform::kOfnHideReadOnly;
    std::u16string chosen;
    if (!projectfile::Dialogs().ChooseFile(request, chosen)) return false;
    path = chosen;
  } else if (path.empty()) {
    return false;
  }
  platform::XmlNode root;
  if (projectfile::ReadProjectDocument(path, root)) return false;
  store.Write(path);
  projectfile::AssignFromDocument(root, *this);
  m_projectPath = path;
  return true;
}

bool CProjectSettings::Save(bool saveAs) {
  // The whole file is composed first: the record's later changes (the trimmed name) do not
  // reach it.
  std::string bytes;
  if (projectfile::ComposeProjectFile(*this, bytes)) return false;
  platform::RecentFileStore& store = projectfile::RecentFileStore();
  std::u16string target = m_projectPath.empty() ? store.Read() : m_projectPath;
  if (saveAs || target.empty()) {
    ProductName = text::trim(ProductName);
    platform::FileDialogRequest request;
    request.save = true;
    request.initialFileName = ProductName + u".xml";
    request.filter = projectfile::kFilter;
    request.defaultExtension = projectfile::kDefaultExtension;
    request.flags = platform::kOfnHideReadOnly | platform::kOfnOverwritePrompt;
    std::u16string chosen;
    if (!projectfile::Dialogs().ChooseFile(request, chosen)) return false;
    target = chosen;
  }
  // The new file replaces the old one only once it is complete: a failed save leaves the old
  // file as it was.
  if (platform::writeFileReplacing(target, bytes)) return false;
  store.Write(target);
  m_projectPath = target;
  return true;
}
