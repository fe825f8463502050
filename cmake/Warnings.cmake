# Warnings as errors on our own code; sanitizers and fuzzer instrumentation on the native
# sanitizer build.
function(wrapsmith_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(WRAPSMITH_SANITIZE AND NOT WIN32)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(WRAPSMITH_FUZZ AND NOT WIN32)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()
