# The whole application on Windows: what lies beside corvane.exe, in the build folder and in the
# installation, and the setup program.
#
# windeployqt is not at hand in a cross build, so the runtime is listed here, once. It is what the
# executables load: the Qt modules they link (and those the modules link), the platform plugin,
# the image-format plugins, and the mingw-w64 runtime the Qt DLLs were built against (the
# executables link the same one, shared, so one C++ runtime is loaded). A file missing from the
# list shows as a Windows message at start ("The code execution cannot proceed because ... was
# not found"); the CI step starts the installed program, so it is found at once.

set(corvane_qt_dlls Qt6Core Qt6Gui Qt6Widgets Qt6Network Qt6WebSockets Qt6HttpServer)
# No TLS backend: the control interface serves plain HTTP on the loopback (loading schannel's
# costs seconds at every start under wine); Qt's warnings that none is found are switched off.
set(corvane_qt_plugins platforms/qwindows imageformats/qgif imageformats/qico imageformats/qjpeg)
set(corvane_mingw_dlls libstdc++-6 libgcc_s_seh-1 libwinpthread-1)

# Where the Qt that was found keeps its DLLs and plugins (Qt's own install layout: bin and
# plugins in the Qt for mingw-w64 and the Qt Project's kits, share/qt6/plugins in MSYS2).
set(qt_prefix "${QT6_INSTALL_PREFIX}")
if(NOT qt_prefix)
    set(qt_prefix "${CORVANE_QT_WINDOWS_PREFIX}")
endif()
set(qt_bins "${qt_prefix}/${QT6_INSTALL_BINS}")
set(qt_plugins "${qt_prefix}/${QT6_INSTALL_PLUGINS}")
if(NOT MINGW)
    # MSVC brings its own runtime (the Visual C++ redistributable).
    set(corvane_mingw_dlls)
endif()
set(runtime_files)   # absolute source paths
set(runtime_targets) # the same files, relative to the program folder
foreach(dll ${corvane_qt_dlls})
    list(APPEND runtime_files "${qt_bins}/${dll}.dll")
    list(APPEND runtime_targets "${dll}.dll")
endforeach()
foreach(plugin ${corvane_qt_plugins})
    list(APPEND runtime_files "${qt_plugins}/${plugin}.dll")
    list(APPEND runtime_targets "${plugin}.dll")
endforeach()
foreach(dll ${corvane_mingw_dlls})
    # The compiler knows where its own runtime lies (gcc's folder, or the mingw-w64 sysroot).
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}.dll
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        find_file(path_${dll} ${dll}.dll PATHS /usr/${CORVANE_MINGW_PREFIX}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
        set(path "${path_${dll}}")
    endif()
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "The mingw-w64 runtime ${dll}.dll was not found")
    endif()
    # Debian's libstdc++-6.dll carries its debugging information (22 MiB of 23): the program
    # gets a stripped copy.
    set(stripped ${CMAKE_BINARY_DIR}/mingw-runtime/${dll}.dll)
    add_custom_command(OUTPUT ${stripped}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/mingw-runtime
                       COMMAND ${CMAKE_STRIP} --strip-debug -o ${stripped} ${path}
                       DEPENDS ${path} VERBATIM)
    list(APPEND runtime_files "${stripped}")
    list(APPEND runtime_targets "${dll}.dll")
endforeach()
foreach(file ${runtime_files})
    if(NOT EXISTS "${file}" AND NOT file MATCHES "/mingw-runtime/")
        message(FATAL_ERROR "The Windows runtime file ${file} is missing from the Qt at ${qt_prefix}")
    endif()
endforeach()

# The Qt licence texts and where its sources come from (Qt is used under the LGPL 3: the DLLs
# stay separate, replaceable files).
set(licence_folder licenses/Qt)
set(licence_stage ${CMAKE_BINARY_DIR}/windows-licences)
file(REMOVE_RECURSE ${licence_stage})
if(EXISTS ${qt_prefix}/LICENSES)
    file(COPY ${qt_prefix}/LICENSES/ DESTINATION ${licence_stage})
else()
    message(WARNING "No LICENSES folder in ${qt_prefix}: put Qt's licence texts in ${licence_folder} by hand")
endif()
configure_file(${PROJECT_SOURCE_DIR}/resources/windows/QtSources.txt ${licence_stage}/QtSources.txt COPYONLY)

# In the build folder: everything beside the executables, as installed, so bin/corvane.exe runs.
set(copies)
list(LENGTH runtime_files count)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
    list(GET runtime_files ${i} from)
    list(GET runtime_targets ${i} to)
    set(to ${CORVANE_RUNTIME_DIR}/${to})
    add_custom_command(OUTPUT ${to} COMMAND ${CMAKE_COMMAND} -E copy_if_different ${from} ${to} DEPENDS ${from}
                       VERBATIM)
    list(APPEND copies ${to})
endforeach()
add_custom_target(corvane_windows_runtime ALL DEPENDS ${copies})
add_custom_command(TARGET corvane_windows_runtime POST_BUILD
                   COMMAND ${CMAKE_COMMAND} -E copy_directory ${licence_stage} ${CORVANE_RUNTIME_DIR}/${licence_folder})

# The installation: one program folder, the executables with their runtime, Language and Image
# folders and the marker that makes the program keep each user's files in %APPDATA%\corvane.
install(TARGETS corvane RUNTIME DESTINATION .)
if(TARGET corvane-cli)
    install(TARGETS corvane-cli RUNTIME DESTINATION .)
endif()
foreach(i RANGE ${last})
    list(GET runtime_files ${i} from)
    list(GET runtime_targets ${i} to)
    get_filename_component(folder "${to}" DIRECTORY)
    if(NOT folder)
        set(folder .)
    endif()
    install(FILES ${from} DESTINATION ${folder})
endforeach()
install(DIRECTORY ${CORVANE_RUNTIME_DIR}/Language ${CORVANE_RUNTIME_DIR}/Image DESTINATION .)
install(DIRECTORY ${licence_stage}/ DESTINATION ${licence_folder})
set(corvane_install_stage ${CMAKE_BINARY_DIR}/install-stage)
file(WRITE ${corvane_install_stage}/corvane.installed
     "Corvane is installed here: each user's settings and files live in %APPDATA%\\corvane.\r\n")
install(FILES ${corvane_install_stage}/corvane.installed DESTINATION .)

# The setup program: `cmake --build <folder> --target setup` makes corvane-setup-<version>.exe
# with NSIS (Debian's nsis: makensis) from the installation staged in the build folder.
find_program(CORVANE_MAKENSIS makensis)
if(CORVANE_MAKENSIS)
    set(setup_stage ${CMAKE_BINARY_DIR}/setup-stage)
    set(setup_exe ${CMAKE_BINARY_DIR}/corvane-setup-${PROJECT_VERSION}.exe)
    add_custom_target(setup
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${setup_stage}
        COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${setup_stage} --strip
        COMMAND ${CMAKE_COMMAND} -DSTAGE=${setup_stage} -DOUT=${CMAKE_BINARY_DIR}/setup-files.nsh
                -P ${PROJECT_SOURCE_DIR}/cmake/SetupFileList.cmake
        COMMAND ${CORVANE_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DSTAGE=${setup_stage}
                -DOUTFILE=${setup_exe} -DFILES=${CMAKE_BINARY_DIR}/setup-files.nsh
                ${PROJECT_SOURCE_DIR}/resources/windows/corvane.nsi
        BYPRODUCTS ${setup_exe}
        COMMENT "Making corvane-setup-${PROJECT_VERSION}.exe"
        VERBATIM)
    add_dependencies(setup corvane corvane_windows_runtime)
    if(TARGET corvane-cli)
        add_dependencies(setup corvane-cli)
    endif()
else()
    message(STATUS "makensis (Debian's nsis) not found: no setup program")
endif()
