# The build pipeline: CBuildSfx::Build and the helpers that move resources between the
# converter's own module, files and the output executable. The program that links this
# library also links its template: the resource script on Windows, wrapsmith_template_<arch>
# on Linux.
add_library(wrapsmith_pipeline STATIC build_pipeline.cpp)
target_include_directories(wrapsmith_pipeline PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(wrapsmith_pipeline PUBLIC
  wrapsmith_pe wrapsmith_version wrapsmith_project wrapsmith_payload wrapsmith_platform wrapsmith_common)
wrapsmith_target_defaults(wrapsmith_pipeline)
