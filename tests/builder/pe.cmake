# Tests of the PE resource reader and editor.
add_executable(pe_tool ${CMAKE_CURRENT_LIST_DIR}/pe_tool.cpp)
target_link_libraries(pe_tool PRIVATE wrapsmith_pe)
wrapsmith_target_defaults(pe_tool)
