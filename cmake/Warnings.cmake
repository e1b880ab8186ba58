# Warnings for our own targets only; third-party headers stay quiet through SYSTEM includes.
function(vorlandite_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow=local -Wnon-virtual-dtor
                                           -Wno-missing-field-initializers)
endfunction()
