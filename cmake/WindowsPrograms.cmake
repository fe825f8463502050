# The Windows programs, built from this same tree through the mingw-w64 toolchain files, once
# for x86 and once for x64. Targets that embed or run them depend on windows-i686 /
# windows-x86_64; what they build lies under WRAPSMITH_WIN32_DIR / WRAPSMITH_WIN64_DIR, in the
# same folders as in the source tree (launcher/wrapstub.exe, converter/app/wrapsmith.exe, ...).
#
# The sanitizer build (see tests/CMakeLists.txt) reuses the Windows programs of the main build:
# it is configured with WRAPSMITH_WINDOWS_PREBUILT pointing at the main build's folder.
include(ExternalProject)

set(WRAPSMITH_WINDOWS_PREBUILT "" CACHE PATH "Use the Windows programs already built under this folder")

if(WRAPSMITH_WINDOWS_PREBUILT)
  set(WRAPSMITH_WIN32_DIR ${WRAPSMITH_WINDOWS_PREBUILT}/windows-i686)
  set(WRAPSMITH_WIN64_DIR ${WRAPSMITH_WINDOWS_PREBUILT}/windows-x86_64)
  add_custom_target(windows-i686)
  add_custom_target(windows-x86_64)
else()
  set(WRAPSMITH_WIN32_DIR ${CMAKE_BINARY_DIR}/windows-i686)
  set(WRAPSMITH_WIN64_DIR ${CMAKE_BINARY_DIR}/windows-x86_64)
  foreach(arch i686 x86_64)
    ExternalProject_Add(windows-${arch}
      SOURCE_DIR ${CMAKE_SOURCE_DIR}
      BINARY_DIR ${CMAKE_BINARY_DIR}/windows-${arch}
      CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/toolchain-${arch}-w64-mingw32.cmake
        -DCMAKE_BUILD_TYPE=MinSizeRel
      INSTALL_COMMAND ""
      BUILD_ALWAYS ON
      USES_TERMINAL_BUILD ON
      BUILD_BYPRODUCTS
        ${CMAKE_BINARY_DIR}/windows-${arch}/launcher/wrapstub.exe
        ${CMAKE_BINARY_DIR}/windows-${arch}/converter/app/wrapsmith.exe)
  endforeach()
endif()
