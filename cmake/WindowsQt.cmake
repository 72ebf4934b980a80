# Qt for Windows in the cross build of the whole application (the windows-app preset).
#
# CORVANE_QT_WINDOWS names either an installed Qt for mingw-w64 (a folder with lib/cmake/Qt6) or
# a folder holding its archive, qt6-mingw-<version>.tar.xz, which is unpacked once into the build
# folder. By default it is the environment's CORVANE_QT_WINDOWS, else ../shared/qt6-mingw beside
# the source folder. The build machine's own Qt of the same version runs moc, rcc and uic.
#
# Sets CORVANE_QT_WINDOWS_PREFIX to the installed Qt, for the runtime beside the executable.

set(CORVANE_QT_WINDOWS "" CACHE PATH "Qt for Windows (mingw-w64): installed, or the folder of its archive")
set(qt_windows "${CORVANE_QT_WINDOWS}")
if(NOT qt_windows AND DEFINED ENV{CORVANE_QT_WINDOWS})
    set(qt_windows "$ENV{CORVANE_QT_WINDOWS}")
endif()
if(NOT qt_windows)
    get_filename_component(qt_windows "${PROJECT_SOURCE_DIR}/../shared/qt6-mingw" ABSOLUTE)
endif()

if(EXISTS "${qt_windows}/lib/cmake/Qt6/Qt6Config.cmake")
    set(qt_prefix "${qt_windows}")
else()
    file(GLOB qt_archive "${qt_windows}/qt6-mingw-*.tar.xz")
    if(NOT qt_archive)
        message(FATAL_ERROR "No Qt for Windows at '${qt_windows}': set CORVANE_QT_WINDOWS to an installed "
                            "Qt for mingw-w64 or to the folder of its qt6-mingw-<version>.tar.xz")
    endif()
    list(GET qt_archive 0 qt_archive)
    set(qt_prefix "${CMAKE_BINARY_DIR}/qt6-mingw")
    set(qt_stamp "${qt_prefix}/.unpacked-from")
    set(qt_unpacked "")
    if(EXISTS "${qt_stamp}")
        file(READ "${qt_stamp}" qt_unpacked)
    endif()
    file(TIMESTAMP "${qt_archive}" qt_archive_time "%s" UTC)
    if(NOT qt_unpacked STREQUAL "${qt_archive} ${qt_archive_time}")
        message(STATUS "Unpacking ${qt_archive}")
        file(REMOVE_RECURSE "${qt_prefix}")
        file(ARCHIVE_EXTRACT INPUT "${qt_archive}" DESTINATION "${CMAKE_BINARY_DIR}")
        if(NOT EXISTS "${qt_prefix}/lib/cmake/Qt6/Qt6Config.cmake")
            message(FATAL_ERROR "${qt_archive} did not unpack to ${qt_prefix}")
        endif()
        file(WRITE "${qt_stamp}" "${qt_archive} ${qt_archive_time}")
    endif()
endif()
set(CORVANE_QT_WINDOWS_PREFIX "${qt_prefix}")
message(STATUS "Qt for Windows: ${qt_prefix}")

# Find modes are ONLY in the toolchain: the Qt folder becomes one of the roots.
list(APPEND CMAKE_FIND_ROOT_PATH "${qt_prefix}")
list(APPEND CMAKE_PREFIX_PATH "${qt_prefix}")
if(NOT QT_HOST_PATH)
    set(QT_HOST_PATH /usr CACHE PATH "The build machine's Qt, whose moc, rcc and uic run")
endif()
if(NOT QT_HOST_PATH_CMAKE_DIR)
    find_path(qt_host_cmake Qt6/Qt6Config.cmake PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/cmake
              /usr/lib/x86_64-linux-gnu/cmake /usr/lib/cmake NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT qt_host_cmake)
        message(FATAL_ERROR "The build machine's Qt 6 (qt6-base-dev) is needed for moc, rcc and uic")
    endif()
    set(QT_HOST_PATH_CMAKE_DIR "${qt_host_cmake}" CACHE PATH "CMake packages of the build machine's Qt")
endif()
