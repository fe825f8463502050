// The version-information block of a module (RT_VERSION), read and patched as bytes.
//
// Every node of the block has the same header, and every part of a node begins on a 32-bit
// boundary counted from the start of the block:
//   WORD  wLength       bytes of the node, its value and its children (no trailing padding)
//   WORD  wValueLength  value length: UTF-16 units for text nodes (terminator included),
//                       bytes for the others (the fixed part, a translation array)
//   WORD  wType         1 text, 0 binary
//   WCHAR szKey[]       zero-terminated
//   padding to 32 bits, value, padding to 32 bits, children
// The root is "VS_VERSION_INFO" with the 52-byte fixed part as its value; its children are
// "StringFileInfo" (string tables keyed "llllcccc", holding the strings) and "VarFileInfo"
// ("Translation": 32-bit entries, language in the low word, code page in the high word).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace versionblock {

// Where a value lies in the block.
struct Value {
  size_t offset = 0;  // from the start of the block
  size_t length = 0;  // UTF-16 units for a text value, bytes otherwise
  bool text = false;
  size_t bytes() const { return text ? length * 2 : length; }
};

// The root's wLength when the block holds a well-formed root (at least a header and a key
// inside the bytes given), else 0.
size_t blockLength(std::string_view block);

// Looks a value up by a path of keys separated by backslashes, compared without regard to
// ASCII case: "\" is the fixed part, "\VarFileInfo\Translation" the translation array,
// "\StringFileInfo\040904b0\ProductName" one string. The value is clamped to its node, so
// writing within it never reaches another node. False when a key is missing or a node on the
// way is damaged.
bool query(std::string_view block, std::u16string_view path, Value& out);

// A text value up to its first zero unit.
std::u16string readText(std::string_view block, const Value& value);

uint16_t readU16(std::string_view block, size_t offset);
uint32_t readU32(std::string_view block, size_t offset);
void writeU16(std::string& block, size_t offset, uint16_t value);
void writeU32(std::string& block, size_t offset, uint32_t value);

// The four-digit lower- or upper-case hexadecimal text of `value`.
std::u16string hex4(uint16_t value, bool upper);

// One string of the block as the version reader finds it: with exactly one translation, the
// string table of that language and code page; otherwise the table of `userLanguage` with
// the code page 0x04B0. Empty when the key is not there.
std::u16string findString(std::string_view block, std::u16string_view key, uint16_t userLanguage);

}  // namespace versionblock
