#include "build_sfx.h"
#include "icon_file.h"
#include "payload.h"

// Every failure up to the resource updates gives 1; the target then keeps its icon resources.
win32::Error CBuildSfx::AddIconGroup(std::u16string_view targetPath, std::u16string_view iconPath,
                                     uint16_t groupId) {
  constexpr win32::Error kFailed = 1;
  icon::IconFile file;
  if (icon::readIconFile(iconPath, file) != win32::kSuccess) return kFailed;
  // Image ids are 16 bits: more images than ids from groupId up would wrap round onto other
  // icons, the template's own images among them.
  if (groupId + file.images.size() > 0x10000) return kFailed;

  pe::ResourceUpdate update;
  if (pe::ResourceUpdate::begin(targetPath, update) != win32::kSuccess) return kFailed;
  update.allowInPlace(MayUpdateInPlace(targetPath));
  bool ok = update.update(pe::ResourceName::fromId(payload::kRtGroupIcon), pe::ResourceName::fromId(groupId),
                          payload::kLanguage, icon::buildGroup(file, groupId)) == win32::kSuccess;
  for (size_t i = 0; ok && i < file.images.size(); ++i) {
    ok = update.update(pe::ResourceName::fromId(payload::kRtIcon), pe::ResourceName::fromId(uint16_t(groupId + i)),
                       payload::kLanguage, file.images[i]) == win32::kSuccess;
  }
  if (!ok) {
    update.discard();
    return kFailed;
  }
  return update.end();
}
