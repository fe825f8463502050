#include <algorithm>

#include "file.h"
#include "pe_image.h"
#include "resource_update.h"

namespace pe {

struct ResourceReader::Impl {
  platform::File file;      // when opened from a path
  std::string_view memory;  // when parsed from bytes
  bool fromMemory = false;
  Image image;
  std::vector<ResourceEntry> entries;

  win32::Error readAt(uint64_t offset, size_t length, std::string& out) const {
    if (fromMemory) {
      if (offset > memory.size() || length > memory.size() - offset) return win32::kHandleEof;
      out.assign(memory.substr(static_cast<size_t>(offset), length));
      return win32::kSuccess;
    }
    out.resize(length);
    return file.readExactAt(offset, out.data(), length);
  }

  win32::Error parse(uint64_t size) {
    const ReadAt read = [this](uint64_t offset, size_t length, std::string& out) {
      win32::Error e = readAt(offset, length, out);
      return e == win32::kHandleEof ? win32::kBadExeFormat : e;
    };
    if (win32::Error e = parseImage(read, size, image)) return e;
    return parseResources(read, image, entries);
  }
};

ResourceReader::ResourceReader() = default;
ResourceReader::~ResourceReader() = default;
ResourceReader::ResourceReader(ResourceReader&&) noexcept = default;
ResourceReader& ResourceReader::operator=(ResourceReader&&) noexcept = default;

win32::Error ResourceReader::open(std::u16string_view path, ResourceReader& out) {
  auto impl = std::make_unique<Impl>();
  if (win32::Error e = platform::File::openRead(path, impl->file)) return e;
  uint64_t size = 0;
  if (win32::Error e = impl->file.size(size)) return e;
  if (win32::Error e = impl->parse(size)) return e;
  out.impl_ = std::move(impl);
  return win32::kSuccess;
}

win32::Error ResourceReader::fromBytes(std::string_view image, ResourceReader& out) {
  auto impl = std::make_unique<Impl>();
  impl->memory = image;
  impl->fromMemory = true;
  if (win32::Error e = impl->parse(image.size())) return e;
  out.impl_ = std::move(impl);
  return win32::kSuccess;
}

const std::vector<ResourceEntry>& ResourceReader::entries() const {
  static const std::vector<ResourceEntry> none;
  return impl_ ? impl_->entries : none;
}

const ResourceEntry* ResourceReader::find(const ResourceName& type, const ResourceName& name,
                                          std::optional<uint16_t> language) const {
  for (const ResourceEntry& e : entries()) {
    if (compareNames(e.type, type) == 0 && compareNames(e.name, name) == 0 &&
        (!language || e.language == *language)) {
      return &e;
    }
  }
  return nullptr;
}

win32::Error ResourceReader::read(const ResourceEntry& entry, std::string& out) const {
  if (!impl_) return win32::kInvalidHandle;
  return impl_->readAt(entry.fileOffset, entry.size, out);
}

bool ResourceReader::is64Bit() const { return impl_ && impl_->image.pe64; }

}  // namespace pe
