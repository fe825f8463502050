// What every build refuses before its parser sees the bytes.
#include <algorithm>
#include <array>

#include "xml_document.h"

namespace platform {

win32::Error parseXmlWithSystemParser(std::string_view bytes, XmlNode& documentElement);

namespace {

bool contains(std::string_view bytes, std::string_view needle) {
  return std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end()) != bytes.end();
}

std::string widen(std::string_view ascii, bool bigEndian) {
  std::string out;
  for (char c : ascii) {
    if (bigEndian) out.push_back('\0');
    out.push_back(c);
    if (!bigEndian) out.push_back('\0');
  }
  return out;
}

// A project file needs no document type, and only a document type can declare entities or name
// external ones; refusing it takes every entity expansion and every fetch off the table. The
// text is either UTF-16 with a byte-order mark or in an encoding that writes ASCII as ASCII and
// holds no NUL byte; anything else (UTF-16 without a byte-order mark, UCS-4, EBCDIC) is refused
// too, so no spelling of the declaration escapes this search.
bool acceptableBytes(std::string_view bytes) {
  const bool utf16le = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  const bool utf16be = bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF';
  if (utf16le || utf16be) {
    if (bytes.size() % 2 != 0) return false;
    return !contains(bytes, widen("<!DOCTYPE", utf16be));
  }
  if (bytes.find('\0') != std::string_view::npos) return false;
  std::string_view text = bytes;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  // The document starts with markup, perhaps after white space.
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos || text[first] != '<') return false;
  return !contains(text, "<!DOCTYPE");
}

}  // namespace

win32::Error parseXmlDocument(std::string_view bytes, XmlNode& documentElement) {
  if (!acceptableBytes(bytes)) return win32::kInvalidData;
  return parseXmlWithSystemParser(bytes, documentElement);
}

}  // namespace platform
