// Resources of the running program. The Windows programs find them among their own module's
// resources; the Linux converter carries the one resource it needs, the template, linked in.
#pragma once

#include <cstdint>

#include "resource_update.h"
#include "win32_error.h"

namespace running_module {

// Locates the resource (type, id) of the running program, in any language: a read-only
// pointer to its bytes, valid while the process runs, and their count.
win32::Error findResource(const pe::ResourceName& type, uint16_t id, const uint8_t*& data, uint32_t& size);

}  // namespace running_module
