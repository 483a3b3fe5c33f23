# Read by cpack for every package it makes.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_TW_DEBIAN_LAYOUT)
  message(FATAL_ERROR "This build installs under ${CPACK_PACKAGING_INSTALL_PREFIX}, not where Debian keeps games. "
    "Build the package with scripts/build-package.sh, or configure with -DTUMBLEWICK_DEBIAN_LAYOUT=ON.")
endif()
