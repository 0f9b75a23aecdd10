# `cpack -G DEB` in the build directory: one Debian package, zorblax_VERSION_ARCH.deb,
# with everything `cmake --install` puts in place (Install.cmake) under /usr.
# Its Depends come from the shared libraries the programs and libraries need
# (dpkg-shlibdeps); the package's own libraries are found through their
# RUNPATH and get a shlibs file of their own. The desktop database and the
# MIME database are updated by the system's triggers when it is installed.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorblax)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zorblax toolkit")
set(CPACK_PACKAGE_CONTACT "Zorblax toolkit maintainers <zorblax@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Zorblax video toolkit: player, script player, compressor and tools")
set(CPACK_PACKAGE_DESCRIPTION
    "Programs and libraries for the Zorblax compressed video-and-sound format (.zbx): the player zorbplw, the \
ZorbScript presentation player zorbscw, the graphical front end zorblaxw, the compressor zorbc and the converters, \
mixers and analysers around it, the decode library libzorblax and the utility library libvexutil with their \
development files, man pages and desktop integration.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_NAME zorblax)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_LIBDIR})
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
# Only what Install.cmake installs (no test or benchmark programs).
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};ALL;/")
include(CPack)
