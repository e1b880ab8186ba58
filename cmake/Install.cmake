# The installed layout, the split debug information and the steps `cmake --install` adds:
#   bin/vorlandite, bin/vorlandite-engine           the CLI and the engine (`build` copies the
#                                                    engine beside itself)
#   lib/vorlandite/flash/                            the Flash runtime: plugin, player, licences
#   share/man/man1/, share/doc/vorlandite/           manual pages, README and licences
#   lib/debug/.build-id/NN/REST.debug                debug information (component "debug")
# Everything else is component "runtime".

set(VORLANDITE_INSTALL_BIN_DIR "bin")
set(VORLANDITE_INSTALL_FLASH_DIR "lib/vorlandite/flash")
set(VORLANDITE_INSTALL_MAN_DIR "share/man/man1")
set(VORLANDITE_INSTALL_DOC_DIR "share/doc/vorlandite")

# Paths in the debug information and in __FILE__ relative to the checkout and the build folder:
# no build folder's path ends up in an installed file, and the objects compile the same in every
# clone (the compiler cache shares them). The build folder's mapping comes last so it wins for a
# build folder inside the checkout.
add_compile_options("-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=" "-ffile-prefix-map=${PROJECT_BINARY_DIR}/=")

# A RelWithDebInfo build keeps its programs lean: after each link the debug information moves to
# FILE.debug beside the program (found there by a debugger through the debug link) and the
# program keeps its symbol table. The sanitizer and fuzz builds keep theirs whole.
option(VORLANDITE_SPLIT_DEBUG "Move the debug information of RelWithDebInfo programs into FILE.debug" ON)
set(VORLANDITE_SPLITS_DEBUG OFF)
if(VORLANDITE_SPLIT_DEBUG AND CMAKE_BUILD_TYPE STREQUAL "RelWithDebInfo" AND NOT VORLANDITE_SANITIZE
   AND NOT VORLANDITE_FUZZ AND CMAKE_OBJCOPY)
  set(VORLANDITE_SPLITS_DEBUG ON)
endif()

find_program(VORLANDITE_TRUNCATE truncate)

# Installs a program or the plugin: `destination` relative to the prefix. The engine and the CLI
# get the installed Flash runtime's folder written over the build tree's (see
# platform/FlashControl.cpp); the debug file goes to the "debug" component under the build id,
# where debuggers find it for every copy of the program, screensaver files included.
function(vorlandite_install_binary target destination)
  install(TARGETS ${target} RUNTIME DESTINATION "${destination}" COMPONENT runtime
                            LIBRARY DESTINATION "${destination}" COMPONENT runtime)
  set(steps "${PROJECT_SOURCE_DIR}/cmake/InstallSteps.cmake")
  set(tools "set(VORLANDITE_OBJCOPY \"${CMAKE_OBJCOPY}\")\nset(VORLANDITE_READELF \"${CMAKE_READELF}\")\nset(VORLANDITE_TRUNCATE \"${VORLANDITE_TRUNCATE}\")")
  install(CODE "${tools}\ninclude(\"${steps}\")
vorlandite_install_flash_dir(\"${destination}/$<TARGET_FILE_NAME:${target}>\" \"${VORLANDITE_INSTALL_FLASH_DIR}\")"
          COMPONENT runtime)
  if(VORLANDITE_SPLITS_DEBUG)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND "${CMAKE_OBJCOPY}" --only-keep-debug "$<TARGET_FILE:${target}>" "$<TARGET_FILE:${target}>.debug"
      COMMAND "${CMAKE_OBJCOPY}" --strip-debug "--add-gnu-debuglink=$<TARGET_FILE:${target}>.debug" "$<TARGET_FILE:${target}>"
      VERBATIM)
    install(CODE "${tools}\ninclude(\"${steps}\")
vorlandite_install_debug_file(\"$<TARGET_FILE:${target}>\")"
            COMPONENT debug)
  endif()
endfunction()
