# The Debian package: cpack -G DEB (or the "package" target) makes quillan_<version>_amd64.deb
# from the install rules. Its library dependencies are computed by dpkg-shlibdeps; the
# GStreamer plug-ins the media layer loads at run time are named here.
include(GNUInstallDirs)

set(quillan_doc ${CMAKE_INSTALL_DATADIR}/doc/quillan)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/packaging/changelog
    DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog)
add_custom_target(quillan-changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${quillan_doc})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "quillan developers <quillan@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "trim silence, normalise and level-adjust WAV files in batches")
set(CPACK_PACKAGE_DESCRIPTION
    "quillan edits WAV files in batches: it trims the silence at their start\n"
    "and end, normalises them by peak, RMS or loudness and adjusts their level.\n"
    "It comes as a window and as quillan-batch, a command-line worker that takes\n"
    "file lists, splits them into shards for many machines and resumes runs that\n"
    "were stopped.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/strip.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's Qt platform plug-in (xcb) comes with libqt6gui6 itself; packaging/check-closure.sh
# checks that an install without recommends brings everything the programs load.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-plugins-ugly, gstreamer1.0-libav")
# MIDI files are played through a sound font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "timgm6mb-soundfont")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
