# Compiler settings shared by every target of the project.

add_library(corvane_warnings INTERFACE)
if(MSVC)
    # Sources are UTF-8; the Windows headers' min/max macros would hide std::min/std::max.
    target_compile_options(corvane_warnings INTERFACE /W4 /utf-8 /permissive-)
    target_compile_definitions(corvane_warnings INTERFACE NOMINMAX)
    if(CORVANE_WERROR)
        target_compile_options(corvane_warnings INTERFACE /WX)
    endif()
else()
    target_compile_options(corvane_warnings INTERFACE -Wall -Wextra -Wpedantic)
    if(CORVANE_WERROR)
        target_compile_options(corvane_warnings INTERFACE -Werror)
    endif()
endif()

if(CORVANE_SANITIZE)
    add_compile_options(-fsanitize=${CORVANE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${CORVANE_SANITIZE})
endif()

# corvane_library(name SOURCES ... DEPS ... [HEADERS ...] [KIND core|ui]): a library of one
# subsystem. Its headers (HEADERS, or every header of its folder) are all it shows: they are
# linked into build/include/<name>/<folder>/, and that is the only include path a library
# hands to those that declare it in their DEPS. So "device/DeviceState.h" is found by a library
# that uses corvane_device and by nobody else, and a page cannot include the main window's
# header. Each library is listed, with its kind and sources, for the layering check (ctest).
function(corvane_library name)
    cmake_parse_arguments(ARG "" "KIND" "SOURCES;DEPS;HEADERS" ${ARGN})
    if(NOT ARG_KIND)
        set(ARG_KIND core)
    endif()
    add_library(${name} STATIC ${ARG_SOURCES})
    if(NOT ARG_HEADERS)
        file(GLOB ARG_HEADERS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    endif()
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
    set(root ${CMAKE_BINARY_DIR}/include/${name})
    file(REMOVE_RECURSE ${root})
    file(MAKE_DIRECTORY ${root}/${folder})
    foreach(header ${ARG_HEADERS})
        file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${root}/${folder}/${header} SYMBOLIC COPY_ON_ERROR)
    endforeach()
    target_include_directories(${name} PUBLIC ${root})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE corvane_warnings)
    list(TRANSFORM ARG_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
    list(TRANSFORM ARG_HEADERS PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
    string(REPLACE ";" "," files "${ARG_SOURCES};${ARG_HEADERS}")
    set_property(GLOBAL APPEND PROPERTY CORVANE_LIBRARIES "${ARG_KIND} ${name} ${folder} ${files}")
endfunction()

# corvane_qt_library(name SOURCES ... DEPS ...): a library of user-interface code (Qt). moc and
# uic run automatically; a source that includes "ui_dialog<number>.h" gets the dialog template
# resources/dialogs/dialog<number>.ui compiled in.
function(corvane_qt_library name)
    corvane_library(${name} KIND ui ${ARGN})
    set_target_properties(${name} PROPERTIES
        AUTOMOC ON
        AUTOUIC ON
        AUTOUIC_SEARCH_PATHS ${PROJECT_SOURCE_DIR}/resources/dialogs)
endfunction()

# Fuzzing: every library is built with libFuzzer's coverage; the targets link the fuzzer.
if(CORVANE_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "CORVANE_FUZZ needs clang (configure with the fuzz preset)")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
