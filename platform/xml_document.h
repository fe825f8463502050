// The XML document layer: parses the bytes of a small XML file into an owned tree. libxml2 on
// Linux, the MSXML DOM document (COM) on Windows. Everything the project file does with the
// tree (its reading rules, composing and writing files) is portable code above this layer.
//
// The input is untrusted: the parsers fetch nothing (no network, no external entity, no DTD)
// and expand no entities beyond the predefined ones and character references. A document that
// declares a document type is refused, and so is one nested deeper than kMaxXmlDepth.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "win32_error.h"

namespace platform {

struct XmlNode {
  enum class Kind { Element, Text };
  Kind kind = Kind::Element;
  // Element: its name, attributes in document order and child elements and text (text and
  // CDATA sections; comments and processing instructions are left out).
  std::u16string name;
  std::vector<std::pair<std::u16string, std::u16string>> attributes;
  std::vector<XmlNode> children;
  // Text: its characters.
  std::u16string text;
};

inline constexpr size_t kMaxXmlDepth = 256;

// Parses `bytes` (a whole file, in whatever encoding its byte-order mark or XML declaration
// names; white space kept as written) into `documentElement`. kInvalidData when the bytes are not
// well-formed XML or are refused as above; another code when the parser cannot be created or
// runs out of memory. `documentElement` is only assigned on success.
win32::Error parseXmlDocument(std::string_view bytes, XmlNode& documentElement);

}  // namespace platform
