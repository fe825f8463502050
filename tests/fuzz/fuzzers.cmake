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
wrapsmith_fuzzer(fuzz_pe_resources fuzz_pe_resources.cpp wrapsmith_pe)
