# Tests of the PE resource reader and editor.
add_executable(pe_tool ${CMAKE_CURRENT_LIST_DIR}/pe_tool.cpp)
target_link_libraries(pe_tool PRIVATE wrapsmith_pe)
wrapsmith_target_defaults(pe_tool)

add_executable(pe_unit_tests ${CMAKE_CURRENT_LIST_DIR}/pe_test.cpp)
target_link_libraries(pe_unit_tests PRIVATE wrapsmith_pe GTest::gtest_main)
wrapsmith_target_defaults(pe_unit_tests)
gtest_discover_tests(pe_unit_tests PROPERTIES LABELS unit)

# Cross-checks with readers nobody here wrote.
set(WRAPSMITH_WINE_CORPUS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
if(EXISTS ${WRAPSMITH_WINE_CORPUS})
  add_test(NAME builder.pe.corpus
    COMMAND ${WRAPSMITH_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/pe_corpus_check.py $<TARGET_FILE:pe_tool>
      ${WRAPSMITH_WINE_CORPUS} ${CMAKE_CURRENT_BINARY_DIR}/pe-corpus)
  set_tests_properties(builder.pe.corpus PROPERTIES TIMEOUT 900)
endif()
wrapsmith_add_wine_test(builder.pe.layouts
  COMMAND ${WRAPSMITH_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/pe_layouts_check.py $<TARGET_FILE:pe_tool>
    ${WRAPSMITH_WIN32_DIR} ${WRAPSMITH_WIN64_DIR} ${CMAKE_CURRENT_BINARY_DIR}/pe-layouts
  TIMEOUT 600)
add_test(NAME builder.pe.signing
  COMMAND ${WRAPSMITH_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/pe_signing_check.py $<TARGET_FILE:pe_tool>
    ${WRAPSMITH_WIN64_DIR}/tests/windows/pe/pe_probe_rsrc.exe ${CMAKE_CURRENT_BINARY_DIR}/pe-signing)
