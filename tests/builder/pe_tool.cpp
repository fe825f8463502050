// A command-line driver of the resource editor for the cross-check scripts.
//   pe_tool list FILE...                 one line per entry: file, type, name, language, size,
//                                        file offset, code page (names as "#id" or the text)
//   pe_tool edit [--in-place] FILE [--data TYPE NAME LANG SOURCE_FILE]... [--bytes TYPE NAME LANG SIZE SEED]...
//                                        one update of FILE; prints the result code
//   pe_tool pattern FILE SIZE SEED       writes SIZE bytes of the test pattern SEED
//   pe_tool corpus OUTDIR FILE...        for each FILE: OUTDIR/<n>.same (an update that changes
//                                        nothing) and OUTDIR/<n>.bin (BIN 102 of 3 MiB added);
//                                        prints "n code-list code-same code-bin FILE"
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "file.h"
#include "resource_update.h"
#include "text.h"

namespace {

std::string nameText(const pe::ResourceName& n) {
  return n.isId ? "#" + std::to_string(n.id) : text::toUtf8(n.name);
}

pe::ResourceName parseName(const std::string& s) {
  if (!s.empty() && s[0] == '#') return pe::ResourceName::fromId(static_cast<uint16_t>(std::stoul(s.substr(1))));
  return pe::ResourceName::fromName(text::fromUtf8(s));
}

std::string pattern(size_t size, uint32_t seed) {
  std::string data(size, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    data[i] = static_cast<char>(x);
  }
  return data;
}

win32::Error copyFile(const std::u16string& from, const std::u16string& to) {
  std::string bytes;
  if (win32::Error e = platform::readWholeFile(from, bytes, 1ull << 32)) return e;
  platform::File out;
  if (win32::Error e = platform::File::createWrite(to, out)) return e;
  return out.writeAt(0, bytes.data(), bytes.size());
}

int list(int argc, char** argv) {
  int status = 0;
  for (int i = 2; i < argc; ++i) {
    pe::ResourceReader reader;
    if (win32::Error e = pe::ResourceReader::open(text::fromUtf8(argv[i]), reader)) {
      std::printf("%s\terror\t%u\n", argv[i], e);
      status = 1;
      continue;
    }
    for (const pe::ResourceEntry& e : reader.entries()) {
      std::printf("%s\t%s\t%s\t%u\t%u\t%llu\t%u\n", argv[i], nameText(e.type).c_str(), nameText(e.name).c_str(),
                  e.language, e.size, static_cast<unsigned long long>(e.fileOffset), e.codePage);
    }
  }
  return status;
}

int edit(int argc, char** argv) {
  int i = 2;
  bool inPlace = false;
  if (i < argc && std::strcmp(argv[i], "--in-place") == 0) {
    inPlace = true;
    ++i;
  }
  if (i >= argc) return 2;
  pe::ResourceUpdate update;
  win32::Error e = pe::ResourceUpdate::begin(text::fromUtf8(argv[i++]), update);
  while (!e && i < argc) {
    const std::string option = argv[i];
    if (option == "--data" && i + 4 < argc) {
      const std::u16string source = text::fromUtf8(argv[i + 4]);
      platform::File f;
      uint64_t size = 0;
      e = platform::File::openRead(source, f);
      if (!e) e = f.size(size);
      if (!e) e = update.updateFromFile(parseName(argv[i + 1]), parseName(argv[i + 2]),
                                        static_cast<uint16_t>(std::stoul(argv[i + 3])), source, 0, size);
      i += 5;
    } else if (option == "--bytes" && i + 5 < argc) {
      e = update.update(parseName(argv[i + 1]), parseName(argv[i + 2]), static_cast<uint16_t>(std::stoul(argv[i + 3])),
                        pattern(std::stoul(argv[i + 4]), static_cast<uint32_t>(std::stoul(argv[i + 5]))));
      i += 6;
    } else {
      return 2;
    }
  }
  if (!e) {
    update.allowInPlace(inPlace);
    e = update.end();
  }
  std::printf("%u\n", e);
  return e ? 1 : 0;
}

int corpus(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string dir = argv[2];
  const std::string bin = pattern(3 << 20, 7);
  for (int i = 3; i < argc; ++i) {
    const std::u16string in = text::fromUtf8(argv[i]);
    pe::ResourceReader reader;
    const win32::Error listed = pe::ResourceReader::open(in, reader);
    const std::u16string same = text::fromUtf8(dir + "/" + std::to_string(i - 3) + ".same");
    const std::u16string withBin = text::fromUtf8(dir + "/" + std::to_string(i - 3) + ".bin");
    win32::Error e1 = copyFile(in, same);
    pe::ResourceUpdate u1;
    if (!e1) e1 = pe::ResourceUpdate::begin(same, u1);
    if (!e1) e1 = u1.end();
    win32::Error e2 = copyFile(in, withBin);
    pe::ResourceUpdate u2;
    if (!e2) e2 = pe::ResourceUpdate::begin(withBin, u2);
    if (!e2) e2 = u2.update(pe::ResourceName::fromName(u"BIN"), pe::ResourceName::fromId(102), 0x409, bin);
    if (!e2) e2 = u2.end();
    std::printf("%d\t%u\t%u\t%u\t%s\n", i - 3, listed, e1, e2, argv[i]);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string command = argv[1];
  if (command == "list") return list(argc, argv);
  if (command == "edit") return edit(argc, argv);
  if (command == "corpus") return corpus(argc, argv);
  if (command == "pattern" && argc == 5) {
    const std::string data = pattern(std::stoull(argv[3]), static_cast<uint32_t>(std::stoul(argv[4])));
    return platform::writeFileReplacing(text::fromUtf8(argv[2]), data) ? 1 : 0;
  }
  return 2;
}
