# Tests of the version writer and reader and of the icon writer.
add_executable(version_icon_tests version_block_test.cpp icon_file_test.cpp)
target_link_libraries(version_icon_tests PRIVATE wrapsmith_version GTest::gtest_main)
wrapsmith_target_defaults(version_icon_tests)
gtest_discover_tests(version_icon_tests PROPERTIES LABELS unit)
