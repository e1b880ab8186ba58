# Warnings for our own targets only; third-party headers stay quiet through SYSTEM includes.
function(vorlandite_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local> -Wnon-virtual-dtor
                                           -Wno-missing-field-initializers)
endfunction()
