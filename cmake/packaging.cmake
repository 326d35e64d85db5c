# `cpack` in the build folder makes a Debian package of everything installed.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME blargo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "set the sound volume, or pump it up and down in party mode")
set(CPACK_PACKAGE_DESCRIPTION
    "bLaRgO is a small window that sets the system's master volume with five\npreset buttons and a slider. Its party mode pumps the volume between 30 and\n95 percent while the window flashes. It talks to PulseAudio or PipeWire\ndirectly, and to ALSA on systems without a sound server.")
set(CPACK_PACKAGE_CONTACT "The bLaRgO developers <blargo@example.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The bLaRgO developers <blargo@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without a sound server, ALSA's "default" device needs the pulse plugin on
# systems where a server comes and goes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libasound2-plugins")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
include(CPack)
