// The resource reader on arbitrary bytes; when they parse, one update (a small entry replaced
// or added) ended on a copy in a temporary file, and the result read back.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "file.h"
#include "resource_update.h"
#include "text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  pe::ResourceReader reader;
  if (pe::ResourceReader::fromBytes(bytes, reader) != 0) return 0;
  std::string entry;
  for (const pe::ResourceEntry& e : reader.entries()) reader.read(e, entry);

  static const std::u16string path =
      text::fromUtf8("/tmp/fuzz_pe_resources." + std::to_string(getpid()) + ".exe");
  if (platform::writeFileReplacing(path, bytes) != 0) return 0;
  pe::ResourceUpdate update;
  if (pe::ResourceUpdate::begin(path, update) == 0) {
    update.update(pe::ResourceName::fromName(u"BIN"), pe::ResourceName::fromId(125), 0x409, "fuzz");
    update.allowInPlace(size & 1);
    if (update.end() == 0) {
      pe::ResourceReader after;
      if (pe::ResourceReader::open(path, after) != 0) abort();  // we wrote something we cannot read
      if (!after.find(pe::ResourceName::fromName(u"BIN"), pe::ResourceName::fromId(125), 0x409)) abort();
    }
  }
  platform::removeFile(path);
  return 0;
}
