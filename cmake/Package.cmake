# What an installation holds and the Debian package made of it (scripts/package runs CPack
# on a release build configured with CMAKE_INSTALL_PREFIX=/usr).
set(package gps-tracking-station)
set(packaging ${CMAKE_SOURCE_DIR}/packaging)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${package})
set(STATION_INSTALLED_PROGRAM ${CMAKE_INSTALL_FULL_BINDIR}/${package})
set(STATION_INSTALLED_SIMULATOR ${CMAKE_INSTALL_FULL_BINDIR}/gps-simulator)
string(TIMESTAMP STATION_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP STATION_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(STATION_MAINTAINER "GPS Tracking Station developers <station@gpstrackingstation.org>")

# The demo launcher; scripts/run starts the build's programs through it as well.
configure_file(${packaging}/gps-tracking-station-demo.in ${CMAKE_BINARY_DIR}/${package}-demo
    @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                           WORLD_READ WORLD_EXECUTE)
configure_file(${packaging}/org.gpstrackingstation.Station.metainfo.xml
    ${CMAKE_BINARY_DIR}/org.gpstrackingstation.Station.metainfo.xml @ONLY)
configure_file(${packaging}/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)

# Manual pages and the changelog compressed as Debian wants them (gzip -9n).
set(compressed)
foreach(source IN ITEMS ${packaging}/gps-tracking-station.1 ${packaging}/gps-tracking-station-demo.1
                        ${packaging}/gps-simulator.1 ${CMAKE_BINARY_DIR}/changelog)
    get_filename_component(name ${source} NAME)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${name}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
        COMMAND gzip -9n -c ${source} > ${CMAKE_BINARY_DIR}/packaging/${name}.gz
        DEPENDS ${source} VERBATIM)
    list(APPEND compressed ${CMAKE_BINARY_DIR}/packaging/${name}.gz)
endforeach()
add_custom_target(packagedocs ALL DEPENDS ${compressed})

install(PROGRAMS $<TARGET_FILE:station> DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME ${package})
install(PROGRAMS ${CMAKE_BINARY_DIR}/${package}-demo DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET gps-simulator)
    install(TARGETS gps-simulator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# Stripped as Debian strips its programs (the renamed station is no target CMake strips).
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(program ${package} gps-simulator)
            execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                --remove-section=.note --strip-unneeded
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
                COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()")
# The program's own files, laid out as in the build's program folder, with their list.
install(CODE "
    set(DATA \"${CMAKE_SOURCE_DIR}/data\")
    set(NODE_MODULES \"${CMAKE_SOURCE_DIR}/node_modules\")
    set(PROGRAM \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/${package}\")
    set(VERSION \"${STATION_PACKAGE_VERSION}\")
    set(GUIDE \"${STATION_GUIDE}\")
    include(\"${CMAKE_SOURCE_DIR}/cmake/LayOutProgramFiles.cmake\")")

install(FILES ${packaging}/org.gpstrackingstation.Station.desktop
              ${packaging}/org.gpstrackingstation.Station.Demo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/org.gpstrackingstation.Station.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${packaging}/icons/${package}-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${package}.png)
endforeach()
install(FILES ${packaging}/icons/${package}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_BINARY_DIR}/packaging/gps-tracking-station.1.gz
              ${CMAKE_BINARY_DIR}/packaging/gps-tracking-station-demo.1.gz
              ${CMAKE_BINARY_DIR}/packaging/gps-simulator.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${doc_dir})
# The operator's guide and other documents, when the sources have them.
if(EXISTS ${CMAKE_SOURCE_DIR}/docs)
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${doc_dir})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${package})
set(CPACK_PACKAGE_VERSION ${STATION_PACKAGE_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop station that follows a vehicle by its GPS receiver")
set(CPACK_PACKAGE_DESCRIPTION
    "A station for one operator: a GPS receiver on a serial port sends
NMEA 0183 sentences, and the station lists every new position, shows it
on a map and keeps it in a monthly history log. A stored day's track can
be fetched, played back on the map and exported for navigation programs;
points of interest are kept in a small encrypted database.

A demo entry plays a recorded drive through the included receiver
simulator, so the station can be tried without any hardware.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${STATION_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the libraries do not name: the fonts the windows and the map are drawn in (Latin
# and Chinese) and the desktop opener that shows an exported track. The browser engine's
# helper process (libqt6webenginecore6-bin) comes with the engine's shlibs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-wqy-microhei, xdg-utils")
# Qt's own dialogs (file, print, calendar) in the language chosen for the station.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
