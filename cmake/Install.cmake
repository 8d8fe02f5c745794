# Installing and packaging.
#
# `cmake --install BUILD` puts the two programs, the desktop entry, the song
# file type, the icon, the AppStream metadata and the man pages under the
# prefix; `cpack -G DEB` (run in BUILD) makes
# tarvo-analyzer_<version>_<arch>.deb from the same rules.
include(GNUInstallDirs)

install(TARGETS tarvo-analyzer kvsdump RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(_tarvo_desktop ${PROJECT_SOURCE_DIR}/desktop)
install(FILES ${_tarvo_desktop}/io.github.tarvoanalyzer.TarvoAnalyzer.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_tarvo_desktop}/tarvo-analyzer-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME tarvo-analyzer.xml)
install(FILES ${_tarvo_desktop}/tarvo-analyzer.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The AppStream metadata, for software centres; its release is this version.
configure_file(${_tarvo_desktop}/io.github.tarvoanalyzer.TarvoAnalyzer.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/io.github.tarvoanalyzer.TarvoAnalyzer.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/io.github.tarvoanalyzer.TarvoAnalyzer.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The man pages carry the version in their title line. Debian ships them
# compressed. Both copies are made when cmake configures, and again whenever
# a page changes.
find_program(TARVO_GZIP gzip)
function(tarvo_install_man_page page)
  if(NOT EXISTS ${page})
    message(WARNING "${page} does not exist: it is not installed")
    return()
  endif()
  get_filename_component(name ${page} NAME)
  set(configured ${PROJECT_BINARY_DIR}/man/${name})
  configure_file(${page} ${configured} @ONLY)
  if(TARVO_GZIP)
    execute_process(COMMAND ${TARVO_GZIP} -9 -n -c ${configured}
                    OUTPUT_FILE ${configured}.gz
                    RESULT_VARIABLE gzip_result)
    if(NOT gzip_result EQUAL 0)
      message(FATAL_ERROR "Could not compress ${configured}")
    endif()
    install(FILES ${configured}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    install(FILES ${configured} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endfunction()
set(TARVO_KVSDUMP_MAN_PAGE ${PROJECT_SOURCE_DIR}/docs/kvsdump.1 CACHE FILEPATH
    "The kvsdump man page to install")
tarvo_install_man_page(${TARVO_KVSDUMP_MAN_PAGE})
tarvo_install_man_page(${PROJECT_SOURCE_DIR}/docs/tarvo-analyzer.1)

# The Debian package. Its Depends come from dpkg-shlibdeps (package dpkg-dev),
# which finds the packages of the Qt libraries the programs link; without it
# the package names the libraries' packages itself.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvo-analyzer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarvo Analyzer developers")
set(CPACK_PACKAGE_CONTACT "Tarvo Analyzer developers <tarvo-analyzer@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "read-only analyzer for Tarvo song files (.kvs)")
set(CPACK_PACKAGE_DESCRIPTION "\
Tarvo Analyzer opens one Tarvo song file and shows everything it understands
in it: global settings, song info, modules, mixer channels, audio clips, send
effects, song and playlist events, window states, kept chunks and the loader's
log. It never writes song files. kvsdump prints the same from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
find_program(TARVO_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TARVO_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6widgets6, libqt6gui6, libqt6core6, libstdc++6, libgcc-s1, libc6")
endif()
include(CPack)

if(TARVO_TESTS)
  # Exit status 77: a tool the test needs is missing, the test is skipped.
  foreach(_tarvo_check Files DesktopEntry AppStream DebianPackage)
    add_test(NAME Install.${_tarvo_check}
             COMMAND ${PROJECT_SOURCE_DIR}/tests/install/check-install.sh ${_tarvo_check}
                     ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION})
  endforeach()
  add_test(NAME Screenshot.DemoWindow
           COMMAND ${PROJECT_SOURCE_DIR}/tests/screenshot/screenshot.sh
                   ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR})
  set_tests_properties(Install.Files Install.DesktopEntry Install.AppStream Install.DebianPackage
                       Screenshot.DemoWindow
                       PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120 ENVIRONMENT LC_ALL=C)
endif()
