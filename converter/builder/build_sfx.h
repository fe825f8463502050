// The build pipeline: from the project settings record to an output executable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "resource_update.h"
#include "win32_error.h"

class CBuildSfx {
 public:
  virtual ~CBuildSfx() = default;

  // Writes the template to `outputPath`, then the package, the version information, the
  // argument record and the icon, each as one complete resource update. The first failing
  // step ends the build with its Win32 code.
  win32::Error Build(std::u16string_view packagePath, std::u16string_view outputPath);

  win32::Error ExtractResourceToFile(std::u16string_view filePath, const pe::ResourceName& type, uint16_t id);
  win32::Error LoadModuleResource(const pe::ResourceName& type, uint16_t id, const uint8_t*& data,
                                  uint32_t& size);
  win32::Error AddFileResource(std::u16string_view targetPath, std::u16string_view sourcePath,
                               const pe::ResourceName& type, uint16_t id);
  win32::Error AddDataResource(std::u16string_view targetPath, const void* data, uint32_t size,
                               const pe::ResourceName& type, uint16_t id);

  // True while a build runs on `targetPath`, the output file that it has just created: every
  // resource update of that file may then be written in place (ResourceUpdate::allowInPlace),
  // so that the package, written once, stays where it lies while the small entries change.
  static bool MayUpdateInPlace(std::u16string_view targetPath) {
    return m_freshOutput && *m_freshOutput == targetPath;
  }

  // Reads the icon file and writes its images and a group `groupId` listing them, in one
  // update. 0 on success; 1 for every failure up to the update; the code of a failed end.
  win32::Error AddIconGroup(std::u16string_view targetPath, std::u16string_view iconPath, uint16_t groupId);

 private:
  // The output of the build running on this thread, once it has created it.
  static inline thread_local const std::u16string* m_freshOutput = nullptr;
};
