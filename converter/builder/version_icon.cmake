# The version writer and reader and the icon writer: wrapsmith_version. The version block and
# icon file layouts are portable; the running program's own module is read through Win32 on
# Windows builds.
add_library(wrapsmith_version STATIC
  version_block.cpp
  file_version_info.cpp
  version_writer.cpp
  version_reader.cpp
  icon_file.cpp
  add_icon_group.cpp
  resource_module.cpp)
# The running program's own resources (running_module.h): Win32 on Windows builds; on Linux
# the linked-in template, which only the converter program links (nothing else may ask for it).
if(WIN32)
  target_sources(wrapsmith_version PRIVATE resource_module_win32.cpp running_module_win32.cpp)
else()
  target_sources(wrapsmith_version PRIVATE resource_module_posix.cpp running_module_posix.cpp)
endif()
target_include_directories(wrapsmith_version PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(wrapsmith_version PUBLIC
  wrapsmith_pe wrapsmith_project wrapsmith_common wrapsmith_platform wrapsmith_payload)
wrapsmith_target_defaults(wrapsmith_version)
