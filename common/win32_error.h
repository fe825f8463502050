// Win32 error codes as the portable core reports them. Every build, Linux included, reports
// the code that Windows reports for the same situation, so "Error: %d" means the same
// everywhere.
#pragma once

#include <cstdint>

namespace win32 {

using Error = uint32_t;

inline constexpr Error kSuccess = 0;                   // ERROR_SUCCESS
inline constexpr Error kInvalidFunction = 1;           // ERROR_INVALID_FUNCTION
inline constexpr Error kFileNotFound = 2;              // ERROR_FILE_NOT_FOUND
inline constexpr Error kPathNotFound = 3;              // ERROR_PATH_NOT_FOUND
inline constexpr Error kTooManyOpenFiles = 4;          // ERROR_TOO_MANY_OPEN_FILES
inline constexpr Error kAccessDenied = 5;              // ERROR_ACCESS_DENIED
inline constexpr Error kInvalidHandle = 6;             // ERROR_INVALID_HANDLE
inline constexpr Error kNotEnoughMemory = 8;           // ERROR_NOT_ENOUGH_MEMORY
inline constexpr Error kBadFormat = 11;                // ERROR_BAD_FORMAT
inline constexpr Error kInvalidData = 13;              // ERROR_INVALID_DATA
inline constexpr Error kOutOfMemory = 14;              // ERROR_OUTOFMEMORY
inline constexpr Error kWriteFault = 29;               // ERROR_WRITE_FAULT
inline constexpr Error kReadFault = 30;                // ERROR_READ_FAULT
inline constexpr Error kSharingViolation = 32;         // ERROR_SHARING_VIOLATION
inline constexpr Error kHandleEof = 38;                // ERROR_HANDLE_EOF
inline constexpr Error kNotSupported = 50;             // ERROR_NOT_SUPPORTED
inline constexpr Error kFileExists = 80;               // ERROR_FILE_EXISTS
inline constexpr Error kInvalidParameter = 87;         // ERROR_INVALID_PARAMETER
inline constexpr Error kDiskFull = 112;                // ERROR_DISK_FULL
inline constexpr Error kInsufficientBuffer = 122;      // ERROR_INSUFFICIENT_BUFFER
inline constexpr Error kInvalidName = 123;             // ERROR_INVALID_NAME
inline constexpr Error kNegativeSeek = 131;            // ERROR_NEGATIVE_SEEK
inline constexpr Error kAlreadyExists = 183;           // ERROR_ALREADY_EXISTS
inline constexpr Error kBadExeFormat = 193;            // ERROR_BAD_EXE_FORMAT
inline constexpr Error kFilenameExcedRange = 206;      // ERROR_FILENAME_EXCED_RANGE
inline constexpr Error kMoreData = 234;                // ERROR_MORE_DATA
inline constexpr Error kNoMoreItems = 259;             // ERROR_NO_MORE_ITEMS
inline constexpr Error kDirectory = 267;               // ERROR_DIRECTORY
inline constexpr Error kArithmeticOverflow = 534;      // ERROR_ARITHMETIC_OVERFLOW
inline constexpr Error kFileTooLarge = 223;            // ERROR_FILE_TOO_LARGE
inline constexpr Error kResourceDataNotFound = 1812;   // ERROR_RESOURCE_DATA_NOT_FOUND
inline constexpr Error kResourceTypeNotFound = 1813;   // ERROR_RESOURCE_TYPE_NOT_FOUND
inline constexpr Error kResourceNameNotFound = 1814;   // ERROR_RESOURCE_NAME_NOT_FOUND
inline constexpr Error kResourceLangNotFound = 1815;   // ERROR_RESOURCE_LANG_NOT_FOUND
inline constexpr Error kInstallPackageOpenFailed = 1619;  // ERROR_INSTALL_PACKAGE_OPEN_FAILED
inline constexpr Error kInstallPackageInvalid = 1620;     // ERROR_INSTALL_PACKAGE_INVALID
inline constexpr Error kBadPathname = 161;             // ERROR_BAD_PATHNAME

}  // namespace win32
