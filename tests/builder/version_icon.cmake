# Tests of the version writer and reader and of the icon writer: unit tests over blocks and
# icon files made in the tests, the writers on the template (or a stand-in with its exact
# layout), and cross-checks with pefile, wrestool and, under Wine, the system's own readers.
add_executable(version_icon_tests
  version_block_test.cpp icon_file_test.cpp version_writer_test.cpp add_icon_group_test.cpp)
target_link_libraries(version_icon_tests PRIVATE wrapsmith_version GTest::gtest_main)
target_compile_definitions(version_icon_tests PRIVATE WRAPSMITH_WIN64_DIR="${WRAPSMITH_WIN64_DIR}")
add_dependencies(version_icon_tests windows-x86_64)
wrapsmith_target_defaults(version_icon_tests)
gtest_discover_tests(version_icon_tests PROPERTIES LABELS unit)

add_executable(version_icon_tool version_icon_tool.cpp)
target_link_libraries(version_icon_tool PRIVATE wrapsmith_version)
wrapsmith_target_defaults(version_icon_tool)

set(check ${CMAKE_CURRENT_SOURCE_DIR}/version_icon_check.py)
add_test(NAME version_icon.readers
  COMMAND ${WRAPSMITH_PYTHON} ${check} $<TARGET_FILE:version_icon_tool> ${CMAKE_CURRENT_BINARY_DIR}/readers)
set_tests_properties(version_icon.readers PROPERTIES LABELS readers
  ENVIRONMENT "WRAPSMITH_WIN64_DIR=${WRAPSMITH_WIN64_DIR}" TIMEOUT 120)
wrapsmith_add_wine_test(version_icon.wine
  COMMAND ${WRAPSMITH_PYTHON} ${check} $<TARGET_FILE:version_icon_tool> ${CMAKE_CURRENT_BINARY_DIR}/wine --wine)
