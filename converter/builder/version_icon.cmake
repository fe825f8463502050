# The version writer and reader and the icon writer: wrapsmith_version. The version block and
# icon file layouts are portable; the module of the running program is read through Win32 on
# Windows builds.
set(WRAPSMITH_VERSION_SOURCES
  version_block.cpp
  file_version_info.cpp
  icon_file.cpp)
if(TARGET wrapsmith_pe)
  list(APPEND WRAPSMITH_VERSION_SOURCES
    version_writer.cpp
    version_reader.cpp
    add_icon_group.cpp
    resource_module.cpp)
  if(WIN32)
    list(APPEND WRAPSMITH_VERSION_SOURCES resource_module_win32.cpp)
  else()
    list(APPEND WRAPSMITH_VERSION_SOURCES resource_module_posix.cpp)
  endif()
endif()
add_library(wrapsmith_version STATIC ${WRAPSMITH_VERSION_SOURCES})
target_include_directories(wrapsmith_version PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(wrapsmith_version PUBLIC wrapsmith_project wrapsmith_common wrapsmith_platform wrapsmith_payload)
if(TARGET wrapsmith_pe)
  target_link_libraries(wrapsmith_version PUBLIC wrapsmith_pe)
endif()
wrapsmith_target_defaults(wrapsmith_version)
