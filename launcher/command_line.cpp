#include "command_line.h"

namespace launcher {
namespace {

size_t lengthOf(const char16_t* text) {
  size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

char16_t foldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c; }

bool tokenAt(Text text, size_t position) {
  if (text.length - position < kTokenLength) return false;
  for (size_t i = 0; i < kTokenLength; ++i) {
    if (foldAscii(text.data[position + i]) != kToken[i]) return false;
  }
  return true;
}

// Appends to a bounded buffer; once something does not fit, it keeps nothing more and says so.
class LineWriter {
 public:
  LineWriter(char16_t* out, size_t capacity) : out_(out), capacity_(capacity) {}

  void append(Text text) {
    if (overflow_ || capacity_ - length_ <= text.length) {  // room for the terminator too
      overflow_ = true;
      return;
    }
    for (size_t i = 0; i < text.length; ++i) out_[length_ + i] = text.data[i];
    length_ += text.length;
  }
  void append(const char16_t* text) { append(Text{text, lengthOf(text)}); }

  // Replaces every token in `text` by `replacement`; matches never overlap. Writes nothing and
  // gives false when the text holds no token.
  bool appendSubstituted(Text text, Text replacement) {
    size_t match = findToken(text, 0);
    if (match == text.length) return false;
    size_t done = 0;
    while (match != text.length) {
      append(Text{text.data + done, match - done});
      append(replacement);
      done = match + kTokenLength;
      match = findToken(text, done);
    }
    append(Text{text.data + done, text.length - done});
    return true;
  }

  win32::Error finish(size_t* length) {
    if (overflow_) {
      if (capacity_ != 0) out_[0] = 0;
      *length = 0;
      return kCommandLineTooLong;
    }
    out_[length_] = 0;
    *length = length_;
    return win32::kSuccess;
  }

 private:
  char16_t* out_;
  size_t capacity_;
  size_t length_ = 0;
  bool overflow_ = capacity_ == 0;
};

}  // namespace

win32::Error readArgumentRecord(const char16_t* units, size_t unitCount, Text* text) {
  const size_t limit = unitCount < kPathUnits ? unitCount : kPathUnits;
  for (size_t i = 0; i < limit; ++i) {
    if (units[i] == 0) {
      *text = Text{units, i};
      return win32::kSuccess;
    }
  }
  *text = Text{units, 0};
  return win32::kInvalidData;
}

Text ownArguments(const char16_t* commandLine) {
  const char16_t* p = commandLine;
  bool quoted = false;
  while (*p != 0 && (quoted || *p > u' ')) {
    if (*p == u'"') quoted = !quoted;
    ++p;
  }
  while (*p != 0 && *p <= u' ') ++p;
  return Text{p, lengthOf(p)};
}

size_t findToken(Text text, size_t from) {
  for (size_t position = from; position < text.length; ++position) {
    if (tokenAt(text, position)) return position;
  }
  return text.length;
}

size_t quoteSpaces(const char16_t* path, char16_t* out, size_t capacity) {
  const Text text{path, lengthOf(path)};
  bool space = false;
  for (size_t i = 0; i < text.length; ++i) space = space || text.data[i] == u' ';
  LineWriter writer(out, capacity);
  if (space) writer.append(u"\"");
  writer.append(text);
  if (space) writer.append(u"\"");
  size_t length = 0;
  return writer.finish(&length) == win32::kSuccess ? length : 0;
}

win32::Error composeCommandLine(Text record, Text ownArgs, Text packageArgument, char16_t* out,
                                size_t capacity, size_t* length) {
  const Text arguments = record.length != 0 ? record : ownArgs;
  LineWriter writer(out, capacity);
  writer.append(u"msiexec.exe ");
  if (arguments.length == 0) {
    writer.append(u"/i ");
    writer.append(packageArgument);
  } else if (!writer.appendSubstituted(arguments, packageArgument)) {
    writer.append(arguments);
    writer.append(u" ");
    writer.append(packageArgument);
  }
  return writer.finish(length);
}

win32::Error prepareCommandLine(Text record, const char16_t* processCommandLine,
                                const char16_t* tempPath, char16_t* out, size_t capacity) {
  char16_t packageArgument[kPackageArgumentUnits];
  const size_t packageLength = quoteSpaces(tempPath, packageArgument, kPackageArgumentUnits);
  if (packageLength == 0) {
    if (capacity != 0) out[0] = 0;
    return win32::kFilenameExcedRange;
  }
  const Text ownArgs = record.length != 0 ? Text{u"", 0} : ownArguments(processCommandLine);
  size_t length = 0;
  return composeCommandLine(record, ownArgs, Text{packageArgument, packageLength}, out, capacity,
                            &length);
}

}  // namespace launcher
