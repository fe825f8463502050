// The project file: a small XML file that holds one project record.
//
// As written:
//   <?xml version="1.0" encoding="UTF-8"?>CR LF
//   <Settings CompactMode="1">CR LF
//   TAB<Exe CompactMode="1" ProductName="..." .../>CR LF
//   </Settings>CR LF
// with one attribute of Exe for each field that is not empty, in field order, its value escaped
// twice: first backslash, line feed, carriage return and tab become \\, \n, \r and \t, then the
// XML references for "&", "<" and the quotation mark.
//
// As read: a Settings document element whose CompactMode (read as wcstol reads it) selects the
// fields as attributes of its first Exe child when not zero, as the text of Exe's child elements
// otherwise; anything missing reads as empty; another document element, or no Exe, empties every
// field.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "file_dialogs.h"
#include "project_settings.h"
#include "recent_file.h"
#include "win32_error.h"
#include "xml_document.h"

namespace projectfile {

// A larger file is refused on loading, and a record that would need one is refused on saving.
inline constexpr uint64_t kMaxProjectFileSize = 4u << 20;

inline constexpr char16_t kFilter[] = u"Text (XML) (*.xml)|*.xml|All Files (*.*)|*.*||";
inline constexpr char16_t kDefaultExtension[] = u"xml";

// The escapes of a value in the file, and their inverse (applied only to text that holds a
// backslash).
std::u16string EscapeValue(std::u16string_view value);
std::u16string UnescapeValue(std::u16string_view text);

// The bytes of the project file for `record`. kInvalidData when a field holds a character that
// XML 1.0 cannot carry (a control character other than tab, line feed and carriage return, an
// unpaired surrogate, U+FFFE or U+FFFF); kFileTooLarge beyond kMaxProjectFileSize.
win32::Error ComposeProjectFile(const CProjectSettings& record, std::string& bytes);

// The indentation pass: puts every start tag, and every end tag that directly follows another
// tag, on a line of its own (CR LF), indented by one TAB per element open around it, and ends
// the text with CR LF. Line breaks and tabs that stood between those tags are dropped.
std::string IndentXml(std::string_view bytes);

// Reads and parses the project file at `path`: kFileNotFound / kPathNotFound when nothing is
// there, kAccessDenied for a folder, kFileTooLarge beyond kMaxProjectFileSize, kInvalidData when
// it is not well-formed XML (or is refused by the XML layer).
win32::Error ReadProjectDocument(std::u16string_view path, platform::XmlNode& documentElement);
win32::Error ParseProjectDocument(std::string_view bytes, platform::XmlNode& documentElement);

// Assigns all fifteen fields of `record` from a parsed project file by the reading rules.
void AssignFromDocument(const platform::XmlNode& documentElement, CProjectSettings& record);

// The recent-file store and the file dialogs the project file operations use; nullptr puts back
// the system's.
void SetRecentFileStore(platform::RecentFileStore* store);
void SetFileDialogs(platform::FileDialogs* dialogs);
platform::RecentFileStore& RecentFileStore();

}  // namespace projectfile
