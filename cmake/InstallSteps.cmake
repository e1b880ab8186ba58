# Steps `cmake --install` runs after copying the programs (included by cmake_install.cmake; see
# cmake/Install.cmake). CMAKE_INSTALL_PREFIX is the prefix the files will live under; DESTDIR,
# when set, only stages them (a package build).

set(VORLANDITE_FLASH_DIR_SECTION ".vorlandite_flash_dir")
set(VORLANDITE_FLASH_DIR_CAPACITY 1024)  # platform::kFlashRuntimeDirCapacity

# Writes <prefix>/<flashDir> over the build tree's Flash runtime folder in the installed copy of
# `file` (relative to the prefix). A program without that section (it does not look for the
# runtime) is left as it is.
function(vorlandite_install_flash_dir file flashDir)
  set(installed "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${file}")
  set(dir "${CMAKE_INSTALL_PREFIX}/${flashDir}")
  if(NOT IS_ABSOLUTE "${CMAKE_INSTALL_PREFIX}")
    message(FATAL_ERROR "the install prefix must be an absolute path, not '${CMAKE_INSTALL_PREFIX}'")
  endif()
  execute_process(COMMAND "${VORLANDITE_READELF}" -S --wide "${installed}"
                  OUTPUT_VARIABLE sections RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot read the sections of ${installed}")
  endif()
  string(REPLACE "." "\\." section "${VORLANDITE_FLASH_DIR_SECTION}")
  if(NOT sections MATCHES " ${section} +[A-Z_]+ +[0-9a-f]+ +[0-9a-f]+ +([0-9a-f]+) ")
    return()
  endif()
  # All of the section is written, whatever the compiler made of it (a sanitizer's padding).
  math(EXPR size "0x${CMAKE_MATCH_1}")
  string(LENGTH "${dir}" length)
  if(NOT length LESS VORLANDITE_FLASH_DIR_CAPACITY OR NOT length LESS size)
    message(FATAL_ERROR "the install prefix is too long: ${dir} has ${length} bytes, the engine keeps at most "
                        "${VORLANDITE_FLASH_DIR_CAPACITY} - 1")
  endif()
  if(NOT VORLANDITE_OBJCOPY OR NOT VORLANDITE_TRUNCATE)
    message(FATAL_ERROR "installing ${file} needs objcopy and truncate")
  endif()
  # The section's new bytes: the path, then zeros up to its fixed size.
  set(bytes "${installed}.flash-dir")
  file(WRITE "${bytes}" "${dir}")
  execute_process(COMMAND "${VORLANDITE_TRUNCATE}" -s ${size} "${bytes}" RESULT_VARIABLE status)
  if(status EQUAL 0)
    execute_process(COMMAND "${VORLANDITE_OBJCOPY}" --update-section "${VORLANDITE_FLASH_DIR_SECTION}=${bytes}" "${installed}"
                    RESULT_VARIABLE status)
  endif()
  file(REMOVE "${bytes}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot write the Flash runtime's folder into ${installed}")
  endif()
  message(STATUS "Flash runtime folder of ${file}: ${dir}")
endfunction()

# Installs `built`.debug (the debug information split off the program `built`) as
# <prefix>/lib/debug/.build-id/NN/REST.debug, where debuggers look for it by the build id.
function(vorlandite_install_debug_file built)
  execute_process(COMMAND "${VORLANDITE_READELF}" -n "${built}" OUTPUT_VARIABLE notes RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT notes MATCHES "Build ID: ([0-9a-f][0-9a-f])([0-9a-f]+)")
    message(WARNING "${built} has no build id; its debug information is not installed")
    return()
  endif()
  file(INSTALL "${built}.debug" DESTINATION "${CMAKE_INSTALL_PREFIX}/lib/debug/.build-id/${CMAKE_MATCH_1}"
       RENAME "${CMAKE_MATCH_2}.debug" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()
