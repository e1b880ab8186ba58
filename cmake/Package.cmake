# The Debian packages `cpack -G DEB` makes from this build (scripts/package.sh):
#   vorlandite         the "runtime" component under /usr; its library dependencies are computed
#                      from the binaries (dpkg-shlibdeps), the GStreamer plugins and the MIDI sound
#                      font are named below, as the README's format table assigns them
#   vorlandite-dbgsym  the "debug" component: the split debug information (RelWithDebInfo)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "vorlandite")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Vorlandite")
set(VORLANDITE_PACKAGE_MAINTAINER "Vorlandite developers" CACHE STRING "The Maintainer field of the Debian packages")
set(CPACK_PACKAGE_CONTACT "${VORLANDITE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES OFF)  # the build has split the debug information already

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime)
if(VORLANDITE_SPLITS_DEBUG)
  list(APPEND CPACK_COMPONENTS_ALL debug)
endif()
set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_SECTION "x11")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME "vorlandite")
# The first line of a description is the summary, the rest the long description.
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "slideshow screensavers for X11: engine and authoring tool
Vorlandite shows slideshows with transition effects, music, videos and Flash
movies on X11, inside xscreensaver, MATE's screensaver or xsecurelock. A
screensaver is a copy of the engine with its pictures and settings appended;
the vorlandite tool builds one from a JSON manifest, inspects and extracts
one, and records its show without a screen.")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
# Playback itself and the common formats (WAV, MP3, AVI with Motion JPEG, PulseAudio output);
# the other formats, ALSA output and the General MIDI sounds as recommendations.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS
    "gstreamer1.0-libav, gstreamer1.0-plugins-ugly, gstreamer1.0-plugins-bad, gstreamer1.0-alsa, timgm6mb-soundfont")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SUGGESTS "xscreensaver | xsecurelock | mate-screensaver")

set(CPACK_DEBIAN_DEBUG_PACKAGE_NAME "vorlandite-dbgsym")
set(CPACK_DEBIAN_DEBUG_PACKAGE_SECTION "debug")
set(CPACK_DEBIAN_DEBUG_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_DEBUG_PACKAGE_DEPENDS "vorlandite (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEBUG_DESCRIPTION "debug symbols for vorlandite
The debug information of the vorlandite programs and the Flash plugin, found by
debuggers through the build id every copy of the engine carries, screensaver
files included.")

include(CPack)
