# Cross build for 64-bit Windows with mingw-w64 (Debian g++-mingw-w64-x86-64-posix: the
# posix thread model, so std::thread and std::mutex work). The runtime libraries are linked
# statically, so the executables start under wine (or on a Windows machine) without DLLs
# beside them; the whole application (CORVANE_MINGW_SHARED_RUNTIME) links the shared runtime
# instead, the one the Qt DLLs use, which lies beside it. ctest runs every test executable
# through wine (CMAKE_CROSSCOMPILING_EMULATOR).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CORVANE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CORVANE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVANE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${CORVANE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CORVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(NOT CORVANE_MINGW_SHARED_RUNTIME)
    set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endif()

# Debian's wine64 package installs the loader outside PATH; the wine package adds a "wine"
# wrapper. Either will do.
find_program(CORVANE_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(CORVANE_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CORVANE_WINE})
endif()
