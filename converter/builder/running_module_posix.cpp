// Resources of the running program on Linux: the template (BIN 137), whose bytes the program
// links in (see converter/resources); there is no other.
#include "running_module.h"
#include "payload.h"

extern "C" const uint8_t wrapsmith_template_begin[];
extern "C" const uint8_t wrapsmith_template_end[];

namespace running_module {

win32::Error findResource(const pe::ResourceName& type, uint16_t id, const uint8_t*& data, uint32_t& size) {
  if (type != pe::ResourceName::fromName(payload::kTypeName)) return win32::kResourceTypeNotFound;
  if (id != payload::kTemplateId) return win32::kResourceNameNotFound;
  data = wrapsmith_template_begin;
  size = static_cast<uint32_t>(wrapsmith_template_end - wrapsmith_template_begin);
  return win32::kSuccess;
}

}  // namespace running_module
