#include "text.h"

namespace text {

std::u16string asciiLower(std::u16string_view s) {
  std::u16string out(s);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return out;
}

namespace {

char16_t foldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

template <typename Equal>
std::u16string replaceAllWith(std::u16string_view s, std::u16string_view from, std::u16string_view to,
                              Equal equal) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    if (!from.empty() && s.size() - i >= from.size() && equal(s.substr(i, from.size()), from)) {
      out.append(to);
      i += from.size();
    } else {
      out.push_back(s[i]);
      ++i;
    }
  }
  return out;
}

}  // namespace

std::u16string replaceAll(std::u16string_view s, std::u16string_view from, std::u16string_view to) {
  return replaceAllWith(s, from, to, [](std::u16string_view a, std::u16string_view b) { return a == b; });
}

std::u16string replaceAllAsciiNoCase(std::u16string_view s, std::u16string_view from,
                                     std::u16string_view to) {
  return replaceAllWith(s, from, to, [](std::u16string_view a, std::u16string_view b) {
    for (size_t k = 0; k < a.size(); ++k) {
      if (foldAscii(a[k]) != foldAscii(b[k])) return false;
    }
    return true;
  });
}

bool isSpace(char16_t c) { return c == u' ' || (c >= 0x09 && c <= 0x0D); }

std::u16string trim(std::u16string_view s) {
  size_t begin = 0, end = s.size();
  while (begin < end && isSpace(s[begin])) ++begin;
  while (end > begin && isSpace(s[end - 1])) --end;
  return std::u16string(s.substr(begin, end - begin));
}

std::u16string trimRight(std::u16string_view s) {
  size_t end = s.size();
  while (end > 0 && isSpace(s[end - 1])) --end;
  return std::u16string(s.substr(0, end));
}

std::string toUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::u16string fromUtf8(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    uint32_t cp = 0xFFFD;
    size_t length = 1;
    auto continuation = [&](size_t k) {
      return i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    };
    auto bits = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(s[i + k]) & 0x3F); };
    if (b0 < 0x80) {
      cp = b0;
    } else if (b0 >= 0xC2 && b0 < 0xE0 && continuation(1)) {
      cp = ((b0 & 0x1Fu) << 6) | bits(1);
      length = 2;
    } else if (b0 >= 0xE0 && b0 < 0xF0 && continuation(1) && continuation(2)) {
      cp = ((b0 & 0x0Fu) << 12) | (bits(1) << 6) | bits(2);
      length = 3;
      if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    } else if (b0 >= 0xF0 && b0 < 0xF5 && continuation(1) && continuation(2) && continuation(3)) {
      cp = ((b0 & 0x07u) << 18) | (bits(1) << 12) | (bits(2) << 6) | bits(3);
      length = 4;
      if (cp < 0x10000 || cp > 0x10FFFF) cp = 0xFFFD;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += length;
  }
  return out;
}

}  // namespace text
