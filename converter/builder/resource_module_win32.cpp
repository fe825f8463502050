#include <windows.h>

#include <memory>

#include "resource_module.h"
#include "running_module.h"

namespace {

// The resources of the running program's own module; the bytes stay valid while it runs.
class CRunningModule : public CResourceModule {
 public:
  bool Find(uint16_t type, uint16_t id, std::string_view& bytes) const override {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
    if (running_module::findResource(pe::ResourceName::fromId(type), id, data, size)) return false;
    bytes = std::string_view(reinterpret_cast<const char*>(data), size);
    return true;
  }
};

std::unique_ptr<CResourceModule>& applicationModule() {
  static std::unique_ptr<CResourceModule> module = std::make_unique<CRunningModule>();
  return module;
}

}  // namespace

const CResourceModule& ApplicationResourceModule() { return *applicationModule(); }

void SetApplicationResourceImage(std::string_view image) {
  applicationModule() = std::make_unique<CImageResourceModule>(image);
}

uint16_t UserDefaultLanguage() { return GetUserDefaultLangID(); }
