# Installable packages, made with CPack from what the install rules put in place. The settings
# common to every package come first, then those of each platform's package.
set(CPACK_PACKAGE_NAME meterlog2)
set(CPACK_PACKAGE_VENDOR "Meterlog2 developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Meterlog2 developers <meterlog2@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "57x power analyzer logs: tables, exports, supply assessment, reports")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

# Debian: scripts/package.sh configures with CMAKE_INSTALL_PREFIX=/usr and runs cpack, which
# writes meterlog2_VERSION_ARCH.deb. The libraries the programs need become dependencies through
# dpkg-shlibdeps; Qt's platform plugins are loaded at run time, so no link shows that need.
if(UNIX AND NOT APPLE)
  set(CPACK_GENERATOR DEB)
  # The summary is the synopsis line; this is the text under it.
  set(CPACK_PACKAGE_DESCRIPTION
    "Meterlog opens the binary logs (.57x) of a portable single- and three-phase
power analyzer of the 57x family as a table, one row per record and one column
per measured quantity, exports them to CSV and the clipboard, plots trends,
harmonic spectra, waveforms and phasors, judges the supply against EN 50160,
IEEE 519 and ANSI C84.1 on the inputs the engineer declares, writes the
report a client receives (PDF or HTML), and downloads logs from the
instrument over a serial port.
.
This package holds the desktop program meterlog2, the command-line tool
meterlog2-cli for scripts and batch work, and meterlog2-sim, an instrument
simulator on a pseudo-terminal.")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  if(TARGET meterlog2)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  endif()
  set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()

include(CPack)
