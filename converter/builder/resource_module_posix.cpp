#include <memory>

#include "resource_module.h"

namespace {

class CEmptyResourceModule : public CResourceModule {
 public:
  bool Find(uint16_t, uint16_t, std::string_view&) const override { return false; }
};

std::unique_ptr<CResourceModule>& applicationModule() {
  static std::unique_ptr<CResourceModule> module = std::make_unique<CEmptyResourceModule>();
  return module;
}

}  // namespace

const CResourceModule& ApplicationResourceModule() { return *applicationModule(); }

void SetApplicationResourceImage(std::string_view image) {
  applicationModule() = std::make_unique<CImageResourceModule>(image);
}

uint16_t UserDefaultLanguage() { return 0x0409; }
