#include <windows.h>

#include <memory>

#include "resource_module.h"

namespace {

// The resources of a loaded module; the locked bytes stay valid while the module is loaded.
class CLoadedResourceModule : public CResourceModule {
 public:
  explicit CLoadedResourceModule(HMODULE module) : module_(module) {}
  bool Find(uint16_t type, uint16_t id, std::string_view& bytes) const override {
    HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
    if (!found) return false;
    HGLOBAL loaded = LoadResource(module_, found);
    if (!loaded) return false;
    const void* data = LockResource(loaded);
    const DWORD size = SizeofResource(module_, found);
    if (!data || size == 0) return false;
    bytes = std::string_view(static_cast<const char*>(data), size);
    return true;
  }

 private:
  HMODULE module_;
};

std::unique_ptr<CResourceModule>& applicationModule() {
  static std::unique_ptr<CResourceModule> module =
      std::make_unique<CLoadedResourceModule>(GetModuleHandleW(nullptr));
  return module;
}

}  // namespace

const CResourceModule& ApplicationResourceModule() { return *applicationModule(); }

void SetApplicationResourceImage(std::string_view image) {
  applicationModule() = std::make_unique<CImageResourceModule>(image);
}

uint16_t UserDefaultLanguage() { return GetUserDefaultLangID(); }
