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

// The encoding the XML declaration at the start of `text` names, or "" without one.
std::string declaredEncoding(std::string_view text) {
  if (text.substr(0, 5) != "<?xml") return {};
  const size_t end = text.find("?>");
  const std::string_view declaration = text.substr(0, end);
  const size_t key = declaration.find("encoding");
  if (key == std::string_view::npos) return {};
  size_t i = declaration.find_first_not_of(" \t\r\n", key + 8);
  if (i == std::string_view::npos || declaration[i] != '=') return "?";
  i = declaration.find_first_not_of(" \t\r\n", i + 1);
  if (i == std::string_view::npos || (declaration[i] != '"' && declaration[i] != '\'')) return "?";
  const size_t close = declaration.find(declaration[i], i + 1);
  if (close == std::string_view::npos) return "?";
  std::string name(declaration.substr(i + 1, close - i - 1));
  for (char& c : name) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return name;
}

// A project file needs no document type, and only a document type can declare entities or name
// external ones; refusing it takes every entity expansion and every fetch off the table. The
// text is either UTF-16 with a byte-order mark or in UTF-8, US-ASCII, ISO-8859-1 or
// windows-1252 without a NUL byte; anything else (UTF-16 without a byte-order mark, UCS-4,
// EBCDIC, UTF-7, ...) is refused too, so no spelling of the declaration escapes this search.
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
  // The document starts with markup, perhaps after white space, and is in one of the encodings
  // that write ASCII as ASCII byte for byte.
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos || text[first] != '<') return false;
  static constexpr std::string_view kEncodings[] = {"", "UTF-8", "US-ASCII", "ISO-8859-1", "WINDOWS-1252"};
  const std::string encoding = declaredEncoding(text);
  if (std::find(std::begin(kEncodings), std::end(kEncodings), encoding) == std::end(kEncodings)) return false;
  return !contains(text, "<!DOCTYPE");
}

}  // namespace

win32::Error parseXmlDocument(std::string_view bytes, XmlNode& documentElement) {
  if (!acceptableBytes(bytes)) return win32::kInvalidData;
  return parseXmlWithSystemParser(bytes, documentElement);
}

}  // namespace platform
