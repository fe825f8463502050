#include "version_block.h"

#include <algorithm>

namespace versionblock {
namespace {

size_t align4(size_t offset) { return (offset + 3) & ~size_t{3}; }

// One node, every field checked against the bytes that hold it.
struct Node {
  size_t start = 0;
  size_t end = 0;  // start + wLength
  uint16_t wValueLength = 0;
  uint16_t wType = 0;
  size_t keyStart = 0;
  size_t keyUnits = 0;  // without the terminator
  size_t valueStart = 0;
  size_t valueBytes = 0;  // clamped to the node
  size_t childrenStart = 0;
};

bool parseNode(std::string_view block, size_t start, size_t limit, Node& node) {
  if (start > limit || limit - start < 6 || limit > block.size()) return false;
  const size_t wLength = readU16(block, start);
  if (wLength < 6 || wLength > limit - start) return false;
  node.start = start;
  node.end = start + wLength;
  node.wValueLength = readU16(block, start + 2);
  node.wType = readU16(block, start + 4);
  node.keyStart = start + 6;
  size_t at = node.keyStart;
  for (;;) {
    if (node.end - at < 2) return false;  // no terminator inside the node
    if (readU16(block, at) == 0) break;
    at += 2;
  }
  node.keyUnits = (at - node.keyStart) / 2;
  node.valueStart = std::min(align4(at + 2), node.end);
  const size_t declared = node.wType == 1 ? size_t{node.wValueLength} * 2 : node.wValueLength;
  node.valueBytes = std::min(declared, node.end - node.valueStart);
  if (node.wType == 1) node.valueBytes &= ~size_t{1};
  node.childrenStart = std::min(align4(node.valueStart + declared), node.end);
  return true;
}

char16_t asciiFold(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

bool keyEquals(std::string_view block, const Node& node, std::u16string_view key) {
  if (node.keyUnits != key.size()) return false;
  for (size_t i = 0; i < key.size(); ++i) {
    if (asciiFold(readU16(block, node.keyStart + 2 * i)) != asciiFold(key[i])) return false;
  }
  return true;
}

bool findChild(std::string_view block, const Node& parent, std::u16string_view key, Node& out) {
  size_t at = parent.childrenStart;
  // Every child takes at least 6 bytes, so the walk ends.
  while (at < parent.end) {
    Node child;
    if (!parseNode(block, at, parent.end, child)) return false;
    if (keyEquals(block, child, key)) {
      out = child;
      return true;
    }
    at = align4(child.end);
  }
  return false;
}

}  // namespace

uint16_t readU16(std::string_view block, size_t offset) {
  return uint16_t(uint8_t(block[offset]) | uint8_t(block[offset + 1]) << 8);
}

uint32_t readU32(std::string_view block, size_t offset) {
  return uint32_t(readU16(block, offset)) | uint32_t(readU16(block, offset + 2)) << 16;
}

void writeU16(std::string& block, size_t offset, uint16_t value) {
  block[offset] = char(value & 0xFF);
  block[offset + 1] = char(value >> 8);
}

void writeU32(std::string& block, size_t offset, uint32_t value) {
  writeU16(block, offset, uint16_t(value));
  writeU16(block, offset + 2, uint16_t(value >> 16));
}

size_t blockLength(std::string_view block) {
  Node root;
  if (!parseNode(block, 0, block.size(), root)) return 0;
  return root.end;
}

bool query(std::string_view block, std::u16string_view path, Value& out) {
  Node node;
  if (!parseNode(block, 0, block.size(), node)) return false;
  while (!path.empty()) {
    const size_t first = path.find_first_not_of(u'\\');
    if (first == std::u16string_view::npos) break;
    path.remove_prefix(first);
    const size_t stop = std::min(path.find(u'\\'), path.size());
    if (!findChild(block, node, path.substr(0, stop), node)) return false;
    path.remove_prefix(stop);
  }
  out.offset = node.valueStart;
  out.text = node.wType == 1;
  out.length = out.text ? node.valueBytes / 2 : node.valueBytes;
  return true;
}

std::u16string readText(std::string_view block, const Value& value) {
  std::u16string out;
  for (size_t i = 0; i < value.length; ++i) {
    const char16_t unit = readU16(block, value.offset + 2 * i);
    if (unit == 0) break;
    out.push_back(unit);
  }
  return out;
}

std::u16string hex4(uint16_t value, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::u16string out;
  for (int shift = 12; shift >= 0; shift -= 4) out.push_back(char16_t(digits[(value >> shift) & 0xF]));
  return out;
}

std::u16string findString(std::string_view block, std::u16string_view key, uint16_t userLanguage) {
  std::u16string path = u"\\StringFileInfo\\";
  Value translation;
  if (query(block, u"\\VarFileInfo\\Translation", translation) && translation.length == 4) {
    // Language, then code page, each as four upper-case hexadecimal digits.
    path += hex4(readU16(block, translation.offset), true);
    path += hex4(readU16(block, translation.offset + 2), true);
  } else {
    // No translation, or several: the user's language, assuming UTF-16.
    path += hex4(userLanguage, true);
    path += u"04B0";
  }
  path += u'\\';
  path += key;
  Value value;
  if (!query(block, path, value)) return {};
  if (!value.text) {  // a string node marked binary: its length counts bytes
    value.length /= 2;
    value.text = true;
  }
  return readText(block, value);
}

}  // namespace versionblock
