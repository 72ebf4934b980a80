# Compiler settings shared by every target of the project.

add_library(corvane_warnings INTERFACE)
target_compile_options(corvane_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(CORVANE_WERROR)
    target_compile_options(corvane_warnings INTERFACE -Werror)
endif()

if(CORVANE_SANITIZE)
    add_compile_options(-fsanitize=${CORVANE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${CORVANE_SANITIZE})
endif()

# corvane_library(name SOURCES ... DEPS ...): a library of one subsystem.
function(corvane_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE corvane_warnings)
endfunction()

# corvane_qt_library(name SOURCES ... DEPS ...): a library of user-interface code (Qt). moc and
# uic run automatically; a source that includes "ui_dialog<number>.h" gets the dialog template
# resources/dialogs/dialog<number>.ui compiled in.
function(corvane_qt_library name)
    corvane_library(${name} ${ARGN})
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
