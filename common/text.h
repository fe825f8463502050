// UTF-16 text helpers of the portable core. Text is std::u16string everywhere; these are the
// few operations the system's rules are written in terms of.
#pragma once

#include <string>
#include <string_view>

namespace text {

// Lower-cases the ASCII capital letters A to Z; every other unit stays as it is.
std::u16string asciiLower(std::u16string_view s);

// Replaces every occurrence of `from` by `to`, searching from left to right and going on behind
// each replacement, so occurrences never overlap. Case-sensitive. `from` must not be empty.
std::u16string replaceAll(std::u16string_view s, std::u16string_view from, std::u16string_view to);

// Same, with `from` matched ignoring the case of ASCII letters.
std::u16string replaceAllAsciiNoCase(std::u16string_view s, std::u16string_view from,
                                     std::u16string_view to);

// True for the units the C library's iswspace classifies as space in the default locale:
// U+0009..U+000D and U+0020.
bool isSpace(char16_t c);

// Removes isSpace units from both ends.
std::u16string trim(std::u16string_view s);
std::u16string trimRight(std::u16string_view s);

// Conversions for the edges of the system (console, file names on Linux, libxml2, libmsi).
// Unpaired surrogates become U+FFFD; invalid UTF-8 bytes become U+FFFD.
std::string toUtf8(std::u16string_view s);
std::u16string fromUtf8(std::string_view s);

}  // namespace text
