#include "file_version_info.h"

#include "project_settings.h"
#include "text.h"

const VersionStringField kVersionStringFields[12] = {
    {u"Comments", &CProjectSettings::Comments},
    {u"CompanyName", &CProjectSettings::CompanyName},
    {u"FileDescription", &CProjectSettings::FileDescription},
    {u"FileVersion", &CProjectSettings::FileVersion},
    {u"InternalName", &CProjectSettings::InternalName},
    {u"LegalCopyright", &CProjectSettings::LegalCopyright},
    {u"LegalTrademarks", &CProjectSettings::LegalTrademarks},
    {u"OriginalFilename", &CProjectSettings::OriginalFilename},
    {u"PrivateBuild", &CProjectSettings::PrivateBuild},
    {u"ProductName", &CProjectSettings::ProductName},
    {u"ProductVersion", &CProjectSettings::ProductVersion},
    {u"SpecialBuild", &CProjectSettings::SpecialBuild},
};

namespace {

// One "%d" of the C library's formatted input: white space skipped, an optional sign, then
// decimal digits (at least one). The value is taken modulo 2^32, so its low 16 bits are the
// number's remainder of the division by 65536 however long it is.
bool scanNumber(std::u16string_view text, size_t& at, uint32_t& value) {
  while (at < text.size() && text::isSpace(text[at])) ++at;
  size_t pos = at;
  bool negative = false;
  if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
    negative = text[pos] == u'-';
    ++pos;
  }
  if (pos >= text.size() || text[pos] < u'0' || text[pos] > u'9') return false;
  uint32_t number = 0;
  while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
    number = number * 10 + uint32_t(text[pos] - u'0');
    ++pos;
  }
  value = negative ? 0u - number : number;
  at = pos;
  return true;
}

}  // namespace

bool CFileVersionInfo::ParseVersion(std::u16string_view text, uint32_t words[2]) {
  uint32_t numbers[4] = {0, 0, 0, 0};
  size_t at = 0;
  int read = 0;
  while (read < 4) {
    if (read > 0) {
      // The dot must follow the number directly.
      if (at >= text.size() || text[at] != u'.') break;
      ++at;
    }
    if (!scanNumber(text, at, numbers[read])) break;
    ++read;
  }
  if (read == 0) return false;
  words[0] = (numbers[0] & 0xFFFF) << 16 | (numbers[1] & 0xFFFF);
  words[1] = (numbers[2] & 0xFFFF) << 16 | (numbers[3] & 0xFFFF);
  return true;
}

// The piece before the first comma is followed by a dot, and every later piece loses the white
// space after its comma. The later pieces are joined with dots as well, so "1, 2, 3, 4" (the
// way resource compilers write version numbers) reads "1.2.3.4", as the dotted strings do.
std::u16string CFileVersionInfo::FormatVersion(std::u16string_view input) {
  if (input.empty()) return {};
  const std::u16string text = text::trimRight(input);
  if (text.find(u',') == std::u16string::npos) return text;
  std::u16string out;
  size_t at = 0;
  bool first = true;
  for (;;) {
    const size_t comma = text.find(u',', at);
    if (!first) {
      out += u'.';
      while (at < text.size() && at != comma && text::isSpace(text[at])) ++at;
    }
    out.append(text, at, (comma == std::u16string::npos ? text.size() : comma) - at);
    if (comma == std::u16string::npos) break;
    at = comma + 1;
    first = false;
  }
  return out;
}
