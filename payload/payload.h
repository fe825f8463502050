// The payload contract: the resources in which the converter and the launcher meet. The
// converter carries the launcher as the template; every build adds the package and the
// argument record to a copy of it, patches its version block and replaces its icon group.
// Both programs, and the resource scripts, take these numbers from here.
#pragma once

#define WRAPSMITH_BIN_TYPE_NAME "BIN"     // resource type of the payload, given by name
#define WRAPSMITH_ID_TEMPLATE 137         // the launcher program, in the converter only
#define WRAPSMITH_ID_PACKAGE 102          // the package's bytes, complete and unchanged
#define WRAPSMITH_ID_ARGUMENT_RECORD 125  // the 524-byte argument record
#define WRAPSMITH_ID_ICON_GROUP 107       // RT_GROUP_ICON of the template and of every output
#define WRAPSMITH_PAYLOAD_LANGUAGE 0x0409 // English (United States)

#ifndef RC_INVOKED
#include <stddef.h>
#include <stdint.h>

namespace payload {

inline constexpr char16_t kTypeName[] = u"BIN";
inline constexpr uint16_t kTemplateId = WRAPSMITH_ID_TEMPLATE;
inline constexpr uint16_t kPackageId = WRAPSMITH_ID_PACKAGE;
inline constexpr uint16_t kArgumentRecordId = WRAPSMITH_ID_ARGUMENT_RECORD;
inline constexpr uint16_t kIconGroupId = WRAPSMITH_ID_ICON_GROUP;
inline constexpr uint16_t kLanguage = WRAPSMITH_PAYLOAD_LANGUAGE;

// The argument record: 260 UTF-16LE units of installer arguments, zero-terminated (at most 259
// characters, every unit after the terminator zero), then a 32-bit field that is always zero.
inline constexpr size_t kArgumentUnits = 260;
inline constexpr size_t kMaxArgumentLength = kArgumentUnits - 1;
inline constexpr size_t kArgumentRecordSize = kArgumentUnits * 2 + 4;
static_assert(kArgumentRecordSize == 524);

// The template's version block: twelve strings, each with a value area of 84 units (83
// placeholder characters and a terminator).
inline constexpr size_t kVersionStringUnits = 84;

// Standard resource types used by the contract.
inline constexpr uint16_t kRtIcon = 3;
inline constexpr uint16_t kRtGroupIcon = 14;
inline constexpr uint16_t kRtVersion = 16;
inline constexpr uint16_t kRtManifest = 24;

}  // namespace payload
#endif
