# The Debian package: `cpack -G DEB` in the build folder. Included from the top-level list so
# the package configuration lands in the top of the build folder.

set(CPACK_PACKAGE_NAME q-marl)
set(CPACK_PACKAGE_VENDOR "Q-MARL")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Dash-camera recording viewer with route map")
set(CPACK_PACKAGE_DESCRIPTION
    "Q-MARL plays the recordings of car dash cameras (MP4, MOV and MPEG transport-stream files
with one, two or three camera channels) side by side in step, and shows where and how the car
moved: the route on a map with a moving marker, a speedometer, a compass, the position and the
maximum speed. The GPS samples are read from inside the video files. A range of a recording
can be exported as lossless copies of every channel, one composed video with the telemetry and
the GPX of the range. Command-line companions: q-marl-track extracts the embedded tracks as
text, GPX or CSV; q-marl-clip exports a clip.")
set(CPACK_PACKAGE_CONTACT "Q-MARL maintainers <q-marl@localhost>")
set(CPACK_PACKAGE_INSTALL_DIRECTORY q-marl)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://localhost/q-marl")
# Named by their Debian 12 packages, so the package states what the viewer needs whatever the
# linker kept (the fonts are loaded at run time and no library link names them). Where
# dpkg-shlibdeps is present it adds the versions the build linked against and the C and C++
# runtimes.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt5core5a (>= 5.15), libqt5gui5 (>= 5.15), libqt5widgets5 (>= 5.15), \
libqt5network5 (>= 5.15), libqt5webenginewidgets5 (>= 5.15), libqt5webchannel5 (>= 5.15), libmpv2, fonts-noto-cjk")
find_program(QMARL_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QMARL_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
# The clip export's FFmpeg libraries.
string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
       ", libavformat59, libavcodec59, libavfilter8, libswscale6, libavutil57")
# The archive's index: Qt's SQL module and its SQLite driver (loaded as a plugin at run time).
string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libqt5sql5 (>= 5.15), libqt5sql5-sqlite")
# The desktop database and icon cache are refreshed by the triggers of the packages that own
# them; nothing of ours has to run at install time.

include(CPack)
