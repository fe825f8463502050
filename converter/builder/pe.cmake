# The PE resource reader and editor: portable, the same code on every build.
add_library(wrapsmith_pe STATIC
  ${CMAKE_CURRENT_LIST_DIR}/pe_checksum.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pe_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resource_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resource_update.cpp)
target_include_directories(wrapsmith_pe PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(wrapsmith_pe PUBLIC wrapsmith_common wrapsmith_platform wrapsmith_payload)
wrapsmith_target_defaults(wrapsmith_pe)
# The checksum's word sum runs over every byte of the output: let the compiler vectorise it.
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/pe_checksum.cpp PROPERTIES COMPILE_OPTIONS -O3)
