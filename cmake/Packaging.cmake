# Installation layout and the Debian package (CPack, DEB generator).
# scripts/package builds the package; scripts/check-package checks it.

# Directories the install creates must be 0755 whatever the umask of the
# machine that builds the package.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(KRV_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(KRV_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)

foreach(program krv krv-cli krv-sample-service)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION bin)
  endif()
endforeach()

# Debian wants manual pages and the changelog compressed with gzip -9n: the
# -n keeps name and time stamp out of the header, so that the same sources
# give the same package.
find_program(KRV_GZIP gzip REQUIRED)
set(KRV_MAN_PAGES krv.1 krv-cli.1 krv-sample-service.1)
set(KRV_COMPRESSED_FILES)
foreach(page ${KRV_MAN_PAGES})
  list(APPEND KRV_COMPRESSED_FILES ${KRV_PACKAGING_OUT}/${page}.gz)
  add_custom_command(
    OUTPUT ${KRV_PACKAGING_OUT}/${page}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${KRV_PACKAGING_DIR}/man/${page} ${KRV_PACKAGING_OUT}/${page}
    COMMAND ${KRV_GZIP} -9nf ${KRV_PACKAGING_OUT}/${page}
    DEPENDS ${KRV_PACKAGING_DIR}/man/${page}
    VERBATIM)
endforeach()
add_custom_command(
  OUTPUT ${KRV_PACKAGING_OUT}/changelog.Debian.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${KRV_PACKAGING_DIR}/changelog ${KRV_PACKAGING_OUT}/changelog.Debian
  COMMAND ${KRV_GZIP} -9nf ${KRV_PACKAGING_OUT}/changelog.Debian
  DEPENDS ${KRV_PACKAGING_DIR}/changelog
  VERBATIM)
list(APPEND KRV_COMPRESSED_FILES ${KRV_PACKAGING_OUT}/changelog.Debian.gz)
add_custom_target(krv_package_files ALL DEPENDS ${KRV_COMPRESSED_FILES})

install(FILES ${KRV_PACKAGING_DIR}/krv-data.desktop DESTINATION share/applications)
install(FILES ${KRV_PACKAGING_DIR}/icons/krv-data.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${KRV_PACKAGING_DIR}/icons/krv-data.png DESTINATION share/icons/hicolor/256x256/apps)
install(FILES ${KRV_PACKAGING_DIR}/io.github.krvdata.krvdata.metainfo.xml DESTINATION share/metainfo)
foreach(page ${KRV_MAN_PAGES})
  install(FILES ${KRV_PACKAGING_OUT}/${page}.gz DESTINATION share/man/man1)
endforeach()
install(FILES ${KRV_PACKAGING_DIR}/copyright ${KRV_PACKAGING_OUT}/changelog.Debian.gz
        DESTINATION share/doc/krv-data)
install(FILES ${KRV_PACKAGING_DIR}/lintian-overrides DESTINATION share/lintian/overrides RENAME krv-data)

# The packaging files must follow the programs: every option of a usage
# text described in the manual page, one version everywhere.
foreach(program krv krv-cli krv-sample-service)
  if(TARGET ${program})
    add_test(NAME packaging_man_page_${program}
             COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}>
                     -DPAGE=${KRV_PACKAGING_DIR}/man/${program}.1
                     -P ${CMAKE_SOURCE_DIR}/tests/packaging/man_covers_options.cmake)
    set_tests_properties(packaging_man_page_${program} PROPERTIES
                         ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_DISABLE_SANDBOX=1")
  endif()
endforeach()
add_test(NAME packaging_versions_agree
         COMMAND ${CMAKE_COMMAND} -DVERSION=${PROJECT_VERSION} -DDIR=${KRV_PACKAGING_DIR}
                 -P ${CMAKE_SOURCE_DIR}/tests/packaging/versions_agree.cmake)

# The package. Its revision (-1) counts Debian-side changes of one version.
set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_PACKAGE_NAME krv-data)
set(CPACK_PACKAGE_VENDOR "KRV Data developers")
set(CPACK_PACKAGE_CONTACT "KRV Data developers <krv-data@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "analyse a chess player's rated games and rating history")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Read here rather than named as CPACK_PACKAGE_DESCRIPTION_FILE, which CPack
# escapes for XML (&apos; in the control file). CPack copies the text into
# CPackConfig.cmake without escaping quotes, so a double quote would cut it.
file(READ ${KRV_PACKAGING_DIR}/description.txt CPACK_DEBIAN_PACKAGE_DESCRIPTION)
if(CPACK_DEBIAN_PACKAGE_DESCRIPTION MATCHES "[\"\\]")
  message(FATAL_ERROR "packaging/description.txt: no double quotes or backslashes, please")
endif()
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The printouts are laid out with the metrics of the Liberation fonts, and
# the desktop program cannot open a window without Qt's platform plugins
# (only recommended by the Qt libraries). The linked libraries are added by
# dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
