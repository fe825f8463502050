// Our own reader and editor of the resource section of PE32 and PE32+ images: the same
// portable code on every build. It stands in for the system's BeginUpdateResourceW /
// UpdateResourceW / EndUpdateResourceW and for reading a module's resources by type, name and
// language.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win32_error.h"

namespace pe {

// The editor refuses a layout it cannot rewrite soundly: a section behind the resource section
// that would have to move while something other than the relocation directory may point into
// it, or a resource section that also holds other data.
inline constexpr win32::Error kUnsupportedLayout = win32::kNotSupported;
// An image without a resource section and without room for one more section header.
inline constexpr win32::Error kNoRoomForSection = win32::kInsufficientBuffer;

// Entries of at least this size stand at the start of the resource section, before the
// directory (the resource data directory points behind them), so that they keep their file
// offset and RVA across later updates that leave them alone; an in-place end() then does not
// write them again.
inline constexpr uint32_t kLargeEntrySize = 64 * 1024;

// A resource type or name: a 16-bit id, or a UTF-16 name (the type "BIN" is given by name).
struct ResourceName {
  bool isId = true;
  uint16_t id = 0;
  std::u16string name;

  static ResourceName fromId(uint16_t id) { return {true, id, {}}; }
  static ResourceName fromName(std::u16string_view name) { return {false, 0, std::u16string(name)}; }
  bool operator==(const ResourceName&) const = default;
};

// One leaf of the resource tree, as read from a file.
struct ResourceEntry {
  ResourceName type;
  ResourceName name;
  uint16_t language = 0;
  uint32_t size = 0;        // bytes of the entry's data
  uint64_t fileOffset = 0;  // where the data lies in the file
  uint32_t codePage = 0;
};

// A parsed image: its headers and its resource tree. Reading never changes the file.
class ResourceReader {
 public:
  ResourceReader();
  ~ResourceReader();
  ResourceReader(ResourceReader&&) noexcept;
  ResourceReader& operator=(ResourceReader&&) noexcept;

  // Opens and parses a file. A file that is not a PE image, or is damaged, gives
  // kBadExeFormat (or the code of the failed read) and no reader.
  static win32::Error open(std::u16string_view path, ResourceReader& out);
  // Parses an image held in memory (the bytes must outlive the reader).
  static win32::Error fromBytes(std::string_view image, ResourceReader& out);

  // Every leaf in directory order: types, then names, then languages; named entries before
  // numbered ones, ids ascending.
  const std::vector<ResourceEntry>& entries() const;

  // The first entry with that type and name; with a language, exactly that one.
  const ResourceEntry* find(const ResourceName& type, const ResourceName& name,
                            std::optional<uint16_t> language = std::nullopt) const;

  // An entry's bytes.
  win32::Error read(const ResourceEntry& entry, std::string& out) const;

  bool is64Bit() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A resource update as a transaction: begin on a file keeping all its resources, add or
// replace entries, then end by writing everything at once, or discard leaving the file as it
// was. Nothing reaches the file before end().
class ResourceUpdate {
 public:
  ResourceUpdate();
  ~ResourceUpdate();  // an update that was not ended is discarded
  ResourceUpdate(ResourceUpdate&&) noexcept;
  ResourceUpdate& operator=(ResourceUpdate&&) noexcept;

  static win32::Error begin(std::u16string_view path, ResourceUpdate& out);

  // Adds or replaces the entry (type, name, language) with a copy of `data`.
  win32::Error update(const ResourceName& type, const ResourceName& name, uint16_t language,
                      std::string_view data);

  // Adds or replaces the entry with `length` bytes of the file at `sourcePath` from `offset`:
  // the bytes are streamed from that file when the update ends, never held in memory. The
  // source is opened (shared for reading) here and held until the update ends.
  win32::Error updateFromFile(const ResourceName& type, const ResourceName& name, uint16_t language,
                              std::u16string_view sourcePath, uint64_t offset, uint64_t length);

  // Allows end() to rewrite the target in place instead of writing a complete new file beside
  // it and replacing the target with it. In place, bytes that would not change (a big entry
  // kept where it lies) are not written again; an interrupted end() then leaves a damaged
  // file, so only the build's own freshly made output uses it.
  void allowInPlace(bool allow);

  // Writes every update into the file. A signed file loses its certificate table (its data
  // directory entry cleared, its bytes removed). Sections behind the resource section move
  // when it grows, if only the relocation directory points into them; otherwise the update
  // fails with kUnsupportedLayout and the file stays as it was. In place, the checksum over
  // the bytes kept comes from the old checksum when they are many (the old file is our own
  // output), so that it need not read them again.
  win32::Error end();
  // Drops every update; the file stays as it was.
  void discard();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pe
