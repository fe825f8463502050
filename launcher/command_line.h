// The launcher's command line for msiexec.exe: the argument record or the launcher's own
// arguments, with every {package} token replaced by the path of the temporary package file.
//
// This code is shared by the launcher, which is built without a C run time, and the Linux unit
// tests: it uses no heap and no library function, and writes only into buffers its caller
// gives it, never beyond their capacity.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "win32_error.h"

namespace launcher {

// A run of UTF-16 units, not necessarily zero-terminated.
struct Text {
  const char16_t* data;
  size_t length;
};

// The placeholder that stands for the temporary package file: 9 characters, matched without
// regard to the case of ASCII letters.
inline constexpr char16_t kToken[] = u"{package}";
inline constexpr size_t kTokenLength = 9;

// The platform's path limit: a temporary file name holds at most 259 characters.
inline constexpr size_t kPathUnits = 260;
// The package argument: the temporary path, in double quotes when it holds a space.
inline constexpr size_t kPackageArgumentUnits = kPathUnits + 2;
// The longest command line the system starts: 32767 units, the terminator included.
inline constexpr size_t kCommandLineUnits = 32767;

// Exit code when the composed command line would not fit the system's limit:
// ERROR_FILENAME_EXCED_RANGE, which the system itself gives for an over-long command line.
inline constexpr win32::Error kCommandLineTooLong = win32::kFilenameExcedRange;

// The arguments text of an argument record: the units up to its zero terminator, which must lie
// within the record's first 260 units. A record without one gives ERROR_INVALID_DATA.
win32::Error readArgumentRecord(const char16_t* units, size_t unitCount, Text* text);

// The launcher's own arguments in its process command line: what follows the program name and
// the characters at or below U+0020 after it. The program name ends at the first character at or
// below U+0020 outside double quotes; each double quote toggles. The rest is taken unchanged.
Text ownArguments(const char16_t* commandLine);

// Position of the first {package} token at or after `from`, or text.length when there is none.
size_t findToken(Text text, size_t from);

// Writes `path` into `out` as the package argument: enclosed in double quotes when it holds a
// space. Gives its length, or 0 when it does not fit `capacity` units with its terminator.
size_t quoteSpaces(const char16_t* path, char16_t* out, size_t capacity);

// Composes "msiexec.exe ..." into `out` (capacity units, terminator included):
//   non-empty record, token in it        msiexec.exe <record, tokens replaced>
//   non-empty record, no token           msiexec.exe <record> <package>
//   empty record, no own arguments       msiexec.exe /i <package>
//   empty record, token in own arguments msiexec.exe <own arguments, tokens replaced>
//   empty record, no token in them       msiexec.exe <own arguments> <package>
// The own arguments are ignored when the record is not empty. Gives 0, or kCommandLineTooLong
// when the line does not fit; `out` then holds an empty line.
win32::Error composeCommandLine(Text record, Text ownArgs, Text packageArgument, char16_t* out,
                                size_t capacity, size_t* length);

// The whole preparation the launcher makes once the temporary file is named: quote its path,
// take the own arguments from the process command line when the record is empty, compose.
win32::Error prepareCommandLine(Text record, const char16_t* processCommandLine,
                                const char16_t* tempPath, char16_t* out, size_t capacity);

}  // namespace launcher
