# The build pipeline against the real template (the 32-bit launcher, linked in as the Linux
# converter links it).
add_executable(pipeline_test pipeline_test.cpp)
target_link_libraries(pipeline_test PRIVATE wrapsmith_pipeline wrapsmith_template_i686 GTest::gtest_main)
wrapsmith_target_defaults(pipeline_test)
gtest_discover_tests(pipeline_test PROPERTIES LABELS unit)
