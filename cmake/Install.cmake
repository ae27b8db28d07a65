# Installation and packages.
#   cmake --install build --prefix P   P/bin/tavo, P/bin/tavo-cli, P/share/tavo/ (master database and
#                                      manual), the desktop entry, the icon and the AppStream data
#   cd build && cpack -G DEB           tavo_<version>_amd64.deb
# No user database is installed: the programs create one in the user's data folder (DataLocations).
include(GNUInstallDirs)

# The reverse-domain name of the desktop entry and the AppStream component.
set(TAVO_APP_ID "org.example.tavo" CACHE STRING "Reverse-domain name of the desktop entry and AppStream data")
set(TAVO_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/tavo)

# The programs find the share folder relative to their own folder, so any prefix works.
file(RELATIVE_PATH TAVO_SHARE_RELATIVE /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${TAVO_SHARE_DIR})
target_compile_definitions(tavo_core PRIVATE TAVO_INSTALLED_DATA_RELATIVE="${TAVO_SHARE_RELATIVE}")

install(TARGETS tavo tavo-cli
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    BUNDLE DESTINATION .)
# The report part of tavo-cli is no command of its own: it lives in the program's private folder.
set(TAVO_REPORT_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/tavo)
if(CMAKE_INSTALL_LIBDIR MATCHES "^lib/")
    set(TAVO_REPORT_PROGRAM_DIR lib/tavo)
endif()
install(TARGETS tavo-bericht tavo-plan RUNTIME DESTINATION ${TAVO_REPORT_PROGRAM_DIR})
file(RELATIVE_PATH TAVO_REPORT_RELATIVE /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${TAVO_REPORT_PROGRAM_DIR})
foreach(target tavo-cli tavo-bericht tavo-plan)
    target_compile_definitions(${target} PRIVATE TAVO_REPORT_PROGRAM_RELATIVE="${TAVO_REPORT_RELATIVE}")
endforeach()
file(RELATIVE_PATH TAVO_REPORT_TO_BIN /prefix/${TAVO_REPORT_PROGRAM_DIR} /prefix/${CMAKE_INSTALL_BINDIR})
foreach(target tavo-bericht tavo-plan)
    target_compile_definitions(${target} PRIVATE TAVO_REPORT_TO_PROGRAM_RELATIVE="${TAVO_REPORT_TO_BIN}")
endforeach()
install(FILES ${TAVO_MASTER_DB} ${TAVO_MANUAL_PDF} DESTINATION ${TAVO_SHARE_DIR})

if(UNIX AND NOT APPLE)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/tavo.metainfo.xml.in
                   ${CMAKE_BINARY_DIR}/packaging/${TAVO_APP_ID}.metainfo.xml @ONLY)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/tavo.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications RENAME ${TAVO_APP_ID}.desktop)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/pictures/tavo.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/${TAVO_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# The programs are hardened with the flags Debian builds its own packages with (dpkg-buildflags with
# hardening=+all: stack protector, _FORTIFY_SOURCE, format checks, read-only relocations and
# immediate binding; position-independent executables are the compiler's default on Debian).
# Applied when dpkg-dev is installed; optimisation and debug information stay with the build type.
option(TAVO_HARDENING "Build the programs with the hardening flags of dpkg-buildflags" ON)
find_program(TAVO_DPKG_BUILDFLAGS dpkg-buildflags)
if(TAVO_HARDENING AND TAVO_DPKG_BUILDFLAGS)
    if(NOT DEFINED ENV{DEB_BUILD_MAINT_OPTIONS})
        set(ENV{DEB_BUILD_MAINT_OPTIONS} "hardening=+all")
    endif()
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        execute_process(COMMAND ${TAVO_DPKG_BUILDFLAGS} --get ${kind} WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
        separate_arguments(flags UNIX_COMMAND "${flags}")
        list(FILTER flags EXCLUDE REGEX "^-[Og]")
        set(TAVO_HARDENING_${kind} ${flags})
    endforeach()
    if(CMAKE_BUILD_TYPE STREQUAL "Debug") # _FORTIFY_SOURCE works only with optimisation
        list(FILTER TAVO_HARDENING_CPPFLAGS EXCLUDE REGEX "_FORTIFY_SOURCE")
    endif()
    foreach(target tavo_core tavo_plan tavo_report tavo_gui tavo_cli_commands tavo tavo-cli tavo-bericht tavo-plan)
        target_compile_options(${target} PRIVATE ${TAVO_HARDENING_CPPFLAGS} ${TAVO_HARDENING_CXXFLAGS})
    endforeach()
    foreach(target tavo tavo-cli tavo-bericht tavo-plan)
        target_link_options(${target} PRIVATE ${TAVO_HARDENING_LDFLAGS})
    endforeach()
endif()

# Debian documentation: the copyright file (machine-readable format), the changelog and the manual
# pages of both programs, which each program writes from its own option and command tables (hidden
# option --manpage), so the pages cannot fall behind --help. Compressed with gzip -9n.
if(UNIX AND NOT APPLE)
    find_program(TAVO_GZIP gzip REQUIRED)
    set(TAVO_DOC_DIR ${CMAKE_BINARY_DIR}/packaging)
    # The changelog's newest entry names the version being built.
    file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog TAVO_CHANGELOG_TOP LIMIT_COUNT 1)
    if(NOT TAVO_CHANGELOG_TOP MATCHES "^tavo \\(${PROJECT_VERSION}\\) ")
        message(FATAL_ERROR "packaging/changelog beginnt nicht mit dem Eintrag für Version ${PROJECT_VERSION}")
    endif()
    add_custom_command(OUTPUT ${TAVO_DOC_DIR}/changelog.gz
        COMMAND ${CMAKE_COMMAND} -DGZIP=${TAVO_GZIP} -DIN=${CMAKE_SOURCE_DIR}/packaging/changelog
                -DOUT=${TAVO_DOC_DIR}/changelog.gz -P ${CMAKE_SOURCE_DIR}/cmake/PackageDoc.cmake
        DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog ${CMAKE_SOURCE_DIR}/cmake/PackageDoc.cmake
        COMMENT "Erzeuge changelog.gz" VERBATIM)
    set(TAVO_PACKAGE_DOCS ${TAVO_DOC_DIR}/changelog.gz)
    foreach(program tavo tavo-cli)
        add_custom_command(OUTPUT ${TAVO_DOC_DIR}/${program}.1.gz
            COMMAND ${CMAKE_COMMAND} -DGZIP=${TAVO_GZIP} -DTOOL=$<TARGET_FILE:${program}> -DQT_BIN=${TAVO_QT_BIN}
                    -DOUT=${TAVO_DOC_DIR}/${program}.1.gz -P ${CMAKE_SOURCE_DIR}/cmake/PackageDoc.cmake
            DEPENDS ${program} ${CMAKE_SOURCE_DIR}/cmake/PackageDoc.cmake
            COMMENT "Erzeuge die Handbuchseite ${program}.1" VERBATIM)
        list(APPEND TAVO_PACKAGE_DOCS ${TAVO_DOC_DIR}/${program}.1.gz)
    endforeach()
    add_custom_target(package_docs ALL DEPENDS ${TAVO_PACKAGE_DOCS})
    install(FILES ${TAVO_DOC_DIR}/tavo.1.gz ${TAVO_DOC_DIR}/tavo-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${TAVO_DOC_DIR}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavo)
endif()

# Windows and macOS have no system Qt: the install step copies Qt's libraries and plugins (the
# platform plugin, the SQLite driver, the SVG image format, ...) beside the programs. On Linux the
# distribution's Qt packages provide them, so nothing is copied there.
if(WIN32 OR APPLE)
    qt_generate_deploy_app_script(TARGET tavo OUTPUT_SCRIPT TAVO_DEPLOY_SCRIPT NO_UNSUPPORTED_PLATFORM_ERROR)
    install(SCRIPT ${TAVO_DEPLOY_SCRIPT})
endif()

# Packages.
set(CPACK_PACKAGE_NAME tavo)
set(CPACK_PACKAGE_VENDOR "TAVO")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "TAVO <tavo@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Kosten und Erträge eines neuen Baugebiets für die Gemeinde")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "TAVO")
set(CPACK_PACKAGE_EXECUTABLES "tavo;TAVO - Tavorechner")
set(CPACK_STRIP_FILES ON)

# Debian: tavo_<version>_amd64.deb. The libraries the programs link come from dpkg-shlibdeps when
# it is there (package dpkg-dev); the plugins Qt loads at run time are named explicitly.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "TAVO <tavo@example.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION "misc")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Der Tavorechner schätzt für ein geplantes Baugebiet einer Gemeinde über 20
Projektjahre ab, was Straßen, Beleuchtung, Grünflächen, Kanal, Wasser, weitere
Leitungen und soziale Infrastruktur kosten und was Aufschließungsbeitrag,
Anschlussgebühren, Grundsteuer und Finanzausgleich einbringen.

TAVO estimates, for a planned building area of a municipality and over 20
project years, what its infrastructure costs and what the development levy,
connection fees, property tax and fiscal equalisation bring in. The user
interface is German. Includes the command line program tavo-cli.")
find_program(TAVO_DPKG_SHLIBDEPS dpkg-shlibdeps)
set(TAVO_DEB_PLUGINS "libqt6sql6-sqlite, qt6-qpa-plugins")
if(TAVO_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "${TAVO_DEB_PLUGINS}")
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS
        "${TAVO_DEB_PLUGINS}, libqt6svg6 (>= 6.4), libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6sql6 (>= 6.4), libqt6charts6 (>= 6.4), libqt6printsupport6 (>= 6.4), libstdc++6 (>= 12), libc6 (>= 2.34), libgdal32 (>= 3.6)")
endif()
# The German texts of Qt's own dialogs (Ja, Nein, Abbrechen, the print and file dialogs); Qt's
# PostgreSQL driver with the client library libpq for an office database on a server (the programs
# load libpq only when a server address is used).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils, libqt6sql6-psql, libpq5")

# Windows: an NSIS installer with a start-menu entry, or an MSI from WiX (same upgrade code for
# every version, so a new version replaces the old one).
set(CPACK_NSIS_MUI_ICON ${CMAKE_SOURCE_DIR}/resources/pictures/tavo.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_SOURCE_DIR}/resources/pictures/tavo.ico)
set(CPACK_WIX_PRODUCT_ICON ${CMAKE_SOURCE_DIR}/resources/pictures/tavo.ico)
set(CPACK_NSIS_DISPLAY_NAME "TAVO - Tavorechner")
set(CPACK_NSIS_PACKAGE_NAME "TAVO - Tavorechner")
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\tavo.exe")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MENU_LINKS "share/tavo/TAVO_Handbuch.pdf" "TAVO Handbuch")
set(CPACK_WIX_UPGRADE_GUID "9C8F5B32-D074-45EF-818F-440DFBF020B1")
set(CPACK_WIX_PROGRAM_MENU_FOLDER "TAVO")

if(WIN32)
    set(CPACK_GENERATOR "NSIS;ZIP")
elseif(APPLE)
    set(CPACK_GENERATOR "DragNDrop")
else()
    set(CPACK_GENERATOR "DEB;TGZ")
endif()
include(CPack)
