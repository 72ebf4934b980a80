# The installed program and its package (on Windows: WindowsRuntime.cmake).
#
# `cmake --install` lays the program out as the build does: the executable with its Language
# and Image folders in <prefix>/lib/corvane, and <prefix>/bin/corvane a symbolic link to it
# (the program finds its files beside its real path). Beside the executable lies the marker
# file that tells the program it is installed: it then keeps Config.ini, DataFile,
# UpgradeFile and Ports in the user's own folders (src/platform/Paths.h). The desktop entry,
# the icons and the AppStream metainfo go where desktops look for them.

if(NOT CORVANE_GUI)
    return()
endif()
# Windows has a layout of its own, and a setup program instead of the package.
if(WIN32)
    include(cmake/WindowsRuntime.cmake)
    return()
endif()

set(corvane_program_dir lib/corvane)
set(corvane_desktop_dir ${PROJECT_SOURCE_DIR}/resources/desktop)
set(corvane_app_id org.corvane.Corvane)

install(TARGETS corvane RUNTIME DESTINATION ${corvane_program_dir})
install(DIRECTORY ${CORVANE_RUNTIME_DIR}/Language ${CORVANE_RUNTIME_DIR}/Image
        DESTINATION ${corvane_program_dir})

set(corvane_install_stage ${CMAKE_BINARY_DIR}/install-stage)
file(WRITE ${corvane_install_stage}/corvane.installed
     "Corvane is installed here: each user's settings and files live in the user's own folders.\n")
install(FILES ${corvane_install_stage}/corvane.installed DESTINATION ${corvane_program_dir})
file(CREATE_LINK ../${corvane_program_dir}/corvane ${corvane_install_stage}/corvane SYMBOLIC)
install(FILES ${corvane_install_stage}/corvane DESTINATION bin)
# The command-line client of the control interface, for show scripts.
if(TARGET corvane-cli)
    install(TARGETS corvane-cli RUNTIME DESTINATION bin)
endif()

install(FILES ${corvane_desktop_dir}/${corvane_app_id}.desktop DESTINATION share/applications)
install(FILES ${corvane_desktop_dir}/${corvane_app_id}.metainfo.xml DESTINATION share/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${corvane_desktop_dir}/icons/corvane-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME ${corvane_app_id}.png)
endforeach()
install(FILES ${corvane_desktop_dir}/${corvane_app_id}.svg DESTINATION share/icons/hicolor/scalable/apps)

# The checks of the desktop files by the validators Debian ships.
if(CORVANE_TESTS)
    find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
    find_program(APPSTREAMCLI appstreamcli)
    if(DESKTOP_FILE_VALIDATE)
        add_test(NAME desktop.entry COMMAND ${DESKTOP_FILE_VALIDATE} ${corvane_desktop_dir}/${corvane_app_id}.desktop)
        set_tests_properties(desktop.entry PROPERTIES LABELS "desktop")
    endif()
    if(APPSTREAMCLI)
        add_test(NAME desktop.metainfo
                 COMMAND ${APPSTREAMCLI} validate --no-net --pedantic ${corvane_desktop_dir}/${corvane_app_id}.metainfo.xml)
        set_tests_properties(desktop.metainfo PROPERTIES LABELS "desktop")
    endif()
endif()

# The Debian package: `cpack` in the build folder makes corvane_<version>_<arch>.deb. Its
# dependencies on libraries are computed from the executable by dpkg-shlibdeps; the fonts the
# look is drawn with (Arial is Liberation Sans on Debian; the Chinese texts) are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_CONTACT "Corvane developers <corvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Control application of a multi-layer video processor")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvane controls a multi-layer video processor over a serial port: layers on a canvas \
spanning four outputs, scaling, crop, edge blending, frame sync, EDID timings, picture \
settings, presets and firmware upgrade.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei")
set(CPACK_STRIP_FILES ON)
include(CPack)
