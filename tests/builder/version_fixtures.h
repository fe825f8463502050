// Small builders for the tests: version blocks node by node, and icon files.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace fixtures {

inline void putU16(std::string& out, uint16_t v) {
  out.push_back(char(v & 0xFF));
  out.push_back(char(v >> 8));
}
inline void putU32(std::string& out, uint32_t v) {
  putU16(out, uint16_t(v));
  putU16(out, uint16_t(v >> 16));
}
inline void pad4(std::string& out) {
  while (out.size() % 4) out.push_back('\0');
}

// One node of a version block. Its value is given as bytes; wValueLength is given explicitly,
// so tests can also make it disagree with the value.
struct VersionNode {
  std::u16string key;
  uint16_t wType = 1;
  uint16_t wValueLength = 0;
  std::string value;
  std::vector<VersionNode> children;

  // Written at `out.size()`, which must be a multiple of 4 (offsets count from the block's
  // start).
  void write(std::string& out) const {
    const size_t start = out.size();
    putU16(out, 0);
    putU16(out, wValueLength);
    putU16(out, wType);
    for (char16_t c : key) putU16(out, c);
    putU16(out, 0);
    pad4(out);
    out += value;
    for (const VersionNode& child : children) {
      pad4(out);
      child.write(out);
    }
    const size_t length = out.size() - start;
    out[start] = char(length & 0xFF);
    out[start + 1] = char(length >> 8);
  }
};

inline std::string utf16Bytes(const std::u16string& text, size_t units) {
  std::string out;
  for (size_t i = 0; i < units; ++i) putU16(out, i < text.size() ? text[i] : 0);
  return out;
}

inline VersionNode stringNode(const std::u16string& key, const std::u16string& text, size_t units) {
  return {key, 1, uint16_t(units), utf16Bytes(text, units), {}};
}

inline std::string fixedPart(uint32_t fileMs, uint32_t fileLs, uint32_t productMs, uint32_t productLs) {
  std::string out;
  for (uint32_t v : {0xFEEF04BDu, 0x00010000u, fileMs, fileLs, productMs, productLs, 0x3Fu, 0x28u, 0x4u,
                     0x1u, 0u, 0u, 0u}) {
    putU32(out, v);
  }
  return out;
}

inline const std::vector<std::u16string>& templateKeys() {
  static const std::vector<std::u16string> keys = {
      u"Comments",        u"CompanyName",      u"FileDescription", u"FileVersion",
      u"InternalName",    u"LegalCopyright",   u"LegalTrademarks", u"OriginalFilename",
      u"PrivateBuild",    u"ProductName",      u"ProductVersion",  u"SpecialBuild"};
  return keys;
}

inline VersionNode stringTable(const std::u16string& name, const std::vector<VersionNode>& strings) {
  return {name, 1, 0, {}, strings};
}

// The root with the given string tables and translations (language | code page << 16).
inline std::string versionBlock(const std::vector<VersionNode>& tables, const std::vector<uint32_t>& translations,
                                const std::string& fixed = fixedPart(0x00010000, 1, 0x00010000, 1)) {
  std::string array;
  for (uint32_t t : translations) putU32(array, t);
  VersionNode root{u"VS_VERSION_INFO", 0, uint16_t(fixed.size()), fixed, {}};
  root.children.push_back({u"StringFileInfo", 1, 0, {}, tables});
  root.children.push_back(
      {u"VarFileInfo", 1, 0, {}, {{u"Translation", 0, uint16_t(array.size()), array, {}}}});
  std::string out;
  root.write(out);
  return out;
}

// The launcher template's block: twelve strings of 83 "=" and a terminator in the table
// "040904b0", one translation 0x0409 / 0x04B0, versions 1.0.0.1. 2644 bytes.
inline std::string templateBlock() {
  std::vector<VersionNode> strings;
  for (const auto& key : templateKeys()) strings.push_back(stringNode(key, std::u16string(83, u'='), 84));
  return versionBlock({stringTable(u"040904b0", strings)}, {0x04B00409});
}

// An icon file: the header, the directory and the images in order, each entry's offset and
// size filled in from its image unless given.
struct IconImage {
  uint8_t width = 32, height = 32, colours = 0, reserved = 0;
  uint16_t planes = 1, bitCount = 32;
  std::string bytes;
};
inline std::string iconFile(const std::vector<IconImage>& images, uint16_t reserved = 0, uint16_t type = 1) {
  std::string out;
  putU16(out, reserved);
  putU16(out, type);
  putU16(out, uint16_t(images.size()));
  uint32_t offset = uint32_t(6 + 16 * images.size());
  for (const IconImage& image : images) {
    out.push_back(char(image.width));
    out.push_back(char(image.height));
    out.push_back(char(image.colours));
    out.push_back(char(image.reserved));
    putU16(out, image.planes);
    putU16(out, image.bitCount);
    putU32(out, uint32_t(image.bytes.size()));
    putU32(out, offset);
    offset += uint32_t(image.bytes.size());
  }
  for (const IconImage& image : images) out += image.bytes;
  return out;
}

}  // namespace fixtures

namespace fixtures {

// A 32-bit device-independent icon image of `size` by `size` pixels in one colour: the
// bitmap header (height doubled for the mask), the colour rows, the mask rows.
inline std::string dibImage(uint32_t size, uint32_t argb) {
  std::string out;
  const uint32_t maskRow = ((size + 31) / 32) * 4;
  putU32(out, 40);
  putU32(out, size);
  putU32(out, size * 2);
  putU16(out, 1);
  putU16(out, 32);
  putU32(out, 0);
  putU32(out, size * size * 4 + maskRow * size);
  for (int i = 0; i < 4; ++i) putU32(out, 0);
  for (uint32_t i = 0; i < size * size; ++i) putU32(out, argb);
  out.append(size_t(maskRow) * size, '\0');
  return out;
}

inline uint32_t crc32(const std::string& data) {
  uint32_t crc = 0xFFFFFFFF;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
  }
  return ~crc;
}

inline void putU32be(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(char((v >> shift) & 0xFF));
}

inline void pngChunk(std::string& out, const char* type, const std::string& data) {
  putU32be(out, uint32_t(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  putU32be(out, crc32(body));
}

// A PNG image of `size` by `size` RGBA pixels in one colour, its pixel data in stored
// (uncompressed) deflate blocks: what an icon holds for its 256-pixel image.
inline std::string pngImage(uint32_t size, uint32_t rgba) {
  std::string raw;
  for (uint32_t y = 0; y < size; ++y) {
    raw.push_back('\0');  // no filter
    for (uint32_t x = 0; x < size; ++x) putU32be(raw, rgba);
  }
  std::string z = "\x78\x01";
  for (size_t at = 0; at < raw.size();) {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    z.push_back(at + n == raw.size() ? '\1' : '\0');
    putU16(z, uint16_t(n));
    putU16(z, uint16_t(~n));
    z.append(raw, at, n);
    at += n;
  }
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  putU32be(z, b << 16 | a);
  std::string out = "\x89PNG\r\n\x1a\n";
  std::string header;
  putU32be(header, size);
  putU32be(header, size);
  header += std::string("\x08\x06\x00\x00\x00", 5);
  pngChunk(out, "IHDR", header);
  pngChunk(out, "IDAT", z);
  pngChunk(out, "IEND", "");
  return out;
}

// Four 32-bit images of 16, 24, 32 and 48 pixels, each in its own colour.
inline std::vector<IconImage> fourImages() {
  return {{16, 16, 0, 0, 1, 32, dibImage(16, 0xFF0000FF)},
          {24, 24, 0, 0, 1, 32, dibImage(24, 0xFF00FF00)},
          {32, 32, 0, 0, 1, 32, dibImage(32, 0xFFFF0000)},
          {48, 48, 0, 0, 1, 32, dibImage(48, 0xFF808080)}};
}

}  // namespace fixtures
