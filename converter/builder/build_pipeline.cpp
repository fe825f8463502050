// The build pipeline: the template copied out of the converter's own resources, then the
// package, the version information, the argument record and the icon, each written into the
// copy as one complete resource update. The first failing step ends the build with its code.
#include <limits>
#include <string>

#include "build_sfx.h"
#include "file.h"
#include "file_version_info.h"
#include "running_module.h"
#include "payload.h"
#include "project_settings.h"
#include "text.h"

namespace {

// An executable image stays below 2 GiB (the resource editor refuses a larger one); the
// launcher, its version block, the argument record and an icon take far less than 1 MiB of it.
// A larger package is refused before the template is written, so that a previous output
// executable at the output path stays as it was.
constexpr uint64_t kMaxPackageSize = 0x7FFFFFFFu - (1u << 20);

const pe::ResourceName& binType() {
  static const pe::ResourceName type = pe::ResourceName::fromName(payload::kTypeName);
  return type;
}

// The 524-byte argument record: 260 UTF-16LE units holding the arguments and their terminator,
// every unit after it zero, then a 32-bit field that is always zero.
std::string argumentRecord(std::u16string_view arguments) {
  std::string record(payload::kArgumentRecordSize, '\0');
  for (size_t i = 0; i < arguments.size() && i < payload::kMaxArgumentLength; ++i) {
    record[2 * i] = static_cast<char>(arguments[i] & 0xFF);
    record[2 * i + 1] = static_cast<char>(arguments[i] >> 8);
  }
  return record;
}

// What must be refused before anything is written: an output path that names the package
// (the build would overwrite it with the template), a package too large for an executable
// image, and installer arguments that the record cannot hold.
win32::Error refuseBeforeWriting(std::u16string_view packagePath, std::u16string_view outputPath,
                                 const CProjectSettings& settings) {
  if (outputPath == packagePath || platform::sameFile(packagePath, outputPath)) return win32::kFileExists;
  platform::File package;
  uint64_t size = 0;
  // A package that cannot be opened here is left to the package step, which reports why.
  if (!platform::File::openRead(packagePath, package) && !package.size(size) &&
      size > kMaxPackageSize)
    return win32::kFileTooLarge;
  if (text::trim(settings.InstallArgs).size() > payload::kMaxArgumentLength) return win32::kInsufficientBuffer;
  return win32::kSuccess;
}

}  // namespace

win32::Error CBuildSfx::Build(std::u16string_view packagePath, std::u16string_view outputPath) {
  CProjectSettings& settings = theProjectSettings;

  win32::Error error = win32::kSuccess;
  if (platform::pathKind(packagePath, &error) == platform::PathKind::Missing)
    return error ? error : win32::kFileNotFound;
  if ((error = refuseBeforeWriting(packagePath, outputPath, settings))) return error;
  // A version string too long for the template's version block is refused before the template
  // replaces whatever stood at the output path, as the installer arguments are.
  const uint8_t* templateData = nullptr;
  uint32_t templateSize = 0;
  if (!LoadModuleResource(binType(), payload::kTemplateId, templateData, templateSize) &&
      (error = CFileVersionInfo::CheckVersionStrings(
           std::string_view(reinterpret_cast<const char*>(templateData), templateSize), settings))) {
    return error;
  }

  const std::u16string output(outputPath);
  if ((error = ExtractResourceToFile(output, binType(), payload::kTemplateId))) return error;
  // From here on every resource update of the output may be written in place: the package,
  // written once, then stays where it lies while the small entries after it change. An
  // interrupted in-place update damages the file, which is why only a file that this build has
  // just made is treated so, never one handed in from outside.
  struct FreshOutput {
    explicit FreshOutput(const std::u16string& path) { m_freshOutput = &path; }
    ~FreshOutput() { m_freshOutput = nullptr; }
  } fresh(output);

  if ((error = AddFileResource(output, packagePath, binType(), payload::kPackageId))) return error;

  {
    CFileVersionInfo versionInfo;
    if ((error = versionInfo.WriteVersionResource(output))) return error;
  }

  settings.InstallArgs = text::trim(settings.InstallArgs);
  const std::string record = argumentRecord(settings.InstallArgs);
  if ((error = AddDataResource(output, record.data(), static_cast<uint32_t>(record.size()), binType(),
                               payload::kArgumentRecordId)))
    return error;

  settings.IconPath = text::trim(settings.IconPath);
  if (settings.IconPath.empty()) return win32::kSuccess;
  return AddIconGroup(output, settings.IconPath, payload::kIconGroupId);
}

win32::Error CBuildSfx::ExtractResourceToFile(std::u16string_view filePath, const pe::ResourceName& type,
                                              uint16_t id) {
  const uint8_t* data = nullptr;
  uint32_t size = 0;
  if (win32::Error e = LoadModuleResource(type, id, data, size)) return e;
  platform::File file;
  if (win32::Error e = platform::File::createWrite(filePath, file)) return e;
  return file.writeAt(0, data, size);
}

win32::Error CBuildSfx::LoadModuleResource(const pe::ResourceName& type, uint16_t id, const uint8_t*& data,
                                           uint32_t& size) {
  return running_module::findResource(type, id, data, size);
}

// The file's bytes are streamed into the target when the update ends, never held in memory.
// The source stays open, shared for reading only, until then, so nobody changes it meanwhile.
win32::Error CBuildSfx::AddFileResource(std::u16string_view targetPath, std::u16string_view sourcePath,
                                        const pe::ResourceName& type, uint16_t id) {
  platform::File source;
  if (win32::Error e = platform::File::openRead(sourcePath, source)) return e;
  uint64_t size = 0;
  if (win32::Error e = source.size(size)) return e;
  if (size > std::numeric_limits<uint32_t>::max()) return win32::kFileTooLarge;

  pe::ResourceUpdate update;
  if (win32::Error e = pe::ResourceUpdate::begin(targetPath, update)) return e;
  update.allowInPlace(MayUpdateInPlace(targetPath));
  if (win32::Error e = update.updateFromFile(type, pe::ResourceName::fromId(id), payload::kLanguage, sourcePath,
                                             0, size)) {
    update.discard();
    return e;
  }
  return update.end();
}

win32::Error CBuildSfx::AddDataResource(std::u16string_view targetPath, const void* data, uint32_t size,
                                        const pe::ResourceName& type, uint16_t id) {
  pe::ResourceUpdate update;
  if (win32::Error e = pe::ResourceUpdate::begin(targetPath, update)) return e;
  update.allowInPlace(MayUpdateInPlace(targetPath));
  if (win32::Error e = update.update(type, pe::ResourceName::fromId(id), payload::kLanguage,
                                     std::string_view(static_cast<const char*>(data), size))) {
    update.discard();
    return e;
  }
  return update.end();
}
