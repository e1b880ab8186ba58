# LLVM's linker where it is installed: it links the program and the couple of hundred test
# programs several times faster than the default one, which is most of a rebuild from a warm
# compiler cache. VORLANDITE_LINKER=default keeps the system's linker.
set(VORLANDITE_LINKER "lld" CACHE STRING "Linker to use: lld where available, or default")
if(VORLANDITE_LINKER STREQUAL "lld")
  include(CheckLinkerFlag)
  check_linker_flag(CXX "-fuse-ld=lld" VORLANDITE_HAVE_LLD)
  if(VORLANDITE_HAVE_LLD)
    add_link_options(-fuse-ld=lld)
  endif()
endif()
