# The Windows programs, built from this same tree through the mingw-w64 toolchain files, once
# for x86 and once for x64. Targets that embed or run them depend on windows-i686 /
# windows-x86_64; the paths of what they build are in WRAPSMITH_WIN32_DIR / WRAPSMITH_WIN64_DIR.
include(ExternalProject)

set(WRAPSMITH_WIN32_DIR ${CMAKE_BINARY_DIR}/windows-i686)
set(WRAPSMITH_WIN64_DIR ${CMAKE_BINARY_DIR}/windows-x86_64)

if(WRAPSMITH_WINDOWS)
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
        ${CMAKE_BINARY_DIR}/windows-${arch}/launcher/wrapstub.exe)
  endforeach()
endif()
