# The fuzz targets: name, source (in tests/fuzz/) and the libraries it links. Each one also
# has a folder of seed inputs under seeds/<name>/.
set(WRAPSMITH_FUZZ_SECONDS 10 CACHE STRING "How long each fuzz target runs in the test run")
set(WRAPSMITH_FUZZERS)
# wrapsmith_fuzzer(fuzz_example fuzz_example.cpp some_library)
macro(wrapsmith_fuzzer name source)
  list(APPEND WRAPSMITH_FUZZERS ${name})
  set(WRAPSMITH_FUZZER_${name}_SOURCE ${source})
  set(WRAPSMITH_FUZZER_${name}_LIBS ${ARGN})
endmacro()
wrapsmith_fuzzer(fuzz_project_file fuzz_project_file.cpp wrapsmith_project)
wrapsmith_fuzzer(fuzz_icon_file fuzz_icon_file.cpp wrapsmith_version)
wrapsmith_fuzzer(fuzz_version_block fuzz_version_block.cpp wrapsmith_version)
wrapsmith_fuzzer(fuzz_pe_resources fuzz_pe_resources.cpp wrapsmith_pe)
