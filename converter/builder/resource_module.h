// Reading the resources of a module: on Windows builds a loaded module (FindResourceW,
// LoadResource, LockResource, SizeofResource); on every build the bytes of a PE image, through
// our own resource reader.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "resource_update.h"

class CResourceModule {
 public:
  virtual ~CResourceModule() = default;
  // The bytes of the first entry of that numeric type and id, whatever its language. They stay
  // valid as long as the module object lives. False when there is none or it cannot be read.
  virtual bool Find(uint16_t type, uint16_t id, std::string_view& bytes) const = 0;
};

// The resources of a PE image held in memory.
class CImageResourceModule : public CResourceModule {
 public:
  // The image must outlive the module object. A damaged image gives a module without
  // resources.
  explicit CImageResourceModule(std::string_view image);
  bool Find(uint16_t type, uint16_t id, std::string_view& bytes) const override;

 private:
  pe::ResourceReader reader_;
  bool valid_ = false;
  mutable std::deque<std::string> loaded_;
};

// The module from which the converter loads its own resources: its own executable on Windows
// builds. Elsewhere, the image given to SetApplicationResourceImage, or a module without
// resources.
const CResourceModule& ApplicationResourceModule();
void SetApplicationResourceImage(std::string_view image);

// The user's default language (GetUserDefaultLangID on Windows builds; 0x0409 elsewhere).
uint16_t UserDefaultLanguage();
