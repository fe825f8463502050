#include "resource_module.h"

CImageResourceModule::CImageResourceModule(std::string_view image) {
  valid_ = pe::ResourceReader::fromBytes(image, reader_) == win32::kSuccess;
}

bool CImageResourceModule::Find(uint16_t type, uint16_t id, std::string_view& bytes) const {
  if (!valid_) return false;
  const pe::ResourceEntry* entry =
      reader_.find(pe::ResourceName::fromId(type), pe::ResourceName::fromId(id));
  if (!entry) return false;
  std::string data;
  if (reader_.read(*entry, data) != win32::kSuccess) return false;
  loaded_.push_back(std::move(data));
  bytes = loaded_.back();
  return true;
}
